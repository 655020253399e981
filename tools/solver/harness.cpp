#include "tools/solver/harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "world/world.h"

namespace {

// A mode request made during the tick ends the replay: the real game stops the world ticks
// from the next tick on (fade-out).
void checkEnd(ReplayState& st) {
    if (st.outcome != Outcome::Playing) return;
    if (game.deathTimer > 0) {
        st.outcome = Outcome::Died;
        return;
    }
    if (game.modeReady == 0 &&
        (game.nextMode == LevelComplete || game.nextMode == StartLevel || game.nextMode == GameComplete))
        st.outcome = Outcome::Completed;
}

void tickOnce(ReplayState& st) {
    runTick();
    ++st.ticks;
    checkEnd(st);
}

}  // namespace

bool parseSolution(std::string_view text, std::vector<SolutionStep>& steps, std::string& error) {
    steps.clear();
    size_t i = 0;
    int32_t line = 1;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == ',') {
            ++i;
            continue;
        }
        if (c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        if (c != 'U' && c != 'D' && c != 'L' && c != 'R' && c != 'W') {
            error = "line " + std::to_string(line) + ": unknown token '" + std::string(1, c) + "'";
            return false;
        }
        ++i;
        int32_t count = 0;
        bool digits = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            digits = true;
            count = count * 10 + (text[i] - '0');
            if (count > 1000000) {
                error = "line " + std::to_string(line) + ": count too large";
                return false;
            }
            ++i;
        }
        if (!digits) count = (c == 'W') ? 4 : 1;
        if (count == 0) {
            error = "line " + std::to_string(line) + ": count 0";
            return false;
        }
        if (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\n' && text[i] != '\r' &&
            text[i] != ',' && text[i] != '#') {
            error = "line " + std::to_string(line) + ": tokens must be separated by spaces";
            return false;
        }
        steps.push_back({c, count});
    }
    return true;
}

std::string formatSolution(const std::vector<SolutionStep>& steps, int32_t perLine) {
    std::vector<SolutionStep> merged;
    for (const SolutionStep& s : steps) {
        if (!merged.empty() && merged.back().kind == s.kind)
            merged.back().count += s.count;
        else
            merged.push_back(s);
    }
    std::string out;
    int32_t n = 0;
    for (const SolutionStep& s : merged) {
        if (n > 0) out += (n % perLine == 0) ? "\n" : " ";
        out += s.kind;
        if (s.kind == 'W' || s.count != 1) out += std::to_string(s.count);
        ++n;
    }
    out += "\n";
    return out;
}

bool startLevel(const std::string& sourceText, int8_t level, uint8_t phase) {
    if (loadLevelSource(sourceText.data(), static_cast<int32_t>(sourceText.size())) != 0 || map == nullptr)
        return false;
    game.level = level;
    game.worldPhase = phase & 3;
    game.mode = Play;
    game.nextMode = Play;
    game.modeReady = 1;
    game.fadeLevel = 256;
    game.lives = 4;
    game.score = 0;
    std::memset(ControlFlags, 0, sizeof ControlFlags);
    return true;
}

void runTick() {
    worldTick();
    for (uint8_t& f : ControlFlags) f &= static_cast<uint8_t>(~FlagPressed);
}

void finishMoves(ReplayState& st) {
    while (st.outcome == Outcome::Playing && game.moveDir != 0) tickOnce(st);
}

void playMove(char dir, ReplayState& st) {
    finishMoves(st);
    if (st.outcome != Outcome::Playing) return;
    int index = dir == 'U' ? ControlUp : dir == 'D' ? ControlDown : dir == 'L' ? ControlLeft : ControlRight;
    ControlFlags[index] = FlagHeld;
    for (;;) {
        bool phaseZero = game.worldPhase == 0;
        tickOnce(st);
        if (game.moveDir != 0 || st.outcome != Outcome::Playing) break;
        if (phaseZero) {
            st.outcome = Outcome::Blocked;
            st.detail = std::string("move ") + dir + " cannot start";
            break;
        }
    }
    ControlFlags[index] = 0;
}

void playWait(int32_t ticks, ReplayState& st) {
    finishMoves(st);
    for (int32_t i = 0; i < ticks && st.outcome == Outcome::Playing; ++i) tickOnce(st);
}

ReplayState replaySteps(const std::vector<SolutionStep>& steps) {
    ReplayState st;
    for (size_t k = 0; k < steps.size() && st.outcome == Outcome::Playing; ++k) {
        st.token = static_cast<int32_t>(k);
        const SolutionStep& s = steps[k];
        if (s.kind == 'W')
            playWait(s.count, st);
        else
            for (int32_t i = 0; i < s.count && st.outcome == Outcome::Playing; ++i) playMove(s.kind, st);
    }
    if (st.outcome == Outcome::Playing) {
        st.token = static_cast<int32_t>(steps.size());
        finishMoves(st);
    }
    return st;
}

ReplayState replayLevel(const std::string& sourceText, int8_t level, const std::vector<SolutionStep>& steps,
                        uint32_t seed, uint8_t phase) {
    seedRandom(seed);
    if (!startLevel(sourceText, level, phase)) {
        ReplayState st;
        st.outcome = Outcome::Blocked;
        st.detail = "level failed to load";
        return st;
    }
    return replaySteps(steps);
}

std::string mapPicture() {
    char glyph[64];
    for (int t = 0; t < 64; ++t) glyph[t] = '?';
    for (int c = 126; c >= 32; --c) {
        int32_t t = defaultLegendTile(static_cast<char>(c));
        if (t >= 0 && t < 64) glyph[t] = static_cast<char>(c);
    }
    glyph[TileEmpty] = ' ';
    glyph[TileCrackedEgg] = 'e';
    std::string out;
    for (int32_t y = 0; y < mapHeight; ++y) {
        char label[16];
        std::snprintf(label, sizeof label, "%3d ", y);
        std::string row = label;
        for (int32_t x = 0; x < mapWidth; ++x) {
            uint8_t t = getCell(x, y);
            char c = t < 64 ? glyph[t] : '?';
            for (const MonsterSlot& m : game.monsters)
                if (m.life > 31 && m.x == x && m.y == y) c = 'M';
            row += c;
        }
        while (!row.empty() && row.back() == ' ') row.pop_back();
        out += row + "\n";
    }
    return out;
}

const char* outcomeName(Outcome o) {
    switch (o) {
    case Outcome::Playing: return "unfinished";
    case Outcome::Completed: return "completed";
    case Outcome::Died: return "died";
    case Outcome::Blocked: return "blocked";
    }
    return "?";
}

std::string solutionPathFor(const std::string& levelPath) {
    std::string p = levelPath;
    if (p.size() > 4 && p.compare(p.size() - 4, 4, ".txt") == 0) p.resize(p.size() - 4);
    return p + ".sol";
}

bool readLevelOrder(const std::string& orderPath, std::vector<std::string>& paths) {
    std::string text;
    if (!readWholeFile(orderPath, text)) return false;
    size_t slash = orderPath.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : orderPath.substr(0, slash);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        paths.push_back(dir + "/" + line.substr(start));
    }
    return true;
}
