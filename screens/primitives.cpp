// The pixel primitives every screen draws with. Pictures are RGB565, two bytes per pixel,
// low byte first, in any layout (row-major or column-major, steps of either sign); clipping
// is per pixel with unsigned position tests, so parts left of or above the target are cut
// exactly like parts right of or below it.
#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"
#include "world/world.h"

// Whole pixels are moved as 16-bit values in places; the pictures are stored low byte first.
static_assert(std::endian::native == std::endian::little, "pixels are little-endian in memory");

namespace {

constexpr size_t ScreenBytes = 240 * 320 * 2;

inline uint32_t readPixel(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8); }

inline void writePixel(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// The run [first, last) of positions i with pos + i inside [0, limit), taken the unsigned way.
// Returns false when the limit is negative: the caller then tests every position itself.
inline bool clipRun(int32_t pos, int32_t count, int32_t limit, int32_t* first, int32_t* last) {
    if (limit < 0) return false;
    int64_t lo = -static_cast<int64_t>(pos);
    int64_t hi = static_cast<int64_t>(limit) - pos;
    if (lo < 0) lo = 0;
    if (hi > count) hi = count;
    *first = static_cast<int32_t>(lo);
    *last = static_cast<int32_t>(hi < lo ? lo : hi);
    return true;
}

inline bool inside(int32_t pos, int32_t limit) {
    return static_cast<uint32_t>(pos) < static_cast<uint32_t>(limit);
}

// Eight pixels at once, turned end to end.
#if defined(__SSE2__)
inline __m128i reverse8(__m128i v) {
    return _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B), 0x4E);
}
#endif

// Four pixels at once, turned end to end.
inline uint64_t reversed(uint64_t v) {
    v = (v >> 32) | (v << 32);
    return ((v >> 16) & 0x0000FFFF0000FFFFull) | ((v & 0x0000FFFF0000FFFFull) << 16);
}

// Moves n pixels from s (stepping sStep bytes) to d (stepping dStep bytes), one pixel after
// the other. Where both walk memory forwards, or in opposite directions, without overlapping,
// whole runs move at once; the result is the same as the pixel-by-pixel walk.
void copyRun(uint8_t* d, int32_t dStep, const uint8_t* s, int32_t sStep, int32_t n) {
    if (n <= 0) return;
    const size_t bytes = static_cast<size_t>(n) * 2;
    if ((sStep == 2 || sStep == -2) && (dStep == 2 || dStep == -2)) {
        // Both runs are contiguous: find their low ends; when they do not overlap the whole
        // run moves at once, turned end to end if the two walk memory in opposite directions.
        const uint8_t* sLow = sStep > 0 ? s : s + 2 - bytes;
        uint8_t* dLow = dStep > 0 ? d : d + 2 - bytes;
        if (dLow + bytes <= sLow || sLow + bytes <= dLow) {
            if (sStep == dStep) {
                std::memcpy(dLow, sLow, bytes);
                return;
            }
            // A picture decoded with y running down, drawn into a display whose memory runs up.
            int32_t i = 0;
#if defined(__SSE2__)
            for (; i + 8 <= n; i += 8) {
                const __m128i v = reverse8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sLow + 2 * i)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dLow + 2 * (n - 8 - i)), v);
            }
#endif
            for (; i + 4 <= n; i += 4) {
                uint64_t v;
                std::memcpy(&v, sLow + 2 * i, sizeof v);
                v = reversed(v);
                std::memcpy(dLow + 2 * (n - 4 - i), &v, sizeof v);
            }
            for (; i < n; ++i) {
                uint16_t v;
                std::memcpy(&v, sLow + 2 * i, 2);
                std::memcpy(dLow + 2 * (n - 1 - i), &v, 2);
            }
            return;
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        uint16_t v;
        std::memcpy(&v, s, 2);
        std::memcpy(d, &v, 2);
        s += sStep;
        d += dStep;
    }
}

// The bytes a picture's pixels span: first, and one past the last.
inline void span(const Image& im, const uint8_t** lo, const uint8_t** hi) {
    int64_t first = im.origin, last = im.origin;
    const int64_t dx = static_cast<int64_t>(im.stepX) * (im.width - 1);
    const int64_t dy = static_cast<int64_t>(im.stepY) * (im.height - 1);
    (dx < 0 ? first : last) += dx;
    (dy < 0 ? first : last) += dy;
    *lo = im.pixels + first;
    *hi = im.pixels + last + 2;
}

// True when no pixel of one picture can be a pixel of the other.
inline bool disjoint(const Image& a, const Image& b) {
    if (a.width <= 0 || a.height <= 0 || b.width <= 0 || b.height <= 0) return true;
    const uint8_t *aLo, *aHi, *bLo, *bHi;
    span(a, &aLo, &aHi);
    span(b, &bLo, &bHi);
    return aHi <= bLo || bHi <= aLo;
}

#if defined(__SSE2__)
// A row-major picture drawn into a column-major one (a tile into the turned display): blocks
// of 8 x 8 pixels are turned in registers, so both sides are read and written in runs. Only
// for pictures that share no memory, where the order of the copies cannot matter; the pixels
// copied are exactly those the row walk copies.
void blitTransposed(Image* dst, int32_t x, int32_t y, const Image* src, int32_t c0, int32_t c1, int32_t r0, int32_t r1) {
    const uint8_t* sBase = src->pixels + src->origin;
    // Offsets, not pointers, until an address is known to lie inside the picture.
    const int64_t dOrigin = static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x) * dst->stepX +
                            static_cast<int64_t>(y) * dst->stepY;
    const int64_t sy = src->stepY, dx = dst->stepX, dy = dst->stepY;
    for (int32_t r = r0; r < r1; r += 8) {
        const int32_t rn = std::min(8, r1 - r);
        for (int32_t c = c0; c < c1; c += 8) {
            const int32_t cn = std::min(8, c1 - c);
            if (rn < 8 || cn < 8) {
                for (int32_t i = 0; i < rn; ++i)
                    for (int32_t j = 0; j < cn; ++j)
                        std::memcpy(dst->pixels + (dOrigin + (c + j) * dx + (r + i) * dy), sBase + (c + j) * 2 + (r + i) * sy, 2);
                continue;
            }
            __m128i v[8];
            for (int32_t i = 0; i < 8; ++i)
                v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sBase + c * 2 + (r + i) * sy));
            const __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]), a1 = _mm_unpackhi_epi16(v[0], v[1]);
            const __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]), a3 = _mm_unpackhi_epi16(v[2], v[3]);
            const __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]), a5 = _mm_unpackhi_epi16(v[4], v[5]);
            const __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]), a7 = _mm_unpackhi_epi16(v[6], v[7]);
            const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
            const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
            const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
            const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
            // Column j of the block: the pixels of rows r..r+7.
            __m128i t[8] = {_mm_unpacklo_epi64(b0, b4), _mm_unpackhi_epi64(b0, b4), _mm_unpacklo_epi64(b1, b5),
                            _mm_unpackhi_epi64(b1, b5), _mm_unpacklo_epi64(b2, b6), _mm_unpackhi_epi64(b2, b6),
                            _mm_unpacklo_epi64(b3, b7), _mm_unpackhi_epi64(b3, b7)};
            for (int32_t j = 0; j < 8; ++j) {
                const int64_t col = dOrigin + (c + j) * dx;
                if (dy > 0) {
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst->pixels + (col + r * dy)), t[j]);
                } else {
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst->pixels + (col + (r + 7) * dy)), reverse8(t[j]));
                }
            }
        }
    }
}
#endif

inline uint16_t load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

// Walks the source row by row over its clipped part; every visible destination pixel becomes
// op(destination pixel, source pixel).
template <typename Op>
void blitRows(Image* dst, int32_t x, int32_t y, const Image* src, Op op) {
    if (dst->pixels == nullptr || src->pixels == nullptr) return;
    const int64_t sBase = src->origin;
    const int64_t dBase = static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x) * dst->stepX +
                          static_cast<int64_t>(y) * dst->stepY;
    const int32_t sStep = src->stepX, dStep = dst->stepX;
    int32_t c0 = 0, c1 = 0;
    const bool runs = clipRun(x, src->width, dst->width, &c0, &c1);
    for (int32_t r = 0; r < src->height; ++r) {
        if (!inside(y + r, dst->height)) continue;
        const int64_t so = sBase + static_cast<int64_t>(r) * src->stepY;
        const int64_t dOff = dBase + static_cast<int64_t>(r) * dst->stepY;
        if (runs) {
            if (c1 <= c0) continue;
            uint8_t* d = dst->pixels + (dOff + static_cast<int64_t>(c0) * dStep);
            const uint8_t* s = src->pixels + (so + static_cast<int64_t>(c0) * sStep);
            const int32_t n = c1 - c0;
            if (sStep == 2 && dStep == 2) {
                // Contiguous on both sides: a plain loop the compiler can vectorise.
                for (int32_t i = 0; i < n; ++i) store16(d + 2 * i, op(load16(d + 2 * i), load16(s + 2 * i)));
            } else {
                for (int32_t i = 0; i < n; ++i, d += dStep, s += sStep) store16(d, op(load16(d), load16(s)));
            }
        } else {
            for (int32_t c = 0; c < src->width; ++c) {
                if (!inside(x + c, dst->width)) continue;
                uint8_t* d = dst->pixels + (dOff + static_cast<int64_t>(c) * dStep);
                store16(d, op(load16(d), load16(src->pixels + (so + static_cast<int64_t>(c) * sStep))));
            }
        }
    }
}

}  // namespace

void blitOpaque(Image* dst, int32_t x, int32_t y, const Image* src) {
    if (dst->pixels == nullptr || src->pixels == nullptr) return;
    const int64_t sBase = src->origin;
    const int64_t dBase = static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x) * dst->stepX +
                          static_cast<int64_t>(y) * dst->stepY;
#if defined(__SSE2__)
    if (src->stepX == 2 && (dst->stepY == 2 || dst->stepY == -2) && (dst->stepX > 4 || dst->stepX < -4) &&
        disjoint(*dst, *src)) {
        int32_t c0, c1, r0, r1;
        if (clipRun(x, src->width, dst->width, &c0, &c1) && clipRun(y, src->height, dst->height, &r0, &r1)) {
            blitTransposed(dst, x, y, src, c0, c1, r0, r1);
            return;
        }
    }
#endif
    // Walk the source in its own memory order: by rows when it is row-major, else by columns.
    const bool byRows = src->stepX >= -4 && src->stepX <= 4;
    const int32_t outer = byRows ? src->height : src->width;
    const int32_t innerCount = byRows ? src->width : src->height;
    const int32_t outerPos = byRows ? y : x, innerPos = byRows ? x : y;
    const int32_t outerLimit = byRows ? dst->height : dst->width;
    const int32_t innerLimit = byRows ? dst->width : dst->height;
    const int32_t sOuter = byRows ? src->stepY : src->stepX, sInner = byRows ? src->stepX : src->stepY;
    const int32_t dOuter = byRows ? dst->stepY : dst->stepX, dInner = byRows ? dst->stepX : dst->stepY;

    int32_t i0 = 0, i1 = 0;
    const bool runs = clipRun(innerPos, innerCount, innerLimit, &i0, &i1);
    for (int32_t o = 0; o < outer; ++o) {
        if (!inside(outerPos + o, outerLimit)) continue;
        const int64_t so = sBase + static_cast<int64_t>(o) * sOuter;
        const int64_t dOff = dBase + static_cast<int64_t>(o) * dOuter;
        if (runs) {
            copyRun(dst->pixels + (dOff + static_cast<int64_t>(i0) * dInner), dInner,
                    src->pixels + (so + static_cast<int64_t>(i0) * sInner), sInner, i1 - i0);
        } else {
            for (int32_t i = 0; i < innerCount; ++i) {
                if (!inside(innerPos + i, innerLimit)) continue;
                copyRun(dst->pixels + (dOff + static_cast<int64_t>(i) * dInner), dInner,
                        src->pixels + (so + static_cast<int64_t>(i) * sInner), sInner, 1);
            }
        }
    }
}

void blitKeyed(Image* dst, int32_t x, int32_t y, const Image* src, uint32_t rule) {
    if (rule == BlendOr) {
        blitRows(dst, x, y, src, [](uint16_t d, uint16_t s) { return static_cast<uint16_t>(d | s); });
    } else {
        blitRows(dst, x, y, src, [](uint16_t d, uint16_t s) { return s != 0 ? s : d; });
    }
}

void blitGlyph(Image* dst, int32_t x, int32_t y, const Image* glyph, uint32_t colour) {
    // Grey is drawn at half intensity: clearing each channel's lowest bit first keeps the
    // shift from spilling one channel into the next.
    const uint16_t mask = static_cast<uint16_t>(colour == ColourGrey ? 0xF7DE : colour);
    if (colour == ColourGrey) {
        blitRows(dst, x, y, glyph, [mask](uint16_t d, uint16_t s) { return static_cast<uint16_t>(d | ((s & mask) >> 1)); });
    } else {
        blitRows(dst, x, y, glyph, [mask](uint16_t d, uint16_t s) { return static_cast<uint16_t>(d | (s & mask)); });
    }
}

void drawTile(int32_t x, int32_t y, uint32_t tile, uint32_t overlay) {
    // Tiles never reach the panel rows 240..319.
    Image dst = BackBuffer;
    dst.height = 240;
    Image src{TileSheet, (tile & 63) * 2048, 32, 32, 2, 64};
    if (overlay == 0) {
        blitOpaque(&dst, x, y, &src);
    } else {
        blitKeyed(&dst, x, y, &src, BlendOr);
    }
}

void cropImage(Image* img, int32_t x, int32_t y, int32_t w, int32_t h) {
    img->origin += static_cast<uint32_t>(static_cast<int64_t>(x) * img->stepX + static_cast<int64_t>(y) * img->stepY);
    img->width = w;
    img->height = h;
}

void darkenRect(Image* img, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level) {
    if (img->pixels == nullptr || w <= 0 || h <= 0) return;
    uint32_t mask = 0xFFFF;
    for (uint32_t i = 0; i < level && mask != 0; ++i) mask = (mask >> 1) & 0x7BEF;
    const uint32_t shift = level >= 32 ? 0 : level;
    if (level >= 32) mask = 0;
    const int64_t base = static_cast<int64_t>(img->origin) + static_cast<int64_t>(x) * img->stepX +
                         static_cast<int64_t>(y) * img->stepY;
    // Every pixel is dimmed on its own, so the order does not matter: walk the memory order.
    const bool rowsInner = img->stepX >= -4 && img->stepX <= 4;
    const int32_t outer = rowsInner ? h : w, inner = rowsInner ? w : h;
    const int32_t outerStep = rowsInner ? img->stepY : img->stepX;
    const int32_t innerStep = rowsInner ? img->stepX : img->stepY;
    const uint16_t m = static_cast<uint16_t>(mask);
    for (int32_t o = 0; o < outer; ++o) {
        uint8_t* p = img->pixels + (base + static_cast<int64_t>(o) * outerStep);
        if (innerStep == 2 || innerStep == -2) {
            uint8_t* low = innerStep == 2 ? p : p - 2 * (inner - 1);
            int32_t i = 0;
#if defined(__SSE2__)
            const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
            const __m128i keep = _mm_set1_epi16(static_cast<short>(m));
            for (; i + 8 <= inner; i += 8) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low + 2 * i));
                v = _mm_and_si128(_mm_srl_epi16(v, count), keep);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(low + 2 * i), v);
            }
#endif
            for (; i < inner; ++i) {
                uint16_t v;
                std::memcpy(&v, low + 2 * i, 2);
                v = static_cast<uint16_t>((v >> shift) & m);
                std::memcpy(low + 2 * i, &v, 2);
            }
        } else {
            for (int32_t i = 0; i < inner; ++i, p += innerStep) writePixel(p, (readPixel(p) >> shift) & mask);
        }
    }
}

void touchZone(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (y <= stylusTapY && stylusTapY < y + h && x <= stylusTapX && stylusTapX < x + w) {
        game.menuCursor = static_cast<int8_t>(index);
        ControlFlags[ControlFire] |= FlagPressed;
    }
}

void touchAnywhere() { touchZone(0, 0, 32, 240, 288); }

void applyFade() {
    if (game.fadeLevel >= 256 || BackBuffer.pixels == nullptr) return;
    int64_t n = 76800 - ((static_cast<int64_t>(game.fadeLevel) * 76800) >> 8);
    if (n <= 0) return;
    if (n > 76800) n = 76800;  // a level below 0 blacks the whole frame, and no more
    std::memset(BackBuffer.pixels, 0, static_cast<size_t>(n));
    std::memset(BackBuffer.pixels + ScreenBytes - n, 0, static_cast<size_t>(n));
}

void copyBackdrop() {
    if (BackBuffer.pixels == nullptr || Backdrop.pixels == nullptr) return;
    std::memcpy(BackBuffer.pixels, Backdrop.pixels, ScreenBytes);
}

void drawPictureScreen() {
    copyBackdrop();
    touchAnywhere();
}
