// The staged search over the real world engine, shared by the solver and the level
// statistics.
//
// From a standing player it searches over moves (and a wait of one falling cycle) until a
// diamond is taken or a bomb disarmed, keeping the first `keep` different outcomes; stages
// are chained depth first, backtracking when a stage finds nothing, and a stage start met
// again (the same targets taken in another order) is not searched twice; a search that tried
// every way it kept starts again keeping four times as many outcomes. A stage is best
// first with a weight W (steps + W times the walking distance to the nearest target), or
// breadth first with W = 0. `full` searches the whole level breadth first in one stage
// (shortest solution). Every candidate move is played by the engine itself, so rock physics
// and monsters are exactly the game's; monsters depend on the random draws, so a solution is found for
// one seed only.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "game/state.h"
#include "tools/solver/harness.h"

// The engine's whole state at a move boundary.
struct SearchSnapshot {
    GameState g;
    std::vector<uint8_t> cells;
    RandomState rand;
};

struct SearchOptions {
    long nodeBudget = 1000000;
    int32_t keepPerStage = 6;
    int32_t weight = 2;  // 0: breadth first
    bool full = false;
    bool looseHash = true;  // earth and empty count alike where nothing can fall into them
    bool topDown = false;   // try the outcomes higher up the map first
    bool progress = false;  // a line on standard error for every stage outcome followed
    bool debug = false;     // and a summary of every stage
    bool wander = false;    // with full: never stop, not even at the end of the level (for visit)
    // Called with every new state the search reaches (the player standing); it may play the
    // engine, which the search puts back afterwards.
    std::function<void(const SearchSnapshot&, const std::string& path)> visit;
};

SearchSnapshot saveSnapshot();
void restoreSnapshot(const SearchSnapshot& s);

class StagedSearch {
public:
    explicit StagedSearch(const SearchOptions& options) : opt_(options) {}

    // Searches from the engine's current state; on success `path` holds the actions
    // ('U', 'D', 'L', 'R', and 'W' for four ticks of waiting).
    bool run(std::string& path);

    long nodes() const { return nodes_; }
    bool budgetSpent() const { return nodes_ > opt_.nodeBudget; }
    // After a failed run: why it failed, in a few words (the budget, or every way tried).
    std::string failure() const;
    // Distinct states (standing player, map, monsters) from which a whole stage was searched
    // without finding any way to the next diamond or bomb: places a player can get stuck in.
    long deadEnds() const { return static_cast<long>(deadEnds_.size()); }
    // Diamonds and bombs still left in the state with the fewest left that the search reached.
    int32_t fewestLeft() const { return deepestLeft_; }
    // Prints the map of the state with the fewest targets left, to show where a search got stuck.
    void printDeepest() const;

private:
    struct Goal {
        std::string path;
        SearchSnapshot state;
    };
    uint64_t hash(const SearchSnapshot& s) const;
    void buildDistanceField(const SearchSnapshot& s);
    int32_t targetDistance(const SearchSnapshot& s) const;
    std::vector<Goal> stage(const SearchSnapshot& root, bool& completed, bool& exhausted);
    bool search(const SearchSnapshot& root, std::string& path, int depth);

    SearchOptions opt_;
    long nodes_ = 0;
    std::vector<int32_t> distance_;
    std::unordered_set<uint64_t> deadEnds_;
    std::unordered_set<uint64_t> expanded_;  // stage starts already searched
    int32_t keep_ = 0;                       // outcomes kept a stage in this round
    bool cut_ = false;                       // a stage had more outcomes than it kept
    SearchSnapshot deepest_;
    int32_t deepestLeft_ = 1 << 30;
    std::string deepestPath_;
    std::string currentPath_;
};
