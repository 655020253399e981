// The mixer's channel rules, for a driver whose output has no channels of its own (the
// browser's audio): eight channels; an effect takes the lowest-numbered free one and holds it
// until its last repetition has ended; with every channel busy the effect is dropped.
#pragma once
#include <cstdint>

struct MixerChannels {
    // The mixer opens this many channels unless told otherwise, and the game never tells it.
    static constexpr int Count = 8;
    // When each channel's effect ends, in seconds of the output's clock (0: never used).
    double busyUntil[Count] = {};

    // Starts an effect of length seconds, played loops extra times, at time now: returns the
    // channel it takes, or -1 when none is free (nothing is taken then).
    int start(double now, double length, uint8_t loops) {
        for (int c = 0; c < Count; ++c) {
            // A channel whose effect has just ended is free again, as the mixer's is.
            if (busyUntil[c] > now) continue;
            busyUntil[c] = now + length * (double(loops) + 1.0);
            return c;
        }
        return -1;
    }
};
