// The BackBuffer layouts and the frame output: where each logical pixel lands in the
// framebuffer for every orientation, and the inactive-window rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app_harness.h"
#include "gfx/graphics.h"
#include "platform/offscreen.h"
#include "screens/screens.h"

namespace {

void put(const Image& im, int32_t x, int32_t y, uint16_t v) {
    uint8_t* p = im.pixels + im.origin + x * im.stepX + y * im.stepY;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Replaces the display records with the test's own and puts the program's back afterwards.
class GfxDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        saved[0] = BackBuffer, saved[1] = Backdrop, saved[2] = Panel, saved[3] = DisplayInfo;
        savedFont = Font.sheet;
        savedBackdropId = backdropId;
        BackBuffer = Backdrop = Panel = DisplayInfo = Image{};
    }
    void TearDown() override {
        freeImage(&BackBuffer);
        freeImage(&Backdrop);
        freeImage(&Panel);
        BackBuffer = saved[0], Backdrop = saved[1], Panel = saved[2], DisplayInfo = saved[3];
        Font.sheet = savedFont;
        backdropId = savedBackdropId;
    }
    Image saved[4]{};
    Image savedFont{};
    uint32_t savedBackdropId = 0;
};

TEST(GfxPlaceOrigin, EveryAddressAtOrAfterPixels) {
    struct Case {
        int32_t w, h, sx, sy;
        uint32_t origin;
    };
    const Case cases[] = {{240, 320, 2, 480, 0},       {240, 320, 2, -480, 153120},  {240, 320, 640, -2, 638},
                          {240, 320, -640, 2, 152960}, {240, 320, -2, -480, 153598}, {1, 1, -2, -2, 0}};
    for (const Case& k : cases) {
        Image im{nullptr, 12345, k.w, k.h, k.sx, k.sy};
        placeOrigin(&im);
        EXPECT_EQ(k.origin, im.origin) << k.sx << "," << k.sy;
    }
}

TEST_F(GfxDisplay, LayoutPerOrientation) {
    struct Case {
        int32_t orientation, stepX, stepY;
        uint32_t origin;
        int32_t rowBytes;
    };
    const Case cases[] = {{0, 2, 480, 0, 480}, {2, 2, -480, 153120, 480}, {3, 640, -2, 638, 640}};
    for (const Case& k : cases) {
        ASSERT_EQ(0, layoutDisplay(k.orientation, 480));
        EXPECT_EQ(240, BackBuffer.width);
        EXPECT_EQ(320, BackBuffer.height);
        EXPECT_EQ(k.stepX, BackBuffer.stepX);
        EXPECT_EQ(k.stepY, BackBuffer.stepY);
        EXPECT_EQ(k.origin, BackBuffer.origin);
        EXPECT_EQ(k.rowBytes, displayRowBytes());
        // The Backdrop shares the layout, so one block copy reproduces the picture.
        EXPECT_NE(BackBuffer.pixels, Backdrop.pixels);
        Image a = BackBuffer, b = Backdrop;
        a.pixels = b.pixels = nullptr;
        EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
        EXPECT_EQ(std::vector<uint8_t>(153600, 0), std::vector<uint8_t>(BackBuffer.pixels, BackBuffer.pixels + 153600));
        releaseDisplay();
    }
}

// Logical corners and an inner point, drawn through the Image steps, land on the framebuffer
// lines and 16-bit columns the display expects; a framebuffer line wider than the row keeps
// its tail untouched.
TEST_F(GfxDisplay, LogicalPixelsLandWhereTheTurnPutsThem) {
    struct Point {
        int32_t x, y;
        uint16_t v;
    };
    const Point points[] = {{0, 0, 0x1111}, {239, 0, 0x2222}, {0, 319, 0x3333}, {239, 319, 0x4444}, {17, 45, 0x5555}};
    struct Case {
        int32_t orientation, lineStep;
    };
    const Case cases[] = {{0, 480}, {0, 512}, {2, 480}, {2, 512}, {3, 640}, {3, 672}};
    for (const Case& k : cases) {
        ASSERT_EQ(0, layoutDisplay(k.orientation, k.lineStep));
        for (const Point& p : points) put(BackBuffer, p.x, p.y, p.v);
        const int32_t lines = k.orientation == 3 ? 240 : 320;
        std::vector<uint8_t> fb(static_cast<size_t>(lines) * k.lineStep, 0xCD);
        copyToFramebuffer(fb.data() - DisplayInfo.origin, k.lineStep, displayRowBytes());
        std::vector<uint8_t> expect(fb.size(), 0xCD);
        for (int32_t line = 0; line < lines; ++line)
            std::fill_n(expect.begin() + static_cast<ptrdiff_t>(line) * k.lineStep, displayRowBytes(), 0);
        for (const Point& p : points) {
            int32_t line = p.y, col = p.x;
            if (k.orientation == 2) line = 319 - p.y;
            if (k.orientation == 3) line = p.x, col = 319 - p.y;
            size_t at = static_cast<size_t>(line) * k.lineStep + static_cast<size_t>(col) * 2;
            expect[at] = static_cast<uint8_t>(p.v);
            expect[at + 1] = static_cast<uint8_t>(p.v >> 8);
        }
        ASSERT_EQ(expect, fb) << "orientation " << k.orientation << " line step " << k.lineStep;
        releaseDisplay();
    }
}

TEST_F(GfxDisplay, ReleaseLeavesEveryRecordZero) {
    ASSERT_EQ(0, layoutDisplay(3, 640));
    Panel = Image{static_cast<uint8_t*>(std::calloc(16, 1)), 0, 2, 2, 2, 4};
    releaseDisplay();
    const Image zero{};
    for (const Image* im : {&BackBuffer, &Backdrop, &Panel, &DisplayInfo, &Font.sheet})
        EXPECT_EQ(0, std::memcmp(im, &zero, sizeof zero));
    // A blit that still names a released record draws nothing.
    uint8_t px[2] = {1, 2};
    Image one{px, 0, 1, 1, 2, 2};
    blitOpaque(&BackBuffer, 0, 0, &one);
    blitOpaque(&one, 0, 0, &Backdrop);
    EXPECT_EQ(1, px[0]);
}

// The program's own display on the offscreen back end (orientation 0).
TEST(GfxPresent, CopiesFrameOrSkipsForInactiveWindow) {
    harness::ensureApp();
    ASSERT_NE(nullptr, BackBuffer.pixels);
    for (int32_t i = 0; i < 153600; ++i) BackBuffer.pixels[i] = static_cast<uint8_t>(i * 13 + 1);
    ASSERT_EQ(0, presentFrame());
    EXPECT_EQ(0, std::memcmp(offscreenFramebuffer(), BackBuffer.pixels, 153600));

    offscreenRecordDebug(true);
    const size_t logged = offscreenDebugLines().size();
    appHandles.window->hide();
    std::memset(BackBuffer.pixels, 0x5A, 153600);
    EXPECT_EQ(0, presentFrame());
    EXPECT_EQ(0, presentFrame());
    appHandles.window->showFullScreen();
    EXPECT_TRUE(appHandles.window->isActiveWindow());
    const std::vector<std::string>& lines = offscreenDebugLines();
    ASSERT_EQ(logged + 2, lines.size());
    EXPECT_EQ("Not active or not main window", lines[logged]);
    EXPECT_EQ("Not active or not main window", lines[logged + 1]);
    EXPECT_EQ(static_cast<uint8_t>(1), offscreenFramebuffer()[0]);  // the old frame stays
    offscreenRecordDebug(false);
}

}  // namespace
