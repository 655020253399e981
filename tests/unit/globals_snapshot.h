// Every global that a screen or a drawing primitive reads or writes, saved when the snapshot is
// made and put back by restore(), so a test can swap in pictures and state of its own.
#pragma once
#include <cstring>

#include "game/state.h"
#include "gfx/graphics.h"
#include "world/world.h"

struct GlobalsSnapshot {
    Image back = BackBuffer, backdrop = Backdrop, panel = Panel, fontSheet = Font.sheet;
    uint8_t* tiles = TileSheet;
    uint8_t* mapTiles = MapTileSheet;
    uint8_t* mapBytes = map;
    int32_t width = mapWidth, height = mapHeight, cells = mapCells;
    uint8_t border = borderTile;
    char name[10] = {};
    GameState gameState = game;
    ProgressRecord record = progress;
    uint8_t flags[5] = {};
    int32_t tapX = stylusTapX, tapY = stylusTapY;
    uint32_t backdropPicture = backdropId;

    GlobalsSnapshot() {
        std::memcpy(name, levelName, sizeof name);
        std::memcpy(flags, ControlFlags, sizeof flags);
    }
    void restore() const {
        BackBuffer = back;
        Backdrop = backdrop;
        Panel = panel;
        Font.sheet = fontSheet;
        TileSheet = tiles;
        MapTileSheet = mapTiles;
        map = mapBytes;
        mapWidth = width;
        mapHeight = height;
        mapCells = cells;
        borderTile = border;
        std::memcpy(levelName, name, sizeof name);
        game = gameState;
        progress = record;
        std::memcpy(ControlFlags, flags, sizeof flags);
        stylusTapX = tapX;
        stylusTapY = tapY;
        backdropId = backdropPicture;
    }
};
