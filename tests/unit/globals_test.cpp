// The globals every test starts from are the program's own start state, whatever ran before;
// and the snapshot that puts them back holds every global the game's libraries define.
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "tests/unit/globals_snapshot.h"

namespace {

// Every variable the built libraries keep in writable memory, listed by the build with the
// toolchain's nm (tests/unit/list_globals.sh, cmake/tests.cmake). Constants are not listed.
struct LibraryGlobal {
    const char* folder;
    const char* object;  // the archive member: "level.cpp.o"
    char kind;           // nm's letter: upper case for a symbol other objects can see
    const char* symbol;  // as the object names it (mangled)
};
const LibraryGlobal libraryGlobals[] = {
#include "library_globals.inc"
};

// The variables of the game's folders that are deliberately not in the snapshot, each with
// the reason; the key is "folder/source file" and the name as the demangler writes it.
struct NotGameState {
    const char* file;
    const char* name;
};
const NotGameState notGameState[] = {
    // The processor's wide registers, looked up once at start-up.
    {"gfx/blit.cpp", "(anonymous namespace)::wideCopies"},
    {"gfx/font.cpp", "(anonymous namespace)::wideText"},
    {"screens/mapsquares.cpp", "(anonymous namespace)::wideCopies"},
    {"screens/primitives.cpp", "(anonymous namespace)::wideCopies"},
    {"screens/tiles.cpp", "(anonymous namespace)::wideCopies"},
    // Caches for speed: each is checked against what it was made from before it is used,
    // so what a test leaves there changes no picture.
    {"catalogue/resources.cpp", "findEmbeddedFile(char const*)::cache"},
    {"gfx/font.cpp", "(anonymous namespace)::sprites"},
    {"gfx/font.cpp", "(anonymous namespace)::nextSprite"},
    {"gfx/font.cpp", "(anonymous namespace)::spriteFont"},
    {"gfx/font.cpp", "(anonymous namespace)::fontKeepsLines(FontRecord const*)::usable"},
    {"screens/complete.cpp", "(anonymous namespace)::kept"},
    {"screens/complete.cpp", "(anonymous namespace)::loaded"},
    {"screens/complete.cpp", "(anonymous namespace)::lastStage"},
    {"screens/complete.cpp", "(anonymous namespace)::lastDrawn"},
    {"screens/credits.cpp", "(anonymous namespace)::kept"},
    {"screens/mapsquares.cpp", "drawMapSquares(int, int, int, int, int, int)::turned"},
    {"screens/tiles.cpp", "(anonymous namespace)::tileBatch"},
    {"screens/tiles.cpp", "(anonymous namespace)::turnedReady"},
    {"screens/tiles.cpp", "(anonymous namespace)::turnedKept"},
    {"screens/tiles.cpp", "(anonymous namespace)::turnedStepY"},
    {"screens/tiles.cpp", "(anonymous namespace)::turnedTiles"},
    {"screens/tiles.cpp", "(anonymous namespace)::turnedFrom"},
    // Set afresh by every call before it is read: the decoder's source, the fade of the
    // frame being drawn, the real-time clock's sleep.
    {"gfx/jpeg.cpp", "(anonymous namespace)::MemorySource"},
    {"screens/primitives.cpp", "(anonymous namespace)::fadeAhead"},
    {"app/suspend.cpp", "sleepStart"},
    {"app/suspend.cpp", "sleepDeadline"},
    {"app/suspend.cpp", "sleepLastRead"},
    {"store/progress.cpp", "tailBlock"},
    // Said once a run, on purpose: a player without a home folder hears it once.
    {"store/progress.cpp", "noPlace(char const*)::said"},
    // Where the tile sheets are unpacked from: the catalogue's, the same whenever set.
    {"world/tiles.cpp", "(anonymous namespace)::tilePicture"},
    {"world/tiles.cpp", "(anonymous namespace)::mapTilePicture"},
    // The application object and its argument count: the tests' harness makes one per test
    // and lets it go (harness::AppReleaser).
    {"state/state.cpp", "appHandles"},
    {"app/window.cpp", "frameArgc"},
    // The sound back end's loaded samples, loaded once for the run.
    {"sound/sound.cpp", "(anonymous namespace)::samples"},
};

std::string demangled(const char* symbol) {
    int status = 0;
    char* name = abi::__cxa_demangle(symbol, nullptr, nullptr, &status);
    std::string readable = status == 0 && name ? name : symbol;  // a plain C++ global is not mangled
    std::free(name);
    // One compiler tags a name with the library's ABI ("cache[abi:cxx11]"), the other not.
    for (size_t tag; (tag = readable.find("[abi:")) != std::string::npos;)
        readable.erase(tag, readable.find(']', tag) + 1 - tag);
    return readable;
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// What is not the game's state, whatever it is called.
bool isNeverGameState(const LibraryGlobal& g, const std::string& name) {
    // The toolkit layer and its back ends: the emulated device, the clock, the recording, the
    // log. Its own tests look after its state; the game's snapshot is the game's.
    if (std::strcmp(g.folder, "platform") == 0) return true;
    // The unwinder's reference to the exception support, the standard library's own objects,
    // and what the sanitizers add to the objects they instrument.
    for (const char* prefix : {"DW.ref.", "std::", "__asan", "___asan", "__odr_asan", "__ubsan", "__sancov"})
        if (startsWith(name, prefix)) return true;
    return false;
}

std::string sourceFile(const LibraryGlobal& g) {
    std::string object = g.object;
    if (object.size() > 2 && object.compare(object.size() - 2, 2, ".o") == 0) object.resize(object.size() - 2);
    return std::string(g.folder) + "/" + object;
}

}  // namespace

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

// A global added to a game folder without a place in the snapshot would carry one test's
// changes into the next: it is named here until it joins the snapshot (globals_snapshot.h) or,
// if it is not the game's state, the list above with its reason.
TEST(Globals, TheSnapshotHoldsEveryGlobalTheGamesLibrariesDefine) {
    std::set<std::string> inSnapshot;
    for (const GlobalRegion& r : gameGlobals()) inSnapshot.insert(r.name);
    std::set<std::string> excused;
    for (const NotGameState& n : notGameState) excused.insert(std::string(n.file) + " " + n.name);

    std::vector<std::string> missing;
    std::set<std::string> seenInSnapshot;
    for (const LibraryGlobal& g : libraryGlobals) {
        std::string name = demangled(g.symbol);
        // A function's static is guarded by a flag of its own, which goes with it.
        if (startsWith(name, "guard variable for ")) name.erase(0, std::strlen("guard variable for "));
        if (isNeverGameState(g, name)) continue;
        const bool external = g.kind >= 'A' && g.kind <= 'Z';
        if (external && inSnapshot.count(name)) {
            seenInSnapshot.insert(name);
            continue;
        }
        const std::string where = sourceFile(g) + " " + name;
        if (!excused.count(where)) missing.push_back(where);
    }
    EXPECT_EQ(missing, std::vector<std::string>{}) << "globals of the game that the snapshot does not hold";
    // Every entry of the snapshot is a global of the game's libraries: the listing saw them all.
    std::vector<std::string> unseen;
    for (const std::string& name : inSnapshot)
        if (!seenInSnapshot.count(name)) unseen.push_back(name);
    EXPECT_EQ(unseen, std::vector<std::string>{}) << "snapshot entries the libraries' listing does not show";
}
