// Level solutions and their replay through the real world engine, tick by tick.
// Shared by the solver, the replay tool and the level tests.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/state.h"
#include "tools/common/whole_file.h"
#include "world/levelsource.h"

// One token of a solution: a move ('U', 'D', 'L', 'R') or a wait ('W') repeated count times
// (for a wait, count is the number of ticks).
struct SolutionStep {
    char kind;
    int32_t count;
};

// Parses a .sol text (format in assets/levels/solutions.md).
bool parseSolution(std::string_view text, std::vector<SolutionStep>& steps, std::string& error);
// Writes steps back as text, runs of equal moves merged, at most `perLine` tokens a line.
std::string formatSolution(const std::vector<SolutionStep>& steps, int32_t perLine = 16);

// Puts a level, given as its source text, into the running engine as the game's StartLevel
// would (the engine's loadLevelSource: the map goes through the real scrambled-record
// reader, the squares are counted, the player placed, the monsters cleared; only the tile
// pictures, which a replay never draws, are not built). `level` is the level index the
// engine sees (negative for practice levels, which complete without touching the progress
// file). Returns false if the level failed to load.
bool startLevel(const std::string& sourceText, int8_t level, uint8_t phase);

// One world tick as gameTick runs it in Play: worldTick, then the pressed bits are cleared.
void runTick();

enum class Outcome { Playing, Completed, Died, Blocked };

struct ReplayState {
    Outcome outcome = Outcome::Playing;
    int32_t ticks = 0;  // world ticks run so far
    int32_t token = 0;  // index of the step being played
    std::string detail;
};

// Tick-exact move and wait primitives: both first let the move in progress finish.
// A move holds its direction flag until the move starts, then releases it; a move that
// cannot start on the next tick of world phase 0 is Blocked.
void playMove(char dir, ReplayState& st);
void playWait(int32_t ticks, ReplayState& st);
// Lets the move in progress finish (used after the last step).
void finishMoves(ReplayState& st);

// Replays all steps from the engine's current state; stops at the first end.
ReplayState replaySteps(const std::vector<SolutionStep>& steps);

// Loads the level and replays for one random seed (seedRandom) and one starting world phase.
ReplayState replayLevel(const std::string& sourceText, int8_t level, const std::vector<SolutionStep>& steps,
                        uint32_t seed, uint8_t phase);

const char* outcomeName(Outcome o);

// The map as text in the level sources' characters (README of assets/levels), one numbered
// row a line; live monsters show as 'M', cracked eggs as 'e', other tiles without a
// character as '?'.
std::string mapPicture();

// The solution beside a level source: "x.txt" -> "x.sol".
std::string solutionPathFor(const std::string& levelPath);
// order.txt: file names relative to its folder; blank and '#' lines skipped.
bool readLevelOrder(const std::string& orderPath, std::vector<std::string>& paths);
