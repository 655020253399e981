// The blits every screen draws with: clipping is per pixel with unsigned position tests, so
// parts left of or above the target are cut exactly like parts right of or below it.
#include "gfx/blit.h"

#include "gfx/blit_internal.h"
#include "gfx/graphics.h"

namespace {

// Walks the source row by row over its clipped part; every visible destination pixel becomes
// op(destination pixel, source pixel).
// Both pictures column-major and apart (a keyed picture drawn into the turned display): every
// pixel is combined on its own, so walking down the columns, in memory order on both sides,
// gives the same picture as the row walk.
template <typename Op>
bool blitColumns(Image* dst, int32_t x, int32_t y, const Image* src, Op op) {
    const bool columnMajor = (src->stepX > 4 || src->stepX < -4) && (dst->stepX > 4 || dst->stepX < -4) &&
                             (src->stepY == 2 || src->stepY == -2) && (dst->stepY == 2 || dst->stepY == -2);
    int32_t c0, c1, r0, r1;
    if (!columnMajor || !disjoint(*dst, *src) || !clipRun(x, src->width, dst->width, &c0, &c1) ||
        !clipRun(y, src->height, dst->height, &r0, &r1))
        return false;
    const int32_t n = r1 - r0;
    if (n <= 0) return true;
    // Each column's run from its lowest destination address: row r0, or row r1 - 1 where the
    // destination's memory runs up; the source runs the same way or the other.
    const int32_t low = dst->stepY > 0 ? r0 : r1 - 1;
    const bool same = src->stepY == dst->stepY;
    for (int32_t c = c0; c < c1; ++c) {
        uint8_t* d = dst->pixels + (static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x + c) * dst->stepX +
                                    static_cast<int64_t>(y + low) * dst->stepY);
        const uint8_t* s = src->pixels + (static_cast<int64_t>(src->origin) + static_cast<int64_t>(c) * src->stepX +
                                          static_cast<int64_t>(low) * src->stepY);
        if (same) {
            for (int32_t i = 0; i < n; ++i) store16(d + 2 * i, op(load16(d + 2 * i), load16(s + 2 * i)));
        } else {
            // The source runs the other way: turn a stretch of it end to end first, so that
            // both sides are walked forwards.
            uint8_t turned[512];
            for (int32_t i = 0; i < n; i += 256) {
                const int32_t m = std::min(256, n - i);
                copyRun(turned, 2, s - 2 * i, -2, m);
                for (int32_t j = 0; j < m; ++j)
                    store16(d + 2 * (i + j), op(load16(d + 2 * (i + j)), load16(turned + 2 * j)));
            }
        }
    }
    return true;
}

template <typename Op>
void blitRows(Image* dst, int32_t x, int32_t y, const Image* src, Op op) {
    if (dst->pixels == nullptr || src->pixels == nullptr) return;
    if (blitColumns(dst, x, y, src, op)) return;
    const int64_t sBase = src->origin;
    const int64_t dBase =
        static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x) * dst->stepX + static_cast<int64_t>(y) * dst->stepY;
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
    const int64_t dBase =
        static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x) * dst->stepX + static_cast<int64_t>(y) * dst->stepY;
#if defined(__SSE2__)
    if (src->stepX == 2 && (dst->stepY == 2 || dst->stepY == -2) && (dst->stepX > 4 || dst->stepX < -4) &&
        disjoint(*dst, *src)) {
        int32_t c0, c1, r0, r1;
        if (clipRun(x, src->width, dst->width, &c0, &c1) && clipRun(y, src->height, dst->height, &r0, &r1)) {
            blitTransposed<false>(dst, x, y, src, c0, c1, r0, r1);
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
    // Whole lines that follow one another in both memories (a full-width picture at x 0 drawn
    // into a picture of the same layout): one block for all of them.
    int32_t o0, o1;
    if (runs && i0 == 0 && i1 == innerCount && sInner == 2 && dInner == 2 && sOuter == dOuter &&
        sOuter == 2 * innerCount && clipRun(outerPos, outer, outerLimit, &o0, &o1) && disjoint(*dst, *src)) {
        if (o1 > o0) {
            std::memcpy(dst->pixels + (dBase + static_cast<int64_t>(o0) * dOuter),
                        src->pixels + (sBase + static_cast<int64_t>(o0) * sOuter),
                        static_cast<size_t>(o1 - o0) * static_cast<size_t>(sOuter));
        }
        return;
    }
    // Pictures apart, runs forwards on both sides: each line is a plain copy.
    if (runs && sInner == 2 && dInner == 2 && clipRun(outerPos, outer, outerLimit, &o0, &o1) && disjoint(*dst, *src)) {
        const size_t bytes = static_cast<size_t>(i1 - i0) * 2;
        if (bytes == 0) return;
        for (int32_t o = o0; o < o1; ++o)
            std::memcpy(dst->pixels + (dBase + static_cast<int64_t>(o) * dOuter + 2 * i0),
                        src->pixels + (sBase + static_cast<int64_t>(o) * sOuter + 2 * i0), bytes);
        return;
    }
#if defined(TAVRIN_WIDE_COPIES)
    // Pictures apart, runs of 16 pixels or more running opposite ways (a decoded picture on
    // the turned display, whose columns run down while the display's run up): every line is
    // turned end to end with wide registers in one loop.
    if (wideCopies && runs && i1 - i0 >= 16 && (sInner == 2 || sInner == -2) && dInner == -sInner &&
        clipRun(outerPos, outer, outerLimit, &o0, &o1) && disjoint(*dst, *src)) {
        const int32_t n = i1 - i0;
        // Each line's lowest address on both sides: pixel i0 on the side that runs forwards,
        // pixel i1 - 1 on the other.
        const int64_t sLow = sBase + static_cast<int64_t>(sInner > 0 ? i0 : i1 - 1) * sInner;
        const int64_t dLow = dBase + static_cast<int64_t>(dInner > 0 ? i0 : i1 - 1) * dInner;
        reverseRunsWide(dst->pixels + (dLow + static_cast<int64_t>(o0) * dOuter), dOuter,
                        src->pixels + (sLow + static_cast<int64_t>(o0) * sOuter), sOuter, o1 - o0, n);
        return;
    }
#endif
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

// Only the vector paths below ask it; elsewhere it would be dead code.
#if defined(__SSE2__)
namespace {

// True (and the clipped ranges set) when src may go through the turned-block path into dst:
// a row-major source, a column-major destination, no memory shared, clipping without the
// per-pixel fallback of a negative size.
bool turnedBlitFits(const Image* dst, int32_t x, int32_t y, const Image* src, int32_t* c0, int32_t* c1, int32_t* r0,
                    int32_t* r1) {
    return src->stepX == 2 && (dst->stepY == 2 || dst->stepY == -2) && (dst->stepX > 4 || dst->stepX < -4) &&
           disjoint(*dst, *src) && clipRun(x, src->width, dst->width, c0, c1) &&
           clipRun(y, src->height, dst->height, r0, r1);
}

}  // namespace

namespace {

// BlendOr of a column-major picture whose columns run the other way from the display's (a
// decoded picture on the turned display, such as the map view's bar): eight pixels at a
// time, turned end to end in a register.
bool orColumnsTurned(Image* dst, int32_t x, int32_t y, const Image* src) {
    int32_t c0, c1, r0, r1;
    if (!(src->stepX > 4 || src->stepX < -4) || !(dst->stepX > 4 || dst->stepX < -4) ||
        !(src->stepY == 2 || src->stepY == -2) || src->stepY != -dst->stepY || !disjoint(*dst, *src) ||
        !clipRun(x, src->width, dst->width, &c0, &c1) || !clipRun(y, src->height, dst->height, &r0, &r1))
        return false;
    const int32_t n = r1 - r0;
    if (n <= 0) return true;
    const int32_t low = dst->stepY > 0 ? r0 : r1 - 1;
#if defined(TAVRIN_WIDE_COPIES)
    if (wideCopies && n >= 16 && c1 > c0) {
        const int64_t dFirst = static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x + c0) * dst->stepX +
                               static_cast<int64_t>(y + low) * dst->stepY;
        const int64_t sFirst = static_cast<int64_t>(src->origin) + static_cast<int64_t>(c0) * src->stepX +
                               static_cast<int64_t>(low) * src->stepY;
        orTurnedRunsWide(dst->pixels + dFirst, dst->stepX, src->pixels + sFirst, src->stepX, c1 - c0, n);
        return true;
    }
#endif
    for (int32_t c = c0; c < c1; ++c) {
        uint8_t* d = dst->pixels + (static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x + c) * dst->stepX +
                                    static_cast<int64_t>(y + low) * dst->stepY);
        // Destination pixel i (upwards through memory) takes source pixel s - 2i.
        const uint8_t* s = src->pixels + (static_cast<int64_t>(src->origin) + static_cast<int64_t>(c) * src->stepX +
                                          static_cast<int64_t>(low) * src->stepY);
        int32_t i = 0;
        for (; i + 8 <= n; i += 8) {
            const __m128i v = reverse8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s - 2 * (i + 7))));
            __m128i* dp = reinterpret_cast<__m128i*>(d + 2 * i);
            _mm_storeu_si128(dp, _mm_or_si128(_mm_loadu_si128(dp), v));
        }
        for (; i < n; ++i) store16(d + 2 * i, static_cast<uint16_t>(load16(d + 2 * i) | load16(s - 2 * i)));
    }
    return true;
}

}  // namespace
#endif

void blitKeyed(Image* dst, int32_t x, int32_t y, const Image* src, uint32_t rule) {
#if defined(__SSE2__)
    int32_t c0, c1, r0, r1;
    if (rule == BlendOr && dst->pixels != nullptr && src->pixels != nullptr &&
        turnedBlitFits(dst, x, y, src, &c0, &c1, &r0, &r1)) {
        blitTransposed<true>(dst, x, y, src, c0, c1, r0, r1);
        return;
    }
    if (rule == BlendOr && dst->pixels != nullptr && src->pixels != nullptr && orColumnsTurned(dst, x, y, src)) return;
#endif
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
        blitRows(dst, x, y, glyph,
                 [mask](uint16_t d, uint16_t s) { return static_cast<uint16_t>(d | ((s & mask) >> 1)); });
    } else {
        blitRows(dst, x, y, glyph, [mask](uint16_t d, uint16_t s) { return static_cast<uint16_t>(d | (s & mask)); });
    }
}

void cropImage(Image* img, int32_t x, int32_t y, int32_t w, int32_t h) {
    img->origin += static_cast<uint32_t>(static_cast<int64_t>(x) * img->stepX + static_cast<int64_t>(y) * img->stepY);
    img->width = w;
    img->height = h;
}

void darkenRect(Image* img, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level) {
    if (img->pixels == nullptr || w <= 0 || h <= 0) return;
    uint32_t shift;
    uint16_t m;
    darkenRule(level, &shift, &m);
    const int64_t base =
        static_cast<int64_t>(img->origin) + static_cast<int64_t>(x) * img->stepX + static_cast<int64_t>(y) * img->stepY;
    // Every pixel is dimmed on its own, so the order does not matter: walk the memory order.
    const bool rowsInner = img->stepX >= -4 && img->stepX <= 4;
    const int32_t outer = rowsInner ? h : w, inner = rowsInner ? w : h;
    const int32_t outerStep = rowsInner ? img->stepY : img->stepX;
    const int32_t innerStep = rowsInner ? img->stepX : img->stepY;
    for (int32_t o = 0; o < outer; ++o) {
        uint8_t* p = img->pixels + (base + static_cast<int64_t>(o) * outerStep);
        if (innerStep == 2 || innerStep == -2) {
            uint8_t* low = innerStep == 2 ? p : p - 2 * (inner - 1);
            darkenRuns(low, low, 0, 1, inner, shift, m);
        } else {
            for (int32_t i = 0; i < inner; ++i, p += innerStep) writePixel(p, (readPixel(p) >> shift) & m);
        }
    }
}

int32_t sameImage(const Image* a, const Image* b) {
    return a->pixels == b->pixels && a->origin == b->origin && a->width == b->width && a->height == b->height &&
                   a->stepX == b->stepX && a->stepY == b->stepY
               ? 1
               : 0;
}

int32_t isScreenLayout(const Image* im) {
    if (im->pixels == nullptr || im->width != 240 || im->height != 320) return 0;
    const bool rows = im->stepX == 2 && (im->stepY == 480 || im->stepY == -480);
    const bool columns = (im->stepX == 640 || im->stepX == -640) && (im->stepY == 2 || im->stepY == -2);
    Image laidOut = *im;
    placeOrigin(&laidOut);
    return (rows || columns) && laidOut.origin == im->origin ? 1 : 0;
}
