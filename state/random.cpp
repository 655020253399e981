// The game's random generator. It reproduces glibc's rand() draw for draw, because that is
// the sequence the game has always played: a browser's or another C library's rand() would
// send the monsters elsewhere.
#include "state/state.h"

namespace {

constexpr int32_t Degree = 31;
constexpr int32_t Separation = 3;

constexpr int32_t draw(RandomState& r) {
    // The sum wraps as an unsigned word; the lowest bit, the least random, is dropped.
    const uint32_t sum = uint32_t(r.table[r.front]) + uint32_t(r.table[r.rear]);
    r.table[r.front] = int32_t(sum);
    r.front = uint8_t(r.front + 1 == Degree ? 0 : r.front + 1);
    r.rear = uint8_t(r.rear + 1 == Degree ? 0 : r.rear + 1);
    return int32_t(sum >> 1);
}

constexpr RandomState seeded(uint32_t seed) {
    RandomState r{};
    if (seed == 0) seed = 1;
    // The table is filled by 16807 * x mod (2^31 - 1), with Schrage's method on the seed
    // taken as a signed word, as the library does.
    int32_t word = int32_t(seed);
    r.table[0] = word;
    for (int32_t i = 1; i < Degree; ++i) {
        const int64_t hi = word / 127773, lo = word % 127773;
        word = int32_t(16807 * lo - 2836 * hi);
        if (word < 0) word += 2147483647;
        r.table[i] = word;
    }
    r.front = Separation;
    r.rear = 0;
    // The first ten rounds of the table are thrown away.
    for (int32_t i = 0; i < Degree * 10; ++i) draw(r);
    return r;
}

}  // namespace

// Made at compile time: the record is ready before any code runs.
constinit RandomState randomState = seeded(1);

void seedRandom(uint32_t seed) { randomState = seeded(seed); }

int32_t nextRandom() { return draw(randomState); }
