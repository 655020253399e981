// The desktop's plain sleep, paced to the program's ticks: run against the program's loop as
// the layer sees it, on a clock of the test's own, it never sleeps past the moment the next
// tick falls due (the one thing that would change the game's timing), and on a quiet loop it
// wakes once a tick instead of every 4 ms.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <random>
#include "platform/layer.h"

namespace {

// app/loop.cpp as the layer sees it: a pass reads the clock, runs the ticks that are due
// (asking for events first; after a stall of half a second it puts its tick clock right with
// a reading of its own), works, reads the clock again and asks to sleep 4 ms. Disturbed, it
// also puts its tick clock right now and then in the middle of a tick (a slow picture), and
// a continue signal may cut a sleep short, its handler reading the clock.
struct Loop {
    explicit Loop(bool d) : disturbed(d) {}
    bool disturbed;
    std::mt19937 rng{20260};
    int64_t nowUs = 1234567890123456;
    int64_t nextTickMs = nowUs / 1000;
    SleepPacing pacing;
    int handlerReads = 0;  // the handler's reading counts in the pass after it
    int64_t handlerMs = 0;
    int passes = 0, tickPasses = 0;
    int64_t worstLateUs = 0;  // how long after its due moment a tick ran (after settling)

    int64_t between(int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng); }

    void pass(int settlePasses) {
        int reads = handlerReads + 1;
        int64_t firstMs = handlerReads ? handlerMs : nowUs / 1000;
        handlerReads = 0;
        int64_t now = nowUs / 1000;
        bool asked = false;
        while (now - nextTickMs >= 0) {
            asked = true;
            if (passes >= settlePasses) worstLateUs = std::max(worstLateUs, nowUs - nextTickMs * 1000);
            if (now - nextTickMs > 499) {
                nextTickMs = nowUs / 1000;
                reads++;
            }
            nextTickMs += 10;
        }
        if (asked) {
            tickPasses++;
            nowUs += between(100, disturbed ? 3000 : 600);  // the ticks and the frame
            if (disturbed && between(0, 150) == 0) {
                nowUs += between(1000, 40000);  // a picture decoded: the clock is put right
                nextTickMs = nowUs / 1000;
                reads++;
            }
            if (disturbed && between(0, 400) == 0) nowUs += between(500000, 900000);  // a stall
        }
        nowUs += between(5, 40);
        reads++;  // rtcSleep's reading
        passes++;
        unsigned us = pacing.sleepUs(reads, firstMs, asked, nowUs, 4000);
        // As asked, or up to the moment the next tick falls due, never beyond it.
        ASSERT_GE(us, 4000u);
        ASSERT_LE(nowUs + int64_t(us), std::max(nowUs + 4000, nextTickMs * 1000)) << "pass " << passes;
        int64_t wake = nowUs + us + between(40, 200);  // the kernel's timer slack
        if (disturbed && between(0, 300) == 0) {
            // A continue signal: the sleep ends early and the handler puts the clock right.
            nowUs += between(0, us);
            handlerMs = nowUs / 1000;
            nextTickMs = handlerMs;
            handlerReads = 1;
        } else {
            nowUs = wake;
        }
    }
};

TEST(DesktopPacing, NeverSleepsPastTheNextTickAndWakesOnceATickWhenQuiet) {
    Loop quiet(false);
    for (int i = 0; i < 20000 && !testing::Test::HasFatalFailure(); i++) quiet.pass(200);
    // Nearly every pass runs a tick (with the bare 4 ms sleep, two in five did), on time.
    EXPECT_GT(quiet.tickPasses, quiet.passes * 95 / 100);
    EXPECT_LT(quiet.worstLateUs, 1000);

    Loop disturbed(true);
    for (int i = 0; i < 20000 && !testing::Test::HasFatalFailure(); i++) disturbed.pass(0);
    EXPECT_GT(disturbed.tickPasses, disturbed.passes / 2);
}

}  // namespace
