// Every global the game keeps, in one table: the game and progress records, controls and
// stylus, the loop clock and quit request, the level file and cipher, the map, the tile
// sheets, the long-lived and per-mode pictures, the font, the camera and panel, the credits,
// and the sound shell. A snapshot copies their bytes; restore() puts them back; differences()
// names the ones that changed. The unit tests' main takes one at start-up and restores it
// after every test, so no test can lean on what another left behind (the suite also runs
// shuffled). Pointers are restored as values: a test frees what it allocates.
// globals_test.cpp holds this table against every variable the game's built libraries define:
// a global added to a game folder is named there until it is added here.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"
#include "world/world.h"

struct GlobalRegion {
    const char* name;
    void* address;
    size_t size;
};

#define TAVRIN_GLOBAL(g) \
    GlobalRegion { #g, static_cast < void*>(&(g)), sizeof(g) }
inline const std::vector<GlobalRegion>& gameGlobals() {
    static const std::vector<GlobalRegion> regions = {
        // Game state, controls and the loop.
        TAVRIN_GLOBAL(game),
        TAVRIN_GLOBAL(progress),
        TAVRIN_GLOBAL(ControlFlags),
        TAVRIN_GLOBAL(quitRequested),
        TAVRIN_GLOBAL(nextTickTime),
        TAVRIN_GLOBAL(framesDrawn),
        TAVRIN_GLOBAL(stylusTapX),
        TAVRIN_GLOBAL(stylusTapY),
        TAVRIN_GLOBAL(stylusLastX),
        TAVRIN_GLOBAL(stylusLastY),
        TAVRIN_GLOBAL(stylusDown),
        TAVRIN_GLOBAL(randomState),
        // Level file, cipher and map.
        TAVRIN_GLOBAL(levelData),
        TAVRIN_GLOBAL(levelDataSize),
        TAVRIN_GLOBAL(cipherPos),
        TAVRIN_GLOBAL(cipherSum),
        TAVRIN_GLOBAL(cipherKey),
        TAVRIN_GLOBAL(mapWidth),
        TAVRIN_GLOBAL(mapHeight),
        TAVRIN_GLOBAL(mapCells),
        TAVRIN_GLOBAL(levelName),
        TAVRIN_GLOBAL(map),
        TAVRIN_GLOBAL(startX),
        TAVRIN_GLOBAL(startY),
        TAVRIN_GLOBAL(borderTile),
        TAVRIN_GLOBAL(mapAllocate),
        TAVRIN_GLOBAL(TileSheet),
        TAVRIN_GLOBAL(MapTileSheet),
        // Pictures, decoding and the font.
        TAVRIN_GLOBAL(jpegData),
        TAVRIN_GLOBAL(jpegSize),
        TAVRIN_GLOBAL(backdropId),
        TAVRIN_GLOBAL(BackBuffer),
        TAVRIN_GLOBAL(Backdrop),
        TAVRIN_GLOBAL(Panel),
        TAVRIN_GLOBAL(DisplayInfo),
        TAVRIN_GLOBAL(Font),
        // Screens: camera, panel, menus, game complete, credits, map view.
        TAVRIN_GLOBAL(cameraX),
        TAVRIN_GLOBAL(cameraY),
        TAVRIN_GLOBAL(panelShown),
        TAVRIN_GLOBAL(MainMenuHighlight),
        TAVRIN_GLOBAL(MainMenuBanner),
        TAVRIN_GLOBAL(PracticeHighlight),
        TAVRIN_GLOBAL(PauseHighlight),
        TAVRIN_GLOBAL(GameCompleteBack),
        TAVRIN_GLOBAL(GameCompletePic1),
        TAVRIN_GLOBAL(GameCompletePic2),
        TAVRIN_GLOBAL(GameCompletePic3),
        TAVRIN_GLOBAL(creditsScroll),
        TAVRIN_GLOBAL(MapBar),
        // Sound shell.
        TAVRIN_GLOBAL(soundDirectory),
        TAVRIN_GLOBAL(lastSoundChannel),
    };
    return regions;
}
#undef TAVRIN_GLOBAL

class GlobalsSnapshot {
public:
    GlobalsSnapshot() {
        for (const GlobalRegion& r : gameGlobals()) {
            const auto* p = static_cast<const unsigned char*>(r.address);
            bytes_.emplace_back(p, p + r.size);
        }
    }
    void restore() const {
        const auto& regions = gameGlobals();
        for (size_t i = 0; i < regions.size(); ++i) std::memcpy(regions[i].address, bytes_[i].data(), regions[i].size);
    }
    // Names of the globals whose bytes differ from the snapshot now.
    std::vector<std::string> differences() const {
        std::vector<std::string> names;
        const auto& regions = gameGlobals();
        for (size_t i = 0; i < regions.size(); ++i)
            if (std::memcmp(regions[i].address, bytes_[i].data(), regions[i].size) != 0)
                names.push_back(regions[i].name);
        return names;
    }

private:
    std::vector<std::vector<unsigned char>> bytes_;
};

// The globals as they were when the unit tests' main started, before any test ran.
const GlobalsSnapshot& programStartGlobals();
