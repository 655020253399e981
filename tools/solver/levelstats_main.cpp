// levelstats: a table of what each level asks of the player, for the level notes.
//
//   levelstats [--nodes N] <order.txt>                    print the table
//   levelstats [--nodes N] --check <notes.md> <order.txt> fail if the table in the notes is stale
//                                                        or a level has a respawn trap
//   levelstats [--nodes N] --write <notes.md> <order.txt> put the table into the notes
//   levelstats --respawn <level.txt> [<level.sol>]        the respawn check of one level
//   levelstats [--nodes N] --explore <level.txt>          the same at the states the solver reaches
//
// Per level: its size, diamonds (safes included) and bombs; the shipped solution's moves and
// the world ticks it takes (random seed 1, world phase 0); the staged search's effort to find
// a solution from scratch with its default settings (nodes played, or "not found within N");
// and the distinct dead ends that search met: states from which a whole stage found no way on
// to another diamond or bomb; and the respawn traps: the move boundaries along the shipped
// solution where a player who lost a life there, put back on the start square, could not
// stay alive for two seconds whatever they pressed; and the same off the solution's way, at
// the states of the first 100000 nodes of a breadth first play from the start. The table in
// the notes sits between the lines "<!-- levelstats -->" and "<!-- /levelstats -->".
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/common/scratch_home.h"
#include "tools/solver/harness.h"
#include "tools/solver/respawn.h"
#include "tools/solver/search.h"
#include "world/world.h"

namespace {

const char* const Begin = "<!-- levelstats -->\n";
const char* const End = "<!-- /levelstats -->\n";

// One row of the table; empty with `error` set when the level or its solution is broken.
// The breadth first play from the start whose states the off-the-way respawn check visits.
const long ExploreNodes = 100000;

// Levels with a respawn trap along their solution, for --check.
std::vector<std::string> trappedLevels;

std::string levelRow(const std::string& label, const std::string& path, long budget, std::string& error) {
    std::string text, solText, solError;
    LevelSource source;
    LevelSourceError srcError;
    if (!readWholeFile(path, text) || !parseLevelSource(text, source, srcError)) {
        error = path + ": cannot load: " + srcError.message;
        return "";
    }
    std::vector<SolutionStep> steps;
    if (!readWholeFile(solutionPathFor(path), solText) || !parseSolution(solText, steps, solError)) {
        error = path + ": cannot load its solution: " + solError;
        return "";
    }
    long moves = 0;
    for (const SolutionStep& s : steps)
        if (s.kind != 'W') moves += s.count;
    ReplayState played = replayLevel(text, -1, steps, 1, 0);
    if (played.outcome != Outcome::Completed) {
        error = path + ": the shipped solution ends " + outcomeName(played.outcome);
        return "";
    }

    seedRandom(1);
    if (!startLevel(text, -1, 0)) {
        error = path + ": cannot start";
        return "";
    }
    int32_t diamonds = game.diamondsLeft, bombs = game.targetsLeft;
    SearchOptions opt;
    opt.nodeBudget = budget;
    StagedSearch search(opt);
    std::string found;
    bool solved = search.run(found);
    // A level the search does not solve says how far it got and why it stopped: the budget
    // spent (the effort is more than the budget), or every way it keeps tried.
    std::string left = std::to_string(search.fewestLeft()) + " of " + std::to_string(diamonds + bombs) + " left";
    std::string effort = solved ? std::to_string(search.nodes())
                         : search.budgetSpent()
                             ? "not found within " + std::to_string(budget) + " (" + left + ")"
                             : "no way found after " + std::to_string(search.nodes()) + " (" + left + ")";

    RespawnReport traps;
    std::string trapError;
    if (!checkRespawns(text, steps, traps, trapError)) {
        error = path + ": respawn check: " + trapError;
        return "";
    }

    if (traps.trapped > 0) trappedLevels.push_back(source.name + " (" + path + ")");
    // Off the solution's way: what a player who wanders from the start may meet.
    RespawnReport wander;
    if (!exploreRespawns(text, ExploreNodes, wander, trapError)) {
        error = path + ": respawn check off the way: " + trapError;
        return "";
    }

    char row[256];
    std::snprintf(row, sizeof row, "| %s | %s | %dx%d | %d | %d | %ld | %d | %s | %ld | %ld | %ld |\n", label.c_str(),
                  source.name.c_str(), source.width, source.height, diamonds, bombs, moves, played.ticks,
                  effort.c_str(), search.deadEnds(), traps.trapped, wander.trapped);
    return row;
}

bool buildTable(const std::string& order, long budget, std::string& table) {
    std::vector<std::string> paths;
    if (!readLevelOrder(order, paths)) {
        std::fprintf(stderr, "%s: cannot read\n", order.c_str());
        return false;
    }
    table =
        "| Level | Name | Size | Diamonds | Bombs | Moves | Ticks | Solver nodes | Dead ends | Respawn traps | Off the "
        "way |\n"
        "|---|---|---|---|---|---|---|---|---|---|---|\n";
    // The first four are the practice levels.
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string label = i < 4 ? "P" + std::to_string(i + 1) : std::to_string(i - 3);
        std::string error;
        std::string row = levelRow(label, paths[i], budget, error);
        if (row.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
        table += row;
    }
    return true;
}

// The respawn check of one level, for a designer mending a trap: the count, and the first
// trapped state with its map. Exit status 1 when there is a trap.
int respawnCheck(const std::string& levelPath, const std::string& solPath, FILE* out) {
    std::string text, solText, solError;
    LevelSource source;
    LevelSourceError srcError;
    std::vector<SolutionStep> steps;
    if (!readWholeFile(levelPath, text) || !parseLevelSource(text, source, srcError)) {
        std::fprintf(stderr, "%s: cannot load: %s\n", levelPath.c_str(), srcError.message.c_str());
        return 2;
    }
    if (!readWholeFile(solPath, solText) || !parseSolution(solText, steps, solError)) {
        std::fprintf(stderr, "%s: cannot load: %s\n", solPath.c_str(), solError.c_str());
        return 2;
    }
    RespawnReport report;
    std::string error;
    bool completes = checkRespawns(text, steps, report, error);
    // A solution that does not end well is still checked up to where it ends: a designer may
    // play only the start of a level this way.
    if (!completes) std::fprintf(stderr, "%s: %s\n", levelPath.c_str(), error.c_str());
    std::fprintf(out, "%s: %ld states along the solution, %ld respawn traps", source.name.c_str(), report.states,
                 report.trapped);
    if (report.undecided > 0) std::fprintf(out, " (%ld undecided, counted as survivable)", report.undecided);
    std::fprintf(out, "\n");
    if (report.trapped > 0)
        std::fprintf(out,
                     "first trap: after move %d (tick %d), put back on the start square, no input keeps the player "
                     "alive for %d ticks:\n%s",
                     report.firstMoves, report.firstTick, RespawnSurvivalTicks, report.firstMap.c_str());
    return report.trapped > 0 || !completes ? 1 : 0;
}

// The respawn check at every state the solver's search reaches: traps off the solution.
int exploreCheck(const std::string& levelPath, long budget, FILE* out) {
    std::string text;
    LevelSource source;
    LevelSourceError srcError;
    if (!readWholeFile(levelPath, text) || !parseLevelSource(text, source, srcError)) {
        std::fprintf(stderr, "%s: cannot load: %s\n", levelPath.c_str(), srcError.message.c_str());
        return 2;
    }
    RespawnReport report;
    std::string error;
    if (!exploreRespawns(text, budget, report, error)) {
        std::fprintf(stderr, "%s: %s\n", levelPath.c_str(), error.c_str());
        return 2;
    }
    std::fprintf(out, "%s: %ld states reached by the search, %ld respawn traps", source.name.c_str(), report.states,
                 report.trapped);
    if (report.undecided > 0) std::fprintf(out, " (%ld undecided, counted as survivable)", report.undecided);
    std::fprintf(out, "\n");
    if (report.trapped > 0)
        std::fprintf(out,
                     "first trap: after %d moves (tick %d), reached by\n%sput back on the start square, no input "
                     "keeps the player alive for %d ticks:\n%s",
                     report.firstMoves, report.firstTick, report.firstPath.c_str(), RespawnSurvivalTicks,
                     report.firstMap.c_str());
    return report.trapped > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    long budget = SearchOptions().nodeBudget;
    bool nodesGiven = false;
    std::string mode, notes, order, respawnSol;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--explore" && i + 1 < argc) {
            mode = a;
            order = argv[++i];
        } else if (a == "--respawn" && i + 1 < argc) {
            mode = a;
            order = argv[++i];
            if (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0) respawnSol = argv[++i];
        } else if (a == "--nodes" && i + 1 < argc) {
            budget = atol(argv[++i]);
            nodesGiven = true;
        } else if ((a == "--check" || a == "--write") && i + 1 < argc) {
            mode = a;
            notes = argv[++i];
        } else
            order = a;
    }
    if (order.empty() || budget <= 0) {
        std::fprintf(stderr,
                     "usage: levelstats [--nodes N] [--check|--write notes.md] <order.txt>\n"
                     "       levelstats --respawn <level.txt> [<level.sol>]\n"
                     "       levelstats [--nodes N] --explore <level.txt>\n");
        return 2;
    }
    // Completing a level may save progress: keep it away from the real home directory.
    static ScratchHome home("tavrin-levelstats");
    // The engine's sound calls print to standard output; keep the table apart from them.
    std::fflush(stdout);
    int keep = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    FILE* out = fdopen(keep, "w");

    if (mode == "--explore") return exploreCheck(order, nodesGiven ? budget : ExploreNodes, out);
    if (mode == "--respawn") return respawnCheck(order, respawnSol.empty() ? solutionPathFor(order) : respawnSol, out);

    std::string table;
    if (!buildTable(order, budget, table)) return 1;
    if (mode.empty()) {
        std::fputs(table.c_str(), out);
        return 0;
    }
    std::string text;
    if (!readWholeFile(notes, text)) {
        std::fprintf(stderr, "%s: cannot read\n", notes.c_str());
        return 2;
    }
    size_t from = text.find(Begin), to = text.find(End);
    if (from == std::string::npos || to == std::string::npos || to < from) {
        std::fprintf(stderr, "%s: no table between %s and %s", notes.c_str(), Begin, End);
        return 2;
    }
    from += std::string(Begin).size();
    std::string current = text.substr(from, to - from);
    if (mode == "--check") {
        // A lost life must never cost the next ones: a level with a respawn trap fails the
        // check even when the table already shows it.
        for (const std::string& level : trappedLevels)
            std::fprintf(stderr, "levelstats: %s has a respawn trap; see levelstats --respawn\n", level.c_str());
        if (current == table) {
            if (!trappedLevels.empty()) return 1;
            std::fprintf(out, "levelstats: the table in %s is current\n", notes.c_str());
            return 0;
        }
        std::fprintf(stderr,
                     "levelstats: the table in %s is stale; remake it with\n  build/levelstats --write %s %s\n"
                     "It should read:\n%s",
                     notes.c_str(), notes.c_str(), order.c_str(), table.c_str());
        return 1;
    }
    text.replace(from, to - from, table);
    FILE* f = std::fopen(notes.c_str(), "w");
    if (f == nullptr || std::fputs(text.c_str(), f) < 0 || std::fclose(f) != 0) {
        std::fprintf(stderr, "%s: cannot write\n", notes.c_str());
        return 2;
    }
    return 0;
}
