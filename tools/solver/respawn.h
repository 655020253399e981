// Respawn traps. Losing a life does not reload the level: the player is put back on the start
// square of the world as it stands, with the rocks and monsters where they were. A level must
// never leave that square deadly, or a player who loses a life there loses the next ones
// too. These checks replay a level's solution and, at every move boundary, put the player
// back on the start square and search for a way to stay alive.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/solver/harness.h"

// How long a player put back on the start square must be able to stay alive: two seconds.
constexpr int32_t RespawnSurvivalTicks = 200;

// Takes the player off the map and puts them back on the start square, standing and alive,
// exactly as the switch of a lost life does (removePlayer, then placePlayer); the lives
// count is left alone.
void respawnPlayer();

// Searches every sequence of inputs (moves and waits, standing still included) from the
// engine's current state, the player standing, for one that keeps the player alive for
// `ticks` world ticks (completing the level counts as alive). Leaves the engine in the state
// it found it. `nodes` counts the moves and waits played. When the search gives up after
// `budget` of them the answer is "survives" and `undecided` is set.
bool canSurvive(int32_t ticks, long budget, long& nodes, bool& undecided);

struct RespawnReport {
    long states = 0;     // move boundaries checked along the solution
    long trapped = 0;    // of those, the ones where a respawn cannot be survived
    long undecided = 0;  // where the search gave up (counted as survivable)
    long nodes = 0;      // moves and waits the searches played
    // The first trap: the moves the solution had made, its tick, and the map right after
    // the respawn (mapPicture); when exploring, the way there as solution text.
    int32_t firstMoves = -1;
    int32_t firstTick = -1;
    std::string firstMap;
    std::string firstPath;
};

// Replays the solution from the level's start (random seed 1, world phase 0) and checks a
// respawn at every move boundary: before each move, and every falling cycle (four ticks) of
// a wait. Returns false, with `error`, when the level does not load or the solution does not
// complete it; the report then covers the states up to where the solution ended.
bool checkRespawns(const std::string& sourceText, const std::vector<SolutionStep>& steps, RespawnReport& report,
                   std::string& error, long budgetPerState = 200000);

// The same check off the solution's way: at every state the solver's search reaches from the
// level's start (random seed 1, world phase 0, its default settings and at most `searchBudget`
// nodes): the orders, detours and delays a player may try, such as letting a monster out.
// Returns false, with `error`, when the level does not load.
bool exploreRespawns(const std::string& sourceText, long searchBudget, RespawnReport& report, std::string& error,
                     long budgetPerState = 200000);
