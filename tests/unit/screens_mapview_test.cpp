// The map view: limits of the view centre, the map with its border ring, title and bar.
#include "screens_fixture.h"

using namespace screentest;

namespace {

uint16_t barValue(int32_t x, int32_t) { return x < 116 ? 0x8000 : 0; }  // right half dark

class MapViewScreen : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        bar.make(232, 25, barValue);
        MapBar = bar.img;
    }
    void TearDown() override {
        MapBar = Image{};
        ScreenTest::TearDown();
    }
    // The map and its border ring at screen pixel (x, y), black elsewhere.
    uint16_t expectedMap(int32_t x, int32_t y) const {
        int32_t ox = 120 - game.mapViewX, oy = 160 - game.mapViewY;
        int32_t c = (x - ox) >> 3, r = (y - oy) >> 3;
        if (c < -1 || c > mapWidth || r < -1 || r > mapHeight) return 0;
        bool inside = c >= 0 && c < mapWidth && r >= 0 && r < mapHeight;
        return mapTileColour(inside ? map[c + r * mapWidth] : uint8_t{TileBorder});
    }
    void expectMapRows(int32_t y0, int32_t y1, const std::string& what) {
        int bad = 0;
        for (int32_t y = y0; y < y1 && bad < 5; ++y)
            for (int32_t x = 0; x < 240 && bad < 5; ++x)
                if (px(x, y) != expectedMap(x, y)) {
                    ++bad;
                    ADD_FAILURE() << what << ": (" << x << ", " << y << ") is " << px(x, y) << ", expected "
                                  << expectedMap(x, y);
                }
    }
    void drawAt(int32_t t) {
        game.modeTicks = t;
        drawMapView();
    }
    OwnedImage bar;
};

uint8_t mapValue(int32_t c, int32_t r) { return static_cast<uint8_t>((3 * c + 7 * r) % 64); }

TEST_F(MapViewScreen, SmallMapIsCentredWhateverTheViewHolds) {
    setMap(20, 10, mapValue);  // 160 x 80 pixels
    for (int32_t vx : {-500, 0, 80, 9999}) {
        game.mapViewX = vx;
        game.mapViewY = 3;
        drawAt(0);
        EXPECT_EQ(game.mapViewX, 80);
        EXPECT_EQ(game.mapViewY, 40);
        expectMapRows(0, 310, "view x " + std::to_string(vx));
    }
    // The map spans x 40..199 with border tiles at x 32 and x 200.
    EXPECT_EQ(px(31, 150), 0);
    EXPECT_EQ(px(32, 150), mapTileColour(TileBorder));
    EXPECT_EQ(px(40, 120), mapTileColour(mapValue(0, 0)));
    EXPECT_EQ(px(199, 199), mapTileColour(mapValue(19, 9)));
    EXPECT_EQ(px(200, 150), mapTileColour(TileBorder));
    EXPECT_EQ(px(207, 207), mapTileColour(TileBorder));
    EXPECT_EQ(px(208, 150), 0);
}

struct LimitCase {
    int32_t viewX, viewY;
    int32_t limitedX, limitedY;
};

TEST_F(MapViewScreen, LargeMapKeepsTheViewWithinOneSquareOfItsEdges) {
    setMap(64, 48, mapValue);  // 512 x 384 pixels
    const LimitCase cases[] = {
        {0, 0, 112, 152},          // far left and top: border column at x 0..7
        {10000, 10000, 400, 232},  // far right and bottom
        {250, 200, 250, 200},      // inside: unchanged
        {113, 231, 113, 231},
    };
    for (const LimitCase& c : cases) {
        game.mapViewX = c.viewX;
        game.mapViewY = c.viewY;
        drawAt(0);
        EXPECT_EQ(game.mapViewX, c.limitedX);
        EXPECT_EQ(game.mapViewY, c.limitedY);
        expectMapRows(0, 310, "view " + std::to_string(c.viewX) + "," + std::to_string(c.viewY));
    }
    game.mapViewX = game.mapViewY = 0;
    drawAt(100);
    EXPECT_EQ(px(0, 100), mapTileColour(TileBorder));
    EXPECT_EQ(px(7, 100), mapTileColour(TileBorder));
    EXPECT_EQ(px(8, 100), mapTileColour(mapValue(0, 11)));
    // Holding a key past the edge does not build up: one step back moves the view at once.
    game.mapViewX -= 2;
    drawAt(100);
    EXPECT_EQ(game.mapViewX, 112);
}

TEST_F(MapViewScreen, PlayerSquareShowsItsOwnTileAndEmptyMapShowsTheRing) {
    setMap(3, 3, [](int32_t c, int32_t r) { return uint8_t(c == 1 && r == 1 ? TilePlayer : TileEarth); });
    drawAt(0);
    EXPECT_EQ(px(120, 160), mapTileColour(TilePlayer));
    mapWidth = mapHeight = mapCells = 0;
    map = nullptr;
    drawAt(0);
    // A 0 by 0 map: the ring is the 2 x 2 squares around the centre.
    EXPECT_EQ(px(112, 152), mapTileColour(TileBorder));
    EXPECT_EQ(px(127, 167), mapTileColour(TileBorder));
    EXPECT_EQ(px(128, 160), 0);
    EXPECT_EQ(px(111, 160), 0);
}

TEST_F(MapViewScreen, TitleAndBarSlideInDuringTheFirst40Ticks) {
    setMap(20, 10, mapValue);
    setLevelName("HOLLOW");
    drawAt(0);  // title at y -20 (hidden), bar at y 310 (its first ten rows)
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 240; ++x) ASSERT_EQ(px(x, y), 0) << "no title yet (" << x << ", " << y << ")";
    EXPECT_EQ(px(4, 310), uint16_t(expectedMap(4, 310) | 0x8000));
    EXPECT_EQ(px(4, 309), expectedMap(4, 309));
    EXPECT_EQ(px(235, 319), expectedMap(235, 319));

    drawAt(20);  // title at y -10, bar at y 300
    EXPECT_NE(px(120, 0), 0) << "the title's lower rows show";
    EXPECT_NE(px(120, 8), 0) << "the title's lower rows show";
    EXPECT_EQ(px(120, 9), 0);
    EXPECT_EQ(px(4, 300), 0x8000);
    EXPECT_EQ(px(4, 299), 0);

    for (int32_t t : {40, 500}) {
        drawAt(t);
        expectText(120, 0, "HOLLOW", ColourWhite, AlignCentre, flat(0), "title at rest");
        EXPECT_EQ(px(4, 290), 0x8000);
        EXPECT_EQ(px(119, 314), 0x8000);
        EXPECT_EQ(px(120, 290), 0) << "the map shows through the bar's dark pixels";
        EXPECT_EQ(px(4, 289), 0);
        EXPECT_EQ(px(3, 290), 0);
        EXPECT_EQ(px(4, 315), 0);
    }
}

TEST_F(MapViewScreen, TapOnTheBarIsFireAndOnlyThere) {
    setMap(20, 10, mapValue);
    game.modeTicks = 60;
    const struct {
        int32_t x, y;
        bool fires;
    } cases[] = {{4, 290, true},    {235, 314, true},  {120, 300, true},  {3, 300, false},
                 {236, 300, false}, {100, 289, false}, {100, 315, false}, {120, 160, false}};
    for (const auto& c : cases) {
        bool expect = c.fires;
        TapResult r = tap(c.x, c.y, drawMapView, 7);
        EXPECT_EQ(r.fired, expect) << "tap " << c.x << "," << c.y;
        EXPECT_EQ(r.cursor, expect ? 0 : 7) << "tap " << c.x << "," << c.y;
    }
    MapBar = Image{};  // no bar: no zone, nothing drawn
    EXPECT_FALSE(tap(120, 300, drawMapView).fired);
}

TEST_F(MapViewScreen, WithoutMapTileSheetOnlyBlackAndTheTitle) {
    setMap(20, 10, mapValue);
    MapTileSheet = nullptr;
    MapBar = Image{};
    fillBackBuffer(0x1234);
    drawAt(0);
    for (int32_t y = 0; y < 320; y += 4)
        for (int32_t x = 0; x < 240; x += 4) ASSERT_EQ(px(x, y), 0) << x << "," << y;
}

}  // namespace
