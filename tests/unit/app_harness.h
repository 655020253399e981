// Shared helpers for the shell, game-state and progress tests: the program's own
// application object on the offscreen back end, state resets, one-tick passes and capture of
// the sound lines printed on standard output.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/window.h"
#include "game/state.h"
#include "gfx/graphics.h"
#include "platform/offscreen.h"
#include "platform/toolkit.h"
#include "tools/common/scratch_home.h"

namespace harness {

inline bool& ownsApp() {
    static bool owns = false;
    return owns;
}

inline void releaseApp();

// Lets the application object go at the end of every test that made one through ensureApp.
class AppReleaser : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override { releaseApp(); }
};

// Creates the application object and window exactly as the program does. The layer allows one
// application object at a time, so it is let go again when the test ends.
inline void ensureApp() {
    if (appHandles.application) return;
    static bool listening = false;
    if (!listening) {
        listening = true;
        testing::UnitTest::GetInstance()->listeners().Append(new AppReleaser);
    }
    // Fresh every time: the application object takes its own options out of argv.
    static char a0[8], a1[16], a2[16];
    static char* argv[4];
    std::strcpy(a0, "tavrin");
    std::strcpy(a1, "-platform");
    std::strcpy(a2, "offscreen");
    argv[0] = a0;
    argv[1] = a1;
    argv[2] = a2;
    argv[3] = nullptr;
    frameinit(3, argv);
    initDisplay();
    ownsApp() = true;
}

inline void releaseApp() {
    if (!ownsApp()) return;
    ownsApp() = false;
    releaseDisplay();
    delete appHandles.window;
    appHandles.window = nullptr;
    delete appHandles.application;
    appHandles.application = nullptr;
}

// Drops whatever events are still queued, then zeroes the game, the controls and the stylus.
inline void resetState() {
    if (appHandles.application) appHandles.application->processEvents();
    std::memset(&game, 0, sizeof game);
    std::memset(&progress, 0, sizeof progress);
    std::memset(ControlFlags, 0, sizeof ControlFlags);
    stylusTapX = stylusTapY = -1;
    stylusLastX = stylusLastY = 0;
    stylusDown = 0;
    quitRequested = 0;
}

// Puts the game in a mode that is fully faded in and active, as after its fade-in.
inline void enterActive(uint8_t m) {
    game.mode = m;
    game.nextMode = m;
    game.modeReady = 1;
    game.fadeLevel = 256;
}

// One pass of the real loop with exactly one tick due; queued events are delivered first.
inline int32_t onePass() {
    nextTickTime = nowMs();
    return loopPass();
}

// Queues a key press and its release, both delivered before the next tick.
inline void tapKey(int key) {
    offscreenQueueKey(key, true);
    offscreenQueueKey(key, false);
}

// Records the debug log from construction on.
class DebugLog {
public:
    DebugLog() {
        offscreenRecordDebug(false);
        offscreenRecordDebug(true);
    }
    ~DebugLog() { offscreenRecordDebug(false); }
    const std::vector<std::string>& lines() const { return offscreenDebugLines(); }
    int count(const std::string& line) const {
        int n = 0;
        for (const std::string& l : lines()) n += l == line;
        return n;
    }
    int countPrefix(const std::string& prefix) const {
        int n = 0;
        for (const std::string& l : lines()) n += l.rfind(prefix, 0) == 0;
        return n;
    }
};

// Collects what the code under test prints on standard output (the sound lines).
class StdoutCapture {
public:
    StdoutCapture() { testing::internal::CaptureStdout(); }
    ~StdoutCapture() {
        if (!done_) testing::internal::GetCapturedStdout();
    }
    std::vector<std::string> lines() {
        done_ = true;
        std::string all = testing::internal::GetCapturedStdout();
        std::vector<std::string> out;
        size_t start = 0;
        while (start < all.size()) {
            size_t end = all.find('\n', start);
            if (end == std::string::npos) end = all.size();
            out.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        return out;
    }

private:
    bool done_ = false;
};

// A private home directory for the progress file, removed afterwards.
using TempHome = ScratchHome;

// A test that runs with the offscreen application object and a cleared game state, and
// leaves both as it found them.
class AppTest : public testing::Test {
protected:
    void SetUp() override {
        ensureApp();
        resetState();
    }
    void TearDown() override {
        resetState();
        releaseApp();
    }
};

}  // namespace harness
