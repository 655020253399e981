// The unit tests' main. The whole run has a private home folder, so no test can write the
// real one; and every test ends with the game's globals put back as the program starts with
// them, so no test depends on what another left behind (make test also runs the suite
// shuffled, to show any order dependence that is left).
#include <gtest/gtest.h>

#include "tests/unit/globals_snapshot.h"
#include "tools/common/scratch_home.h"

namespace {

const GlobalsSnapshot* startGlobals = nullptr;

class GlobalsGuard : public testing::EmptyTestEventListener {
    // Listeners hear a test's end in reverse order: the application object that a test made
    // is let go (harness::AppReleaser, appended later) before the globals are put back.
    void OnTestEnd(const testing::TestInfo&) override { startGlobals->restore(); }
};

}  // namespace

const GlobalsSnapshot& programStartGlobals() { return *startGlobals; }

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    ScratchHome home("tavrin-unit");
    static const GlobalsSnapshot start;
    startGlobals = &start;
    testing::UnitTest::GetInstance()->listeners().Append(new GlobalsGuard);
    return RUN_ALL_TESTS();
}
