// The world engine: level file, map, player, falling objects, monsters, tile sheets. What
// only the engine's own files (and its tests) call is in world/world_internal.h.
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
    TileWall = 7,              // 7..23: walls and blocks the player never enters
    TileWallRoundLeft = 12,    // brick wall, rounded top-left corner
    TileWallRoundRight = 13,   // brick wall, rounded top-right corner
    TileBlockRoundLeft = 17,   // blue block, rounded top-left corner
    TileBlockRoundRight = 18,  // blue block, rounded top-right corner
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
// Points levelData at the embedded level file and sets game.lastLevel from its record
// count. Returns 1 (and changes nothing) when the file is missing or shorter than 4 bytes.
int32_t openLevelData();
// Unloads the level and forgets the level file.
void closeLevelData();
// The 32-byte header of record k, unscrambled into buffer. Returns 1 when it is not in the file.
int32_t readLevelHeader(uint8_t* buffer, int32_t k);
// parseLevel on record k, between its offset and the next one. Returns 1 when the offsets
// do not describe a record inside the file.
int32_t loadLevelRecord(int32_t k);
// Counts diamonds (safes too) and bombs, finds the start square, clears the faint glows,
// builds the tile sheets, places the player and clears the monsters. Returns 1 when the
// sheets could not be built (the player is then not placed).
int32_t scanMap();
// Unloads, then loads game.level (0 when it is past lastLevel or levelLimit) as record
// level + 4 and scans it. Returns 0: a broken level leaves an empty map, not an error.
int32_t loadCurrentLevel();
// Takes the player off the map, frees the tile sheets and the map, zeroes the counters,
// the size and levelName.
void unloadLevel();
// The tile at (x, y); borderTile for every square outside the map.
uint8_t getCell(int32_t x, int32_t y);
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
// nextRandom(); seedRandom(1) starts again the sequence the game plays with.
int32_t loadLevelSource(const char* text, int32_t length);

// Player.
// Puts the player on the start square, standing, alive and not idle.
void placePlayer();
// Empties the player's square if the player is still drawn there.
void removePlayer();
// Requests the next level (StartLevel with pendingLevel), or GameComplete after the last.
void nextLevel();

// Falling objects and the world tick.
// One tick of play: the death if it has started, else the falling pass (phase 0), the
// player, the monsters and fire to pause; then worldPhase and levelTicks advance.
void worldTick();
// The falling pass: every rock and egg, bottom row first, right to left, tries to fall;
// the rock sound for each that moved.
void fallScan();

// Tile sheets (owned heap blocks while a level is loaded, else null).
extern uint8_t* TileSheet;
extern uint8_t* MapTileSheet;
// Allocates both sheets, unpacks the embedded tile pictures into them tile by tile and
// tints every tile but the rock and the safe with levelColour. Returns 1 when memory or a
// picture is missing (what was built stays, freed by freeTileSheets).
int32_t buildTileSheets();
// Tints count bytes of RGB565 pixels (low byte first) towards colour (0xRRGGBB) in
// proportion to each pixel's blue; pixels without blue or with bits 0x8400 set stay.
void tintTile(uint8_t* pixels, int32_t count, uint32_t colour);
