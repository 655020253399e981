// The world engine's inside: the steps of the level file, of the rules within worldTick and
// of the tile sheets, which only the engine's own files call (its public API: world/world.h).
// Internal header: only world/ and its tests include it.
#pragma once
#include <cstdint>

#include "world/world.h"

enum FallClass : uint8_t { FallFree = 0, FallSolid = 1, FallRound = 2, FallLeft = 3, FallRight = 4 };

// Level file and map.
// openLevelData on bytes given directly rather than fetched from the resource store.
int32_t openLevelBytes(const uint8_t* data, int32_t size);
// Unscrambles the next byte of the current stream (advances cipherPos and cipherSum).
uint8_t decodeLevelByte(uint8_t b);
// Offset of record k from the file's offset table, or -1 when the entry lies outside the
// file. Restarts the stream.
int32_t levelIndexEntry(int32_t k);
// Replaces the map with the record's: levelColour, levelName, the size (low 7 bits) and the
// squares, unscrambled and reversed; squares past the end stay 0. Returns 1 when the record
// is shorter than its header or the map cannot be allocated (the map is then empty).
int32_t parseLevel(const uint8_t* bytes, int32_t length);
// Writes a square of the map. Returns 1 (and writes nothing) outside the map.
int32_t setCell(int32_t x, int32_t y, uint8_t tile);

// Player.
// On world phase 0, standing: takes the first held direction (up, down, left, right) as
// moveDir, asks tryMove, and on success sets the target square.
void playerInput();
// Checks the square ahead of moveDir: blocked, or a rock or egg that cannot be pushed,
// clears moveDir.
void tryMove();
// 1 when the player may not enter a square of tile t (walls, blocks, a live bomb).
int32_t isBlocked(uint8_t t);
// Pushes the rock or egg at (x, y) one square sideways along dir, into a free square,
// crushing monsters there. Returns 1 when it moved; up and down never push.
int32_t pushObject(int32_t x, int32_t y, uint8_t dir);
// One sixteenth of the move in progress: the walking sprite, and after 16 steps finishMove
// and standing again.
void playerStep();
// Arrives on the target square and does what it holds (diamond, earth, skull, key, bomb:
// score, counters, sounds, the death), then checkLevelDone.
void finishMove();
// Every safe becomes a diamond; the key sound.
void openSafes();
// Counts idle ticks and, after 512 of them, cycles the idle sprites.
void idleStep();
// One tick of the death: the dying sprites and sound; requests LoseLife after 127 ticks.
void deathStep();
// When no diamond and no bomb is left: a practice level goes on to the next, a main level
// raises levelReached, saves the progress and requests LevelComplete.
void checkLevelDone();

// Falling objects.
// How (x, y) lets things fall past it (FallClass); outside the map, that of borderTile.
uint8_t fallClass(int32_t x, int32_t y);
// Moves the rock or egg at (x, y) down, or rolls it down-left or down-right off a round
// square; returns 1 when it moved (landObject placed it), 0 when it stays.
int32_t tryFall(int32_t x, int32_t y, uint8_t tile);
// Puts a falling tile on (x, y): crushes monsters there, kills the player right under it,
// and an egg that cannot fall further cracks and releases a monster.
void landObject(int32_t x, int32_t y, uint8_t tile);

// Monsters.
// Empties every monster slot.
void clearMonsters();
// Takes the first free slot for a monster hatching at (x, y), with the hatch sound; none
// when all four slots are taken.
void spawnMonster(int32_t x, int32_t y);
// Kills every monster on or moving into (x, y), one sound each.
void killMonstersAt(int32_t x, int32_t y);
// Ages the monsters; at 32 a monster leaves its cracked egg (the square empties).
void hatchMonsters();
// Hatches on phase 0, then every grown monster kills a player it touches and walks a square
// towards the player (a random choice of row or column) when that square is empty.
void moveMonsters();

// Tile sheets.
void freeTileSheets();
// Copy the pictures' 16x4 grids of tiles into the sheets, one tile after the other.
void unpackTileSheet();
void unpackMapTileSheet();
