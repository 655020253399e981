// The world engine: level file, map, player, falling objects, monsters, tile sheets.
#pragma once
#include <cstddef>
#include <cstdint>

// The tiles the rules tell apart; the others are scenery that only its range decides.
enum Tile : uint8_t {
    TileRock = 0,
    TileDiamond = 1,
    TileEarth = 2,
    TileEarthSecond = 3,  // the second blue speckle: earth like 2
    TileSkull = 5,
    TileEmpty = 6,
    TileWall = 7,               // 7..23: walls and blocks the player never enters
    TileWallRoundLeft = 12,     // brick wall, rounded top-left corner
    TileWallRoundRight = 13,    // brick wall, rounded top-right corner
    TileBlockRoundLeft = 17,    // blue block, rounded top-left corner
    TileBlockRoundRight = 18,   // blue block, rounded top-right corner
    TileSafe = 22,
    TileCage = 23,  // the last of the walls that start at TileWall
    TileEgg = 24,
    TileKey = 25,
    TileBomb = 27,
    TilePlayer = 30,
    TileFaintGlow = 31,  // only in stored maps: empty once loaded
    TileMonsterA = 33,
    TileMonsterB = 34,
    TileCrackedEgg = 47,  // 47..55: blocked too
    TileBorder = 53,
    TileLyingRings = 55,  // the last blocked tile; round, so things roll off it
    TileGreenEarth = 56,  // the green speckle: earth like 2
};

// The four ways the player and the monsters move (game.moveDir, MonsterSlot::dir); 0 is
// standing still. The order is the order of ControlUp..ControlRight, plus one.
enum Direction : uint8_t { DirNone = 0, DirUp = 1, DirDown = 2, DirLeft = 3, DirRight = 4 };

// Moves (x, y) by distance towards dir (squares for the rules, sixteenths of a square for
// the views); DirNone or any other value leaves them.
inline void stepToward(uint8_t dir, int32_t distance, int32_t& x, int32_t& y) {
    switch (dir) {
    case DirUp: y -= distance; break;
    case DirDown: y += distance; break;
    case DirLeft: x -= distance; break;
    case DirRight: x += distance; break;
    default: break;
    }
}

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
// openLevelData on bytes given directly rather than fetched from the resource store.
int32_t openLevelBytes(const uint8_t* data, int32_t size);
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
// The allocator parseLevel takes the map from (malloc; tests swap in one that fails).
extern void* (*mapAllocate)(size_t);

// For tools that run the real engine in-process, such as the level solver: loads a level
// straight from its source text (the format of assets/levels/README.md), without the
// embedded level file and without building the tile sheets. Everything else is as after
// loadCurrentLevel: the map, levelName, levelColour, diamondsLeft, targetsLeft, the start
// square, the player placed, the monster slots empty, levelTicks 0. Returns 1 (and leaves
// the empty map) when the text is not a valid level. Then drive the world with
// ControlFlags and worldTick(), with game.mode = Play and game.fadeLevel = 256.
// Mind that the engine calls out like in the game: SndPlay prints every sound on stdout,
// setMode records mode requests in game.nextMode, and completing a main level (level >= 0)
// calls saveProgress, which writes the progress file under $HOME; a solver should play
// with a negative game.level or point HOME somewhere harmless. The monsters draw from
// rand(); srand(1) starts again the unseeded sequence the game plays with.
int32_t loadLevelSource(const char* text, int32_t length);

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
