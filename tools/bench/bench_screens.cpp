// Frame cost of the play view (four monsters in sight) and of the map view on the largest
// level, as multiples of one 153600-byte memcpy measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "game/state.h"
#include "tools/bench/bench_timing.h"
#include "gfx/graphics.h"
#include "screens/screens.h"
#include "world/world.h"

namespace {

using bench::keep;
using bench::nanosPerCall;

}  // namespace

static int runOrientation(int32_t orientation) {
    if (layoutDisplay(orientation, orientation == 3 ? 640 : 480) != 0) {
        std::fprintf(stderr, "no memory for the display\n");
        return 1;
    }
    FontInit();
    decodeJpeg(&Panel, 127);
    std::memset(&game, 0, sizeof game);
    completeCipherKey();
    if (openLevelData() != 0) {
        std::fprintf(stderr, "no level data in this build\n");
        return 1;
    }

    // The largest level by squares, practice levels included.
    int32_t largest = 0, largestCells = -1;
    for (int32_t i = -4; i <= game.lastLevel; ++i) {
        uint8_t header[32] = {};
        if (readLevelHeader(header, i + 4) != 0) continue;
        int32_t cells = (header[12] & 127) * (header[13] & 127);
        if (cells > largestCells) {
            largestCells = cells;
            largest = i;
        }
    }
    game.level = static_cast<int8_t>(largest);
    game.levelLimit = game.lastLevel;
    loadCurrentLevel();
    std::printf("largest level: index %d (%.10s), %d x %d squares\n", largest, levelName, mapWidth, mapHeight);

    double copy = bench::frameCopyNanos();

    // Play view in its steady state: the player in the middle of the map, four monsters in
    // sight, two of them half way through a move, the panel already shown.
    game.mode = Play;
    game.fadeLevel = 256;
    game.modeReady = 1;
    game.playerX = mapWidth / 2;
    game.playerY = mapHeight / 2;
    game.playerSprite = TilePlayer;
    game.moveDir = 4;
    game.moveStep = 6;
    game.levelTicks = 1000;  // past the banner
    for (int k = 0; k < 4; ++k) {
        MonsterSlot& m = game.monsters[k];
        m.x = static_cast<uint8_t>(game.playerX - 2 + k);
        m.y = static_cast<uint8_t>(game.playerY + (k & 1 ? 2 : -2));
        m.sprite = TileMonsterA;
        m.dir = static_cast<uint8_t>(k & 1 ? 3 : 0);
        m.step = 8;
        m.life = 100;
    }
    panelShown = 0;
    drawPlayView();
    double play = nanosPerCall([] { drawPlayView(); keep(BackBuffer.pixels); }, 500);
    double playBanner = nanosPerCall([] { game.levelTicks = 100; drawPlayView(); keep(BackBuffer.pixels); }, 500);
    double banner = nanosPerCall([] { drawLevelBanner(); keep(BackBuffer.pixels); }, 500);
    double playFade = nanosPerCall([] { game.fadeLevel = 128; drawScreen(); keep(BackBuffer.pixels); }, 500);
    game.fadeLevel = 256;

    // Map view on the same level, title and bar in place.
    game.mode = MapView;
    loadMapView();
    game.modeTicks = 100;
    game.mapViewX = mapWidth * 4;
    game.mapViewY = mapHeight * 4;
    double mapView = nanosPerCall([] { drawMapView(); keep(BackBuffer.pixels); }, 500);
    freeMapView();

    std::printf("orientation %d\n", orientation);
    std::printf("memcpy of 153600 bytes: %.1f us\n", copy / 1000);
    std::printf("play view frame (4 monsters, panel shown):  %.2f memcpys (%.1f us)\n", play / copy, play / 1000);
    std::printf("play view frame with the level banner:      %.2f memcpys (%.1f us)\n", playBanner / copy,
                playBanner / 1000);
    std::printf("  of which the banner alone:                %.2f memcpys (%.1f us)\n", banner / copy, banner / 1000);
    std::printf("play view frame in a fade (panel, fade):    %.2f memcpys (%.1f us)\n", playFade / copy,
                playFade / 1000);
    std::printf("map view frame (largest level):             %.2f memcpys (%.1f us)\n", mapView / copy,
                mapView / 1000);

    stopWorld();
    releaseDisplay();
    return 0;
}

// No argument: the upright display (orientation 0, row-major) and the turned one (3,
// column-major). An argument picks one of 0, 2, 3.
int main(int argc, char** argv) {
    if (argc > 1) return runOrientation(std::atoi(argv[1]));
    for (int32_t o : {0, 3}) {
        if (runOrientation(o) != 0) return 1;
        std::printf("\n");
    }
    return 0;
}
