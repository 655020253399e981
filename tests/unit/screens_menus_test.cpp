// Menus: highlighted entries, touch zones, the level list, the status block and the loaders.
#include "screens_fixture.h"

using namespace screentest;

namespace {

constexpr uint16_t Back = 0x0011;
// Never black, and different for every pixel of a highlight picture (x < 256).
uint16_t highlightValue(int32_t x, int32_t y) { return static_cast<uint16_t>((y << 8) + x + 1); }

struct Rect {
    int32_t left, top, right, bottom;
};

class Menus : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        fillBackdrop([](int32_t, int32_t) { return Back; });
    }
    void TearDown() override {
        MainMenuHighlight = MainMenuBanner = PracticeHighlight = PauseHighlight = Image{};
        ScreenTest::TearDown();
    }
    // The selected rectangle shows the highlight picture, the others the background.
    void expectHighlight(int32_t ox, int32_t oy, const Rect* rects, int32_t count, int32_t selected,
                         const std::string& what) {
        for (int32_t e = 0; e < count; ++e) {
            const Rect& r = rects[e];
            for (int32_t y : {r.top, (r.top + r.bottom) / 2, r.bottom - 1})
                for (int32_t x : {r.left, (r.left + r.right) / 2, r.right - 1}) {
                    uint16_t want = e == selected ? highlightValue(x, y) : Back;
                    ASSERT_EQ(px(ox + x, oy + y), want) << what << ": entry " << e << " at (" << x << ", " << y << ")";
                }
        }
    }
    OwnedImage highlight;
};

const Rect MainRects[4] = {{0, 27, 151, 60}, {0, 60, 151, 95}, {0, 95, 151, 136}, {0, 136, 151, 172}};
const Rect PracticeRects[5] = {
    {0, 0, 170, 28}, {0, 28, 170, 62}, {0, 62, 170, 93}, {0, 93, 170, 126}, {0, 157, 170, 192}};

TEST_F(Menus, MainMenuHighlightsTheEntryUnderTheCursorLimitedToItsRange) {
    highlight.make(151, 172, highlightValue);
    MainMenuHighlight = highlight.img;
    const struct {
        int8_t cursor;
        int32_t shown;  // index into MainRects
    } cases[] = {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {0, 0}, {-5, 0}, {5, 3}, {100, 3}};
    for (const auto& c : cases) {
        game.menuCursor = c.cursor;
        drawMainMenu();
        expectHighlight(62, 68, MainRects, 4, c.shown, "cursor " + std::to_string(c.cursor));
        EXPECT_EQ(px(62 + 75, 68 + 10), Back) << "the area above entry 1 is no entry";
    }
}

TEST_F(Menus, MainMenuShowsTheBestScoreRightAligned) {
    for (int32_t best : {0, 1234, -56, 2147483647}) {
        progress.bestScore = best;
        game.menuCursor = 1;
        drawMainMenu();
        std::string text = "Hi-score: " + std::to_string(best);
        expectText(236, 264, text, ColourWhite, AlignRight, flat(Back), text.c_str());
    }
}

TEST_F(Menus, MainMenuWithoutHighlightStillDrawsAndTakesTaps) {
    game.menuCursor = 2;
    drawMainMenu();  // MainMenuHighlight is empty
    EXPECT_EQ(px(62 + 75, 68 + 70), Back);
    TapResult r = tap(62 + 75, 68 + 140, drawMainMenu);
    EXPECT_TRUE(r.fired);
    EXPECT_EQ(r.cursor, 4);
}

struct TapCase {
    int32_t x, y;
    int32_t cursor;  // -100: nothing selected
};

TEST_F(Menus, MainMenuTouchZones) {
    const TapCase cases[] = {
        {62, 68 + 27, 1},     {62 + 150, 68 + 59, 1}, {62, 68 + 60, 2},        {100, 68 + 94, 2},
        {100, 68 + 95, 3},    {100, 68 + 136, 4},     {62 + 150, 68 + 171, 4}, {62 + 151, 68 + 100, -100},
        {61, 68 + 100, -100}, {100, 68 + 26, -100},   {100, 68 + 172, -100},   {-1, -1, -100},
    };
    for (const TapCase& c : cases) {
        TapResult r = tap(c.x, c.y, drawMainMenu, 99);
        EXPECT_EQ(r.fired, c.cursor != -100) << "tap " << c.x << "," << c.y;
        EXPECT_EQ(r.cursor, c.cursor == -100 ? 99 : c.cursor) << "tap " << c.x << "," << c.y;
    }
}

TEST_F(Menus, PracticeMenuHighlightAndTouchZonesWithTheGap) {
    highlight.make(170, 192, highlightValue);
    PracticeHighlight = highlight.img;
    for (int8_t cursor : {0, 1, 2, 3, 4, 7, -2}) {
        game.menuCursor = cursor;
        drawPracticeMenu();
        int32_t shown = cursor < 0 ? 0 : cursor > 4 ? 4 : cursor;
        expectHighlight(60, 34, PracticeRects, 5, shown, "cursor " + std::to_string(cursor));
        EXPECT_EQ(px(60 + 80, 34 + 140), Back) << "the gap is never highlighted";
    }
    const TapCase cases[] = {
        {60, 34, 0},        {229, 34 + 27, 0},     {100, 34 + 28, 1},     {100, 34 + 62, 2},
        {100, 34 + 125, 3}, {100, 34 + 126, -100}, {100, 34 + 156, -100}, {100, 34 + 157, 4},
        {229, 34 + 191, 4}, {230, 34 + 100, -100}, {100, 34 + 192, -100}, {100, 33, -100},
    };
    for (const TapCase& c : cases) {
        TapResult r = tap(c.x, c.y, drawPracticeMenu, 99);
        EXPECT_EQ(r.fired, c.cursor != -100) << "tap " << c.x << "," << c.y;
        EXPECT_EQ(r.cursor, c.cursor == -100 ? 99 : c.cursor) << "tap " << c.x << "," << c.y;
    }
}

TEST_F(Menus, PauseMenuShowsTheCursorsStripAndHasFourZones) {
    highlight.make(168, 161, highlightValue);
    PauseHighlight = highlight.img;
    for (int8_t cursor : {0, 1, 2, 3, 6}) {
        game.menuCursor = cursor;
        drawPauseMenu();
        int32_t s = cursor & 3;
        for (int32_t strip = 0; strip < 4; ++strip)
            for (int32_t y : {0, 20, 39})
                for (int32_t x : {0, 84, 167}) {
                    uint16_t want = strip == s ? highlightValue(x, 40 * strip + y) : Back;
                    ASSERT_EQ(px(34 + x, 129 + 40 * strip + y), want)
                        << "cursor " << int(cursor) << " strip " << strip << " (" << x << ", " << y << ")";
                }
    }
    // Cursor 2: rows 80..119 of the picture at y 209.
    game.menuCursor = 2;
    drawPauseMenu();
    EXPECT_EQ(px(34, 209), highlightValue(0, 80));
    EXPECT_EQ(px(34 + 167, 248), highlightValue(167, 119));
    EXPECT_EQ(px(34, 249), Back);

    const TapCase cases[] = {
        {34, 129, 0},     {201, 168, 0},   {34, 169, 1},     {100, 209, 2},    {100, 288, 3},
        {202, 150, -100}, {33, 150, -100}, {100, 128, -100}, {100, 289, -100},
    };
    for (const TapCase& c : cases) {
        TapResult r = tap(c.x, c.y, drawPauseMenu, 99);
        EXPECT_EQ(r.fired, c.cursor != -100) << "tap " << c.x << "," << c.y;
        EXPECT_EQ(r.cursor, c.cursor == -100 ? 99 : c.cursor) << "tap " << c.x << "," << c.y;
    }
}

struct StatusCase {
    uint8_t mode;
    int32_t score, diamonds;
    uint8_t targets;
    int32_t ticks;
    uint8_t lives;
    const char* texts[4];
};

TEST_F(Menus, StatusBlockValues) {
    game.menuCursor = 2;
    const StatusCase cases[] = {
        {PauseMenu, 0, 12, 0, 0, 4, {"0", "12", "0.0s", "4"}},
        {PauseMenu, -30, 0, 1, 1234, 3, {"-30", "Disarm bomb", "12.3s", "3"}},
        {PauseMenu, 51, -2, 2, 99, 1, {"51", "Disarm bomb", "0.9s", "1"}},
        {PauseMenu, 7, 0, 0, 100, 0, {"7", "0", "1.0s", "0"}},
        {Died, 123456, 3, 1, 60000, 2, {"123456", "3", "600.0s", "2"}},
    };
    for (const StatusCase& c : cases) {
        game.mode = c.mode;
        game.score = c.score;
        game.diamondsLeft = c.diamonds;
        game.targetsLeft = c.targets;
        game.levelTicks = c.ticks;
        game.lives = c.lives;
        drawPauseMenu();
        int32_t dy = c.mode == Died ? 18 : 0;
        const int32_t ys[4] = {34, 55, 76, 97};
        for (int i = 0; i < 4; ++i)
            expectText(165, ys[i] + dy, c.texts[i], ColourYellow, AlignLeft, flat(Back), c.texts[i]);
    }
}

struct LabelCase {
    int32_t index;
    int8_t cursor;
    uint32_t align;
    uint32_t colour;
    int32_t textX;
};

TEST_F(Menus, MenuLabelColourAlignmentAndZone) {
    // A label 100 wide and 25 high at (50, 100): text y is 100 + 3.
    const LabelCase cases[] = {
        {2, 2, AlignLeft, ColourYellow, 50},  {3, 2, AlignCentre, ColourWhite, 100},
        {0, 5, AlignRight, ColourWhite, 150}, {-1, 0, AlignRight, ColourGrey, 150},
        {4, 4, 5, ColourYellow, 50},  // another alignment value: x as given, text centred on it
    };
    for (const LabelCase& c : cases) {
        copyBackdrop();
        game.menuCursor = c.cursor;
        drawMenuLabel(c.index, 50, 100, 100, 25, "Ab1", c.align);
        std::string what = "index " + std::to_string(c.index) + " align " + std::to_string(c.align);
        expectText(c.textX, 103, "Ab1", c.colour, c.align == 5 ? uint32_t{AlignCentre} : c.align, flat(Back),
                   what.c_str());

        ControlFlags[ControlFire] = 0;
        game.menuCursor = 77;
        stylusTapX = 60;
        stylusTapY = 110;
        drawMenuLabel(c.index, 50, 100, 100, 25, "Ab1", c.align);
        stylusTapX = stylusTapY = -1;
        EXPECT_EQ((ControlFlags[ControlFire] & FlagPressed) != 0, c.index >= 0) << what;
        EXPECT_EQ(game.menuCursor, c.index >= 0 ? c.index : 77) << what;
    }
}

// A level file of our own, scrambled with the game's key by the inverse rule.
class LevelSelectScreen : public Menus {
protected:
    void SetUp() override {
        Menus::SetUp();
        savedData = levelData;
        savedSize = levelDataSize;
        completeCipherKey();
    }
    void TearDown() override {
        levelData = savedData;
        levelDataSize = savedSize;
        cipherPos = cipherSum = 0;
        Menus::TearDown();
    }
    void encode(std::vector<uint8_t>& out, size_t from, size_t to) {
        int32_t pos = 0, sum = 0;
        for (size_t i = from; i < to; ++i) {
            uint8_t v = out[i];
            uint8_t b = static_cast<uint8_t>(((v + cipherKey[(pos >> 3) & 7] + sum) & 0xFF) ^ cipherKey[pos & 7]);
            sum += cipherKey[b & 7];
            ++pos;
            out[i] = b;
        }
    }
    void buildFile(const std::vector<std::string>& names) {
        int32_t n = static_cast<int32_t>(names.size());
        std::vector<uint8_t> plain = {0, static_cast<uint8_t>(n), 0, 0};
        int32_t offset = 4 + 4 * (n + 1);
        std::vector<int32_t> starts;
        for (int32_t k = 0; k <= n; ++k) {
            int32_t o = offset + 33 * k;  // 32-byte header and a 1x1 map
            starts.push_back(o);
            for (int s = 24; s >= 0; s -= 8) plain.push_back(static_cast<uint8_t>(o >> s));
        }
        for (int32_t k = 0; k < n; ++k) {
            uint8_t rec[33] = {0, 4};
            std::memcpy(rec + 2, names[k].data(), std::min<size_t>(10, names[k].size()));
            rec[12] = 1;
            rec[13] = 1;
            rec[32] = TileEarth;
            plain.insert(plain.end(), rec, rec + 33);
        }
        file = plain;
        encode(file, 0, 4 + 4 * (n + 1));
        for (int32_t k = 0; k < n; ++k) encode(file, starts[k], starts[k] + 33);
        levelData = file.data();
        levelDataSize = static_cast<int32_t>(file.size());
    }
    std::vector<uint8_t> file;
    const uint8_t* savedData = nullptr;
    int32_t savedSize = 0;
};

TEST_F(LevelSelectScreen, ReachedLevelsAreWhiteAndTappableOthersGrey) {
    std::vector<std::string> names = {"p1", "p2", "p3", "p4", "Entrance", "deep{5}", "TENLETTERS"};
    for (int i = 3; i < 16; ++i) names.push_back("LEVEL " + std::to_string(i));
    buildFile(names);
    game.lastLevel = 15;
    game.levelLimit = 15;
    progress.levelReached = 3;
    game.menuCursor = 1;
    game.modeTicks = 50;
    drawLevelSelect();
    for (int32_t i = 0; i <= 15; ++i) {
        std::string shown = names[i + 4];
        for (char& ch : shown)
            if (static_cast<uint8_t>(ch) > 95) ch = static_cast<char>(ch - 32);
        uint32_t colour = i == 1 ? ColourYellow : i <= 3 ? ColourWhite : ColourGrey;
        expectText(220, 6 + 19 * i, shown, colour, AlignRight, flat(Back), shown.c_str());
    }
    // Zones from modeTicks 50 on: x 120..219, rows 19 apart from y 6, reached levels only.
    const TapCase cases[] = {
        {120, 6, 0},
        {219, 24, 0},
        {150, 25, 1},
        {150, 6 + 19 * 3 + 18, 3},
        {150, 6 + 19 * 4, -100},
        {150, 6 + 19 * 15, -100},
        {119, 30, -100},
        {220, 30, -100},
        {150, 5, -100},
    };
    for (const TapCase& c : cases) {
        TapResult r = tap(c.x, c.y, drawLevelSelect, 99);
        EXPECT_EQ(r.fired, c.cursor != -100) << "tap " << c.x << "," << c.y;
        EXPECT_EQ(r.cursor, c.cursor == -100 ? 99 : c.cursor) << "tap " << c.x << "," << c.y;
    }
}

TEST_F(LevelSelectScreen, LevelLimitAlsoGreysLevels) {
    buildFile({"p1", "p2", "p3", "p4", "A", "B", "C"});
    game.lastLevel = 2;
    game.levelLimit = 1;
    progress.levelReached = 9;
    game.menuCursor = 0;
    game.modeTicks = 80;
    drawLevelSelect();
    expectText(220, 6, "A", ColourYellow, AlignRight, flat(Back), "level 0");
    expectText(220, 25, "B", ColourWhite, AlignRight, flat(Back), "level 1");
    expectText(220, 44, "C", ColourGrey, AlignRight, flat(Back), "level 2");
}

TEST_F(LevelSelectScreen, EntriesSlideInFromAlternateSides) {
    buildFile({"p1", "p2", "p3", "p4", "A", "B", "C", "D"});
    game.lastLevel = 3;
    game.levelLimit = 3;
    progress.levelReached = 3;
    game.menuCursor = 9;
    // At modeTicks 0 entry 0's zone starts at x 320 and entry 1's at x -80.
    game.modeTicks = 0;
    const TapCase atStart[] = {{320, 6, 0}, {319, 6, -100}, {-80, 25, 1}, {19, 25, 1}, {20, 25, -100}, {320, 44, 2}};
    for (const TapCase& c : atStart) {
        TapResult r = tap(c.x, c.y, drawLevelSelect, 99);
        EXPECT_EQ(r.cursor, c.cursor == -100 ? 99 : c.cursor) << "tap " << c.x << "," << c.y;
    }
    // At modeTicks 40 the slide is 40: right edges at 260, 180, 260, 180.
    game.modeTicks = 40;
    game.menuCursor = 9;
    drawLevelSelect();
    expectText(180, 25, "B", ColourWhite, AlignRight, flat(Back), "entry 1 at tick 40");
    expectText(180, 63, "D", ColourWhite, AlignRight, flat(Back), "entry 3 at tick 40");
    for (int32_t x = 0; x < 240; ++x) ASSERT_EQ(px(x, 15), Back) << "entry 0 is still right of the screen, x " << x;
}

TEST_F(LevelSelectScreen, EntriesStayInPlaceHoweverLongTheListIsOpen) {
    buildFile({"p1", "p2", "p3", "p4", "A", "B"});
    game.lastLevel = 1;
    game.levelLimit = 1;
    progress.levelReached = 1;
    for (int32_t ticks : {536870911, 536870912, 1073741824, INT32_MAX}) {
        game.modeTicks = ticks;
        const TapCase cases[] = {{120, 6, 0}, {219, 25, 1}, {119, 6, -100}, {220, 25, -100}};
        for (const TapCase& c : cases) {
            TapResult r = tap(c.x, c.y, drawLevelSelect, 99);
            EXPECT_EQ(r.cursor, c.cursor == -100 ? 99 : c.cursor) << "modeTicks " << ticks << ", tap " << c.x;
        }
    }
}

TEST_F(LevelSelectScreen, UnreadableHeaderShowsNoName) {
    buildFile({"p1", "p2", "p3", "p4", "A"});
    levelDataSize = 40;  // the record lies past the end now
    game.lastLevel = 0;
    game.modeTicks = 100;
    drawLevelSelect();
    for (int32_t x = 0; x < 240; ++x) ASSERT_EQ(px(x, 15), Back) << x;
}

// The loaders with the build's embedded pictures: each load reports success with its
// picture in place, and its free undoes it.
TEST_F(Menus, LoadersAndFreesPairUp) {
    struct Case {
        int32_t (*load)();
        void (*release)();
        Image* pic;
        ResourceId backdrop, highlight;
        int32_t w, h;
    } cases[] = {
        {loadPracticeMenu, freePracticeMenu, &PracticeHighlight, ResPractice, ResPracticeHighlight, 170, 192},
        {loadPauseMenu, freePauseMenu, &PauseHighlight, ResStatus, ResStatusHighlight, 168, 161},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("highlight " + std::to_string(c.highlight));
        uint32_t size = 0;
        ASSERT_NE(findResource(c.highlight, &size), nullptr) << "the test build embeds every picture";
        ASSERT_EQ(c.load(), 0);
        EXPECT_EQ(backdropId, c.backdrop);
        ASSERT_NE(c.pic->pixels, nullptr);
        EXPECT_EQ(c.pic->width, c.w);
        EXPECT_EQ(c.pic->height, c.h);
        c.release();
        Image zero{};
        EXPECT_EQ(std::memcmp(c.pic, &zero, sizeof zero), 0);
    }
}

TEST_F(Menus, MainMenuLoadPastesTheBannerIntoTheBackdrop) {
    uint32_t size = 0;
    for (ResourceId id : {ResMainMenu, ResMainMenuHighlight, ResMainMenuBanner})
        ASSERT_NE(findResource(id, &size), nullptr) << "the test build embeds every picture: " << id;
    ASSERT_EQ(loadMainMenu(), 0);
    EXPECT_EQ(backdropId, ResMainMenu);
    ASSERT_EQ(MainMenuBanner.width, 82);
    ASSERT_EQ(MainMenuBanner.height, 25);
    EXPECT_EQ(MainMenuHighlight.width, 151);
    EXPECT_EQ(MainMenuHighlight.height, 172);
    // The banner's pixels replace the backdrop's under it, and nothing beside it.
    Image plain;
    ASSERT_EQ(decodeJpeg(&plain, ResMainMenu), 0);
    int32_t changed = 0;
    for (int32_t y : {0, 12, 24})
        for (int32_t x : {0, 40, 81}) {
            EXPECT_EQ(pixelOf(Backdrop, 62 + x, 68 + y), pixelOf(MainMenuBanner, x, y)) << x << "," << y;
            changed += pixelOf(plain, 62 + x, 68 + y) != pixelOf(MainMenuBanner, x, y);
        }
    EXPECT_GT(changed, 0) << "the banner looks like the backdrop under it: the test shows nothing";
    for (int32_t y : {67, 93})
        for (int32_t x : {61, 100, 144}) EXPECT_EQ(pixelOf(Backdrop, x, y), pixelOf(plain, x, y)) << x << "," << y;
    for (int32_t y : {68, 80, 92})
        for (int32_t x : {61, 144}) EXPECT_EQ(pixelOf(Backdrop, x, y), pixelOf(plain, x, y)) << x << "," << y;
    freeImage(&plain);
    freeMainMenu();
    Image zero{};
    EXPECT_EQ(std::memcmp(&MainMenuBanner, &zero, sizeof zero), 0);
    EXPECT_EQ(std::memcmp(&MainMenuHighlight, &zero, sizeof zero), 0);
}

}  // namespace
