#include "tools/solver/search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <queue>

#include "tools/solver/harness.h"
#include "world/world.h"

SearchSnapshot saveSnapshot() {
    SearchSnapshot s;
    s.g = game;
    s.cells.assign(map, map + mapCells);
    s.rand = randomState;
    return s;
}

void restoreSnapshot(const SearchSnapshot& s) {
    game = s.g;
    std::memcpy(map, s.cells.data(), s.cells.size());
    randomState = s.rand;
    std::memset(ControlFlags, 0, sizeof ControlFlags);
}

namespace {

bool isObject(uint8_t t) { return t == TileRock || t == TileEgg; }

int32_t remaining(const GameState& g) { return g.diamondsLeft + g.targetsLeft; }

const char Actions[] = {'U', 'D', 'L', 'R', 'W'};

// Plays one action from the engine's current state.
Outcome apply(char a) {
    ReplayState st;
    if (a == 'W')
        playWait(4, st);
    else
        playMove(a, st);
    finishMoves(st);
    return st.outcome;
}

}  // namespace

// With the loose hash, earth and empty squares count as the same unless an object could fall
// or roll into or through the square (one above it, diagonally above, or beside it: a rock
// rolls only when the square beside it is open too): digging elsewhere changes nothing for
// rocks and eggs (monsters aside, which walk only through empty squares), and treating it as
// new would make every dug square a new state.
uint64_t StagedSearch::hash(const SearchSnapshot& s) const {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    int32_t w = mapWidth;
    for (size_t i = 0; i < s.cells.size(); ++i) {
        uint8_t c = s.cells[i];
        if (opt_.looseHash && (c == 2 || c == 3 || c == 56 || c == 6)) {
            int32_t x = static_cast<int32_t>(i) % w, y = static_cast<int32_t>(i) / w;
            bool near = false;
            for (int32_t dx = -1; dx <= 1 && !near; ++dx) {
                int32_t xx = x + dx, yy = y - 1;
                if (xx >= 0 && xx < w && yy >= 0) near = isObject(s.cells[yy * w + xx]);
                if (dx != 0 && xx >= 0 && xx < w && !near) near = isObject(s.cells[y * w + xx]);
            }
            if (!near) c = 6;
        }
        mix(c);
    }
    mix(static_cast<uint64_t>(s.g.playerX) << 8 | static_cast<uint64_t>(s.g.playerY));
    // A monster counts by its square and its age, which stops at 64 once it walks: its step
    // counter ticks on with the clock and would make every moment of its walk a new state.
    // The age still tells waiting for a monster to hatch from standing still.
    for (const MonsterSlot& m : s.g.monsters)
        if (m.life) mix(static_cast<uint64_t>(m.x) | m.y << 8 | static_cast<uint64_t>(m.life) << 16);
    return h;
}

// Walking distance (rocks counted as passable, walls, skulls and shut bombs not) from every
// square to the nearest square that still counts: a diamond, a safe or the key while
// diamonds are left, else a bomb. Computed once per stage.
void StagedSearch::buildDistanceField(const SearchSnapshot& s) {
    bool diamonds = s.g.diamondsLeft > 0;
    distance_.assign(s.cells.size(), 1 << 20);
    std::vector<int32_t> queue;
    for (size_t i = 0; i < s.cells.size(); ++i) {
        uint8_t t = s.cells[i];
        bool target = diamonds ? (t == TileDiamond || t == TileSafe || t == TileKey) : t == TileBomb;
        if (target) {
            distance_[i] = 0;
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
            if (wall || distance_[n] <= distance_[i] + 1) continue;
            distance_[n] = distance_[i] + 1;
            queue.push_back(n);
        }
    }
}

int32_t StagedSearch::targetDistance(const SearchSnapshot& s) const {
    size_t i = static_cast<size_t>(s.g.playerX + s.g.playerY * mapWidth);
    return i < distance_.size() ? std::min(distance_[i], 1000) : 1000;
}

// One stage: breadth first (or best first: steps + W * distance to the nearest target) until
// the count of diamonds and bombs left drops. `exhausted`: every reachable state was tried.
std::vector<StagedSearch::Goal> StagedSearch::stage(const SearchSnapshot& root, bool& completed, bool& exhausted) {
    struct Node {
        SearchSnapshot s;
        int32_t parent;
        char action;
    };
    std::vector<Goal> goals;
    std::vector<Node> nodes;
    std::vector<int32_t> depth;
    std::unordered_set<uint64_t> seen;
    using Entry = std::pair<int32_t, int32_t>;  // priority, node index
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    nodes.push_back({root, -1, 0});
    depth.push_back(0);
    open.push({0, 0});
    seen.insert(hash(root));
    int32_t want = remaining(root.g);
    completed = false;
    exhausted = false;
    int32_t order = 0;
    // A shortest solution needs the plain breadth first order.
    const int32_t weight = opt_.full ? 0 : opt_.weight;
    if (weight > 0) buildDistanceField(root);
    while (!open.empty()) {
        if (nodes_ > opt_.nodeBudget) break;
        size_t i = static_cast<size_t>(open.top().second);
        open.pop();
        for (char a : Actions) {
            restoreSnapshot(nodes[i].s);
            Outcome o = apply(a);
            ++nodes_;
            if (o == Outcome::Died || o == Outcome::Blocked) continue;
            SearchSnapshot s = saveSnapshot();
            uint64_t h = hash(s);
            if (!seen.insert(h).second) continue;
            if (o == Outcome::Completed && opt_.wander) continue;
            if (opt_.visit) {
                std::string path(1, a);
                for (int32_t p = static_cast<int32_t>(i); nodes[p].parent >= 0; p = nodes[p].parent)
                    path.insert(path.begin(), nodes[p].action);
                opt_.visit(s, currentPath_ + path);
            }
            bool goal = o == Outcome::Completed || (!opt_.full && remaining(s.g) < want);
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
                if (static_cast<int32_t>(goals.size()) >= keep_) {
                    cut_ = true;
                    return goals;
                }
                continue;
            }
            int32_t d = depth[i] + 1;
            // Breadth first keeps insertion order; best first adds the distance estimate.
            int32_t priority = weight > 0 ? d + weight * targetDistance(s) : ++order;
            nodes.push_back({std::move(s), static_cast<int32_t>(i), a});
            depth.push_back(d);
            open.push({priority, static_cast<int32_t>(nodes.size() - 1)});
        }
    }
    exhausted = open.empty();
    if (opt_.debug) {
        int32_t maxDepth = 0;
        for (int32_t d : depth) maxDepth = std::max(maxDepth, d);
        fprintf(stderr, "stage from %d left: %zu states, depth %d, %zu goals\n", want, nodes.size(), maxDepth,
                goals.size());
    }
    return goals;
}

bool StagedSearch::search(const SearchSnapshot& root, std::string& path, int depth) {
    // Every stage ends with one target fewer, so a state met again (the same targets taken in
    // another order, or by another way) was searched before and led nowhere.
    // A dead end stays one whatever the outcomes kept, so a later round skips it too.
    uint64_t key = hash(root);
    if (deadEnds_.count(key) != 0 || !expanded_.insert(key).second) return false;
    if (remaining(root.g) < deepestLeft_) {
        deepestLeft_ = remaining(root.g);
        deepest_ = root;
        deepestPath_ = currentPath_;
    }
    bool completed = false, exhausted = false;
    std::vector<Goal> goals = stage(root, completed, exhausted);
    if (completed) {
        path += goals[0].path;
        return true;
    }
    if (goals.empty() && exhausted) deadEnds_.insert(key);
    // In a level that is played downwards, clearing the upper floors first keeps the way back
    // open; try those outcomes first.
    if (opt_.topDown)
        std::stable_sort(goals.begin(), goals.end(),
                         [](const Goal& a, const Goal& b) { return a.state.g.playerY < b.state.g.playerY; });
    for (Goal& goal : goals) {
        if (budgetSpent()) return false;
        if (opt_.progress)
            fprintf(stderr, "%*sstage %d: %zu moves, %d left, nodes %ld\n", depth, "", depth, goal.path.size(),
                    remaining(goal.state.g), nodes_);
        std::string sub;
        size_t mark = currentPath_.size();
        currentPath_ += goal.path;
        bool found = search(goal.state, sub, depth + 1);
        currentPath_.resize(mark);
        if (found) {
            path += goal.path + sub;
            return true;
        }
    }
    return false;
}

bool StagedSearch::run(std::string& path) {
    path.clear();
    SearchSnapshot start = saveSnapshot();
    // When every way was tried but some stage had more outcomes than it kept, the search goes
    // again from the start keeping four times as many, until the budget is spent.
    for (keep_ = opt_.keepPerStage;; keep_ *= 4) {
        cut_ = false;
        expanded_.clear();
        if (search(start, path, 0)) return true;
        if (budgetSpent() || !cut_ || opt_.full) return false;
    }
}

std::string StagedSearch::failure() const {
    std::string left = deepestLeft_ == 1 << 30 ? std::string("nothing") : std::to_string(deepestLeft_);
    if (budgetSpent())
        return "more than " + std::to_string(opt_.nodeBudget) + " nodes; at best " + left + " targets left";
    return "every way tried (" + std::to_string(keep_) + " outcomes a stage) after " + std::to_string(nodes_) +
           " nodes; at best " + left + " targets left";
}

void StagedSearch::printDeepest() const {
    if (deepestLeft_ == 1 << 30) return;
    restoreSnapshot(deepest_);
    fprintf(stderr, "deepest state: %d left, player at %d,%d, reached by:\n", deepestLeft_, game.playerX, game.playerY);
    std::vector<SolutionStep> steps;
    for (char c : deepestPath_) steps.push_back({c, c == 'W' ? 4 : 1});
    fprintf(stderr, "%s", formatSolution(steps).c_str());
    for (int32_t y = 0; y < mapHeight; ++y) {
        std::string row;
        for (int32_t x = 0; x < mapWidth; ++x) {
            uint8_t t = getCell(x, y);
            const char* glyphs = "O*.,cX #";
            char c = t < 8     ? glyphs[t]
                     : t == 30 ? '@'
                     : t == 22 ? 'S'
                     : t == 24 ? 'E'
                     : t == 25 ? 'K'
                     : t == 27 ? 'B'
                     : t == 47 ? 'e'
                               : '#';
            row += c;
        }
        fprintf(stderr, "%3d %s\n", y, row.c_str());
    }
}
