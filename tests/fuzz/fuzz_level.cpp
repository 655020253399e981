// Fuzzes the level reader with whole level files (every record loaded, every header read,
// a few world ticks on what was loaded) and the level source parser with raw text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/state.h"
#include "world/world.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every sound is announced on stdout; that would drown the fuzzer's own output.
    if (!freopen("/dev/null", "w", stdout)) return 0;
    completeCipherKey();
    return 0;
}

namespace {

void runSomeTicks() {
    game.worldPhase = 0;
    ControlFlags[ControlRight] = FlagHeld;
    for (int i = 0; i < 40; ++i) worldTick();
    ControlFlags[ControlRight] = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1 << 20)) return 0;
    game = GameState{};
    // Exactly sized copy, so a read past the end is caught by the sanitizer.
    std::vector<uint8_t> bytes(data + 1, data + size);
    if (data[0] & 1) {
        loadLevelSource(reinterpret_cast<const char*>(bytes.data()), static_cast<int32_t>(bytes.size()));
        runSomeTicks();
        unloadLevel();
        return 0;
    }
    if (openLevelBytes(bytes.data(), static_cast<int32_t>(bytes.size())) != 0) return 0;
    uint8_t header[32];
    for (int32_t k = -1; k < game.lastLevel + 6; ++k) {
        readLevelHeader(header, k);
        if (loadLevelRecord(k) == 0 && k == (data[0] >> 1)) {
            scanMap();
            runSomeTicks();
        }
        unloadLevel();
    }
    game.level = static_cast<int8_t>(data[0]);
    game.levelLimit = game.lastLevel;
    loadCurrentLevel();
    closeLevelData();
    return 0;
}
