// The play view's tiles: drawn straight from the sheet on an upright display, and turned
// once (and kept) for the turned one.
#include "gfx/blit.h"
#include "gfx/blit_internal.h"
#include "gfx/graphics.h"
#include "screens/fastpaths.h"
#include "screens/screens.h"
#include "world/world.h"

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
