// The mixer's channel rules as the browser's sound back end keeps them: the lowest free
// channel, held for every repetition, and an effect dropped when all eight are busy.
#include <gtest/gtest.h>

#include "sound/sound_channels.h"

TEST(SoundChannels, EffectsStartedTogetherTakeTheLowestFreeChannelsUntilNoneIsLeft) {
    MixerChannels mixer;
    for (int c = 0; c < MixerChannels::Count; ++c) EXPECT_EQ(mixer.start(1.0, 0.5, 0), c);
    // A ninth is dropped, and takes nothing from the others.
    EXPECT_EQ(mixer.start(1.2, 0.01, 0), -1);
    for (int c = 0; c < MixerChannels::Count; ++c) EXPECT_DOUBLE_EQ(mixer.busyUntil[c], 1.5) << c;
}

TEST(SoundChannels, AChannelIsFreeFromTheMomentItsLastRepetitionEnds) {
    struct Case {
        const char* what;
        uint8_t loops;
        double at;  // when the next effect starts
        int channel;
    };
    // The first effect (0.25 s, on channel 0) starts at time 2.
    const Case cases[] = {
        {"still playing", 0, 2.2, 1},
        {"just ended", 0, 2.25, 0},
        {"long over", 0, 9.0, 0},
        {"in its second round", 1, 2.3, 1},
        {"after both rounds", 1, 2.5, 0},
        // loops is the mixer's unsigned byte: 255 is 256 rounds.
        {"in its last of 256 rounds", 255, 2.0 + 0.25 * 255 + 0.1, 1},
        {"after 256 rounds", 255, 2.0 + 0.25 * 256, 0},
    };
    for (const Case& k : cases) {
        MixerChannels mixer;
        ASSERT_EQ(mixer.start(2.0, 0.25, k.loops), 0) << k.what;
        EXPECT_EQ(mixer.start(k.at, 0.1, 0), k.channel) << k.what;
    }
}

TEST(SoundChannels, AFreedChannelBelowBusyOnesIsTakenFirst) {
    MixerChannels mixer;
    EXPECT_EQ(mixer.start(0.0, 1.0, 0), 0);
    EXPECT_EQ(mixer.start(0.0, 0.1, 0), 1);
    EXPECT_EQ(mixer.start(0.0, 1.0, 0), 2);
    EXPECT_EQ(mixer.start(0.5, 1.0, 0), 1);
    EXPECT_EQ(mixer.start(0.5, 1.0, 0), 3);
}
