// Fuzzes what the game reads: a whole level file, one of its levels loaded as the game loads
// it (index, record, map scan, tile sheets), then a bounded number of world ticks with the
// player pushing. The first input byte picks the level and the pushes; the rest is the file.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "game/state.h"
#include "tools/common/scratch_home.h"
#include "world/world.h"
#include "world/world_internal.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every sound is announced on stdout; that would drown the fuzzer's own output.
    if (!freopen("/dev/null", "w", stdout)) return 0;
    // No save is wanted (the ticks run with a practice level number), but should one happen
    // it lands here, never in the real home.
    static ScratchHome home("fuzz-level");
    completeCipherKey();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The shipped file is a few kilobytes; far larger inputs only slow the search down.
    if (size < 2 || size > (1 << 15)) return 0;
    game = GameState{};
    // Exactly sized copy, so a read past the end is caught by the sanitizer.
    std::vector<uint8_t> bytes(data + 1, data + size);
    if (openLevelBytes(bytes.data(), static_cast<int32_t>(bytes.size())) != 0) return 0;
    const uint8_t pick = data[0];
    game.level = static_cast<int8_t>(pick % 24 - 4);  // practice levels -4..-1 and main ones
    game.levelLimit = game.lastLevel;
    loadCurrentLevel();
    // A level completed by these ticks must not save: play it under a practice number.
    game.level = -1;
    game.mode = Play;
    game.nextMode = Play;
    game.modeReady = 1;
    game.fadeLevel = 256;
    const int directions[4] = {ControlRight, ControlDown, ControlLeft, ControlUp};
    // Up to two moves of the player (a move takes 16 ticks), with everything falling
    // meanwhile; on a big map fewer ticks, since every tick visits every square.
    const int32_t ticks = mapCells > 1024 ? (mapCells > 16384 ? 2 : 32768 / mapCells) : 32;
    for (int i = 0; i < ticks; ++i) {
        for (uint8_t& f : ControlFlags) f = 0;
        ControlFlags[directions[(pick >> (2 * ((i >> 4) & 1))) & 3]] = FlagHeld;
        worldTick();
    }
    for (uint8_t& f : ControlFlags) f = 0;
    closeLevelData();
    return 0;
}
