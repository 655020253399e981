// The world tick and the falling pass: rocks and eggs fall, roll off round squares, kill.
#include "app/app.h"
#include "game/state.h"
#include "world/world.h"

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
        SndPlay(257, 0);
    }
    game.worldPhase = static_cast<uint8_t>((game.worldPhase + 1) & 3);
    game.levelTicks += 1;
}

uint8_t fallClass(int32_t x, int32_t y) {
    switch (getCell(x, y)) {
    case 0:
    case 1:
    case 25:
    case 55:
        return FallRound;
    case 12:
    case 17:
        return FallLeft;
    case 13:
    case 18:
        return FallRight;
    case TileEmpty:
        // Nothing may fall into the square the player is walking into.
        return (x == game.targetX && y == game.targetY) ? FallSolid : FallFree;
    default:
        return FallSolid;
    }
}

void fallScan() {
    for (int32_t y = mapHeight - 1; y >= 0; --y)
        for (int32_t x = mapWidth - 1; x >= 0; --x) {
            const uint8_t t = getCell(x, y);
            if ((t == TileRock || t == TileEgg) && tryFall(x, y, t)) SndPlay(256, 0);
        }
}

int32_t tryFall(int32_t x, int32_t y, uint8_t tile) {
    const uint8_t below = fallClass(x, y + 1);
    if (below == FallSolid) return 0;
    if (below == FallFree) {
        setCell(x, y, TileEmpty);
        landObject(x, y + 1, tile);
        return 1;
    }
    if ((below == FallRound || below == FallLeft) && fallClass(x - 1, y) == FallFree &&
        fallClass(x - 1, y + 1) == FallFree) {
        setCell(x, y, TileEmpty);
        killMonstersAt(x - 1, y);
        landObject(x - 1, y + 1, tile);
        return 1;
    }
    if ((below == FallRound || below == FallRight) && fallClass(x + 1, y) == FallFree &&
        fallClass(x + 1, y + 1) == FallFree) {
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
    if (tile == TileEgg && fallClass(x, y + 1) != FallFree) {
        setCell(x, y, TileCrackedEgg);
        spawnMonster(x, y);
    }
}
