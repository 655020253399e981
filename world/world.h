// The world engine: level file, map, player, falling objects, monsters, tile sheets.
#pragma once
#include <cstdint>

enum Tile : uint8_t {
    TileRock = 0,
    TileDiamond = 1,
    TileEarth = 2,
    TileSkull = 5,
    TileEmpty = 6,
    TileSafe = 22,
    TileEgg = 24,
    TileKey = 25,
    TileBomb = 27,
    TilePlayer = 30,
    TileMonsterA = 33,
    TileMonsterB = 34,
    TileCrackedEgg = 47,
    TileBorder = 53,
};

enum FallClass : uint8_t { FallFree = 0, FallSolid = 1, FallRound = 2, FallLeft = 3, FallRight = 4 };

// Level file and map (globals live for the whole run).
extern const uint8_t* levelData;
extern int32_t levelDataSize;
extern int32_t cipherPos, cipherSum;
extern uint8_t cipherKey[8];
extern int32_t mapWidth, mapHeight, mapCells;
extern char levelName[10];
extern uint8_t* map;
extern int32_t startX, startY;
extern uint8_t borderTile;

// Stores the three key bytes that are not in initialised data (called by startWorld).
void completeCipherKey();
int32_t openLevelData();
void closeLevelData();
uint8_t decodeLevelByte(uint8_t b);
int32_t levelIndexEntry(int32_t k);
int32_t readLevelHeader(uint8_t* buffer, int32_t k);
int32_t loadLevelRecord(int32_t k);
int32_t parseLevel(const uint8_t* bytes, int32_t length);
int32_t scanMap();
int32_t loadCurrentLevel();
void unloadLevel();
uint8_t getCell(int32_t x, int32_t y);
int32_t setCell(int32_t x, int32_t y, uint8_t tile);

// Player.
void placePlayer();
void removePlayer();
void playerInput();
void tryMove();
int32_t isBlocked(uint8_t t);
int32_t pushObject(int32_t x, int32_t y, uint8_t dir);
void playerStep();
void finishMove();
void openSafes();
void idleStep();
void deathStep();
void checkLevelDone();
void nextLevel();

// Falling objects and the world tick.
void worldTick();
uint8_t fallClass(int32_t x, int32_t y);
void fallScan();
int32_t tryFall(int32_t x, int32_t y, uint8_t tile);
void landObject(int32_t x, int32_t y, uint8_t tile);

// Monsters.
void clearMonsters();
void spawnMonster(int32_t x, int32_t y);
void killMonstersAt(int32_t x, int32_t y);
void hatchMonsters();
void moveMonsters();

// Tile sheets (owned heap blocks while a level is loaded, else null).
extern uint8_t* TileSheet;
extern uint8_t* MapTileSheet;
int32_t buildTileSheets();
void freeTileSheets();
void unpackTileSheet();
void unpackMapTileSheet();
void tintTile(uint8_t* pixels, int32_t count, uint32_t colour);
