// solver: searches a solution for a level over the real world engine.
//
//   solver [--nodes N] [--seed S] [--keep K] [--weight W] [--topdown] [--full] [--exact]
//          [--prefix start.sol] <level.txt> [<out.sol>]
//
// The search runs in stages: from a standing player it searches over moves (and a wait of
// one falling cycle) until a diamond is taken or a bomb disarmed, keeping the first K
// different outcomes; stages are chained depth first, backtracking when a stage finds
// nothing, and a stage start met again is not searched twice (when every way was tried, it
// starts again keeping four times as many outcomes). A stage is best first with
// weight W (steps + W times the walking distance to the nearest target; default 2), or
// breadth first with --weight 0. --topdown tries the outcomes higher up the map first.
// --full searches the whole level breadth first in one stage (shortest solution, small
// levels only). --prefix plays a hand-written start first and searches on from there. Every
// candidate move is played by the engine itself, so rock physics and monsters are exactly
// the game's. Monsters depend on the random draws: the search keeps its state with every state, so a
// solution plays again for the seed it was found with, but must still be checked with
// `replay` over many seeds.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/common/scratch_home.h"
#include "tools/solver/harness.h"
#include "tools/solver/search.h"
#include "world/world.h"

int main(int argc, char** argv) {
    unsigned seed = 1;
    SearchOptions opt;
    opt.progress = true;
    opt.debug = getenv("SOLVER_DEBUG") != nullptr;
    std::string prefixPath;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--nodes" && i + 1 < argc)
            opt.nodeBudget = atol(argv[++i]);
        else if (a == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(atol(argv[++i]));
        else if (a == "--keep" && i + 1 < argc)
            opt.keepPerStage = atoi(argv[++i]);
        else if (a == "--full")
            opt.full = true;
        else if (a == "--exact")
            opt.looseHash = false;
        else if (a == "--topdown")
            opt.topDown = true;
        else if (a == "--weight" && i + 1 < argc)
            opt.weight = atoi(argv[++i]);
        else if (a == "--prefix" && i + 1 < argc)
            prefixPath = argv[++i];
        else
            files.push_back(a);
    }
    if (files.empty()) {
        fprintf(stderr,
                "usage: solver [--nodes N] [--seed S] [--keep K] [--full] [--exact] [--topdown] [--weight W] [--prefix "
                "start.sol] <level.txt> [<out.sol>]\n");
        return 2;
    }
    // Completing a level may save progress: keep it away from the real home directory.
    static ScratchHome home("tavrin-solver");
    // The engine's sound calls print to standard output; keep the solution apart from them.
    fflush(stdout);
    int keep = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    FILE* out = fdopen(keep, "w");
    std::string text;
    LevelSource source;
    LevelSourceError error;
    if (!readWholeFile(files[0], text) || !parseLevelSource(text, source, error)) {
        fprintf(stderr, "%s: cannot load: %s\n", files[0].c_str(), error.message.c_str());
        return 2;
    }
    seedRandom(seed);
    if (!startLevel(text, -1, 0)) return 2;
    // A prefix (a hand-written start, e.g. the part with the monsters) is played first and
    // the search goes on from where it leaves the level.
    std::vector<SolutionStep> prefix;
    if (!prefixPath.empty()) {
        std::string ptext, perror;
        if (!readWholeFile(prefixPath, ptext) || !parseSolution(ptext, prefix, perror)) {
            fprintf(stderr, "%s: cannot load %s\n", prefixPath.c_str(), perror.c_str());
            return 2;
        }
        ReplayState st = replaySteps(prefix);
        if (st.outcome != Outcome::Playing) {
            fprintf(stderr, "the prefix ends the level: %s\n", outcomeName(st.outcome));
            return 2;
        }
    }
    std::string path;
    StagedSearch searcher(opt);
    bool ok = searcher.run(path);
    fprintf(stderr, "%s: %s after %ld nodes, %ld dead ends\n", source.name.c_str(), ok ? "solved" : "no solution",
            searcher.nodes(), searcher.deadEnds());
    if (!ok) {
        fprintf(stderr, "%s\n", searcher.failure().c_str());
        searcher.printDeepest();
        return 1;
    }
    std::vector<SolutionStep> steps = prefix;
    for (char c : path) steps.push_back({c, c == 'W' ? 4 : 1});
    std::string sol = formatSolution(steps);
    if (files.size() > 1) {
        FILE* f = fopen(files[1].c_str(), "w");
        if (!f) return 2;
        fprintf(f, "# %s: found by the solver (%zu steps)\n%s", source.name.c_str(), path.size(), sol.c_str());
        fclose(f);
    } else {
        fprintf(out, "%s", sol.c_str());
    }
    return 0;
}
