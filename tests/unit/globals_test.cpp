// The globals every test starts from are the program's own start state, whatever ran before.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/unit/globals_snapshot.h"

TEST(Globals, EveryTestStartsFromTheProgramsStartState) {
    EXPECT_EQ(programStartGlobals().differences(), std::vector<std::string>{});
    // The program starts with a zero game record and a zero progress record, no map and no
    // pictures; the border tile and the map allocator have their fixed values.
    static const GameState zeroGame{};
    static const ProgressRecord zeroProgress{};
    EXPECT_EQ(std::memcmp(&game, &zeroGame, sizeof game), 0);
    EXPECT_EQ(std::memcmp(&progress, &zeroProgress, sizeof progress), 0);
    EXPECT_EQ(map, nullptr);
    EXPECT_EQ(BackBuffer.pixels, nullptr);
    EXPECT_EQ(TileSheet, nullptr);
    EXPECT_EQ(borderTile, TileBorder);
    EXPECT_EQ(mapAllocate, &malloc);
}

TEST(Globals, ARestoredSnapshotUndoesEveryChange) {
    const GlobalsSnapshot before;
    const auto& regions = gameGlobals();
    for (const GlobalRegion& r : regions) std::memset(r.address, 0xA5, r.size);
    EXPECT_EQ(before.differences().size(), regions.size());
    before.restore();
    EXPECT_EQ(before.differences(), std::vector<std::string>{});
}
