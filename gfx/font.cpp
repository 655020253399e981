// The proportional bitmap font: glyphs cut from one embedded sheet, drawn by ORing them,
// masked by the colour, into any picture.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#if !defined(TAVRIN_NO_WIDE_REGISTERS)
#define TAVRIN_WIDE_TEXT 1
#endif
#endif

#include "gfx/blit.h"
#include "gfx/graphics.h"
#include "platform/toolkit.h"

// Our own glyph widths (tools/assets/font.py draws the sheet to them): a narrow face, so that
// every text fits where the screens put it, "Disarm bomb" at x 165 of the pause status too.
FontRecord Font = {
    Image{},
    19,
    {
        4, 7,  11, 18, 24, 34, 42, 44, 48, 52, 58, 65, 68, 72, 75,  79,   // space to slash
        7, 14, 21, 28, 35, 42, 49, 56, 63, 70, 73, 76, 83, 90, 97,  102,  // digits to ?
        9, 17, 24, 31, 38, 44, 50, 57, 64, 67, 71, 78, 84, 92, 99,  107,  // @, A..O
        7, 15, 22, 28, 35, 42, 50, 61, 69, 77, 84, 88, 92, 96, 103, 109,  // P..Z to _
        3, 9,  15, 20, 26, 32, 37, 43, 49, 52, 56, 63, 66, 75, 81,  88,   // `, a..o
        6, 12, 17, 23, 28, 34, 41, 50, 57, 64, 70, 75, 77, 82, 89,  99,   // p..z to 127
    },
};

namespace {

// Codes 128..255 fold onto 0..127; control codes draw as a space.
inline int32_t glyphOf(uint32_t code) {
    int32_t g = static_cast<int32_t>(code & 127) - 32;
    return g < 0 ? 0 : g;
}

inline int32_t glyphLeft(const FontRecord* f, int32_t g) { return (g & 15) == 0 ? 0 : f->glyphRight[g - 1]; }

}  // namespace

int32_t FontInit() {
    Font.sheet = Image{};
    uint32_t size = 0;
    const uint8_t* sheet = findResource(ResFontSheet, &size);
    if (sheet == nullptr) return 1;
    // The sheet stays embedded and read-only; drawing only ever reads from it.
    Font.sheet.pixels = const_cast<uint8_t*>(sheet);
    Font.sheet.width = 160;
    Font.sheet.height = 114;
    Font.sheet.stepX = 2;
    Font.sheet.stepY = 2 * Font.sheet.width;
    qDebug("FontInit over\n");
    return 0;
}

void releaseFont() { Font.sheet = Image{}; }

void glyphImage(Image* out, const FontRecord* f, uint32_t code) {
    if (f == nullptr) f = &Font;
    int32_t g = glyphOf(code);
    int32_t left = glyphLeft(f, g);
    int32_t right = f->glyphRight[g];
    int32_t top = f->glyphHeight * (g >> 4);
    *out = f->sheet;
    cropImage(out, left, top, right - left, f->glyphHeight);
}

int32_t glyphAdvance(const FontRecord* f, uint32_t code) {
    if (f == nullptr) f = &Font;
    int32_t g = glyphOf(code);
    return f->glyphRight[g] - glyphLeft(f, g);
}

int32_t textWidth(const FontRecord* f, const char* s) {
    int32_t w = 0;
    for (; *s != '\0'; ++s) w += glyphAdvance(f, static_cast<uint8_t>(*s));
    return w;
}

namespace {

// Drawn text, kept: what a line of text adds to a picture (glyph pixels masked by the colour,
// ORed in) does not depend on where it is drawn, and OR can be applied in any order. So a
// line is put together once, in the memory order of the picture it goes to, and later
// frames OR it in whole runs, clipped exactly as the glyph blits clip. Only for the embedded
// font, whose sheet cannot change under us; anything else is drawn glyph by glyph.
constexpr int32_t SpriteTextMax = 63;
constexpr int32_t SpritePixels = 10240;
constexpr int32_t SpriteCount = 48;

// How a picture walks its memory, when one of its steps is a plain pixel: rows forwards or
// backwards, columns forwards or backwards.
enum SpriteLayout : uint8_t { RowsUp = 0, RowsDown = 1, ColumnsUp = 2, ColumnsDown = 3, NoLayout = 4 };

struct TextSprite {
    uint32_t hash;
    uint32_t colour;
    uint8_t layout;
    uint8_t used;
    char text[SpriteTextMax + 1];
    int32_t width, height;
    uint16_t pixels[SpritePixels];
};

TextSprite sprites[SpriteCount];
int32_t nextSprite;
FontRecord spriteFont;  // the font the sprites were made with

uint8_t layoutOf(const Image* im) {
    if (im->stepX == 2) return RowsUp;
    if (im->stepX == -2) return RowsDown;
    if (im->stepY == 2) return ColumnsUp;
    if (im->stepY == -2) return ColumnsDown;
    return NoLayout;
}

uint32_t hashOf(const char* s, uint32_t colour, uint8_t layout) {
    uint32_t h = 2166136261u ^ colour ^ (static_cast<uint32_t>(layout) << 24);
    for (; *s != '\0'; ++s) h = (h ^ static_cast<uint8_t>(*s)) * 16777619u;
    return h;
}

// The embedded sheet as FontInit sets it up, with every glyph inside it.
bool fontIsEmbedded(const FontRecord* f) {
    const Image& sh = f->sheet;
    uint32_t size = 0;
    if (sh.pixels == nullptr || sh.pixels != findResource(ResFontSheet, &size)) return false;
    if (size < static_cast<uint32_t>(sh.width * sh.height * 2)) return false;
    if (sh.origin != 0 || sh.stepX != 2 || sh.stepY != 2 * sh.width || sh.width != 160 || sh.height != 114)
        return false;
    if (f->glyphHeight <= 0 || f->glyphHeight * 6 > sh.height) return false;
    for (int32_t g = 0; g < 96; ++g) {
        int32_t left = glyphLeft(f, g);
        if (left < 0 || f->glyphRight[g] <= left || f->glyphRight[g] > sh.width) return false;
    }
    return true;
}

// Puts the line together: pixel (c, r) of the text at its place in the picture's order.
bool buildSprite(TextSprite* sp, const FontRecord* f, const char* s, uint32_t colour, uint8_t layout) {
    const int32_t w = textWidth(f, s), h = f->glyphHeight;
    if (static_cast<int64_t>(w) * h > SpritePixels) return false;
    const bool grey = colour == ColourGrey;
    const uint16_t mask = static_cast<uint16_t>(grey ? 0xF7DE : colour);
    sp->width = w;
    sp->height = h;
    int32_t x = 0;
    for (const char* p = s; *p != '\0'; ++p) {
        Image glyph;
        glyphImage(&glyph, f, static_cast<uint8_t>(*p));
        for (int32_t r = 0; r < h; ++r) {
            const uint8_t* src = glyph.pixels + glyph.origin + static_cast<int64_t>(r) * glyph.stepY;
            for (int32_t c = 0; c < glyph.width; ++c) {
                uint16_t v;
                std::memcpy(&v, src + 2 * c, 2);
                v = static_cast<uint16_t>(grey ? (v & mask) >> 1 : (v & mask));
                const int32_t tc = x + c;
                int32_t k;
                switch (layout) {
                case RowsUp: k = r * w + tc; break;
                case RowsDown: k = r * w + (w - 1 - tc); break;
                case ColumnsUp: k = tc * h + r; break;
                default: k = tc * h + (h - 1 - r); break;
                }
                sp->pixels[k] = v;
            }
        }
        x += glyph.width;
    }
    return true;
}

// True when lines of this font may be kept. Another font (or the same one changed) drops
// every line kept so far.
bool fontKeepsLines(const FontRecord* f) {
    static bool usable = false;
    if (std::memcmp(&spriteFont, f, sizeof spriteFont) != 0) {
        for (TextSprite& sp : sprites) sp.used = 0;
        std::memcpy(&spriteFont, f, sizeof spriteFont);
        usable = fontIsEmbedded(f);
    }
    return usable;
}

TextSprite* findSprite(const FontRecord* f, const char* s, uint32_t colour, uint8_t layout) {
    const uint32_t hash = hashOf(s, colour, layout);
    for (TextSprite& sp : sprites)
        if (sp.used && sp.hash == hash && sp.colour == colour && sp.layout == layout && std::strcmp(sp.text, s) == 0)
            return &sp;
    TextSprite* sp = &sprites[nextSprite];
    nextSprite = (nextSprite + 1) % SpriteCount;
    sp->used = 0;
    if (!buildSprite(sp, f, s, colour, layout)) return nullptr;
    sp->hash = hash;
    sp->colour = colour;
    sp->layout = layout;
    std::strcpy(sp->text, s);
    sp->used = 1;
    return sp;
}

#if defined(TAVRIN_WIDE_TEXT)
// Processors with 32-byte registers OR runs of 16 pixels or more with them (asked once, while
// static objects are made: explicitly, not through the runtime's own start-up).
const bool wideText = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();

// orRun for `lines` runs of n >= 16 pixels (dStep bytes apart in the picture, sStep pixels
// in the sprite), sixteen pixels at a time; the last sixteen of each run are read first and
// stored last, exactly as the eight of orRun below. One call for a whole line of text: on
// the turned display its runs are the glyphs' columns, a few dozen pixels each.
__attribute__((target("avx2"))) void orRunsWide(uint8_t* d, int64_t dStep, const uint16_t* s, int64_t sStep,
                                                int32_t lines, int32_t n) {
    for (int32_t l = 0; l < lines; ++l, d += dStep, s += sStep) {
        const __m256i tail = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 2 * (n - 16))),
                                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + n - 16)));
        for (int32_t i = 0; i + 16 <= n; i += 16) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 2 * i));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * i), _mm256_or_si256(a, b));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * (n - 16)), tail);
    }
}
#endif

inline void orRun(uint8_t* d, const uint16_t* s, int32_t n) {
    int32_t i = 0;
#if defined(__SSE2__)
    if (n >= 8) {
        // The last eight pixels end the run without a pixel loop. They are read before the
        // run is written: where they overlap the run's last whole eight, both stores carry
        // the same values (old | ink), and the read does not wait on a store just made.
        const __m128i tail = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 2 * (n - 8))),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + n - 8)));
        for (; i + 8 <= n; i += 8) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 2 * i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * i), _mm_or_si128(a, b));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * (n - 8)), tail);
        return;
    }
#endif
    for (; i < n; ++i) {
        uint16_t v;
        std::memcpy(&v, d + 2 * i, 2);
        v = static_cast<uint16_t>(v | s[i]);
        std::memcpy(d + 2 * i, &v, 2);
    }
}

// The run [first, last) of positions i in [0, count) with pos + i inside [0, limit).
inline void clipSpan(int32_t pos, int32_t count, int32_t limit, int32_t* first, int32_t* last) {
    int64_t lo = -static_cast<int64_t>(pos), hi = static_cast<int64_t>(limit) - pos;
    if (lo < 0) lo = 0;
    if (hi > count) hi = count;
    *first = static_cast<int32_t>(lo);
    *last = static_cast<int32_t>(hi < lo ? lo : hi);
}

// ORs the sprite into the picture with its (0, 0) at (x, y): every pixel the glyph blits
// would reach, and no other.
void drawSprite(Image* t, int32_t x, int32_t y, const TextSprite* sp) {
    const int32_t w = sp->width, h = sp->height;
    const bool rows = sp->layout == RowsUp || sp->layout == RowsDown;
    const bool down = sp->layout == RowsDown || sp->layout == ColumnsDown;
    // Lines of the sprite cross the picture's outer step; runs follow the pixel step.
    const int32_t lines = rows ? h : w, run = rows ? w : h;
    const int32_t linePos = rows ? y : x, runPos = rows ? x : y;
    const int32_t lineLimit = rows ? t->height : t->width, runLimit = rows ? t->width : t->height;
    const int64_t lineStep = rows ? t->stepY : t->stepX, runStep = rows ? t->stepX : t->stepY;
    int32_t i0, i1;
    clipSpan(runPos, run, runLimit, &i0, &i1);
    if (i1 <= i0) return;
    const int32_t n = i1 - i0;
    const int64_t base =
        static_cast<int64_t>(t->origin) + static_cast<int64_t>(x) * t->stepX + static_cast<int64_t>(y) * t->stepY;
    // The lines inside the picture, one after the other.
    int32_t l0, l1;
    clipSpan(linePos, lines, lineLimit, &l0, &l1);
    if (l1 <= l0) return;
    // The lowest address of each run, and where that pixel sits in the sprite's line.
    const int32_t lowIndex = down ? i1 - 1 : i0;
    const int32_t k = down ? run - i1 : i0;
    uint8_t* d = t->pixels + (base + l0 * lineStep + lowIndex * runStep);
    const uint16_t* s = sp->pixels + static_cast<int64_t>(l0) * run + k;
#if defined(TAVRIN_WIDE_TEXT)
    if (wideText && n >= 16) {
        orRunsWide(d, lineStep, s, run, l1 - l0, n);
        return;
    }
#endif
    for (int32_t l = l0; l < l1; ++l, d += lineStep, s += run) orRun(d, s, n);
}

}  // namespace

int32_t fontCanBeKept(const FontRecord* f) { return fontKeepsLines(f == nullptr ? &Font : f) ? 1 : 0; }

int32_t drawTextDirect(Image* target, const FontRecord* f, int32_t x, int32_t y, const char* s, uint32_t colour,
                       uint32_t alignment) {
    if (target == nullptr) target = &BackBuffer;
    if (alignment != AlignLeft) {
        int32_t w = textWidth(f, s);
        x -= alignment == AlignRight ? w : (w >> 1);
    }
    for (; *s != '\0'; ++s) {
        Image glyph;
        glyphImage(&glyph, f, static_cast<uint8_t>(*s));
        blitGlyph(target, x, y, &glyph, colour);
        x += glyph.width;
    }
    return 0;
}

int32_t drawText(Image* target, const FontRecord* f, int32_t x, int32_t y, const char* s, uint32_t colour,
                 uint32_t alignment) {
    if (target == nullptr) target = &BackBuffer;
    const FontRecord* font = f == nullptr ? &Font : f;
    const uint8_t layout = layoutOf(target);
    if (target->pixels == nullptr || *s == '\0') return 0;  // nothing the glyph blits would draw
    if (layout == NoLayout || target->width < 0 || target->height < 0 || std::strlen(s) > SpriteTextMax ||
        !fontKeepsLines(font))
        return drawTextDirect(target, f, x, y, s, colour, alignment);
    const TextSprite* sp = findSprite(font, s, colour, layout);
    if (sp == nullptr) return drawTextDirect(target, f, x, y, s, colour, alignment);
    if (alignment != AlignLeft) x -= alignment == AlignRight ? sp->width : (sp->width >> 1);
    drawSprite(target, x, y, sp);
    return 0;
}
