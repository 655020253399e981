// solver: searches a solution for a level over the real world engine.
//
//   solver [--nodes N] [--seed S] [--keep K] [--weight W] [--topdown] [--full] [--exact]
//          [--prefix start.sol] <level.txt> [<out.sol>]
//
// The search runs in stages: from a standing player it searches over moves (and a wait of
// one falling cycle) until a diamond is taken or a bomb disarmed, keeping the first K
// different outcomes; stages are chained depth first, backtracking when a stage finds
// nothing. A stage is breadth first, or best first with --weight W (steps + W times the
// walking distance to the nearest target), which big levels need. --topdown tries the
// outcomes higher up the map first. --full searches the whole level breadth first in one
// stage (shortest solution, small levels only). --prefix plays a hand-written start first
// and searches on from there. Every candidate move is played by the engine itself, so rock
// physics and monsters are exactly the game's. Monsters depend on rand(): a solution found
// for one seed must still be checked with `replay` over many seeds.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <queue>
#include <string>
#include <unordered_set>
#include <vector>

#include "tools/common/scratch_home.h"
#include "tools/solver/harness.h"
#include "world/world.h"

namespace {

struct Snapshot {
    GameState g;
    std::vector<uint8_t> cells;
};

Snapshot save() {
    Snapshot s;
    s.g = game;
    s.cells.assign(map, map + mapCells);
    return s;
}

void restore(const Snapshot& s) {
    game = s.g;
    std::memcpy(map, s.cells.data(), s.cells.size());
    std::memset(ControlFlags, 0, sizeof ControlFlags);
}

bool looseHash = true;

bool isObject(uint8_t t) { return t == TileRock || t == TileEgg; }

// With the loose hash, earth and empty squares count as the same unless an object could fall
// or roll into the square (one above it, or diagonally above): digging elsewhere changes
// nothing for rocks and eggs (monsters aside, which walk only through empty squares), and
// treating it as new would make every dug square a new state.
uint64_t stateHash(const Snapshot& s) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    int32_t w = mapWidth;
    for (size_t i = 0; i < s.cells.size(); ++i) {
        uint8_t c = s.cells[i];
        if (looseHash && (c == 2 || c == 3 || c == 56 || c == 6)) {
            int32_t x = static_cast<int32_t>(i) % w, y = static_cast<int32_t>(i) / w;
            bool near = false;
            for (int32_t dx = -1; dx <= 1 && !near; ++dx) {
                int32_t xx = x + dx, yy = y - 1;
                if (xx >= 0 && xx < w && yy >= 0) near = isObject(s.cells[yy * w + xx]);
            }
            if (!near) c = 6;
        }
        mix(c);
    }
    mix(static_cast<uint64_t>(s.g.playerX) << 8 | static_cast<uint64_t>(s.g.playerY));
    for (const MonsterSlot& m : s.g.monsters)
        if (m.life) mix(static_cast<uint64_t>(m.x) | m.y << 8 | m.toX << 16 | static_cast<uint64_t>(m.toY) << 24 |
                        static_cast<uint64_t>(m.life) << 32 | static_cast<uint64_t>(m.step) << 40);
    return h;
}

int32_t remaining(const GameState& g) { return g.diamondsLeft + g.targetsLeft; }

struct Node {
    Snapshot s;
    int32_t parent;
    char action;
};

const char Actions[] = {'U', 'D', 'L', 'R', 'W'};

// Plays one action from the engine's current state. Returns the outcome.
Outcome apply(char a) {
    ReplayState st;
    if (a == 'W') playWait(4, st);
    else playMove(a, st);
    finishMoves(st);
    return st.outcome;
}

long totalNodes = 0;
long nodeBudget = 2000000;
int32_t keepPerStage = 6;
bool fullSearch = false;

// Breadth-first from root; returns goal paths (action strings) in order found.
int32_t heuristicWeight = 0;

// Walking distance (rocks counted as passable, walls, skulls and shut bombs not) from
// every square to the nearest square that still counts: a diamond, a safe or the key while
// diamonds are left, else a bomb. Computed once per stage.
std::vector<int32_t> distanceField;

void buildDistanceField(const Snapshot& s) {
    bool diamonds = s.g.diamondsLeft > 0;
    distanceField.assign(s.cells.size(), 1 << 20);
    std::vector<int32_t> queue;
    for (size_t i = 0; i < s.cells.size(); ++i) {
        uint8_t t = s.cells[i];
        bool target = diamonds ? (t == TileDiamond || t == TileSafe || t == TileKey) : t == TileBomb;
        if (target) {
            distanceField[i] = 0;
            queue.push_back(static_cast<int32_t>(i));
        }
    }
    for (size_t q = 0; q < queue.size(); ++q) {
        int32_t i = queue[q];
        int32_t x = i % mapWidth, y = i / mapWidth;
        const int32_t dx[] = {0, 0, -1, 1}, dy[] = {-1, 1, 0, 0};
        for (int k = 0; k < 4; ++k) {
            int32_t nx = x + dx[k], ny = y + dy[k];
            if (nx < 0 || ny < 0 || nx >= mapWidth || ny >= mapHeight) continue;
            int32_t n = nx + ny * mapWidth;
            uint8_t t = s.cells[n];
            bool wall = (t >= 7 && t <= 23 && t != TileSafe) || (t >= 47 && t <= 55) || t == TileSkull ||
                        (t == TileBomb && diamonds);
            if (wall || distanceField[n] <= distanceField[i] + 1) continue;
            distanceField[n] = distanceField[i] + 1;
            queue.push_back(n);
        }
    }
}

int32_t targetDistance(const Snapshot& s) {
    size_t i = static_cast<size_t>(s.g.playerX + s.g.playerY * mapWidth);
    return i < distanceField.size() ? std::min(distanceField[i], 1000) : 1000;
}

// One stage: breadth first (or best first with --weight W: steps + W * distance to the
// nearest target) until the count of diamonds and bombs left drops.
std::vector<std::pair<std::string, Snapshot>> stage(const Snapshot& root, bool& completed) {
    std::vector<std::pair<std::string, Snapshot>> goals;
    std::vector<Node> nodes;
    std::vector<int32_t> depth;
    std::unordered_set<uint64_t> seen;
    using Entry = std::pair<int32_t, int32_t>;  // priority, node index
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    nodes.push_back({root, -1, 0});
    depth.push_back(0);
    open.push({0, 0});
    seen.insert(stateHash(root));
    int32_t want = remaining(root.g);
    completed = false;
    int32_t order = 0;
    if (heuristicWeight > 0) buildDistanceField(root);
    while (!open.empty()) {
        if (totalNodes > nodeBudget) break;
        size_t i = static_cast<size_t>(open.top().second);
        open.pop();
        for (char a : Actions) {
            restore(nodes[i].s);
            Outcome o = apply(a);
            ++totalNodes;
            if (o == Outcome::Died || o == Outcome::Blocked) continue;
            Snapshot s = save();
            uint64_t h = stateHash(s);
            if (!seen.insert(h).second) continue;
            bool goal = o == Outcome::Completed || (!fullSearch && remaining(s.g) < want);
            if (goal) {
                std::string path(1, a);
                for (int32_t p = static_cast<int32_t>(i); nodes[p].parent >= 0; p = nodes[p].parent)
                    path.insert(path.begin(), nodes[p].action);
                if (o == Outcome::Completed) {
                    completed = true;
                    goals.clear();
                    goals.push_back({path, s});
                    return goals;
                }
                goals.push_back({path, s});
                if (static_cast<int32_t>(goals.size()) >= keepPerStage) return goals;
                continue;
            }
            int32_t d = depth[i] + 1;
            // Breadth first keeps insertion order; best first adds the distance estimate.
            int32_t priority = heuristicWeight > 0 ? d + heuristicWeight * targetDistance(s) : ++order;
            nodes.push_back({std::move(s), static_cast<int32_t>(i), a});
            depth.push_back(d);
            open.push({priority, static_cast<int32_t>(nodes.size() - 1)});
        }
    }
    if (getenv("SOLVER_DEBUG")) {
        int32_t maxDepth = 0;
        for (int32_t d : depth) maxDepth = std::max(maxDepth, d);
        fprintf(stderr, "stage from %d left: %zu states, depth %d, %zu goals\n", want, nodes.size(), maxDepth, goals.size());
    }
    return goals;
}

Snapshot deepest;
int32_t deepestLeft = 1 << 30;
std::string deepestPath;
std::string currentPath;

// Prints the map of the state with the fewest diamonds left, to show where a search got stuck.
void printDeepest() {
    if (deepestLeft == 1 << 30) return;
    restore(deepest);
    fprintf(stderr, "deepest state: %d left, player at %d,%d, reached by:\n", deepestLeft, game.playerX, game.playerY);
    std::vector<SolutionStep> steps;
    for (char c : deepestPath) steps.push_back({c, c == 'W' ? 4 : 1});
    fprintf(stderr, "%s", formatSolution(steps).c_str());
    for (int32_t y = 0; y < mapHeight; ++y) {
        std::string row;
        for (int32_t x = 0; x < mapWidth; ++x) {
            uint8_t t = getCell(x, y);
            const char* glyphs = "O*.,cX #";
            char c = t < 8 ? glyphs[t] : t == 30 ? '@' : t == 22 ? 'S' : t == 24 ? 'E' : t == 25 ? 'K' : t == 27 ? 'B' : t == 47 ? 'e' : '#';
            row += c;
        }
        fprintf(stderr, "%3d %s\n", y, row.c_str());
    }
}

bool topDown = false;

bool search(const Snapshot& root, std::string& path, int depth) {
    if (remaining(root.g) < deepestLeft) {
        deepestLeft = remaining(root.g);
        deepest = root;
        deepestPath = currentPath;
    }
    bool completed = false;
    auto goals = stage(root, completed);
    if (completed) {
        path += goals[0].first;
        return true;
    }
    // In a level that is played downwards, clearing the upper floors first keeps the way back
    // open; try those outcomes first.
    if (topDown)
        std::stable_sort(goals.begin(), goals.end(),
                         [](const auto& a, const auto& b) { return a.second.g.playerY < b.second.g.playerY; });
    for (auto& [p, s] : goals) {
        if (totalNodes > nodeBudget) return false;
        fprintf(stderr, "%*sstage %d: %zu moves, %d left, nodes %ld\n", depth, "", depth, p.size(),
                remaining(s.g), totalNodes);
        std::string sub;
        size_t mark = currentPath.size();
        currentPath += p;
        bool found = search(s, sub, depth + 1);
        currentPath.resize(mark);
        if (found) {
            path += p + sub;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned seed = 1;
    std::string prefixPath;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--nodes" && i + 1 < argc) nodeBudget = atol(argv[++i]);
        else if (a == "--seed" && i + 1 < argc) seed = static_cast<unsigned>(atol(argv[++i]));
        else if (a == "--keep" && i + 1 < argc) keepPerStage = atoi(argv[++i]);
        else if (a == "--full") fullSearch = true;
        else if (a == "--exact") looseHash = false;
        else if (a == "--topdown") topDown = true;
        else if (a == "--weight" && i + 1 < argc) heuristicWeight = atoi(argv[++i]);
        else if (a == "--prefix" && i + 1 < argc) prefixPath = argv[++i];
        else files.push_back(a);
    }
    if (files.empty()) {
        fprintf(stderr, "usage: solver [--nodes N] [--seed S] [--keep K] [--full] [--exact] [--topdown] [--weight W] [--prefix start.sol] <level.txt> [<out.sol>]\n");
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
    if (!readTextFile(files[0], text) || !parseLevelSource(text, source, error)) {
        fprintf(stderr, "%s: cannot load: %s\n", files[0].c_str(), error.message.c_str());
        return 2;
    }
    srand(seed);
    if (!startLevel(text, -1, 0)) return 2;
    // A prefix (a hand-written start, e.g. the part with the monsters) is played first and
    // the search goes on from where it leaves the level.
    std::vector<SolutionStep> prefix;
    if (!prefixPath.empty()) {
        std::string ptext, perror;
        if (!readTextFile(prefixPath, ptext) || !parseSolution(ptext, prefix, perror)) {
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
    bool ok = search(save(), path, 0);
    fprintf(stderr, "%s: %s after %ld nodes\n", source.name.c_str(), ok ? "solved" : "no solution", totalNodes);
    if (!ok) {
        printDeepest();
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
