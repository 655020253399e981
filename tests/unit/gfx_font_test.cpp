// Text measuring and drawing with the glyph table, on a synthetic sheet whose glyphs are
// solid blocks (one value per glyph) so that every drawn pixel can be checked.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"

namespace {

uint16_t at(const Image& im, int32_t x, int32_t y) {
    const uint8_t* p = im.pixels + im.origin + x * im.stepX + y * im.stepY;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int32_t glyphOf(uint8_t c) {
    int32_t g = (c & 127) - 32;
    return g < 0 ? 0 : g;
}
// Every pixel of glyph g's cell in the synthetic sheet.
uint16_t glyphValue(int32_t g) { return static_cast<uint16_t>(0x8421 | ((g + 1) << 5)); }

class GfxFont : public ::testing::Test {
protected:
    void SetUp() override {
        savedSheet = Font.sheet;
        savedBack = BackBuffer;
        savedGame = game;
        sheet.assign(160 * 114 * 2, 0);
        for (int32_t g = 0; g < 96; ++g) {
            int32_t left = (g & 15) ? Font.glyphRight[g - 1] : 0, top = 19 * (g >> 4);
            for (int32_t y = top; y < top + 19; ++y)
                for (int32_t x = left; x < Font.glyphRight[g]; ++x) {
                    sheet[(y * 160 + x) * 2] = static_cast<uint8_t>(glyphValue(g));
                    sheet[(y * 160 + x) * 2 + 1] = static_cast<uint8_t>(glyphValue(g) >> 8);
                }
        }
        Font.sheet = Image{sheet.data(), 0, 160, 114, 2, 320};
    }
    void TearDown() override {
        Font.sheet = savedSheet;
        BackBuffer = savedBack;
        game = savedGame;
    }
    // A black target of its own, in either layout.
    Image target(int32_t w, int32_t h, bool columns) {
        mem.assign(static_cast<size_t>(w) * h * 2, 0);
        Image im{mem.data(), 0, w, h, columns ? 2 * h : 2, columns ? -2 : 2 * w};
        placeOrigin(&im);
        return im;
    }
    // The glyph expected at each column of a string drawn from x0, in a colour.
    std::vector<uint16_t> expectedRow(const char* s, uint32_t colour) {
        std::vector<uint16_t> row;
        for (const char* p = s; *p; ++p) {
            int32_t g = glyphOf(static_cast<uint8_t>(*p));
            uint16_t v = glyphValue(g);
            uint16_t ink =
                colour == ColourGrey ? static_cast<uint16_t>((v & 0xF7DE) >> 1) : static_cast<uint16_t>(v & colour);
            for (int32_t i = 0; i < glyphAdvance(nullptr, static_cast<uint8_t>(*p)); ++i) row.push_back(ink);
        }
        return row;
    }
    std::vector<uint8_t> sheet, mem;
    Image savedSheet{}, savedBack{};
    GameState savedGame{};
};

TEST(GfxFontTable, Widths) {
    struct Case {
        const char* s;
        int32_t width;
    };
    const Case cases[] = {
        {"0", 7},     {"A", 8},     {"a", 6},  {" ", 4},    {"", 0},
        {"\x7f", 10}, {"\xff", 10}, {"\n", 4}, {"\xb0", 7}, {"ver. 1.101", 7 + 6 + 5 + 3 + 4 + 7 + 3 + 7 + 7 + 7}};
    for (const Case& k : cases) EXPECT_EQ(k.width, textWidth(nullptr, k.s)) << k.s;
}

TEST_F(GfxFont, GlyphsAreCutFromTheirSheetRow) {
    struct Case {
        uint32_t code;
        int32_t left, top, width;
    };
    const Case cases[] = {{'0', 0, 19, 7}, {'1', 7, 19, 7}, {127, 89, 95, 10}, {255, 89, 95, 10},
                          {10, 0, 0, 4},   {' ', 0, 0, 4},  {'A', 9, 38, 8},   {'_', 103, 57, 6}};
    for (const Case& k : cases) {
        Image g;
        glyphImage(&g, nullptr, k.code);
        EXPECT_EQ(static_cast<uint32_t>(k.top * 320 + k.left * 2), g.origin) << k.code;
        EXPECT_EQ(k.width, g.width) << k.code;
        EXPECT_EQ(19, g.height);
        EXPECT_EQ(k.width, glyphAdvance(nullptr, k.code));
    }
}

TEST_F(GfxFont, AlignmentsPlaceTheText) {
    struct Case {
        uint32_t align;
        int32_t x, start;
    };
    const Case cases[] = {{AlignLeft, 40, 40}, {AlignCentre, 120, 117}, {AlignRight, 236, 229}, {5, 120, 117}};
    for (bool columns : {false, true})
        for (const Case& k : cases) {
            Image t = target(240, 30, columns);
            EXPECT_EQ(0, drawText(&t, nullptr, k.x, 5, "0", ColourWhite, k.align));
            for (int32_t y = 0; y < 30; ++y)
                for (int32_t x = 0; x < 240; ++x) {
                    bool in = x >= k.start && x < k.start + 7 && y >= 5 && y < 24;
                    ASSERT_EQ(in ? glyphValue(16) : 0, at(t, x, y)) << k.align << " " << x << "," << y;
                }
        }
}

TEST_F(GfxFont, ColoursMaskTheGlyphs) {
    const char* text = "Ab~\x01";
    for (uint32_t colour : {ColourWhite, ColourYellow, ColourGrey, ColourGreen}) {
        Image t = target(80, 22, false);
        drawText(&t, nullptr, 2, 1, text, colour, AlignLeft);
        std::vector<uint16_t> row = expectedRow(text, colour);
        for (int32_t x = 0; x < 80; ++x) {
            uint16_t want = (x >= 2 && x < 2 + static_cast<int32_t>(row.size())) ? row[x - 2] : 0;
            EXPECT_EQ(want, at(t, x, 10)) << colour << " column " << x;
        }
    }
    // White glyph pixels in grey come out at half intensity.
    sheet.assign(sheet.size(), 0xFF);
    Image t = target(20, 20, false);
    drawText(&t, nullptr, 0, 0, "0", ColourGrey, AlignLeft);
    EXPECT_EQ(0x7BEF, at(t, 3, 3));
}

TEST_F(GfxFont, DefaultsAndMissingSheet) {
    // A null target draws into the BackBuffer, a null font means the global one.
    Image t = target(240, 320, false);
    BackBuffer = t;
    drawText(nullptr, nullptr, 0, 0, "1", ColourWhite, AlignLeft);
    EXPECT_EQ(glyphValue(17), at(t, 0, 0));
    // Without a sheet nothing is drawn, but the text is still measured and walked.
    Font.sheet = Image{};
    Image u = target(40, 20, false);
    EXPECT_EQ(0, drawText(&u, nullptr, 20, 0, "xyz", ColourWhite, AlignCentre));
    EXPECT_EQ(std::vector<uint8_t>(mem.size(), 0), mem);
}

// The About screen: "ver. 1.101" in green, right-aligned at (236, 296), over the backdrop.
TEST_F(GfxFont, AboutShowsTheVersionLine) {
    Image back = BackBuffer, drop = Backdrop;
    BackBuffer = Backdrop = Image{};
    ASSERT_EQ(0, layoutDisplay(3, 640));
    game.mode = About;
    game.fadeLevel = 256;
    drawScreen();
    const char* text = "ver. 1.101";
    const int32_t w = textWidth(nullptr, text);
    std::vector<uint16_t> row = expectedRow(text, ColourGreen);
    for (int32_t y = 0; y < 320; ++y)
        for (int32_t x = 0; x < 240; ++x) {
            uint16_t want = 0;
            if (y >= 296 && y < 315 && x >= 236 - w && x < 236) want = row[x - (236 - w)];
            ASSERT_EQ(want, at(BackBuffer, x, y)) << x << "," << y;
        }
    // Other picture screens carry no version line.
    game.mode = Splash;
    drawScreen();
    EXPECT_EQ(0, at(BackBuffer, 235, 300));
    freeImage(&BackBuffer);
    freeImage(&Backdrop);
    BackBuffer = back, Backdrop = drop;
}

TEST(GfxFontInit, SheetFromTheCatalogue) {
    const Image saved = Font.sheet;
    uint32_t size = 0;
    const uint8_t* sheet = findResource(ResFontSheet, &size);
    if (sheet) {
        EXPECT_EQ(0, FontInit());
        // Field by field: the record's padding holds anything.
        const Image& s = Font.sheet;
        EXPECT_EQ(std::make_tuple(static_cast<const uint8_t*>(s.pixels), s.origin, s.width, s.height, s.stepX, s.stepY),
                  std::make_tuple(sheet, 0u, 160, 114, 2, 320));
    } else {
        EXPECT_EQ(1, FontInit());
        EXPECT_EQ(nullptr, Font.sheet.pixels);
    }
    releaseFont();
    EXPECT_EQ(nullptr, Font.sheet.pixels);
    EXPECT_EQ(0, Font.sheet.width);
    EXPECT_EQ(19, Font.glyphHeight);
    Font.sheet = saved;
}

}  // namespace
