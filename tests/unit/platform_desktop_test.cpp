// The desktop back end's pieces that need no window: the settings file, where the picture
// sits in a window of any size (and where a press lands), and held gamepad keys repeating
// like the keyboard's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>
#include "platform/desktop.h"
#include "platform/toolkit.h"

namespace {
// A scratch folder of its own, with XDG_CONFIG_HOME pointing into it while it lives.
struct ConfigHome {
    std::string dir;
    std::string oldXdg;
    bool hadXdg = false;
    ConfigHome() {
        char tmpl[] = "/tmp/tavrin-desktop-XXXXXX";
        dir = mkdtemp(tmpl);
        const char* x = getenv("XDG_CONFIG_HOME");
        hadXdg = x != nullptr;
        if (x) oldXdg = x;
        setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    }
    ~ConfigHome() {
        if (hadXdg)
            setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::string cmd = "rm -rf '" + dir + "'";
        EXPECT_EQ(system(cmd.c_str()), 0);
    }
};
}  // namespace

TEST(DesktopSettings, TheFileIsReadStrictly) {
    const struct {
        const char* text;
        int width, height;
        bool fullscreen;
        const char* error;  // nullptr: accepted
        bool maximized;
    } cases[] = {
        {"window 500 700\nfullscreen 1\n", 500, 700, true, nullptr, false},
        {"# a note\n\nwindow 240 320\n", 240, 320, false, nullptr, false},  // fullscreen may be left out
        {"window 16384 16384\nfullscreen 0", 16384, 16384, false, nullptr, false},
        {"window 500 700\nfullscreen 0\nmaximized 1\n", 500, 700, false, nullptr, true},
        {"maximized 0\nwindow 500 700\n", 500, 700, false, nullptr, false},
        {"window 500 700\nmaximized 2\n", 0, 0, false, "line 2", false},
        {"window 500 700\nmaximized 1\nmaximized 1\n", 0, 0, false, "line 3", false},
        {"", 0, 0, false, "no window line", false},
        {"fullscreen 1\n", 0, 0, false, "no window line", false},
        {"window 239 320\n", 0, 0, false, "line 1", false},  // smaller than the screen
        {"window 500 16385\n", 0, 0, false, "line 1", false},
        {"window 500\n", 0, 0, false, "line 1", false},
        {"window 500 700 9\n", 0, 0, false, "line 1", false},
        {"window five 700\n", 0, 0, false, "line 1", false},
        {"window 500 700\nfullscreen 2\n", 0, 0, false, "line 2", false},
        {"window 500 700\nwindow 600 700\n", 0, 0, false, "line 2", false},
        {"window 500 700\nzoom 3\n", 0, 0, false, "line 2", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WindowSettings s;
        s.width = -1;
        std::string error;
        int r = parseWindowSettings(c.text, s, error);
        if (!c.error) {
            ASSERT_EQ(r, 0) << error;
            EXPECT_EQ(s.width, c.width);
            EXPECT_EQ(s.height, c.height);
            EXPECT_EQ(s.fullscreen, c.fullscreen);
            EXPECT_EQ(s.maximized, c.maximized);
            WindowSettings again;
            ASSERT_EQ(parseWindowSettings(formatWindowSettings(s), again, error), 0);
            EXPECT_EQ(again.width, s.width);
            EXPECT_EQ(again.fullscreen, s.fullscreen);
            EXPECT_EQ(again.maximized, s.maximized);
        } else {
            EXPECT_EQ(r, 1);
            EXPECT_EQ(error.find(c.error), 0u) << error;
            EXPECT_EQ(s.width, -1);  // left alone
        }
    }
}

TEST(DesktopSettings, SavedAtomicallyUnderTheXdgFolderAndDamageIsIgnored) {
    ConfigHome home;
    const std::string path = windowSettingsPath();
    EXPECT_EQ(path, home.dir + "/config/tavrin/window.conf");
    bool damaged = true;
    WindowSettings none = loadWindowSettings(path, &damaged);  // no file yet: quietly nothing
    EXPECT_EQ(none.width, 0);
    EXPECT_FALSE(damaged);

    WindowSettings s;
    s.width = 720;
    s.height = 960;
    s.fullscreen = true;
    std::string error;
    ASSERT_EQ(saveWindowSettings(path, s, error), 0) << error;  // makes the missing folders
    EXPECT_FALSE(access((path + ".new").c_str(), F_OK) == 0);
    WindowSettings back = loadWindowSettings(path, &damaged);
    EXPECT_FALSE(damaged);
    EXPECT_EQ(back.width, 720);
    EXPECT_EQ(back.height, 960);
    EXPECT_TRUE(back.fullscreen);

    std::ofstream(path, std::ios::trunc) << "window 1 1\n";
    testing::internal::CaptureStderr();
    back = loadWindowSettings(path, &damaged);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(damaged);
    EXPECT_EQ(back.width, 0);
    EXPECT_NE(err.find("ignoring the damaged window settings file"), std::string::npos) << err;

    // A folder in the way of the file: the save fails, says why and leaves no temporary file.
    std::string blocked = home.dir + "/blocked/window.conf";
    ASSERT_EQ(mkdir((home.dir + "/blocked").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(blocked.c_str(), 0700), 0);
    EXPECT_EQ(saveWindowSettings(blocked, s, error), 1);
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(access((blocked + ".new").c_str(), F_OK) == 0);
}

// A size that -zoom forced is never what is remembered: a fullscreen toggle alone saves the
// file, and must keep the size remembered before (or write nothing when there was none).
TEST(DesktopSettings, AForcedSizeIsNeverTheOneSaved) {
    const WindowSettings none{}, remembered{500, 700, false, false}, maximised{500, 700, false, true};
    struct Case {
        const char* name;
        WindowSettings now, remembered;
        bool forced, saved;
        WindowSettings written;
    } cases[] = {
        {"the player's size", {600, 800, true, false}, remembered, false, true, {600, 800, true, false}},
        {"forced, toggled back", {240, 320, false, false}, remembered, true, true, {500, 700, false, false}},
        {"forced, left fullscreen", {240, 320, true, false}, remembered, true, true, {500, 700, true, false}},
        {"forced, a maximised one kept", {240, 320, false, false}, maximised, true, true, {500, 700, false, true}},
        {"forced, maximised by the player", {240, 320, false, true}, remembered, true, true, {500, 700, false, true}},
        {"forced, none remembered", {240, 320, false, false}, none, true, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowSettings out;
        ASSERT_EQ(windowSettingsToSave(c.now, c.remembered, c.forced, out), c.saved);
        if (!c.saved) continue;
        EXPECT_EQ(formatWindowSettings(out), formatWindowSettings(c.written));
    }
}

TEST(DesktopSettings, ARelativeXdgFolderIsNotUsed) {
    ConfigHome home;
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    const char* h = getenv("HOME");
    std::string oldHome = h ? h : "";
    setenv("HOME", home.dir.c_str(), 1);
    EXPECT_EQ(windowSettingsPath(), home.dir + "/.config/tavrin/window.conf");
    setenv("HOME", oldHome.c_str(), 1);
}

TEST(DesktopPlacement, ThePictureIsCentredAtTheLargestWholeZoomAndPressesMapThroughIt) {
    const struct {
        int w, h;
        int zoom, x, y;
        int wx, wy, sx, sy;  // a press in the window and where it lands on the screen
        int pw, ph;          // the picture's size; 0: 240 and 320 times the zoom
    } cases[] = {
        {240, 320, 1, 0, 0, 239, 319, 239, 319, 0, 0},
        {600, 700, 2, 60, 30, 60 + 2 * 30 + 1, 30 + 2 * 260 + 1, 30, 260, 0, 0},
        {600, 700, 2, 60, 30, 59, 29, 0, 0, 0, 0},  // just outside the top left corner: clamped
        {600, 700, 2, 60, 30, 599, 699, 239, 319, 0, 0},
        {600, 700, 2, 60, 30, 0, 350, 0, 160, 0, 0},  // on the left bar
        {1920, 1080, 3, 600, 60, 960, 540, 120, 160, 0, 0},
        {240, 320, 1, 0, 0, -5, -5, 0, 0, 0, 0},  // outside the window (a drag that left it)
        // Smaller than the screen (no window manager kept the minimum): shrunk to fit, the
        // shape kept; zoom 0.
        {200, 100, 0, 62, 0, 62, 0, 0, 0, 75, 100},
        {200, 100, 0, 62, 0, 62 + 37, 50, 118, 160, 75, 100},
        {200, 100, 0, 62, 0, 199, 99, 239, 316, 75, 100},  // the right bar: clamped
        {120, 400, 0, 0, 120, 60, 200, 120, 160, 120, 160},
        {239, 320, 0, 0, 1, 238, 318, 238, 318, 239, 318},
        {1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " at " + std::to_string(c.wx) + "," +
                     std::to_string(c.wy));
        Placement p = placePicture(c.w, c.h);
        EXPECT_EQ(p.zoom, c.zoom);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(p.width, c.pw ? c.pw : 240 * c.zoom);
        EXPECT_EQ(p.height, c.ph ? c.ph : 320 * c.zoom);
        int sx = -1, sy = -1;
        windowToScreen(p, c.wx, c.wy, sx, sy);
        EXPECT_EQ(sx, c.sx);
        EXPECT_EQ(sy, c.sy);
    }
}

TEST(DesktopHeldKeys, AHeldKeyRepeatsAsReleaseAndPressPairsWithoutBursts) {
    HeldKeys k;
    k.delayMs = 500;
    k.intervalMs = 40;
    std::vector<HeldKeys::Event> e;
    auto take = [&] {
        std::vector<HeldKeys::Event> r;
        r.swap(e);
        return r;
    };
    k.hold(Key_Down, true, 1000, e);
    auto first = take();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].press);
    EXPECT_FALSE(first[0].autoRepeat);
    k.tick(1499, e);
    EXPECT_TRUE(take().empty());  // not before the delay
    k.tick(1500, e);
    auto pair = take();
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_FALSE(pair[0].press);
    EXPECT_TRUE(pair[1].press);
    EXPECT_TRUE(pair[0].autoRepeat && pair[1].autoRepeat);
    k.tick(1539, e);
    EXPECT_TRUE(take().empty());
    k.tick(1540, e);
    EXPECT_EQ(take().size(), 2u);
    k.tick(5000, e);  // a long stall: one pair, then the rhythm again from now
    EXPECT_EQ(take().size(), 2u);
    k.tick(5039, e);
    EXPECT_TRUE(take().empty());
    // The stick holds the same key as well: it goes up only when both let go.
    k.hold(Key_Down, true, 5010, e);
    k.hold(Key_Down, false, 5020, e);
    EXPECT_TRUE(take().empty());
    k.hold(Key_Down, false, 5030, e);
    auto up = take();
    ASSERT_EQ(up.size(), 1u);
    EXPECT_FALSE(up[0].press);
    EXPECT_FALSE(up[0].autoRepeat);
    k.tick(9000, e);
    EXPECT_TRUE(take().empty());
    // A pad that goes away lets go of what it held.
    k.hold(Key_Left, true, 9000, e);
    k.hold(Key_F33, true, 9000, e);
    take();
    k.releaseAll(e);
    auto all = take();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_FALSE(all[0].press || all[1].press);
}

// The desktop asks SDL for a sound output only where one can exist: a playback device, a
// server's socket or a setting that may point elsewhere. Each row is one such sign, alone in
// an otherwise empty machine.
TEST(SoundOutput, AskedForOnlyWhereOneMayExist) {
    const char* vars[] = {
        "SDL_AUDIODRIVER",     "AUDIODEV",        "PULSE_SERVER", "PIPEWIRE_REMOTE", "ALSA_CONFIG_PATH",
        "JACK_DEFAULT_SERVER", "XDG_RUNTIME_DIR", "HOME"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* v : vars) {
        const char* old = getenv(v);
        saved.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
        unsetenv(v);
    }
    struct Row {
        const char* file;  // made under the scratch root ("" for none)
        const char* variable;
        bool expected;
    };
    const Row rows[] = {
        {"", nullptr, false},
        {"dev/snd/controlC0", nullptr, false},
        {"dev/snd/pcmC0D0c", nullptr, false},  // a microphone is no output
        {"dev/snd/pcmC0D0p", nullptr, true},
        {"dev/dsp", nullptr, true},
        {"run/user/RUN/pulse/native", nullptr, true},
        {"xdg/pipewire-0", nullptr, true},
        {"dev/shm/jack_default_0", nullptr, true},
        {"etc/asound.conf", nullptr, true},
        {"home/.asoundrc", nullptr, true},
        {"", "PULSE_SERVER", true},
        {"", "SDL_AUDIODRIVER", true},
    };
    ConfigHome scratch;
    int n = 0;
    for (const Row& row : rows) {
        std::string root = scratch.dir + "/root" + std::to_string(n++);
        std::filesystem::create_directories(root);
        std::string file = row.file;
        const std::string uid = std::to_string(getuid());
        if (size_t at = file.find("RUN"); at != std::string::npos) file.replace(at, 3, uid);
        if (file.compare(0, 4, "xdg/") == 0) setenv("XDG_RUNTIME_DIR", "/xdg", 1);
        if (file.compare(0, 5, "home/") == 0) setenv("HOME", "/home", 1);
        if (!file.empty()) {
            std::filesystem::create_directories(std::filesystem::path(root + "/" + file).parent_path());
            std::ofstream(root + "/" + file) << "";
        }
        if (row.variable) setenv(row.variable, "x", 1);
        EXPECT_EQ(mayHaveSoundOutput(root), row.expected) << (*row.file      ? row.file
                                                              : row.variable ? row.variable
                                                                             : "nothing");
        if (row.variable) unsetenv(row.variable);
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("HOME");
    }
    for (const auto& [name, value] : saved)
        if (value) setenv(name, value->c_str(), 1);
}
