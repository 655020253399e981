// The player: moves, what each square does when entered, idling, dying, level completion.
#include "app/app.h"
#include "game/state.h"
#include "store/progress.h"
#include "world/world.h"

namespace {

const uint8_t walkFramesUpDown[8] = {45, 45, 46, 46, 45, 45, 46, 46};
const uint8_t walkFramesRight[8] = {37, 37, 38, 39, 40, 40, 39, 38};
const uint8_t walkFramesLeft[8] = {44, 44, 43, 42, 41, 41, 42, 43};
const uint8_t idleFrames[4] = {35, 30, 36, 30};

void stepSquare(uint8_t dir, int32_t& x, int32_t& y) {
    switch (dir) {
    case 1: --y; break;
    case 2: ++y; break;
    case 3: --x; break;
    case 4: ++x; break;
    default: break;
    }
}

}  // namespace

void placePlayer() {
    game.playerX = game.targetX = startX;
    game.playerY = game.targetY = startY;
    game.moveDir = 0;
    game.moveStep = 0;
    game.animStep = 0;
    setCell(startX, startY, TilePlayer);
    game.playerSprite = TilePlayer;
    game.deathTimer = 0;
    game.idleTimer = 0;
}

void removePlayer() {
    if (getCell(game.playerX, game.playerY) == TilePlayer) setCell(game.playerX, game.playerY, TileEmpty);
}

void playerInput() {
    if (game.worldPhase != 0 || game.moveDir != 0) return;
    for (int i = ControlUp; i <= ControlRight; ++i) {
        if (ControlFlags[i] != 0) {
            game.moveDir = static_cast<uint8_t>(i + 1);
            break;
        }
    }
    if (game.moveDir == 0) return;
    tryMove();
    if (game.moveDir == 0) return;
    game.targetX = game.playerX;
    game.targetY = game.playerY;
    stepSquare(game.moveDir, game.targetX, game.targetY);
}

void tryMove() {
    int32_t x = game.playerX, y = game.playerY;
    stepSquare(game.moveDir, x, y);
    const uint8_t t = getCell(x, y);
    if (isBlocked(t)) {
        game.moveDir = 0;
    } else if (t == TileRock || t == TileEgg) {
        if (!pushObject(x, y, game.moveDir)) game.moveDir = 0;
    }
}

int32_t isBlocked(uint8_t t) {
    if (t >= 7 && t <= 23) return 1;
    if (t >= 47 && t <= 55) return 1;
    if (t == TileBomb && game.diamondsLeft >= 1) return 1;
    return 0;
}

int32_t pushObject(int32_t x, int32_t y, uint8_t dir) {
    if (dir == 1 || dir == 2) return 0;
    const int32_t dx = dir == 3 ? x - 1 : x + 1;
    if (fallClass(dx, y) != FallFree) return 0;
    const uint8_t tile = getCell(x, y);
    setCell(x, y, TileEmpty);
    setCell(dx, y, tile);
    killMonstersAt(dx, y);
    return 1;
}

void playerStep() {
    if (game.moveDir == 0) return;
    game.idleTimer = 0;
    game.moveStep += 1;
    game.animStep = static_cast<uint8_t>((game.animStep + 1) & 63);
    const int f = (game.animStep >> 3) & 7;
    if (game.moveDir == 1 || game.moveDir == 2) game.playerSprite = walkFramesUpDown[f];
    else if (game.moveDir == 3) game.playerSprite = walkFramesLeft[f];
    else game.playerSprite = walkFramesRight[f];
    if (game.moveStep > 15) {
        finishMove();
        game.moveDir = 0;
        game.moveStep = 0;
    }
}

void finishMove() {
    setCell(game.playerX, game.playerY, TileEmpty);
    game.playerX = game.targetX;
    game.playerY = game.targetY;
    switch (getCell(game.playerX, game.playerY)) {
    case TileDiamond:
        game.diamondsLeft -= 1;
        game.score += 50;
        SndPlay(250, 0);
        break;
    case 2:
    case 3:
    case 56:
        game.score += 1;
        break;
    case TileSkull:
        // The skull stays, and a dying player does not complete the level.
        game.deathTimer = 1;
        return;
    case TileKey:
        openSafes();
        break;
    case TileBomb:
        game.targetsLeft -= 1;
        break;
    default:
        break;
    }
    setCell(game.playerX, game.playerY, TilePlayer);
    checkLevelDone();
}

void openSafes() {
    for (int32_t i = 0; i < mapCells; ++i)
        if (map[i] == TileSafe) map[i] = TileDiamond;
    SndPlay(252, 0);
}

void idleStep() {
    game.idleTimer += 1;
    if (game.idleTimer > 511) {
        game.idleTimer = (game.idleTimer & 255) | 512;
        game.playerSprite = idleFrames[(game.idleTimer >> 6) & 3];
    }
}

void deathStep() {
    game.playerSprite = idleFrames[game.deathTimer & 3];
    if (game.deathTimer > 64) game.playerSprite = TileEmpty;
    if (game.deathTimer == 1) SndPlay(254, 0);
    game.deathTimer += 1;
    if (game.deathTimer > 127) setMode(LoseLife);
}

void checkLevelDone() {
    if (game.diamondsLeft > 0 || game.targetsLeft != 0) return;
    if (game.level < 0) {
        nextLevel();
        return;
    }
    if (progress.levelReached < game.level + 1) progress.levelReached = static_cast<uint8_t>(game.level + 1);
    saveProgress();
    setMode(LevelComplete);
    SndPlay(257, 0);
}

void nextLevel() {
    if (game.level >= static_cast<int32_t>(game.lastLevel)) {
        setMode(GameComplete);
        return;
    }
    game.pendingLevel = static_cast<int8_t>(game.level + 1);
    setMode(StartLevel);
    SndPlay(257, 0);
}
