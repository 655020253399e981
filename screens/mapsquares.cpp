// The map view's squares drawn in one pass over the BackBuffer's memory.
#include "gfx/blit_internal.h"
#include "gfx/graphics.h"
#include "screens/fastpaths.h"
#include "screens/screens.h"
#include "world/world.h"

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
