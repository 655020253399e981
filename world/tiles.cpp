#include "world/world.h"
uint8_t* TileSheet;
uint8_t* MapTileSheet;
#include "world/world.h"
int32_t buildTileSheets() { return 0; }
void freeTileSheets() {  }
void unpackTileSheet() {  }
void unpackMapTileSheet() {  }
void tintTile(uint8_t* pixels, int32_t count, uint32_t colour) {  }
