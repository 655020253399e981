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
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#if !defined(TAVRIN_NO_WIDE_REGISTERS)
#define TAVRIN_WIDE_COPIES 1
#endif
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

inline bool inside(int32_t pos, int32_t limit) { return static_cast<uint32_t>(pos) < static_cast<uint32_t>(limit); }

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

#if defined(TAVRIN_WIDE_COPIES)
// Processors with 32-byte registers move wide runs with them (checked once, at start-up).
// (Set while static objects are made: the processor is asked explicitly, not through the
// runtime's own start-up, which may not have run yet.)
const bool wideCopies = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();

// Turns the run of n pixels at sLow end to end into dLow, 16 pixels at a time; returns how
// many of the first source pixels it moved (to the top of the destination).
__attribute__((target("avx2"))) int32_t reverseRunWide(uint8_t* dLow, const uint8_t* sLow, int32_t n) {
    const __m256i order = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13, 10, 11,
                                           8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    // Source pixels [16j, 16j + 16) go to [n - 16 - 16j, n - 16j); the last j first, so that
    // the destination is written upwards through memory.
    const int32_t count = n / 16;
    for (int32_t j = count - 1; j >= 0; --j) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sLow + 32 * j));
        v = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, order), 0x4E);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dLow + 2 * (n - 16 - 16 * j)), v);
    }
    return count * 16;
}

// `lines` runs of n >= 16 pixels, dStep and sStep bytes apart, each turned end to end: the
// pixel at sLow + 2i goes to dLow + 2(n - 1 - i). Sixteen pixels at a time; the last sixteen
// of a run overlap the ones before where n is no multiple of 16 (the same values go there).
__attribute__((target("avx2"))) void reverseRunsWide(uint8_t* dLow, int64_t dStep, const uint8_t* sLow, int64_t sStep,
                                                     int32_t lines, int32_t n) {
    const __m256i order = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13, 10, 11,
                                           8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    for (int32_t l = 0; l < lines; ++l, dLow += dStep, sLow += sStep) {
        // Source pixels [j, j + 16) go to [n - 16 - j, n - j); the last sixteen to [0, 16).
        for (int32_t j = 0;; j += 16) {
            const bool last = j + 16 > n;
            if (last) j = n - 16;
            __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sLow + 2 * j));
            v = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, order), 0x4E);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dLow + 2 * (n - 16 - j)), v);
            if (last || j + 16 == n) break;
        }
    }
}

// `lines` runs of n >= 16 pixels, dStep and sStep bytes apart, ORed in turned end to end:
// destination pixel i (upwards through memory from d) takes source pixel s - 2i. Sixteen
// pixels at a time; the last sixteen are read first and stored last, as in orRun of the
// text (the same values land where they overlap, and no read waits on a store just made).
__attribute__((target("avx2"))) void orTurnedRunsWide(uint8_t* d, int64_t dStep, const uint8_t* s, int64_t sStep,
                                                      int32_t lines, int32_t n) {
    const __m256i order = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13, 10, 11,
                                           8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    for (int32_t l = 0; l < lines; ++l, d += dStep, s += sStep) {
        // Destination pixels [i, i + 16) take source pixels s - 2(i + 15) up to s - 2i.
        __m256i* const tailAt = reinterpret_cast<__m256i*>(d + 2 * (n - 16));
        const __m256i tailInk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s - 2 * (n - 1)));
        const __m256i tail = _mm256_or_si256(_mm256_loadu_si256(tailAt),
                                             _mm256_permute4x64_epi64(_mm256_shuffle_epi8(tailInk, order), 0x4E));
        for (int32_t i = 0; i + 16 <= n; i += 16) {
            __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s - 2 * (i + 15)));
            v = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, order), 0x4E);
            __m256i* dp = reinterpret_cast<__m256i*>(d + 2 * i);
            _mm256_storeu_si256(dp, _mm256_or_si256(_mm256_loadu_si256(dp), v));
        }
        _mm256_storeu_si256(tailAt, tail);
    }
}

// Dims the run of n >= 16 pixels at s into d (which may be s), 16 pixels at a time: (pixel
// >> shift) AND mask. The last sixteen are dimmed first and stored last, so a run whose
// length is no multiple of 16 needs no pixel loop: where they overlap the last whole
// sixteen, both stores carry the same values (each pixel dimmed once, from its old value).
__attribute__((target("avx2"), always_inline)) inline __m256i dim16(const uint8_t* p, __m128i count, __m256i keep) {
    return _mm256_and_si256(_mm256_srl_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), count), keep);
}

// Dims `lines` such runs, `step` bytes apart, in one call: a turned screen's runs are many and short.
__attribute__((target("avx2"))) void darkenRunsWide(uint8_t* d, const uint8_t* s, int64_t step, int32_t lines,
                                                    int32_t n, uint32_t shift, uint16_t mask) {
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    const __m256i keep = _mm256_set1_epi16(static_cast<short>(mask));
    for (int32_t l = 0; l < lines; ++l, d += step, s += step) {
        const __m256i tail = dim16(s + 2 * (n - 16), count, keep);
        for (int32_t i = 0; i + 16 <= n; i += 16)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * i), dim16(s + 2 * i, count, keep));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * (n - 16)), tail);
    }
}

// The map view's column runs: n 16-byte runs, the k-th read at s + offsets[k] pixels and
// stored at d + k * step (step 16 or -16: the runs lie back to back), two runs a store.
__attribute__((target("avx2"))) void copyTileRunsWide(uint8_t* d, int64_t step, const uint16_t* s,
                                                      const uint16_t* offsets, int32_t n) {
    int32_t k = 0;
    for (; k + 2 <= n; k += 2, d += 2 * step) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + offsets[k]));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + offsets[k + 1]));
        // The pair's lower half in memory is run k, or run k + 1 where memory runs down.
        const __m256i v = step > 0 ? _mm256_set_m128i(b, a) : _mm256_set_m128i(a, b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(step > 0 ? d : d + step), v);
    }
    if (k < n) std::memcpy(d, s + offsets[k], 16);
}
#endif

// The run of n pixels at s, dimmed, into d (the same run, or one of another picture):
// every pixel becomes (pixel >> shift) AND mask, on its own. Then the next of `lines` runs,
// `step` bytes further in both.
void darkenRuns(uint8_t* d, const uint8_t* s, int64_t step, int32_t lines, int32_t n, uint32_t shift, uint16_t mask) {
#if defined(TAVRIN_WIDE_COPIES)
    if (wideCopies && n >= 16) {
        darkenRunsWide(d, s, step, lines, n, shift, mask);
        return;
    }
#endif
    for (int32_t l = 0; l < lines; ++l, d += step, s += step) {
        int32_t i = 0;
#if defined(__SSE2__)
        const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
        const __m128i keep = _mm_set1_epi16(static_cast<short>(mask));
        for (; i + 8 <= n; i += 8) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i));
            v = _mm_and_si128(_mm_srl_epi16(v, count), keep);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * i), v);
        }
#endif
        for (; i < n; ++i) {
            uint16_t v;
            std::memcpy(&v, s + 2 * i, 2);
            v = static_cast<uint16_t>((v >> shift) & mask);
            std::memcpy(d + 2 * i, &v, 2);
        }
    }
}

// darkenRect's mask and shift for a level.
void darkenRule(uint32_t level, uint32_t* shift, uint16_t* mask) {
    uint32_t m = 0xFFFF;
    for (uint32_t i = 0; i < level && m != 0; ++i) m = (m >> 1) & 0x7BEF;
    *shift = level >= 32 ? 0 : level;
    *mask = static_cast<uint16_t>(level >= 32 ? 0 : m);
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
#if defined(TAVRIN_WIDE_COPIES)
            if (wideCopies) i = reverseRunWide(dLow, sLow, n);
#endif
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
// Turns the 8 x 8 block of a row-major picture at s (rows sy bytes apart) into its eight
// columns, each running from the block's first row to its last (or, with upwards, from the
// last to the first: loading the rows in reverse order turns the columns end to end for free).
inline void turnBlock(const uint8_t* s, int64_t sy, bool upwards, __m128i t[8]) {
    __m128i v[8];
    for (int32_t i = 0; i < 8; ++i)
        v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + (upwards ? 7 - i : i) * sy));
    const __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]), a1 = _mm_unpackhi_epi16(v[0], v[1]);
    const __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]), a3 = _mm_unpackhi_epi16(v[2], v[3]);
    const __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]), a5 = _mm_unpackhi_epi16(v[4], v[5]);
    const __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]), a7 = _mm_unpackhi_epi16(v[6], v[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    t[0] = _mm_unpacklo_epi64(b0, b4);
    t[1] = _mm_unpackhi_epi64(b0, b4);
    t[2] = _mm_unpacklo_epi64(b1, b5);
    t[3] = _mm_unpackhi_epi64(b1, b5);
    t[4] = _mm_unpacklo_epi64(b2, b6);
    t[5] = _mm_unpackhi_epi64(b2, b6);
    t[6] = _mm_unpacklo_epi64(b3, b7);
    t[7] = _mm_unpackhi_epi64(b3, b7);
}

// A row-major picture drawn into a column-major one (a tile into the turned display): blocks
// of 8 x 8 pixels are turned in registers, so both sides are read and written in runs. Only
// for pictures that share no memory, where the order of the writes cannot matter; the pixels
// reached and their new values are exactly those of the row walk. Blend says whether a
// pixel is copied (false) or ORed in (true).
template <bool Blend>
void blitTransposed(Image* dst, int32_t x, int32_t y, const Image* src, int32_t c0, int32_t c1, int32_t r0,
                    int32_t r1) {
    const uint8_t* sBase = src->pixels + src->origin;
    // Offsets, not pointers, until an address is known to lie inside the picture.
    const int64_t dOrigin =
        static_cast<int64_t>(dst->origin) + static_cast<int64_t>(x) * dst->stepX + static_cast<int64_t>(y) * dst->stepY;
    const int64_t sy = src->stepY, dx = dst->stepX, dy = dst->stepY;
    for (int32_t r = r0; r < r1; r += 8) {
        const int32_t rn = std::min(8, r1 - r);
        for (int32_t c = c0; c < c1; c += 8) {
            const int32_t cn = std::min(8, c1 - c);
            if (rn < 8 || cn < 8) {
                for (int32_t i = 0; i < rn; ++i)
                    for (int32_t j = 0; j < cn; ++j) {
                        uint8_t* d = dst->pixels + (dOrigin + (c + j) * dx + (r + i) * dy);
                        const uint8_t* sp = sBase + (c + j) * 2 + (r + i) * sy;
                        if (Blend) {
                            const uint16_t v = static_cast<uint16_t>(readPixel(d) | readPixel(sp));
                            writePixel(d, v);
                        } else {
                            std::memcpy(d, sp, 2);
                        }
                    }
                continue;
            }
            __m128i t[8];
            // Where the display's memory runs up the screen, the lowest address of a column
            // holds the block's last row.
            turnBlock(sBase + c * 2 + r * sy, sy, dy < 0, t);
            const int64_t first = dy > 0 ? r * dy : (r + 7) * dy;
            for (int32_t j = 0; j < 8; ++j) {
                __m128i* d = reinterpret_cast<__m128i*>(dst->pixels + (dOrigin + (c + j) * dx + first));
                if (Blend) {
                    _mm_storeu_si128(d, _mm_or_si128(_mm_loadu_si128(d), t[j]));
                } else {
                    _mm_storeu_si128(d, t[j]);
                }
            }
        }
    }
}
#endif

// A short copy (a clipped tile row): word moves, without the start-up cost of a string
// instruction that a library copy of unknown length may choose.
inline void copyShort(uint8_t* d, const uint8_t* s, size_t bytes) {
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t v;
        std::memcpy(&v, s + i, 8);
        std::memcpy(d + i, &v, 8);
    }
    for (; i < bytes; i += 2) {
        uint16_t v;
        std::memcpy(&v, s + i, 2);
        std::memcpy(d + i, &v, 2);
    }
}

// Count runs of 64 bytes (whole tile rows or columns), dStep and sStep bytes apart. The
// processors that have them move each run with two 32-byte registers.
void copyRuns64Narrow(uint8_t* d, int64_t dStep, const uint8_t* s, int64_t sStep, int32_t count) {
    for (int32_t i = 0; i < count; ++i, d += dStep, s += sStep) std::memcpy(d, s, 64);
}
#if defined(TAVRIN_WIDE_COPIES)
__attribute__((target("avx2"))) void copyRuns64Wide(uint8_t* d, int64_t dStep, const uint8_t* s, int64_t sStep,
                                                    int32_t count) {
    for (int32_t i = 0; i < count; ++i, d += dStep, s += sStep) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), a);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 32), b);
    }
}
#endif
inline void copyRuns64(uint8_t* d, int64_t dStep, const uint8_t* s, int64_t sStep, int32_t count) {
#if defined(TAVRIN_WIDE_COPIES)
    if (wideCopies) {
        copyRuns64Wide(d, dStep, s, sStep, count);
        return;
    }
#endif
    copyRuns64Narrow(d, dStep, s, sStep, count);
}

inline uint16_t load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

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

namespace {

// Within one play-view frame the tile sheet cannot change, so on the turned display each tile
// in use is turned at most once (columns in the display's memory order) and then drawn column
// by column like any run. A turned tile is also kept for later frames, together with the
// tile it was turned from: comparing the two costs far less than turning again, and a sheet
// rebuilt or changed in place is noticed.
bool tileBatch;
uint64_t turnedReady;  // checked in this batch
uint64_t turnedKept;   // turned, for turnedStepY, from turnedFrom
int32_t turnedStepY;
uint16_t turnedTiles[64][32 * 32];
uint8_t turnedFrom[64][2048];

// The tile turned for a display whose columns run with stepY (2 or -2): column c holds rows
// 0..31, or 31..0 where memory runs up.
const uint16_t* turnedTile(uint32_t t, int32_t stepY) {
    if (turnedStepY != stepY) {
        turnedReady = 0;
        turnedKept = 0;
        turnedStepY = stepY;
    }
    uint16_t* out = turnedTiles[t];
    if (turnedReady >> t & 1) return out;
    const uint8_t* s = TileSheet + t * 2048;
    turnedReady |= uint64_t{1} << t;
    if ((turnedKept >> t & 1) && std::memcmp(turnedFrom[t], s, 2048) == 0) return out;
    std::memcpy(turnedFrom[t], s, 2048);
    turnedKept |= uint64_t{1} << t;
    const bool upwards = stepY < 0;
    for (int32_t bi = 0; bi < 4; ++bi)
        for (int32_t bj = 0; bj < 4; ++bj) {
#if defined(__SSE2__)
            __m128i v[8];
            turnBlock(s + bj * 16 + bi * 8 * 64, 64, upwards, v);
            for (int32_t j = 0; j < 8; ++j)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (bj * 8 + j) * 32 + (upwards ? 24 - 8 * bi : 8 * bi)),
                                 v[j]);
#else
            for (int32_t i = 0; i < 8; ++i)
                for (int32_t j = 0; j < 8; ++j) {
                    const int32_t row = bi * 8 + i;
                    std::memcpy(out + (bj * 8 + j) * 32 + (upwards ? 31 - row : row), s + row * 64 + (bj * 8 + j) * 2,
                                2);
                }
#endif
        }
    return out;
}

// The clipped part of a tile: `lines` runs of n pixels, dStep and sStep bytes apart, copied
// or (overlay) ORed in.
void tileRuns(uint8_t* d, int64_t dStep, const uint8_t* s, int64_t sStep, int32_t lines, int32_t n, uint32_t overlay) {
    if (overlay == 0 && n == 32) {
        copyRuns64(d, dStep, s, sStep, lines);
        return;
    }
    for (int32_t l = 0; l < lines; ++l, d += dStep, s += sStep) {
        if (overlay != 0) {
            for (int32_t i = 0; i < n; ++i)
                store16(d + 2 * i, static_cast<uint16_t>(load16(d + 2 * i) | load16(s + 2 * i)));
        } else {
            copyShort(d, s, static_cast<size_t>(n) * 2);
        }
    }
}

}  // namespace

void beginTileBatch() {
    tileBatch = true;
    turnedReady = 0;
}

void endTileBatch() {
    tileBatch = false;
    turnedReady = 0;
}

void drawTile(int32_t x, int32_t y, uint32_t tile, uint32_t overlay) {
    // Tiles never reach the panel rows 240..319.
    Image dst = BackBuffer;
    dst.height = 240;
    Image src{TileSheet, (tile & 63) * 2048, 32, 32, 2, 64};
    if (tileBatch && dst.pixels != nullptr && src.pixels != nullptr && (dst.stepY == 2 || dst.stepY == -2) &&
        (dst.stepX > 4 || dst.stepX < -4) && disjoint(dst, src)) {
        int32_t c0, c1, r0, r1;
        if (clipRun(x, 32, dst.width, &c0, &c1) && clipRun(y, 32, dst.height, &r0, &r1)) {
            const int32_t n = r1 - r0;
            if (n <= 0 || c1 <= c0) return;
            const uint16_t* t = turnedTile(tile & 63, dst.stepY);
            const bool upwards = dst.stepY < 0;
            // The lowest address of each column run, and where that pixel sits in the turned tile.
            const int32_t low = upwards ? r1 - 1 : r0;
            const int32_t k = upwards ? 32 - r1 : r0;
            const int64_t rowOffset = static_cast<int64_t>(dst.origin) + static_cast<int64_t>(y + low) * dst.stepY;
            tileRuns(dst.pixels + (rowOffset + static_cast<int64_t>(x + c0) * dst.stepX), dst.stepX,
                     reinterpret_cast<const uint8_t*>(t + c0 * 32 + k), 64, c1 - c0, n, overlay);
            return;
        }
    }
    // The play view draws some 85 tiles a frame: on an upright display (rows in memory) each
    // tile row is one short run, moved inline, and only the edge tiles are clipped.
    if (dst.pixels != nullptr && src.pixels != nullptr && dst.stepX == 2 && disjoint(dst, src)) {
        int32_t c0, c1, r0, r1;
        if (clipRun(x, 32, dst.width, &c0, &c1) && clipRun(y, 32, dst.height, &r0, &r1)) {
            const int32_t n = c1 - c0;
            if (n <= 0) return;
            const uint8_t* s = src.pixels + src.origin + r0 * 64 + c0 * 2;
            const int64_t dBase = static_cast<int64_t>(dst.origin) + static_cast<int64_t>(x + c0) * 2;
            tileRuns(dst.pixels + (dBase + static_cast<int64_t>(y + r0) * dst.stepY), dst.stepY, s, 64, r1 - r0, n,
                     overlay);
            return;
        }
    }
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

void copyBackdropDarkened(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level) {
    const Image& d = BackBuffer;
    const Image& s = Backdrop;
    // In a display layout the screen is 153600 bytes of whole memory lines (rows, or columns
    // on the turned display). With the rectangle on the screen, each line that crosses it
    // holds one stretch of it, at the same place in every line.
    const bool fits = isScreenLayout(&d) && isScreenLayout(&s) && d.stepX == s.stepX && d.stepY == s.stepY && w > 0 &&
                      h > 0 && x >= 0 && y >= 0 && x <= 240 - w && y <= 320 - h;
    if (!fits) {
        copyBackdrop();
        Image target = BackBuffer;
        darkenRect(&target, x, y, w, h, level);
        return;
    }
    uint32_t shift;
    uint16_t mask;
    darkenRule(level, &shift, &mask);
    const bool rows = d.stepX == 2;
    const int32_t lineStep = rows ? d.stepY : d.stepX, runStep = rows ? d.stepX : d.stepY;
    const int32_t lineBytes = lineStep < 0 ? -lineStep : lineStep;
    const int32_t first = rows ? y : x, lines = rows ? h : w;  // the lines that cross it
    const int32_t from = rows ? x : y, run = rows ? w : h;     // each one's stretch
    // The stretch's lowest byte on the lowest line, its place in that line, and the bytes
    // of the lines that cross the rectangle.
    const int32_t lowLine = lineStep > 0 ? first : first + lines - 1;
    const int64_t start = static_cast<int64_t>(d.origin) + static_cast<int64_t>(lowLine) * lineStep +
                          (runStep > 0 ? 2 * from : -2 * (from + run - 1));
    const int64_t at = start % lineBytes, begin = start - at;
    const int64_t end = begin + static_cast<int64_t>(lines) * lineBytes;
    std::memcpy(d.pixels, s.pixels, static_cast<size_t>(begin));
    // A few lines at a time: one block copy, then their stretches dimmed in place while still
    // in the nearest cache. (A short copy and a dimmed run per line cost more: a large block
    // copy is far faster per byte than any short one. Copying all, then dimming, finds the
    // stretches gone from that cache on the turned display, where they are many and short.)
    constexpr int64_t Batch = 8;
    for (int64_t line = begin; line < end; line += Batch * lineBytes) {
        const int64_t stop = std::min(end, line + Batch * lineBytes);
        std::memcpy(d.pixels + line, s.pixels + line, static_cast<size_t>(stop - line));
        uint8_t* dim = d.pixels + line + at;
        darkenRuns(dim, dim, lineBytes, static_cast<int32_t>((stop - line) / lineBytes), run, shift, mask);
    }
    std::memcpy(d.pixels + end, s.pixels + end, static_cast<size_t>(static_cast<int64_t>(ScreenBytes) - end));
}

void touchZone(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (y <= stylusTapY && stylusTapY < y + h && x <= stylusTapX && stylusTapX < x + w) {
        game.menuCursor = static_cast<int8_t>(index);
        ControlFlags[ControlFire] |= FlagPressed;
    }
}

void touchAnywhere() { touchZone(0, 0, 32, 240, 288); }

namespace {

// The fade that follows the drawing under way, set by drawScreen: the bytes it blacks at each
// end of the BackBuffer's memory, and the whole screen's record (the BackBuffer may be
// narrowed while a fading frame is drawn). Off outside drawScreen and for other layouts.
struct FadeAhead {
    bool on;
    int64_t bytes;
    Image whole;
};
FadeAhead fadeAhead;

// The bytes applyFade blacks at each end of the BackBuffer's memory this frame (0: none).
int64_t fadeBandBytes() {
    if (game.fadeLevel >= 256) return 0;
    int64_t n = 76800 - ((static_cast<int64_t>(game.fadeLevel) * 76800) >> 8);
    if (n <= 0) return 0;
    return n > 76800 ? 76800 : n;  // a level below 0 blacks the whole frame, and no more
}

}  // namespace

void applyFade() {
    if (BackBuffer.pixels == nullptr) return;
    const int64_t n = fadeBandBytes();
    if (n <= 0) return;
    std::memset(BackBuffer.pixels, 0, static_cast<size_t>(n));
    std::memset(BackBuffer.pixels + ScreenBytes - n, 0, static_cast<size_t>(n));
}

void setFadeFollows(int32_t on) {
    fadeAhead.on = false;
    if (on == 0) return;
    fadeAhead.bytes = fadeBandBytes();
    fadeAhead.whole = BackBuffer;
    fadeAhead.whole.width = 240;
    fadeAhead.whole.height = 320;
    fadeAhead.on = fadeAhead.bytes > 0 && isScreenLayout(&fadeAhead.whole) != 0;
}

int32_t fadeHides(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!fadeAhead.on) return 0;
    const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int32_t x1 = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(x) + w, 240));
    const int32_t y1 = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(y) + h, 320));
    if (x1 <= x0 || y1 <= y0) return 0;
    // The lowest and highest bytes of the rectangle lie at two of its corners.
    const Image& s = fadeAhead.whole;
    const int64_t a = static_cast<int64_t>(s.origin) + static_cast<int64_t>(x0) * s.stepX;
    const int64_t b = static_cast<int64_t>(s.origin) + static_cast<int64_t>(x1 - 1) * s.stepX;
    const int64_t c = static_cast<int64_t>(y0) * s.stepY, d = static_cast<int64_t>(y1 - 1) * s.stepY;
    const int64_t lo = std::min(a, b) + std::min(c, d), hi = std::max(a, b) + std::max(c, d) + 2;
    const int64_t n = fadeAhead.bytes;
    return hi <= n || lo >= static_cast<int64_t>(ScreenBytes) - n ? 1 : 0;
}

void copyBackdrop() {
    if (BackBuffer.pixels == nullptr || Backdrop.pixels == nullptr) return;
    std::memcpy(BackBuffer.pixels, Backdrop.pixels, ScreenBytes);
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

void drawPictureScreen() {
    copyBackdrop();
    touchAnywhere();
}

int32_t drawMapSquares(int32_t ox, int32_t oy, int32_t r0, int32_t r1, int32_t c0, int32_t c1) {
    const Image d = BackBuffer;
    const bool rows = d.stepX == 2;
    const bool columns = (d.stepY == 2 || d.stepY == -2) && (d.stepX > 4 || d.stepX < -4);
    if (d.pixels == nullptr || MapTileSheet == nullptr || (!rows && !columns) || d.width != 240 || d.height != 320)
        return 1;
    const Image sheet{MapTileSheet, 0, 8, 64 * 8, 2, 16};
    if (!disjoint(d, sheet)) return 1;
    constexpr int32_t MaxRows = 48, MaxColumns = 40;
    if (r1 - r0 + 1 > MaxRows || c1 - c0 + 1 > MaxColumns) return 1;
    if (r1 < r0 || c1 < c0) {
        std::memset(d.pixels, 0, ScreenBytes);
        return 0;
    }

    // The squares in view, as getCell gives them (the border tile all round the map).
    uint8_t cells[MaxRows][MaxColumns];
    uint64_t used = 0;
    for (int32_t r = r0; r <= r1; ++r)
        for (int32_t c = c0; c <= c1; ++c) {
            uint8_t t = borderTile;
            if (static_cast<uint32_t>(c) < static_cast<uint32_t>(mapWidth) &&
                static_cast<uint32_t>(r) < static_cast<uint32_t>(mapHeight))
                t = map[c + r * mapWidth];
            t &= 63;
            cells[r - r0][c - c0] = t;
            used |= uint64_t{1} << t;
        }

    // The squares cover one rectangle of the screen; everything else is black.
    const int32_t x0 = std::max(0, ox + 8 * c0), x1 = std::min(240, ox + 8 * c1 + 8);
    const int32_t y0 = std::max(0, oy + 8 * r0), y1 = std::min(320, oy + 8 * r1 + 8);
    uint8_t* const pixels = d.pixels;
    const int64_t origin = d.origin, stepX = d.stepX, stepY = d.stepY;
    // Clears pixels [from, to) of a line that runs with the pixel step `step` (2 or -2).
    auto clear = [](uint8_t* first, int64_t step, int32_t from, int32_t to) {
        if (to <= from) return;
        uint8_t* low = step > 0 ? first + 2 * from : first - 2 * (to - 1);
        std::memset(low, 0, static_cast<size_t>(to - from) * 2);
    };
    // Clears whole lines [from, to) of `length` pixels, lines lineStep bytes apart: one block
    // where they lie back to back, as they do in the BackBuffer.
    auto clearLines = [&](int64_t lineStep, int32_t length, int32_t from, int32_t to) {
        if (to <= from) return;
        const int64_t bytes = 2 * static_cast<int64_t>(length);
        if (lineStep == bytes || lineStep == -bytes) {
            const int64_t a = origin + from * lineStep, b = origin + (to - 1) * lineStep;
            // The lowest address of the block is the start of its lowest line.
            const int64_t lowLine = a < b ? a : b;
            const int64_t lineStart = (rows ? stepX : stepY) > 0 ? lowLine : lowLine - (bytes - 2);
            std::memset(pixels + lineStart, 0, static_cast<size_t>(bytes * (to - from)));
            return;
        }
        for (int32_t l = from; l < to; ++l) clear(pixels + (origin + l * lineStep), rows ? stepX : stepY, 0, length);
    };

    // Tile columns wholly on the screen, and those cut by its left or right edge.
    int32_t ca = c0, cb = c1;
    while (ca <= cb && ox + 8 * ca < 0) ++ca;
    while (cb >= ca && ox + 8 * cb > 232) --cb;
    if (rows) {
        // One pass down the screen: each pixel row takes one 16-byte row of every tile in it.
        clearLines(stepY, 240, 0, y0);
        clearLines(stepY, 240, y1, 320);
        for (int32_t yy = y0; yy < y1; ++yy) {
            uint8_t* line = pixels + (origin + yy * stepY);
            clear(line, 2, 0, x0);
            clear(line, 2, x1, 240);
            const int32_t r = (yy - oy) >> 3, i = (yy - oy) & 7;
            const uint8_t* cellRow = cells[r - r0] - c0;
            const uint8_t* rowInSheet = MapTileSheet + i * 16;
            auto cut = [&](int32_t c) {
                const int32_t xx = ox + 8 * c;
                const uint8_t* s = rowInSheet + cellRow[c] * 128;
                for (int32_t j = 0; j < 8; ++j)
                    if (inside(xx + j, 240)) std::memcpy(line + 2 * (xx + j), s + 2 * j, 2);
            };
            for (int32_t c = c0; c < ca; ++c) cut(c);
            uint8_t* p = line + 2 * (ox + 8 * ca);
            for (int32_t c = ca; c <= cb; ++c, p += 16) std::memcpy(p, rowInSheet + cellRow[c] * 128, 16);
            for (int32_t c = std::max(cb + 1, ca); c <= c1; ++c) cut(c);
        }
        return 0;
    }

    // The turned display: screen columns lie in memory. The tiles in view are turned once,
    // each column of a tile then being one 16-byte run in the display's order.
    static uint16_t turned[64][8][8];
    const bool upwards = stepY < 0;
    for (uint32_t t = 0; t < 64; ++t) {
        if (!(used >> t & 1)) continue;
#if defined(__SSE2__)
        __m128i v[8];
        turnBlock(MapTileSheet + t * 128, 16, upwards, v);
        for (int32_t j = 0; j < 8; ++j) _mm_storeu_si128(reinterpret_cast<__m128i*>(turned[t][j]), v[j]);
#else
        for (int32_t i = 0; i < 8; ++i)
            for (int32_t j = 0; j < 8; ++j)
                std::memcpy(&turned[t][j][upwards ? 7 - i : i], MapTileSheet + t * 128 + i * 16 + j * 2, 2);
#endif
    }
    // Tile rows wholly on the screen, and those cut by its top or bottom edge.
    int32_t ra = r0, rb = r1;
    while (ra <= rb && oy + 8 * ra < 0) ++ra;
    while (rb >= ra && oy + 8 * rb > 312) --rb;
    clearLines(stepX, 320, 0, x0);
    clearLines(stepX, 320, x1, 240);
    uint16_t offsets[MaxRows];
    int32_t offsetsOf = c0 - 1;  // the tile column `offsets` was made for
    for (int32_t xx = x0; xx < x1; ++xx) {
        uint8_t* column = pixels + (origin + xx * stepX);
        clear(column, stepY, 0, y0);
        clear(column, stepY, y1, 320);
        const int32_t c = (xx - ox) >> 3, j = (xx - ox) & 7;
        auto one = [&](int32_t r) {
            const int32_t yy = oy + 8 * r;
            const uint16_t* s = turned[cells[r - r0][c - c0]][j];
            for (int32_t i = 0; i < 8; ++i)
                if (inside(yy + i, 320)) std::memcpy(column + (yy + i) * stepY, s + (upwards ? 7 - i : i), 2);
        };
        for (int32_t r = r0; r < ra; ++r) one(r);
        // The tile column's whole squares, as places in `turned`: made once for its 8 columns.
        if (c != offsetsOf) {
            offsetsOf = c;
            for (int32_t r = ra; r <= rb; ++r) offsets[r - ra] = static_cast<uint16_t>(cells[r - r0][c - c0] * 64);
        }
        // The run's lowest address holds row yy, or row yy + 7 where memory runs up.
        uint8_t* p = column + (oy + 8 * ra + (upwards ? 7 : 0)) * stepY;
        const int64_t tileStep = 8 * stepY;
        const uint16_t* runs = &turned[0][0][0] + 8 * j;  // every tile's column j, a tile (64 pixels) apart
        const int32_t whole = rb - ra + 1;
#if defined(TAVRIN_WIDE_COPIES)
        if (wideCopies) {
            if (whole > 0) copyTileRunsWide(p, tileStep, runs, offsets, whole);
        } else
#endif
        {
            for (int32_t k = 0; k < whole; ++k, p += tileStep) std::memcpy(p, runs + offsets[k], 16);
        }
        for (int32_t r = std::max(rb + 1, ra); r <= r1; ++r) one(r);
    }
    return 0;
}
