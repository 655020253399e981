// Shared set-up for the screen tests: synthetic full-screen buffers in either memory layout,
// a glyph sheet whose glyphs are solid blocks with one value per glyph (so drawn text can be
// checked pixel by pixel), tile sheets with one colour per tile, and every global a screen
// reads or writes put back afterwards.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "game/state.h"
#include "gfx/graphics.h"
#include "globals_snapshot.h"
#include "screens/screens.h"
#include "world/world.h"

namespace screentest {

// Glyph g of the synthetic sheet: every pixel of its cell holds this value. Bit 15 keeps it
// visible at half intensity; bits 5..11 tell the glyphs apart.
inline uint16_t glyphValue(int32_t g) { return static_cast<uint16_t>(0x8000 | ((g + 1) << 5)); }
inline int32_t glyphOf(char c) {
    int32_t g = (static_cast<uint8_t>(c) & 127) - 32;
    return g < 0 ? 0 : g;
}
// What one glyph pixel adds to the picture when drawn in a colour (grey is half intensity).
inline uint16_t glyphInk(int32_t g, uint32_t colour) {
    if (colour == ColourGrey) return static_cast<uint16_t>((glyphValue(g) & 0xF7DE) >> 1);
    return static_cast<uint16_t>(glyphValue(g) & colour);
}
// Tile n of the play sheet and of the map sheet: distinct and never black; a tile ORed over
// another differs from both.
inline uint16_t tileColour(uint32_t n) { return static_cast<uint16_t>(((n & 63) + 1) * 0x0101); }
inline uint16_t mapTileColour(uint32_t n) { return static_cast<uint16_t>(0x4000 | ((n & 63) + 1)); }
inline uint16_t darken(uint16_t p, uint32_t level) {
    uint16_t mask = 0xFFFF;
    for (uint32_t i = 0; i < level; ++i) mask = static_cast<uint16_t>((mask >> 1) & 0x7BEF);
    return static_cast<uint16_t>((p >> level) & mask);
}

// A picture of its own memory, row-major, filled by a function of (x, y).
struct OwnedImage {
    std::vector<uint8_t> bytes;
    Image img{};
    void make(int32_t w, int32_t h, const std::function<uint16_t(int32_t, int32_t)>& f) {
        bytes.assign(static_cast<size_t>(w) * h * 2, 0);
        img = Image{bytes.data(), 0, w, h, 2, 2 * w};
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint16_t v = f(x, y);
                bytes[(static_cast<size_t>(y) * w + x) * 2] = static_cast<uint8_t>(v);
                bytes[(static_cast<size_t>(y) * w + x) * 2 + 1] = static_cast<uint8_t>(v >> 8);
            }
    }
};

inline uint16_t pixelOf(const Image& im, int32_t x, int32_t y) {
    const uint8_t* p = im.pixels + im.origin + x * im.stepX + y * im.stepY;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline void setPixel(Image& im, int32_t x, int32_t y, uint16_t v) {
    uint8_t* p = im.pixels + im.origin + x * im.stepX + y * im.stepY;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Orientation 0 (row-major, top row first) or 3 (column-major, as on the turned display).
class ScreenTest : public ::testing::Test {
protected:
    void SetUpScreens(int32_t orientation) {
        backMem.assign(153600, 0);
        backdropMem.assign(153600, 0);
        if (orientation == 3) {
            BackBuffer = Image{backMem.data(), 638, 240, 320, 640, -2};
        } else {
            BackBuffer = Image{backMem.data(), 0, 240, 320, 2, 480};
        }
        Backdrop = BackBuffer;
        Backdrop.pixels = backdropMem.data();

        // Glyph sheet: glyph cells filled with their value, laid out by the font's own table.
        font.make(160, 114, [](int32_t x, int32_t y) {
            int32_t row = y / 19;
            for (int32_t c = 0; c < 16; ++c) {
                int32_t g = row * 16 + c;
                if (g < 96 && x < Font.glyphRight[g]) return glyphValue(g);
            }
            return uint16_t{0};
        });
        Font.sheet = font.img;

        tiles.assign(64 * 2048, 0);
        for (uint32_t n = 0; n < 64; ++n)
            for (uint32_t i = 0; i < 1024; ++i) {
                tiles[n * 2048 + i * 2] = static_cast<uint8_t>(tileColour(n));
                tiles[n * 2048 + i * 2 + 1] = static_cast<uint8_t>(tileColour(n) >> 8);
            }
        TileSheet = tiles.data();
        mapTiles.assign(64 * 128, 0);
        for (uint32_t n = 0; n < 64; ++n)
            for (uint32_t i = 0; i < 64; ++i) {
                mapTiles[n * 128 + i * 2] = static_cast<uint8_t>(mapTileColour(n));
                mapTiles[n * 128 + i * 2 + 1] = static_cast<uint8_t>(mapTileColour(n) >> 8);
            }
        MapTileSheet = mapTiles.data();

        Panel = Image{};
        map = nullptr;
        mapWidth = mapHeight = mapCells = 0;
        borderTile = TileBorder;
        std::memset(levelName, 0, sizeof levelName);
        game = GameState{};
        game.fadeLevel = 256;
        game.modeReady = 1;
        progress = ProgressRecord{};
        std::memset(ControlFlags, 0, sizeof ControlFlags);
        stylusTapX = stylusTapY = -1;
    }

    void SetUp() override { SetUpScreens(0); }

    void TearDown() override { saved.restore(); }

    uint16_t px(int32_t x, int32_t y) const { return pixelOf(BackBuffer, x, y); }
    void fillBackdrop(const std::function<uint16_t(int32_t, int32_t)>& f) {
        for (int32_t y = 0; y < 320; ++y)
            for (int32_t x = 0; x < 240; ++x) setPixel(Backdrop, x, y, f(x, y));
    }
    void fillBackBuffer(uint16_t v) {
        for (int32_t y = 0; y < 320; ++y)
            for (int32_t x = 0; x < 240; ++x) setPixel(BackBuffer, x, y, v);
    }
    void setMap(int32_t w, int32_t h, const std::function<uint8_t(int32_t, int32_t)>& f) {
        mapMem.assign(static_cast<size_t>(w) * h, 0);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) mapMem[x + y * w] = f(x, y);
        map = mapMem.data();
        mapWidth = w;
        mapHeight = h;
        mapCells = w * h;
    }
    void setLevelName(const char* s) {
        std::memset(levelName, 0, sizeof levelName);
        std::memcpy(levelName, s, std::min(std::strlen(s), sizeof levelName));
    }
    // Tap, draw one frame with the given screen, and report what the touch zones made of it.
    struct TapResult {
        bool fired;
        int32_t cursor;
    };
    TapResult tap(int32_t x, int32_t y, void (*screen)(), int8_t cursorBefore = 99) {
        game.menuCursor = cursorBefore;
        ControlFlags[ControlFire] = 0;
        stylusTapX = x;
        stylusTapY = y;
        screen();
        stylusTapX = stylusTapY = -1;
        return {(ControlFlags[ControlFire] & FlagPressed) != 0, game.menuCursor};
    }

    // Checks that text s was drawn at (x, y) with the alignment and colour, over a background
    // given per pixel: each glyph's first and last column carry its ink, and the columns just
    // outside the text carry none. Checked on the glyphs' middle row.
    void expectText(int32_t x, int32_t y, const std::string& s, uint32_t colour, uint32_t align,
                    const std::function<uint16_t(int32_t, int32_t)>& bg, const char* what) {
        int32_t w = textWidth(nullptr, s.c_str());
        int32_t left = align == AlignLeft ? x : align == AlignRight ? x - w : x - (w >> 1);
        int32_t row = y + 9;
        ASSERT_GE(row, 0);
        ASSERT_LT(row, 320);
        int32_t cx = left;
        for (char c : s) {
            int32_t g = glyphOf(c);
            int32_t adv = glyphAdvance(nullptr, static_cast<uint8_t>(c));
            for (int32_t col : {cx, cx + adv - 1}) {
                if (col < 0 || col > 239) continue;
                EXPECT_EQ(px(col, row), static_cast<uint16_t>(bg(col, row) | glyphInk(g, colour)))
                    << what << ": glyph '" << c << "' at x " << col << " y " << row;
            }
            cx += adv;
        }
        if (left - 1 >= 0) {
            EXPECT_EQ(px(left - 1, row), bg(left - 1, row)) << what << ": ink left of the text";
        }
        if (cx <= 239) {
            EXPECT_EQ(px(cx, row), bg(cx, row)) << what << ": ink right of the text";
        }
    }
    static std::function<uint16_t(int32_t, int32_t)> flat(uint16_t v) {
        return [v](int32_t, int32_t) { return v; };
    }

    std::vector<uint8_t> backMem, backdropMem, tiles, mapTiles, mapMem;
    OwnedImage font;

private:
    GlobalsSnapshot saved;  // made with the fixture, just before SetUp
};

}  // namespace screentest
