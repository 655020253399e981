// Monsters: hatched from cracked eggs, they hunt the player square by square.

#include "sound/sound.h"
#include "state/state.h"
#include "world/world.h"
#include "world/world_internal.h"

void clearMonsters() {
    for (auto& m : game.monsters) m.life = 0;
}

void spawnMonster(int32_t x, int32_t y) {
    for (auto& m : game.monsters) {
        if (m.life != 0) continue;
        m.x = m.toX = static_cast<uint8_t>(x);
        m.y = m.toY = static_cast<uint8_t>(y);
        m.step = 0;
        m.life = 1;
        SndPlay(SoundHatch, 0);
        return;
    }
}

void killMonstersAt(int32_t x, int32_t y) {
    for (auto& m : game.monsters) {
        if (m.life == 0) continue;
        if ((x == m.x && y == m.y) || (x == m.toX && y == m.toY)) {
            m.life = 0;
            SndPlay(SoundMonsterKilled, 0);
        }
    }
}

void hatchMonsters() {
    for (auto& m : game.monsters) {
        if (m.life == 0) continue;
        if (m.life > 31) {
            m.anim += 1;
            if (m.anim > 4) {
                m.sprite ^= 3;
                m.anim = 0;
            }
        }
        if (m.life <= 63) {
            m.life += 1;
            if (m.life == 32) {
                setCell(m.x, m.y, TileEmpty);
                m.sprite = TileMonsterB;
            }
        }
    }
}

void moveMonsters() {
    if (game.worldPhase == 0) hatchMonsters();
    for (auto& m : game.monsters) {
        if (m.life <= 31) continue;
        if (game.playerX == m.x && game.playerY == m.y) game.deathTimer = 1;
        if (m.life <= 63) continue;
        if (m.step == 0) {
            if (nextRandom() & 1)
                m.dir = game.playerY >= m.y ? DirDown : DirUp;
            else
                m.dir = game.playerX >= m.x ? DirRight : DirLeft;
            // The target wraps as an unsigned byte; off the map it reads as the border.
            int32_t toX = m.x, toY = m.y;
            stepToward(m.dir, 1, toX, toY);
            m.toX = static_cast<uint8_t>(toX);
            m.toY = static_cast<uint8_t>(toY);
            const uint8_t t = getCell(m.toX, m.toY);
            if (t != TileEmpty && t != TilePlayer) {
                m.dir = DirNone;
                m.toX = m.x;
                m.toY = m.y;
            }
        }
        if (m.toX == game.targetX && m.toY == game.targetY) game.deathTimer = 1;
        m.step += 1;
        if (m.step > 15) {
            m.x = m.toX;
            m.y = m.toY;
            m.step = 0;
        }
    }
}
