// The main loop on the offscreen back end's virtual clock: catch-up, dropped ticks,
// resynchronisation, the sleep between passes, SIGCONT and the end of the loop.
#include <gtest/gtest.h>

#include <linux/rtc.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>

#include "app_harness.h"

namespace {

class Loop : public harness::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // A screen that ignores an idle tick, fully faded in.
        harness::enterActive(GameOver);
    }
};

struct PassCase {
    const char* name;
    bool fromStart;     // nextTickTime still 0, as on the very first pass
    int64_t backlog;    // now - nextTickTime at the top of the pass, in ms
    int32_t ticks;      // ticks run
    int64_t nextAfter;  // nextTickTime after the pass, relative to now
};

class LoopPass : public Loop, public testing::WithParamInterface<PassCase> {};

TEST_P(LoopPass, RunsTheDueTicksAndDrawsOnce) {
    const PassCase& c = GetParam();
    int64_t now = nowMs();
    nextTickTime = c.fromStart ? 0 : now - c.backlog;
    int32_t modeTicks = game.modeTicks;
    uint32_t frames = framesDrawn;
    int64_t presented = offscreenFrameCount();
    int64_t clock = offscreenClockUs();
    harness::DebugLog log;
    EXPECT_EQ(loopPass(), c.ticks);
    EXPECT_EQ(game.modeTicks - modeTicks, c.ticks);
    EXPECT_EQ(framesDrawn - frames, c.ticks > 0 ? 1u : 0u);
    EXPECT_EQ(offscreenFrameCount() - presented, c.ticks > 0 ? 1 : 0);
    EXPECT_EQ(nextTickTime - now, c.nextAfter);
    // No real-time clock offscreen: the fallback sleep of 4 ms, reported every pass.
    EXPECT_EQ(offscreenClockUs() - clock, 4000);
    EXPECT_EQ(log.count("Can't rtc sleep!"), 1);
}

INSTANTIATE_TEST_SUITE_P(Backlogs, LoopPass,
                         testing::Values(PassCase{"NothingDue", false, -1, 0, 1}, PassCase{"OneDue", false, 0, 1, 10},
                                         PassCase{"ThirtyMsDue", false, 25, 3, 5},
                                         // 20 ticks due: 12 run, 8 are dropped, and the clock moves past all 20.
                                         PassCase{"TwoHundredMsDue", false, 195, 12, 5},
                                         // Just under half a second: no resync, 50 due, 12 run and 38 dropped.
                                         PassCase{"JustUnderHalfASecond", false, 499, 12, 1},
                                         PassCase{"HalfASecondResyncs", false, 500, 1, 10},
                                         PassCase{"FirstPassResyncs", true, 0, 1, 10}),
                         [](const testing::TestParamInfo<PassCase>& i) { return std::string(i.param.name); });

// SndPlay leaves its lines to the loop: by the end of the pass they are all in the output, in
// order, however standard output is buffered.
TEST_F(Loop, EveryPassHandsOnItsSoundLines) {
    char path[] = "/tmp/tavrin_sound_lines.XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    std::fflush(stdout);
    const int saved = dup(1);
    dup2(file, 1);
    SndPlay(SoundRock, 0);
    SndPlay(SoundHatch, 0);
    SndPlay(SoundMonsterKilled, 0);
    nextTickTime = nowMs() + 1000;  // a pass with nothing due still hands the lines on
    loopPass();
    std::string written(256, '\0');
    written.resize(static_cast<size_t>(std::max<ssize_t>(0, pread(file, written.data(), written.size(), 0))));
    dup2(saved, 1);
    close(saved);
    close(file);
    unlink(path);
    EXPECT_EQ(written, "SndPlay 256\nSndPlay 251\nSndPlay 253\n");
}

TEST_F(Loop, FirstPassSwitchesToTheSplash) {
    startWorld();
    enterMode();
    nextTickTime = 0;
    EXPECT_EQ(loopPass(), 1);
    EXPECT_EQ(game.mode, Splash);
    stopWorld();
}

TEST_F(Loop, RunsAtOneHundredTicksPerSecond) {
    nextTickTime = nowMs();
    int64_t start = offscreenClockUs();
    int32_t ticks = 0;
    while (offscreenClockUs() - start < 2000000) ticks += loopPass();
    EXPECT_GE(ticks, 199);
    EXPECT_LE(ticks, 201);
}

TEST_F(Loop, ContinuedProcessRunsOneTickNotABurst) {
    std::signal(SIGCONT, onSigCont);
    nextTickTime = nowMs();
    loopPass();
    for (int round = 0; round < 2; ++round) {  // the handler re-arms itself
        // Stopped for ten seconds, then continued.
        offscreenAdvanceUs(10000000);
        testing::internal::CaptureStderr();
        raise(SIGCONT);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "SIGCONT received");
        EXPECT_EQ(loopPass(), 1) << round;
    }
    std::signal(SIGCONT, SIG_DFL);
}

TEST_F(Loop, QuitInsideATickFinishesThePass) {
    // A Quit request at the bottom of a fade is resolved on the first tick of the pass.
    game.modeReady = 0;
    game.fadeLevel = 0;
    game.nextMode = Quit;
    nextTickTime = nowMs() - 25;
    uint32_t frames = framesDrawn;
    EXPECT_EQ(loopPass(), 3);
    EXPECT_EQ(quitRequested, 1);
    EXPECT_EQ(game.mode, Quit);
    EXPECT_EQ(game.modeTicks, 3);  // the switch tick reset it; two more ticks ran
    EXPECT_EQ(framesDrawn - frames, 1u);
}

TEST_F(Loop, ClosingTheWindowEndsTheLoopLikeQuit) {
    offscreenQueueClose();
    EXPECT_EQ(harness::onePass(), 1);
    EXPECT_EQ(quitRequested, 1);
}

TEST_F(Loop, EventsWaitForAPassWithADueTick) {
    harness::enterActive(MainMenu);
    game.menuCursor = 1;
    offscreenQueueKey(Key_Down, true);
    nextTickTime = nowMs() + 1;
    EXPECT_EQ(loopPass(), 0);
    EXPECT_EQ(ControlFlags[ControlDown], 0);  // not delivered yet
    EXPECT_EQ(harness::onePass(), 1);
    EXPECT_EQ(game.menuCursor, 2);
}

TEST_F(Loop, RtcSleepWithoutTheDeviceFailsAtOnce) {
    int64_t clock = offscreenClockUs();
    EXPECT_EQ(rtcSleep(0), 1);
    EXPECT_EQ(rtcSleep(4000), 0);  // there is no real-time clock offscreen
    EXPECT_EQ(offscreenClockUs(), clock);
}

TEST(RtcSleep, RateRequestIsNumberedForThisBuildsUnsignedLong) {
    // The kernel refuses a rate request whose size field does not match its unsigned long,
    // so the handheld's 32-bit number would make every sleep fall back on a 64-bit host.
    EXPECT_EQ(_IOC_SIZE(rtcRateRequest), sizeof(unsigned long));
    EXPECT_EQ(rtcRateRequest, static_cast<unsigned long>(RTC_IRQP_SET));
    if (sizeof(unsigned long) == 4) {
        EXPECT_EQ(rtcRateRequest, 0x4004700Cul);
    }
}

TEST_F(Loop, ClockCountsFromSeptember2001) {
    // The offscreen clock starts at 1 500 000 000 s: 500 000 000 s after our origin.
    int64_t ms = nowMs();
    int64_t us = nowUs();
    EXPECT_EQ(ms, (500000000LL * 1000000 + offscreenClockUs()) / 1000);
    EXPECT_EQ(us, 500000000LL * 1000000 + offscreenClockUs());
    resyncClock();
    EXPECT_EQ(nextTickTime, ms);
}

}  // namespace
