// The player: moves, what each square does when entered, idling, dying, level completion.
#include "sound/sound.h"
#include "state/state.h"
#include "store/progress.h"
#include "world/world.h"
#include "world/world_internal.h"

namespace {

const uint8_t walkFramesUpDown[8] = {45, 45, 46, 46, 45, 45, 46, 46};
const uint8_t walkFramesRight[8] = {37, 37, 38, 39, 40, 40, 39, 38};
const uint8_t walkFramesLeft[8] = {44, 44, 43, 42, 41, 41, 42, 43};
const uint8_t idleFrames[4] = {35, 30, 36, 30};

}  // namespace

void placePlayer() {
    game.playerX = game.targetX = startX;
    game.playerY = game.targetY = startY;
    game.moveDir = DirNone;
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
    if (game.worldPhase != 0 || game.moveDir != DirNone) return;
    for (int i = ControlUp; i <= ControlRight; ++i) {
        if (ControlFlags[i] != 0) {
            game.moveDir = static_cast<uint8_t>(DirUp + (i - ControlUp));
            break;
        }
    }
    if (game.moveDir == DirNone) return;
    tryMove();
    if (game.moveDir == DirNone) return;
    game.targetX = game.playerX;
    game.targetY = game.playerY;
    stepToward(game.moveDir, 1, game.targetX, game.targetY);
}

void tryMove() {
    int32_t x = game.playerX, y = game.playerY;
    stepToward(game.moveDir, 1, x, y);
    const uint8_t t = getCell(x, y);
    if (isBlocked(t)) {
        game.moveDir = DirNone;
    } else if (t == TileRock || t == TileEgg) {
        if (!pushObject(x, y, game.moveDir)) game.moveDir = DirNone;
    }
}

int32_t isBlocked(uint8_t t) {
    if (t >= TileWall && t <= TileCage) return 1;
    if (t >= TileCrackedEgg && t <= TileLyingRings) return 1;
    if (t == TileBomb && game.diamondsLeft >= 1) return 1;
    return 0;
}

int32_t pushObject(int32_t x, int32_t y, uint8_t dir) {
    if (dir == DirUp || dir == DirDown) return 0;
    const int32_t dx = dir == DirLeft ? x - 1 : x + 1;
    if (fallClass(dx, y) != FallFree) return 0;
    const uint8_t tile = getCell(x, y);
    setCell(x, y, TileEmpty);
    setCell(dx, y, tile);
    killMonstersAt(dx, y);
    return 1;
}

void playerStep() {
    if (game.moveDir == DirNone) return;
    game.idleTimer = 0;
    game.moveStep += 1;
    game.animStep = static_cast<uint8_t>((game.animStep + 1) & 63);
    const int f = (game.animStep >> 3) & 7;
    if (game.moveDir == DirUp || game.moveDir == DirDown)
        game.playerSprite = walkFramesUpDown[f];
    else if (game.moveDir == DirLeft)
        game.playerSprite = walkFramesLeft[f];
    else
        game.playerSprite = walkFramesRight[f];
    if (game.moveStep > 15) {
        finishMove();
        game.moveDir = DirNone;
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
        SndPlay(SoundDiamond, 0);
        break;
    case TileEarth:
    case TileEarthSecond:
    case TileGreenEarth: game.score += 1; break;
    case TileSkull:
        // The skull stays, and a dying player does not complete the level.
        game.deathTimer = 1;
        return;
    case TileKey: openSafes(); break;
    case TileBomb: game.targetsLeft -= 1; break;
    default: break;
    }
    setCell(game.playerX, game.playerY, TilePlayer);
    checkLevelDone();
}

void openSafes() {
    for (int32_t i = 0; i < mapCells; ++i)
        if (map[i] == TileSafe) map[i] = TileDiamond;
    SndPlay(SoundKey, 0);
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
    if (game.deathTimer == 1) SndPlay(SoundDeath, 0);
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
    SndPlay(SoundSelect, 0);
}

void nextLevel() {
    if (game.level >= static_cast<int32_t>(game.lastLevel)) {
        setMode(GameComplete);
        return;
    }
    game.pendingLevel = static_cast<int8_t>(game.level + 1);
    setMode(StartLevel);
    SndPlay(SoundSelect, 0);
}
