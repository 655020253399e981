// Fuzzes the level source reader that the level tools use: any text either loads a level
// that the world can tick through, or is refused, leaving the empty map.
#include <cstdio>
#include <cstdlib>

#include "game/state.h"
#include "tools/common/scratch_home.h"
#include "world/world.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!freopen("/dev/null", "w", stdout)) return 0;
    static ScratchHome home("fuzz-level-source");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 16)) return 0;
    game = GameState{};
    game.level = -1;  // a practice number: completing it saves nothing
    if (loadLevelSource(reinterpret_cast<const char*>(data), static_cast<int32_t>(size)) != 0) {
        if (map != nullptr && mapCells != 0) abort();
        return 0;
    }
    game.mode = Play;
    game.nextMode = Play;
    game.modeReady = 1;
    game.fadeLevel = 256;
    ControlFlags[ControlRight] = FlagHeld;
    for (int i = 0; i < 40; ++i) worldTick();
    ControlFlags[ControlRight] = 0;
    unloadLevel();
    return 0;
}
