#include "tools/solver/respawn.h"

#include <cstring>
#include <unordered_set>

#include "tools/solver/search.h"
#include "world/world.h"

void respawnPlayer() {
    removePlayer();
    placePlayer();
}

namespace {

enum class Step { Standing, Survived, Died, Blocked };

bool levelDone() {
    return game.modeReady == 0 &&
           (game.nextMode == LevelComplete || game.nextMode == StartLevel || game.nextMode == GameComplete);
}

// One tick; tells whether the player is still there to go on, and how it ended if not.
bool tick(int32_t& used, int32_t horizon, Step& end) {
    runTick();
    ++used;
    if (game.deathTimer > 0) {
        end = Step::Died;
        return false;
    }
    if (levelDone() || used >= horizon) {
        end = Step::Survived;
        return false;
    }
    return true;
}

// Plays one action from a standing player, tick by tick as the replay does, stopping at the
// horizon: 'W' stands for one falling cycle (four ticks), a direction holds its key until the
// move starts and then lets the move finish.
Step act(char a, int32_t horizon, int32_t& used) {
    Step end = Step::Standing;
    if (a == 'W') {
        for (int i = 0; i < 4; ++i)
            if (!tick(used, horizon, end)) return end;
        return Step::Standing;
    }
    int index = a == 'U' ? ControlUp : a == 'D' ? ControlDown : a == 'L' ? ControlLeft : ControlRight;
    ControlFlags[index] = FlagHeld;
    for (;;) {
        bool phaseZero = game.worldPhase == 0;
        if (!tick(used, horizon, end)) return end;
        if (game.moveDir != 0) break;
        if (phaseZero) return Step::Blocked;
    }
    ControlFlags[index] = 0;
    while (game.moveDir != 0)
        if (!tick(used, horizon, end)) return end;
    return Step::Standing;
}

// What the future of a standing player depends on, and the ticks still to survive. Earth of
// either speckle is the same earth; score and animation do not matter.
uint64_t stateKey(int32_t left) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    for (int32_t i = 0; i < mapCells; ++i) {
        uint8_t c = map[i];
        mix(c == TileEarthSecond || c == TileGreenEarth ? static_cast<uint8_t>(TileEarth) : c);
    }
    mix(static_cast<uint64_t>(game.playerX) << 16 | static_cast<uint64_t>(game.playerY));
    for (const MonsterSlot& m : game.monsters)
        if (m.life)
            mix(static_cast<uint64_t>(m.x) | m.y << 8 | m.toX << 16 | static_cast<uint64_t>(m.toY) << 24 |
                static_cast<uint64_t>(m.life) << 32 | static_cast<uint64_t>(m.step) << 40 |
                static_cast<uint64_t>(m.dir) << 48);
    mix(static_cast<uint64_t>(game.worldPhase) | static_cast<uint64_t>(game.diamondsLeft) << 8 |
        static_cast<uint64_t>(game.targetsLeft) << 40);
    for (int32_t word : randomState.table) mix(static_cast<uint32_t>(word));
    mix(static_cast<uint64_t>(randomState.front) | static_cast<uint64_t>(randomState.rear) << 8);
    mix(static_cast<uint64_t>(left));
    return h;
}

struct Survival {
    Survival(int32_t h, long b) : horizon(h), budget(b) {}
    int32_t horizon;
    long budget;
    long nodes = 0;
    bool gaveUp = false;
    std::unordered_set<uint64_t> seen;

    // Depth first: standing still first, which is what most respawns need.
    bool from(int32_t used) {
        SearchSnapshot here = saveSnapshot();
        for (char a : {'W', 'U', 'D', 'L', 'R'}) {
            if (nodes >= budget) {
                gaveUp = true;
                return true;
            }
            restoreSnapshot(here);
            ++nodes;
            int32_t t = used;
            Step r = act(a, horizon, t);
            if (r == Step::Survived) return true;
            if (r != Step::Standing) continue;
            if (!seen.insert(stateKey(horizon - t)).second) continue;
            if (from(t)) return true;
        }
        return false;
    }
};

// Both checks start the level as the statistics do: random seed 1, world phase 0.
bool startFresh(const std::string& sourceText, RespawnReport& report, std::string& error) {
    report = RespawnReport();
    seedRandom(1);
    if (startLevel(sourceText, -1, 0)) return true;
    error = "the level does not load";
    return false;
}

}  // namespace

bool canSurvive(int32_t ticks, long budget, long& nodes, bool& undecided) {
    SearchSnapshot start = saveSnapshot();
    Survival s(ticks, budget);
    bool ok = s.from(0);
    restoreSnapshot(start);
    nodes = s.nodes;
    undecided = s.gaveUp;
    return ok;
}

bool checkRespawns(const std::string& sourceText, const std::vector<SolutionStep>& steps, RespawnReport& report,
                   std::string& error, long budgetPerState) {
    if (!startFresh(sourceText, report, error)) return false;
    ReplayState st;
    int32_t moves = 0;
    auto check = [&]() {
        SearchSnapshot before = saveSnapshot();
        respawnPlayer();
        long nodes = 0;
        bool undecided = false;
        bool ok = canSurvive(RespawnSurvivalTicks, budgetPerState, nodes, undecided);
        ++report.states;
        report.nodes += nodes;
        if (undecided) ++report.undecided;
        if (!ok) {
            ++report.trapped;
            if (report.firstMoves < 0) {
                report.firstMoves = moves;
                report.firstTick = st.ticks;
                report.firstMap = mapPicture();
            }
        }
        restoreSnapshot(before);
    };
    for (size_t k = 0; k < steps.size() && st.outcome == Outcome::Playing; ++k) {
        st.token = static_cast<int32_t>(k);
        const SolutionStep& s = steps[k];
        if (s.kind == 'W') {
            finishMoves(st);
            for (int32_t left = s.count; left > 0 && st.outcome == Outcome::Playing; left -= 4) {
                check();
                playWait(left < 4 ? left : 4, st);
            }
            continue;
        }
        for (int32_t i = 0; i < s.count && st.outcome == Outcome::Playing; ++i) {
            finishMoves(st);
            if (st.outcome != Outcome::Playing) break;
            check();
            playMove(s.kind, st);
            ++moves;
        }
    }
    finishMoves(st);
    if (st.outcome != Outcome::Completed) {
        error = std::string("the solution ends ") + outcomeName(st.outcome) + " at step " + std::to_string(st.token);
        return false;
    }
    return true;
}

bool exploreRespawns(const std::string& sourceText, long searchBudget, RespawnReport& report, std::string& error,
                     long budgetPerState) {
    if (!startFresh(sourceText, report, error)) return false;
    SearchOptions opt;
    opt.nodeBudget = searchBudget;
    opt.full = true;
    opt.wander = true;
    opt.visit = [&](const SearchSnapshot& state, const std::string& path) {
        restoreSnapshot(state);
        respawnPlayer();
        long nodes = 0;
        bool undecided = false;
        bool ok = canSurvive(RespawnSurvivalTicks, budgetPerState, nodes, undecided);
        ++report.states;
        report.nodes += nodes;
        if (undecided) ++report.undecided;
        if (ok) return;
        ++report.trapped;
        if (report.firstMoves >= 0) return;
        report.firstMoves = 0;
        std::vector<SolutionStep> steps;
        for (char c : path) {
            if (c != 'W') ++report.firstMoves;
            steps.push_back({c, c == 'W' ? 4 : 1});
        }
        report.firstTick = state.g.levelTicks;
        report.firstMap = mapPicture();
        report.firstPath = formatSolution(steps);
    };
    StagedSearch search(opt);
    std::string found;
    search.run(found);
    return true;
}
