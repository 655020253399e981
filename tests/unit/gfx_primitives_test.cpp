// The pixel primitives against the pixel-by-pixel rules: clipping on every side in every
// layout, the keyed rules, glyph masking, darkening, the fade bands and touch zones.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "game/state.h"
#include "gfx/graphics.h"
#include "globals_snapshot.h"
#include "screens/screens.h"
#include "world/world.h"

namespace {

uint16_t get(const Image& im, int32_t x, int32_t y) {
    const uint8_t* p = im.pixels + im.origin + x * im.stepX + y * im.stepY;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
void put(const Image& im, int32_t x, int32_t y, uint16_t v) {
    uint8_t* p = im.pixels + im.origin + x * im.stepX + y * im.stepY;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// A picture with memory of its own in one of the four layouts the program meets:
// 0 row-major, 1 rows bottom-up, 2 column-major, 3 columns with y running backwards.
struct Pic {
    std::vector<uint8_t> mem;
    Image img{};
    Pic(int32_t w, int32_t h, int layout) : mem(static_cast<size_t>(w) * h * 2 + 64, 0xEE) {
        img.pixels = mem.data() + 32;  // guard bytes on both sides
        img.width = w;
        img.height = h;
        switch (layout) {
        case 0:
            img.stepX = 2;
            img.stepY = 2 * w;
            break;
        case 1:
            img.stepX = 2;
            img.stepY = -2 * w;
            break;
        case 2:
            img.stepX = 2 * h;
            img.stepY = 2;
            break;
        default:
            img.stepX = 2 * h;
            img.stepY = -2;
            break;
        }
        placeOrigin(&img);
    }
    void fill(uint32_t seed) {
        for (int32_t y = 0; y < img.height; ++y)
            for (int32_t x = 0; x < img.width; ++x)
                put(img, x, y, static_cast<uint16_t>((x * 977 + y * 131 + seed * 7919) & 0xFFFF));
    }
    bool guardsIntact() const {
        for (size_t i = 0; i < 32; ++i)
            if (mem[i] != 0xEE || mem[mem.size() - 1 - i] != 0xEE) return false;
        return true;
    }
};

// The pixel-by-pixel rule: copy when (x + c) and (y + r), taken as unsigned, are inside.
void referenceBlit(const Image& d, int32_t x, int32_t y, const Image& s, int rule) {
    for (int32_t r = 0; r < s.height; ++r)
        for (int32_t c = 0; c < s.width; ++c) {
            if (static_cast<uint32_t>(x + c) >= static_cast<uint32_t>(d.width)) continue;
            if (static_cast<uint32_t>(y + r) >= static_cast<uint32_t>(d.height)) continue;
            uint16_t sv = get(s, c, r), dv = get(d, x + c, y + r);
            if (rule < 0)
                dv = sv;
            else if (rule == 0)
                dv = static_cast<uint16_t>(dv | sv);
            else if (sv != 0)
                dv = sv;
            put(d, x + c, y + r, dv);
        }
}

TEST(GfxBlit, NullPicturesDrawNothing) {
    Pic d(8, 8, 0), s(4, 4, 0);
    d.fill(1);
    s.fill(2);
    std::vector<uint8_t> before = d.mem;
    Image noSrc = s.img;
    noSrc.pixels = nullptr;
    blitOpaque(&d.img, 0, 0, &noSrc);
    blitKeyed(&d.img, 0, 0, &noSrc, SkipBlack);
    blitGlyph(&d.img, 0, 0, &noSrc, ColourWhite);
    Image noDst = d.img;
    noDst.pixels = nullptr;
    blitOpaque(&noDst, 0, 0, &s.img);
    blitKeyed(&noDst, 0, 0, &s.img, BlendOr);
    EXPECT_EQ(before, d.mem);
}

// Every pairing of layouts, every side of the target, matches the pixel rule exactly and
// never writes outside the target (the fast row copies included).
TEST(GfxBlit, ClippingMatchesPixelRuleInEveryLayout) {
    struct Place {
        int32_t x, y;
    };
    const Place places[] = {{-10, 3}, {3, -10}, {20, 3}, {3, 13}, {-30, -30}, {40, 3}, {0, 0}, {-3, 15}, {2, 2}};
    // Sources smaller than one turned block, of whole and cut blocks, and as wide as the
    // target; a larger target takes runs of several wide registers and an odd remainder.
    struct Sizes {
        Place target, source;
    };
    const Sizes sizes[] = {
        {{24, 18}, {13, 9}}, {{24, 18}, {17, 16}}, {{24, 18}, {24, 18}}, {{50, 45}, {41, 40}}, {{50, 45}, {50, 45}}};
    for (const Sizes& size : sizes)
        for (int dl = 0; dl < 4; ++dl)
            for (int sl = 0; sl < 4; ++sl)
                for (const Place& p : places)
                    for (int rule = -1; rule <= 1; ++rule) {
                        const Place t = size.target;
                        Pic d(t.x, t.y, dl), want(t.x, t.y, dl), s(size.source.x, size.source.y, sl);
                        d.fill(3);
                        want.fill(3);
                        s.fill(5);
                        put(s.img, 4, 4, 0);  // a black pixel for the keyed rules
                        referenceBlit(want.img, p.x, p.y, s.img, rule);
                        if (rule < 0)
                            blitOpaque(&d.img, p.x, p.y, &s.img);
                        else
                            blitKeyed(&d.img, p.x, p.y, &s.img, static_cast<uint32_t>(rule));
                        ASSERT_EQ(want.mem, d.mem)
                            << "dst layout " << dl << " src layout " << sl << " at " << p.x << "," << p.y << " rule "
                            << rule << " size " << size.source.x << "x" << size.source.y;
                        ASSERT_TRUE(d.guardsIntact());
                    }
}

TEST(GfxBlit, LeftClipDrawsFromSourceColumnTen) {
    Pic d(20, 4, 0), s(16, 1, 0);
    for (int32_t c = 0; c < 16; ++c) put(s.img, c, 0, static_cast<uint16_t>(100 + c));
    blitOpaque(&d.img, -10, 0, &s.img);
    for (int32_t c = 0; c < 6; ++c) EXPECT_EQ(110 + c, get(d.img, c, 0));
    EXPECT_EQ(0xEEEE, get(d.img, 6, 0));
}

TEST(GfxBlit, KeyedRules) {
    Pic d(3, 1, 0), s(3, 1, 0);
    const uint16_t dst[3] = {0x1234, 0x1234, 0x1234}, src[3] = {0x0000, 0xFFFF, 0x0F0F};
    for (int32_t i = 0; i < 3; ++i) put(d.img, i, 0, dst[i]), put(s.img, i, 0, src[i]);
    blitKeyed(&d.img, 0, 0, &s.img, SkipBlack);
    EXPECT_EQ(0x1234, get(d.img, 0, 0));  // black is transparent
    EXPECT_EQ(0xFFFF, get(d.img, 1, 0));
    EXPECT_EQ(0x0F0F, get(d.img, 2, 0));
    for (int32_t i = 0; i < 3; ++i) put(d.img, i, 0, dst[i]);
    blitKeyed(&d.img, 0, 0, &s.img, BlendOr);
    EXPECT_EQ(0x1234, get(d.img, 0, 0));
    EXPECT_EQ(0xFFFF, get(d.img, 1, 0));
    EXPECT_EQ(0x1F3F, get(d.img, 2, 0));
    // Any rule other than 0 skips black.
    put(d.img, 0, 0, 0x1234);
    blitKeyed(&d.img, 0, 0, &s.img, 7);
    EXPECT_EQ(0x1234, get(d.img, 0, 0));
}

TEST(GfxBlit, GlyphColourMasks) {
    struct Case {
        uint32_t colour;
        uint16_t glyph, dst, want;
    };
    const Case cases[] = {
        {ColourGrey, 0xFFFF, 0x0000, 0x7BEF},  // half intensity
        {ColourYellow, 0xFFFF, 0x0000, 0xFFE0}, {ColourGreen, 0xFFFF, 0x0000, 0x07E0},
        {ColourWhite, 0x0000, 0x1234, 0x1234},   // black glyph pixels leave the target
        {ColourGrey, 0x0821, 0x0000, 0x0000},    // lowest channel bits do not spill
        {ColourYellow, 0x8410, 0x0001, 0x8401},  // ORed over what is there
    };
    for (const Case& k : cases) {
        Pic d(1, 1, 0), g(1, 1, 0);
        put(d.img, 0, 0, k.dst);
        put(g.img, 0, 0, k.glyph);
        blitGlyph(&d.img, 0, 0, &g.img, k.colour);
        EXPECT_EQ(k.want, get(d.img, 0, 0)) << std::hex << k.colour << " " << k.glyph;
    }
}

TEST(GfxBlit, CropNarrowsToSubRectangle) {
    for (int layout = 0; layout < 4; ++layout) {
        Pic p(10, 8, layout);
        p.fill(9);
        Image c = p.img;
        cropImage(&c, 3, 2, 4, 5);
        EXPECT_EQ(4, c.width);
        EXPECT_EQ(5, c.height);
        EXPECT_EQ(get(p.img, 3, 2), get(c, 0, 0));
        EXPECT_EQ(get(p.img, 6, 6), get(c, 3, 4));
    }
}

TEST(GfxDarken, LevelsDivideEachChannel) {
    struct Case {
        uint32_t level;
        uint16_t in, out;
    };
    const Case cases[] = {{0, 0xFFFF, 0xFFFF}, {1, 0xFFFF, 0x7BEF},  {2, 0xFFFF, 0x39E7},  {1, 0x0821, 0x0000},
                          {1, 0xF800, 0x7800}, {16, 0xFFFF, 0x0000}, {32, 0xFFFF, 0x0000}, {40, 0xFFFF, 0x0000}};
    // Long runs and short ones, in every layout.
    for (const Case& k : cases)
        for (int layout = 0; layout < 4; ++layout) {
            Pic p(24, 21, layout);
            p.fill(k.level);
            std::vector<uint16_t> before;
            for (int32_t y = 0; y < 21; ++y)
                for (int32_t x = 0; x < 24; ++x) {
                    if (x == 5 && y == 7) put(p.img, x, y, k.in);
                    before.push_back(get(p.img, x, y));
                }
            darkenRect(&p.img, 1, 2, 19, 17, k.level);
            for (int32_t y = 0; y < 21; ++y)
                for (int32_t x = 0; x < 24; ++x) {
                    const bool in = x >= 1 && x < 20 && y >= 2 && y < 19;
                    uint16_t was = before[static_cast<size_t>(y) * 24 + x];
                    uint16_t want = was;
                    if (in) {
                        uint16_t mask = 0xFFFF;
                        for (uint32_t i = 0; i < k.level && i < 32; ++i)
                            mask = static_cast<uint16_t>((mask >> 1) & 0x7BEF);
                        want = k.level >= 32 ? 0 : static_cast<uint16_t>((was >> k.level) & mask);
                    }
                    ASSERT_EQ(want, get(p.img, x, y))
                        << "level " << k.level << " layout " << layout << " at " << x << "," << y;
                }
            EXPECT_EQ(k.out, get(p.img, 5, 7)) << "level " << k.level;
            EXPECT_TRUE(p.guardsIntact());
        }
}

// The full-screen records, saved and replaced by buffers of the test's own.
class GfxScreen : public ::testing::Test {
protected:
    void SetUp() override {
        BackBuffer = Image{};
        Backdrop = Image{};
        ASSERT_EQ(0, layoutDisplay(0, 480));
        std::memset(&game, 0, sizeof game);
        std::memset(ControlFlags, 0, sizeof ControlFlags);
        stylusTapX = stylusTapY = -1;
    }
    void TearDown() override {
        freeImage(&BackBuffer);
        freeImage(&Backdrop);
        saved.restore();
    }
    GlobalsSnapshot saved;  // made with the fixture, just before SetUp
};

TEST_F(GfxScreen, FadeBandsFollowMemoryOrder) {
    struct Case {
        int32_t fade, band;
    };
    const Case cases[] = {{0, 76800}, {8, 74400}, {128, 38400}, {248, 2400}, {256, 0}, {300, 0}};
    for (const Case& k : cases) {
        std::memset(BackBuffer.pixels, 0xAB, 153600);
        game.fadeLevel = k.fade;
        applyFade();
        int32_t black = 0;
        for (int32_t i = 0; i < 153600; ++i) {
            bool inBand = i < k.band || i >= 153600 - k.band;
            ASSERT_EQ(inBand ? 0 : 0xAB, BackBuffer.pixels[i]) << "fade " << k.fade << " byte " << i;
            black += inBand;
        }
        EXPECT_EQ(2 * k.band, black);
    }
}

TEST_F(GfxScreen, TapIsOfferedToOneFrameOnly) {
    struct Case {
        int32_t x, y;
        bool hit;
    };
    const Case cases[] = {{0, 31, false}, {0, 32, true}, {239, 319, true}, {240, 100, false}, {-1, -1, false}};
    for (const Case& k : cases) {
        game.mode = Splash;
        game.fadeLevel = 256;
        game.menuCursor = 5;
        ControlFlags[ControlFire] = 0;
        stylusTapX = k.x;
        stylusTapY = k.y;
        drawScreen();
        EXPECT_EQ(k.hit ? 0 : 5, game.menuCursor) << k.x << "," << k.y;
        EXPECT_EQ(k.hit ? FlagPressed : 0, ControlFlags[ControlFire]) << k.x << "," << k.y;
        EXPECT_EQ(-1, stylusTapX);
        EXPECT_EQ(-1, stylusTapY);
        // The next frame has no tap of its own: nothing is selected again.
        game.menuCursor = 5;
        ControlFlags[ControlFire] = 0;
        drawScreen();
        EXPECT_EQ(5, game.menuCursor);
        EXPECT_EQ(0, ControlFlags[ControlFire]);
    }
}

TEST_F(GfxScreen, TouchZoneBoundsAreHalfOpen) {
    const struct {
        int32_t x, y;
        bool hit;
    } cases[] = {{10, 20, true}, {39, 29, true}, {40, 25, false}, {25, 30, false}, {9, 25, false}, {25, 19, false}};
    for (const auto& k : cases) {
        game.menuCursor = 0;
        ControlFlags[ControlFire] = FlagHeld;
        stylusTapX = k.x;
        stylusTapY = k.y;
        touchZone(3, 10, 20, 30, 10);
        const bool hit = k.hit;
        EXPECT_EQ(hit ? 3 : 0, game.menuCursor) << k.x << "," << k.y;
        EXPECT_EQ(hit ? (FlagHeld | FlagPressed) : FlagHeld, ControlFlags[ControlFire]);
    }
}

TEST_F(GfxScreen, PictureScreenCopiesBackdropAndFades) {
    for (int32_t i = 0; i < 153600; ++i) Backdrop.pixels[i] = static_cast<uint8_t>(i * 7);
    game.mode = PracticeIntro;
    game.fadeLevel = 128;
    drawScreen();
    for (int32_t i = 0; i < 153600; ++i) {
        uint8_t want = (i < 38400 || i >= 153600 - 38400) ? 0 : static_cast<uint8_t>(i * 7);
        ASSERT_EQ(want, BackBuffer.pixels[i]) << i;
    }
}

TEST_F(GfxScreen, TilesStayAboveThePanel) {
    std::vector<uint8_t> sheet(64 * 2048);
    for (size_t i = 0; i < sheet.size(); i += 2) {
        uint16_t v = static_cast<uint16_t>(((i / 2048) + 1) * 0x0101);
        sheet[i] = static_cast<uint8_t>(v);
        sheet[i + 1] = static_cast<uint8_t>(v >> 8);
    }
    TileSheet = sheet.data();
    for (int32_t y = 0; y < 320; ++y)
        for (int32_t x = 0; x < 240; ++x) put(BackBuffer, x, y, 0x0040);
    drawTile(220, 224, 64 + 5, 0);  // tile 5: the number is taken modulo 64
    drawTile(-16, -16, 7, 1);       // ORed in, clipped at the top and left
    for (int32_t y = 0; y < 320; ++y)
        for (int32_t x = 0; x < 240; ++x) {
            uint16_t want = 0x0040;
            if (x >= 220 && y >= 224 && y < 240) want = 0x0606;
            if (x < 16 && y < 16) want = 0x0848;
            ASSERT_EQ(want, get(BackBuffer, x, y)) << x << "," << y;
        }
    // A sheet that was never built draws nothing.
    TileSheet = nullptr;
    drawTile(0, 0, 1, 0);
    EXPECT_EQ(0x0848, get(BackBuffer, 0, 0));
}

}  // namespace
