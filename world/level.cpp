#include "world/world.h"
const uint8_t* levelData;
int32_t levelDataSize;
int32_t cipherPos, cipherSum;
uint8_t cipherKey[8];
int32_t mapWidth, mapHeight, mapCells;
char levelName[10];
uint8_t* map;
int32_t startX, startY;
uint8_t borderTile = 53;
#include "world/world.h"
void completeCipherKey() {  }
int32_t openLevelData() { return 0; }
void closeLevelData() {  }
uint8_t decodeLevelByte(uint8_t b) { return 0; }
int32_t levelIndexEntry(int32_t k) { return 0; }
int32_t readLevelHeader(uint8_t* buffer, int32_t k) { return 0; }
int32_t loadLevelRecord(int32_t k) { return 0; }
int32_t parseLevel(const uint8_t* bytes, int32_t length) { return 0; }
int32_t scanMap() { return 0; }
int32_t loadCurrentLevel() { return 0; }
void unloadLevel() {  }
uint8_t getCell(int32_t x, int32_t y) { return 0; }
int32_t setCell(int32_t x, int32_t y, uint8_t tile) { return 0; }
