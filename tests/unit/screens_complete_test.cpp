// The game-completed sequence at its key ticks.
#include "screens_fixture.h"

using namespace screentest;

namespace {

uint16_t backValue(int32_t y) { return static_cast<uint16_t>((y << 5) | 1); }  // one value per row
uint16_t pic1Value(int32_t x, int32_t y) { return x < 20 ? 0 : static_cast<uint16_t>(0xF800 | y); }
constexpr uint16_t Pic2 = 0x07E0, Pic3 = 0x001F;

class GameCompleted : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        back.make(240, 800, [](int32_t, int32_t y) { return backValue(y); });
        pic1.make(150, 155, pic1Value);
        pic2.make(162, 87, [](int32_t, int32_t) { return Pic2; });
        pic3.make(218, 292, [](int32_t, int32_t) { return Pic3; });
        GameCompleteBack = back.img;
        GameCompletePic1 = pic1.img;
        GameCompletePic2 = pic2.img;
        GameCompletePic3 = pic3.img;
    }
    void TearDown() override {
        GameCompleteBack = GameCompletePic1 = GameCompletePic2 = GameCompletePic3 = Image{};
        ScreenTest::TearDown();
    }
    void drawAt(int32_t t) {
        game.modeTicks = t;
        drawGameComplete();
    }
    OwnedImage back, pic1, pic2, pic3;
};

TEST_F(GameCompleted, BackgroundStillAndFirstPictureAboveTheScreenAtTick220) {
    for (int32_t t : {0, 220}) {
        drawAt(t);
        for (int32_t y = 0; y < 320; y += 3)
            for (int32_t x = 0; x < 240; x += 5)
                ASSERT_EQ(px(x, y), backValue(y)) << "t " << t << " (" << x << ", " << y << ")";
    }
    drawAt(221);  // moving from here on
    EXPECT_EQ(px(0, 0), backValue(2));
}

TEST_F(GameCompleted, Tick459ScrolledFirstPictureAtItsLowestBlackTransparent) {
    drawAt(459);  // s = 478, picture at (78, 188), rows 0..131 visible
    EXPECT_EQ(px(0, 0), backValue(478));
    EXPECT_EQ(px(239, 319), backValue(797));
    EXPECT_EQ(px(77, 200), backValue(678));
    EXPECT_EQ(px(78, 188), backValue(666)) << "black picture pixels leave the background";
    EXPECT_EQ(px(97, 250), backValue(728));
    EXPECT_EQ(px(98, 188), pic1Value(20, 0));
    EXPECT_EQ(px(227, 319), pic1Value(149, 131));
    EXPECT_EQ(px(228, 250), backValue(728));
    EXPECT_EQ(px(150, 187), backValue(665));
}

TEST_F(GameCompleted, SecondPictureFrom460To519ThenTheThird) {
    for (int32_t t : {460, 519}) {
        drawAt(t);
        std::string what = "t " + std::to_string(t);
        EXPECT_EQ(px(0, 0), backValue(480)) << what << ": the scroll has stopped";
        EXPECT_EQ(px(150, 200), backValue(680)) << what << ": the first picture is gone";
        EXPECT_EQ(px(77, 233), Pic2) << what;
        EXPECT_EQ(px(238, 319), Pic2) << what;
        EXPECT_EQ(px(76, 233), backValue(713)) << what;
        EXPECT_EQ(px(239, 233), backValue(713)) << what;
        EXPECT_EQ(px(100, 232), backValue(712)) << what;
    }
    for (int32_t t : {520, 799}) {
        drawAt(t);
        std::string what = "t " + std::to_string(t);
        EXPECT_EQ(px(22, 28), Pic3) << what;
        EXPECT_EQ(px(239, 319), Pic3) << what;
        EXPECT_EQ(px(100, 250), Pic3) << what;
        EXPECT_EQ(px(21, 100), backValue(580)) << what;
        EXPECT_EQ(px(100, 27), backValue(507)) << what;
    }
}

TEST_F(GameCompleted, BannerFullWidthWithTextOnlyFromTick920) {
    auto scene = [](int32_t x, int32_t y) { return x >= 22 && y >= 28 ? Pic3 : backValue(480 + y); };
    auto banner = [&](int32_t x, int32_t y) { return darken(scene(x, y), 2); };
    const struct { int32_t t, width; } cases[] = {{800, 0}, {801, 2}, {900, 200}, {919, 238}, {920, 240}, {2000, 240}};
    for (const auto& c : cases) {
        drawAt(c.t);
        std::string what = "t " + std::to_string(c.t);
        int32_t left = 120 - (c.width >> 1);
        for (int32_t y : {50, 89})
            for (int32_t x = 0; x < 240; ++x) {
                bool in = x >= left && x < left + c.width;
                ASSERT_EQ(px(x, y), in ? banner(x, y) : scene(x, y)) << what << " at (" << x << ", " << y << ")";
            }
        EXPECT_EQ(px(120, 49), scene(120, 49)) << what;
        EXPECT_EQ(px(120, 90), scene(120, 90)) << what;
        if (c.width == 240) {
            expectText(120, 60, "TAVRIN has been COMPLETED!", ColourYellow, AlignCentre, banner, what.c_str());
        } else {
            for (int32_t x = 0; x < 240; ++x) {
                bool in = x >= left && x < left + c.width;
                ASSERT_EQ(px(x, 69), in ? banner(x, 69) : scene(x, 69)) << what << ": no text yet, x " << x;
            }
        }
    }
}

TEST_F(GameCompleted, WithoutPicturesTheBannerAndTapStillWork) {
    GameCompleteBack = GameCompletePic1 = GameCompletePic2 = GameCompletePic3 = Image{};
    fillBackBuffer(0x0421);
    drawAt(300);
    EXPECT_EQ(px(120, 160), 0x0421);
    drawAt(950);
    expectText(120, 60, "TAVRIN has been COMPLETED!", ColourYellow, AlignCentre, flat(darken(0x0421, 2)),
               "no pictures");
    EXPECT_FALSE(tap(10, 31, drawGameComplete).fired);
    EXPECT_TRUE(tap(10, 32, drawGameComplete).fired);
}

TEST_F(GameCompleted, LoadUsesTheRawPictureInPlaceAndFreeClearsAll) {
    GameCompleteBack = GameCompletePic1 = GameCompletePic2 = GameCompletePic3 = Image{};
    uint32_t size = 0;
    bool present = findResource(ResGameCompleteBack, &size) && findResource(ResGameCompletePic1, nullptr) &&
                   findResource(ResGameCompletePic2, &size) && findResource(ResGameCompletePic3, &size);
    int32_t r = loadGameComplete();
    if (present) {
        ASSERT_EQ(r, 0);
        EXPECT_EQ(GameCompleteBack.width, 240);
        EXPECT_EQ(GameCompleteBack.height, 800);
        EXPECT_EQ(GameCompletePic1.pixels, findResource(ResGameCompletePic1, nullptr));
        EXPECT_EQ(GameCompletePic1.origin, 0u);
        EXPECT_EQ(GameCompletePic1.width, 150);
        EXPECT_EQ(GameCompletePic1.height, 155);
        EXPECT_EQ(GameCompletePic1.stepX, 2);
        EXPECT_EQ(GameCompletePic1.stepY, 300);
        EXPECT_EQ(GameCompletePic2.width, 162);
        EXPECT_EQ(GameCompletePic3.height, 292);
    } else {
        EXPECT_EQ(r, 1);
    }
    freeGameComplete();
    Image zero{};
    for (Image* im : {&GameCompleteBack, &GameCompletePic1, &GameCompletePic2, &GameCompletePic3})
        EXPECT_EQ(std::memcmp(im, &zero, sizeof zero), 0);
}

}  // namespace
