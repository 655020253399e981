// The world tick and the falling pass: rocks and eggs fall, roll off round squares, kill.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sound/sound.h"
#include "state/state.h"
#include "world/world.h"
#include "world/world_internal.h"

namespace {

// getCell, inlined: the pass asks about thousands of squares.
inline uint8_t cellAt(int32_t x, int32_t y) {
    if (static_cast<uint32_t>(x) < static_cast<uint32_t>(mapWidth) &&
        static_cast<uint32_t>(y) < static_cast<uint32_t>(mapHeight))
        return map[x + y * mapWidth];
    return borderTile;
}

inline uint8_t classOf(int32_t x, int32_t y) {
    switch (cellAt(x, y)) {
    case TileRock:
    case TileDiamond:
    case TileKey:
    case TileLyingRings: return FallRound;
    case TileWallRoundLeft:
    case TileBlockRoundLeft: return FallLeft;
    case TileWallRoundRight:
    case TileBlockRoundRight: return FallRight;
    case TileEmpty:
        // Nothing may fall into the square the player is walking into.
        return (x == game.targetX && y == game.targetY) ? FallSolid : FallFree;
    default: return FallSolid;
    }
}

// True when the row holds a rock or an egg. A row without one has nothing to move in this
// pass: moves only ever go down, so nothing can arrive in a row before the pass reaches it.
bool rowCanFall(const uint8_t* row, int32_t n) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i rock = _mm_set1_epi8(static_cast<char>(TileRock));
    const __m128i egg = _mm_set1_epi8(static_cast<char>(TileEgg));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, rock), _mm_cmpeq_epi8(v, egg))) != 0) return true;
    }
#endif
    for (; i < n; ++i)
        if (row[i] == TileRock || row[i] == TileEgg) return true;
    return false;
}

}  // namespace

void worldTick() {
    if (game.deathTimer > 0) {
        deathStep();
        return;
    }
    if (game.worldPhase == 0) fallScan();
    playerInput();
    playerStep();
    idleStep();
    moveMonsters();
    if (ControlFlags[ControlFire] & FlagPressed) {
        setMode(PauseMenu);
        SndPlay(SoundSelect, 0);
    }
    game.worldPhase = static_cast<uint8_t>((game.worldPhase + 1) & 3);
    game.levelTicks += 1;
}

uint8_t fallClass(int32_t x, int32_t y) { return classOf(x, y); }

void fallScan() {
    if (map == nullptr) return;  // the empty map of a failed load has no squares
    for (int32_t y = mapHeight - 1; y >= 0; --y) {
        // The row is read square by square as the pass reaches it, from its right end:
        // tryFall changes only the square it leaves in this row, and the row below.
        const uint8_t* row = map + static_cast<size_t>(y) * mapWidth;
        if (!rowCanFall(row, mapWidth)) continue;
        for (int32_t x = mapWidth - 1; x >= 0; --x) {
            const uint8_t t = row[x];
            if ((t == TileRock || t == TileEgg) && tryFall(x, y, t)) SndPlay(SoundRock, 0);
        }
    }
}

int32_t tryFall(int32_t x, int32_t y, uint8_t tile) {
    const uint8_t below = classOf(x, y + 1);
    if (below == FallSolid) return 0;
    if (below == FallFree) {
        setCell(x, y, TileEmpty);
        landObject(x, y + 1, tile);
        return 1;
    }
    if ((below == FallRound || below == FallLeft) && classOf(x - 1, y) == FallFree &&
        classOf(x - 1, y + 1) == FallFree) {
        setCell(x, y, TileEmpty);
        killMonstersAt(x - 1, y);
        landObject(x - 1, y + 1, tile);
        return 1;
    }
    if ((below == FallRound || below == FallRight) && classOf(x + 1, y) == FallFree &&
        classOf(x + 1, y + 1) == FallFree) {
        setCell(x, y, TileEmpty);
        killMonstersAt(x + 1, y);
        landObject(x + 1, y + 1, tile);
        return 1;
    }
    return 0;
}

void landObject(int32_t x, int32_t y, uint8_t tile) {
    setCell(x, y, tile);
    killMonstersAt(x, y);
    if (x == game.playerX && y + 1 == game.playerY) game.deathTimer = 1;
    if (tile == TileEgg && classOf(x, y + 1) != FallFree) {
        setCell(x, y, TileCrackedEgg);
        spawnMonster(x, y);
    }
}
