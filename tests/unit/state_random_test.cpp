// The game's random generator must be glibc's rand() draw for draw: the recordings, the
// whole-game script and every solution were made with that sequence.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "state/state.h"

namespace {

// The first draws of glibc's rand() after srand(seed), written down from glibc 2.36.
TEST(Random, DrawsGlibcsSequenceForEverySeed) {
    struct Case {
        uint32_t seed;
        int32_t draws[6];
    };
    const Case cases[] = {
        {1u, {1804289383, 846930886, 1681692777, 1714636915, 1957747793, 424238335}},
        {0u, {1804289383, 846930886, 1681692777, 1714636915, 1957747793, 424238335}},
        {2u, {1505335290, 1738766719, 190686788, 260874575, 747983061, 906156498}},
        {7u, {1045618677, 1863967299, 1272579899, 461085871, 21961325, 1105564443}},
        {12345u, {383100999, 858300821, 357768173, 455528251, 133005921, 116285904}},
        {2147483647u, {1065668062, 2142264300, 1066566375, 1064012770, 2141034222, 1065509725}},
        // Seeds past 2^31 are a negative word to the table's filler.
        {2147483648u, {1336741213, 1210407648, 1447044896, 337392383, 82502902, 538660432}},
        {4294967295u, {254925627, 1205188300, 366127624, 1401405153, 76053476, 1604170158}},
    };
    for (const Case& c : cases) {
        seedRandom(c.seed);
        for (int32_t want : c.draws) EXPECT_EQ(nextRandom(), want) << "seed " << c.seed;
    }
    seedRandom(1);
    for (int i = 0; i < 1000; ++i) nextRandom();
    EXPECT_EQ(nextRandom(), 981914693);
}

// Copying the record rewinds the draws: nothing else holds the generator's position.
TEST(Random, TheStateIsAllInTheRecord) {
    const RandomState saved = randomState;
    seedRandom(1);
    const RandomState start = randomState;
    const int32_t a = nextRandom(), b = nextRandom();
    randomState = start;
    EXPECT_EQ(nextRandom(), a);
    EXPECT_EQ(nextRandom(), b);
    randomState = saved;
}

#ifdef __GLIBC__
// Against the C library itself, where it is the one the sequence comes from.
TEST(Random, MatchesTheCLibrarysRandOverAMillionDraws) {
    for (uint32_t seed : {1u, 99u, 3000000000u}) {
        srand(seed);
        seedRandom(seed);
        int32_t mismatches = 0;
        for (int i = 0; i < 1000000; ++i) mismatches += nextRandom() != rand();
        EXPECT_EQ(mismatches, 0) << "seed " << seed;
    }
    seedRandom(1);
}
#endif

}  // namespace
