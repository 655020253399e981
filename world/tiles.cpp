#include "world/world.h"
uint8_t* TileSheet;
uint8_t* MapTileSheet;
#include "world/world.h"
int32_t buildTileSheets() { return 0; }
void freeTileSheets() {  }
void unpackTileSheet() {  }
void unpackMapTileSheet() {  }
