// The per-level tile sheets: the tile pictures in tile order, recoloured with the level colour.
#include <cstdlib>
#include <cstring>

#include "catalogue/resources.h"
#include "state/state.h"
#include "world/world.h"
#include "world/world_internal.h"

uint8_t* TileSheet;
uint8_t* MapTileSheet;

namespace {

constexpr int32_t TileSheetBytes = 131072;
constexpr int32_t MapTileSheetBytes = 8192;

const uint8_t* tilePicture;
const uint8_t* mapTilePicture;

}  // namespace

int32_t buildTileSheets() {
    // A rebuild without an unload in between would otherwise lose the old blocks.
    freeTileSheets();
    TileSheet = static_cast<uint8_t*>(malloc(TileSheetBytes));
    if (!TileSheet) return 1;
    memset(TileSheet, 0, TileSheetBytes);
    uint32_t size = 0;
    tilePicture = findResource(ResTileSheet, &size);
    if (!tilePicture || size < static_cast<uint32_t>(TileSheetBytes)) return 1;
    unpackTileSheet();

    MapTileSheet = static_cast<uint8_t*>(malloc(MapTileSheetBytes));
    if (!MapTileSheet) return 1;
    memset(MapTileSheet, 0, MapTileSheetBytes);
    size = 0;
    mapTilePicture = findResource(ResMapTileSheet, &size);
    if (!mapTilePicture || size < static_cast<uint32_t>(MapTileSheetBytes)) return 1;
    unpackMapTileSheet();

    for (int32_t t = 0; t < 64; ++t) {
        // The rock and the safe keep their own colours on every level.
        const uint32_t c = (t == TileRock || t == TileSafe) ? 0x0000FF : game.levelColour;
        if (c == 0x0000FF) continue;
        tintTile(TileSheet + t * 2048, 2048, c);
        tintTile(MapTileSheet + t * 128, 128, c);
    }
    return 0;
}

void freeTileSheets() {
    free(MapTileSheet);
    MapTileSheet = nullptr;
    free(TileSheet);
    TileSheet = nullptr;
}

void unpackTileSheet() {
    if (!TileSheet || !tilePicture) return;
    for (int32_t t = 0; t < 64; ++t)
        for (int32_t r = 0; r < 32; ++r)
            memcpy(TileSheet + t * 2048 + r * 64, tilePicture + (t & 15) * 64 + (t >> 4) * 32768 + r * 1024, 64);
}

void unpackMapTileSheet() {
    if (!MapTileSheet || !mapTilePicture) return;
    for (int32_t t = 0; t < 64; ++t)
        for (int32_t r = 0; r < 8; ++r)
            memcpy(MapTileSheet + t * 128 + r * 16, mapTilePicture + (t & 15) * 16 + (t >> 4) * 2048 + r * 256, 16);
}
