// The pixel machinery behind the blits and the screens' fast paths. Pictures are RGB565,
// two bytes per pixel, low byte first, in any layout; the vector code is chosen while
// compiling (SSE2) and, for the 32-byte registers, once at start-up.
// Internal header: only gfx/ and screens/ (its fast paths) and their tests include it.
#pragma once
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
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

#include "gfx/image.h"

// Whole pixels are moved as 16-bit values in places; the pictures are stored low byte first.
static_assert(std::endian::native == std::endian::little, "pixels are little-endian in memory");

// Each file that draws keeps its own copy, as when they were one file: every call stays
// within reach of the inliner, which treats them as before. Not every file uses every helper
// ([[maybe_unused]]).
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
[[maybe_unused]] __attribute__((target("avx2"))) int32_t reverseRunWide(uint8_t* dLow, const uint8_t* sLow, int32_t n) {
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
[[maybe_unused]] __attribute__((target("avx2"))) void reverseRunsWide(uint8_t* dLow, int64_t dStep, const uint8_t* sLow,
                                                                      int64_t sStep, int32_t lines, int32_t n) {
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
[[maybe_unused]] __attribute__((target("avx2"))) void orTurnedRunsWide(uint8_t* d, int64_t dStep, const uint8_t* s,
                                                                       int64_t sStep, int32_t lines, int32_t n) {
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
[[maybe_unused]] __attribute__((target("avx2"))) void darkenRunsWide(uint8_t* d, const uint8_t* s, int64_t step,
                                                                     int32_t lines, int32_t n, uint32_t shift,
                                                                     uint16_t mask) {
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
[[maybe_unused]] __attribute__((target("avx2"))) void copyTileRunsWide(uint8_t* d, int64_t step, const uint16_t* s,
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
[[maybe_unused]] void darkenRuns(uint8_t* d, const uint8_t* s, int64_t step, int32_t lines, int32_t n, uint32_t shift,
                                 uint16_t mask) {
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
[[maybe_unused]] void darkenRule(uint32_t level, uint32_t* shift, uint16_t* mask) {
    uint32_t m = 0xFFFF;
    for (uint32_t i = 0; i < level && m != 0; ++i) m = (m >> 1) & 0x7BEF;
    *shift = level >= 32 ? 0 : level;
    *mask = static_cast<uint16_t>(level >= 32 ? 0 : m);
}

// Moves n pixels from s (stepping sStep bytes) to d (stepping dStep bytes), one pixel after
// the other. Where both walk memory forwards, or in opposite directions, without overlapping,
// whole runs move at once; the result is the same as the pixel-by-pixel walk.
[[maybe_unused]] void copyRun(uint8_t* d, int32_t dStep, const uint8_t* s, int32_t sStep, int32_t n) {
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
[[maybe_unused]] void copyRuns64Narrow(uint8_t* d, int64_t dStep, const uint8_t* s, int64_t sStep, int32_t count) {
    for (int32_t i = 0; i < count; ++i, d += dStep, s += sStep) std::memcpy(d, s, 64);
}
#if defined(TAVRIN_WIDE_COPIES)
[[maybe_unused]] __attribute__((target("avx2"))) void copyRuns64Wide(uint8_t* d, int64_t dStep, const uint8_t* s,
                                                                     int64_t sStep, int32_t count) {
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

}  // namespace
