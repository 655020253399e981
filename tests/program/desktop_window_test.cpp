// The desktop window on a private X server, as a player uses it: resized, maximised, made
// fullscreen and back, clicked at any size, left for another window and come back to, and
// remembered between runs. Each test runs on a bare X server and under a window manager
// (openbox), which is where fullscreen and maximised are the manager's business.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <thread>
#include "tests/program/desktop_support.h"

using namespace program;

namespace {

// The X server's screen (VirtualDisplay) and what the layer makes of it.
const int ScreenW = 1024, ScreenH = 768;
const int Long = 120000;  // ms: generous bound for anything the program does on its own (sanitizers, a busy machine)

// One run of the game in a window of the private X server.
class DesktopGame {
public:
    explicit DesktopGame(const VirtualDisplay& x, const TempDir& dir, std::vector<std::string> args = {"-zoom", "1"})
        : x_(x), dir_(dir), xs_(x.display()) {
        RunOptions o;
        o.offscreen = false;
        o.args = args;
        o.args.insert(o.args.end(), {"-debuglog", dir / "debug.log"});
        o.env = {{"DISPLAY", x.display()}, {"WAYLAND_DISPLAY", std::nullopt}, {"XDG_CONFIG_HOME", dir / "config"}};
        run_ = startProgram(dir.path(), o);
        window = xs_.findWindow("Tavrin", Long);
        waitFor("layer: first frame shown");
    }
    ~DesktopGame() {
        if (run_.pid > 0) stop();
    }
    XSession& x() { return xs_; }
    std::string log() const { return readFile(dir_ / "debug.log"); }
    // Waits until the debug log has `count` lines with needle; false after the bound.
    bool waitFor(const std::string& needle, int count = 1) {
        if (waitForLines(dir_ / "debug.log", needle, count, Long)) return true;
        // Say what the program did instead, so that a failure on a busy machine can be read.
        std::vector<std::string> lines = splitLines(log());
        std::string tail;
        for (size_t i = lines.size() > 30 ? lines.size() - 30 : 0; i < lines.size(); ++i) tail += lines[i] + "\n";
        ADD_FAILURE() << "no " << count << " line(s) with '" << needle << "' in the debug log; its end:\n" << tail;
        return false;
    }
    int xdo(const std::vector<std::string>& args) { return xdotool(x_.display(), args); }
    void keys(const std::string& key) {
        xs_.focus(window);
        xdo({"key", "--clearmodifiers", key});
    }
    void click(int wx, int wy) {
        xdo({"mousemove", "--window", std::to_string(window), std::to_string(wx), std::to_string(wy), "click", "1"});
    }
    // Holds the program still, so that whatever the window system sends meanwhile is read
    // in one pass when it goes on.
    void hold() { kill(run_.pid, SIGSTOP); }
    void goOn() { kill(run_.pid, SIGCONT); }
    RunResult stop() {
        kill(run_.pid, SIGTERM);
        return waitProgram(run_);
    }

    unsigned long window = 0;

private:
    const VirtualDisplay& x_;
    const TempDir& dir_;
    XSession xs_;
    Started run_;
};

// Every test has its own X server and scratch folder, and is skipped without Xvfb or
// xdotool; the managed runs also without openbox.
class ProgramDesktopWindow : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (x.display().empty() || !haveXdotool()) GTEST_SKIP() << "no Xvfb or xdotool";
        if (!managed()) return;
        if (!WindowManager::available()) GTEST_SKIP() << "no openbox";
        mkdir((dir / "wm-home").c_str(), 0700);
        wm = std::make_unique<WindowManager>(x.display(), dir / "wm-home");
        ASSERT_TRUE(wm->running()) << "openbox did not start";
    }
    bool managed() const { return GetParam(); }
    VirtualDisplay x;
    TempDir dir;
    std::unique_ptr<WindowManager> wm;
};

// The main menu as the offscreen back end draws it: the desktop window must show the same.
Picture mainMenuReference(const TempDir& dir) {
    RunOptions o;
    o.script = "4000 shot menu.png\n4100 close\n";
    runProgram(dir.path(), o);
    return readPng(dir / "menu.png");
}

// The picture inside a window grab, pw x ph at px, py (each window pixel the screen pixel
// under its top left corner), or why it is not there.
std::string pictureMismatch(const Picture& grab, const Picture& expected, int pw, int ph, int px, int py) {
    if (!grab.ok() || !expected.ok()) return "no picture";
    // The window is as large as the picture and its bars together.
    if (grab.width != 2 * px + pw && grab.width != 2 * px + pw + 1) return "window width " + std::to_string(grab.width);
    if (grab.height != 2 * py + ph && grab.height != 2 * py + ph + 1)
        return "window height " + std::to_string(grab.height);
    for (int y = 0; y < grab.height; y++)
        for (int x = 0; x < grab.width; x++) {
            bool inside = x >= px && y >= py && x < px + pw && y < py + ph;
            uint32_t want = inside ? expected.at((x - px) * 240 / pw, (y - py) * 320 / ph) : 0;
            if (grab.at(x, y) != want)
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + (inside ? " (picture)" : " (bar)");
        }
    return "";
}

std::string lastMismatch;
bool showsPicture(DesktopGame& g, const Picture& expected, int zoom, int px, int py) {
    for (int waited = 0; waited < Long; waited += 50) {
        lastMismatch = pictureMismatch(g.x().grab(g.window), expected, 240 * zoom, 320 * zoom, px, py);
        if (lastMismatch.empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Fullscreen as the player sees it: the window covers the screen from its corner, a window
// manager says it is fullscreen, and the whole picture (the panel at its bottom included)
// is shown at zoom 2, centred.
void expectCoversTheScreen(DesktopGame& g, const Picture& menu, bool managed) {
    int w = 0, h = 0, wx = -1, wy = -1;
    for (int waited = 0; waited < Long; waited += 10) {
        if (g.x().size(g.window, w, h) && g.x().position(g.window, wx, wy) && w == ScreenW && h == ScreenH && wx == 0 &&
            wy == 0 && (!managed || g.x().hasState(g.window, "_NET_WM_STATE_FULLSCREEN")))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(w, ScreenW);
    EXPECT_EQ(h, ScreenH);
    EXPECT_EQ(wx, 0);
    EXPECT_EQ(wy, 0);
    if (managed) {
        EXPECT_TRUE(g.x().hasState(g.window, "_NET_WM_STATE_FULLSCREEN"));
    }
    EXPECT_TRUE(showsPicture(g, menu, 2, (ScreenW - 480) / 2, (ScreenH - 640) / 2)) << lastMismatch;
}

}  // namespace

TEST_P(ProgramDesktopWindow, ResizedAndFullscreenWindowsShowThePictureScaledAndCentred) {
    Picture menu = mainMenuReference(dir);
    ASSERT_TRUE(menu.ok());
    DesktopGame g(x, dir);
    ASSERT_NE(g.window, 0u);  // found by its title, "Tavrin"
    int iconHeight = 0;
    EXPECT_EQ(g.x().iconSize(g.window, iconHeight), 64);
    EXPECT_EQ(iconHeight, 64);
    EXPECT_TRUE(showsPicture(g, menu, 1, 0, 0)) << lastMismatch;
    const struct {
        int w, h, zoom, px, py;
    } sizes[] = {
        {600, 700, 2, 60, 30},    // bars left and right, and thin ones above and below
        {250, 720, 1, 5, 200},    // tall: bars above and below
        {1000, 700, 2, 260, 30},  // wide
    };
    for (const auto& s : sizes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        g.x().resize(g.window, s.w, s.h);
        ASSERT_TRUE(g.waitFor("layer: window " + std::to_string(s.w) + "x" + std::to_string(s.h) + ", zoom " +
                              std::to_string(s.zoom)));
        EXPECT_TRUE(showsPicture(g, menu, s.zoom, s.px, s.py)) << lastMismatch;
    }
    g.keys("F11");
    ASSERT_TRUE(g.waitFor("layer: fullscreen"));
    ASSERT_TRUE(g.waitFor("layer: window " + std::to_string(ScreenW) + "x" + std::to_string(ScreenH)));
    expectCoversTheScreen(g, menu, managed());
    RunResult r = g.stop();
    EXPECT_TRUE(r.exited(0)) << r.err;
}

// Below the minimum size: a window manager keeps the window at 240 x 320; without one the
// window gets smaller anyway, and shows the picture shrunk to fit rather than nothing.
TEST_P(ProgramDesktopWindow, AWindowBelowTheMinimumSizeStillShowsThePicture) {
    Picture menu = mainMenuReference(dir);
    ASSERT_TRUE(menu.ok());
    DesktopGame g(x, dir, {"-zoom", "2"});
    ASSERT_NE(g.window, 0u);
    EXPECT_TRUE(showsPicture(g, menu, 2, 0, 0)) << lastMismatch;
    if (managed()) {
        g.x().resize(g.window, 200, 200);
        ASSERT_TRUE(g.waitFor("layer: window 240x320, zoom 1"));
        EXPECT_TRUE(showsPicture(g, menu, 1, 0, 0)) << lastMismatch;
    } else {
        const struct {
            int w, h, pw, ph, px, py;
        } sizes[] = {
            {200, 200, 150, 200, 25, 0},   // too low: the height decides
            {120, 400, 120, 160, 0, 120},  // too narrow: the width decides
        };
        for (const auto& s : sizes) {
            SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
            g.x().resize(g.window, s.w, s.h);
            ASSERT_TRUE(g.waitFor("layer: window " + std::to_string(s.w) + "x" + std::to_string(s.h) + ", zoom 0"));
            bool shown = false;
            for (int waited = 0; waited < Long && !shown; waited += 50) {
                lastMismatch = pictureMismatch(g.x().grab(g.window), menu, s.pw, s.ph, s.px, s.py);
                shown = lastMismatch.empty();
                if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            EXPECT_TRUE(shown) << lastMismatch;
        }
        // A press on the shrunk picture lands on the screen pixel under it.
        g.click(60, 120 + 80);
        ASSERT_TRUE(g.waitFor("layer: pen press"));
        EXPECT_EQ(countLines(g.log(), ": 120,160 of the screen"), 1) << g.log();
    }
    EXPECT_TRUE(g.stop().exited(0));
}

TEST_P(ProgramDesktopWindow, EveryOrientationIsShownUpright) {
    Picture menu = mainMenuReference(dir);
    ASSERT_TRUE(menu.ok());
    for (const char* orientation : {"2", "3"}) {
        SCOPED_TRACE(orientation);
        TempDir run;
        DesktopGame g(x, run, {"-zoom", "2", "-orientation", orientation});
        ASSERT_NE(g.window, 0u);
        EXPECT_TRUE(showsPicture(g, menu, 2, 0, 0)) << lastMismatch;
        EXPECT_TRUE(g.stop().exited(0));
    }
}

TEST_P(ProgramDesktopWindow, PenPressesLandOnTheScreenPixelUnderThemAtEverySize) {
    DesktopGame g(x, dir);
    ASSERT_NE(g.window, 0u);
    const int fx = (ScreenW - 480) / 2, fy = (ScreenH - 640) / 2;  // fullscreen: zoom 2
    const struct {
        const char* when;
        int wx, wy;
        const char* screen;
    } clicks[] = {
        // Away from the menu's entries, so that no press starts anything.
        {"zoom 1", 30, 260, "30,260"},
        {"600x700", 60 + 2 * 30 + 1, 30 + 2 * 260 + 1, "30,260"},
        {"600x700", 5, 5, "0,0"},  // on the bars: the nearest edge pixel
        {"600x700", 599, 350, "239,160"},
        {"fullscreen", fx + 2 * 30, fy + 2 * 260, "30,260"},
        {"fullscreen", ScreenW - 1, ScreenH - 1, "239,319"},
    };
    int presses = 0;
    for (const auto& c : clicks) {
        SCOPED_TRACE(std::string(c.when) + " " + std::to_string(c.wx) + "," + std::to_string(c.wy));
        if (std::string(c.when) == "600x700" && presses == 1) {
            g.x().resize(g.window, 600, 700);
            ASSERT_TRUE(g.waitFor("layer: window 600x700, zoom 2"));
        }
        if (std::string(c.when) == "fullscreen" && presses == 4) {
            g.keys("F11");
            ASSERT_TRUE(g.waitFor("layer: window " + std::to_string(ScreenW) + "x" + std::to_string(ScreenH)));
        }
        g.click(c.wx, c.wy);
        presses++;
        ASSERT_TRUE(g.waitFor("layer: pen press", presses));
        std::vector<std::string> lines;
        for (const std::string& l : splitLines(g.log()))
            if (l.find("layer: pen press") != std::string::npos) lines.push_back(l);
        EXPECT_NE(lines.back().find(std::string(": ") + c.screen + " of the screen"), std::string::npos)
            << lines.back();
    }
    RunResult r = g.stop();
    EXPECT_TRUE(r.exited(0));
    EXPECT_EQ(countLines(r.debugLog, "tavrinWidget::mousePressEvent"), presses);
}

TEST_P(ProgramDesktopWindow, ATapReadWithTheFocusLandsUnlessItWakesTheDevice) {
    // The focus handed over by hand, as happens without a window manager.
    if (managed()) GTEST_SKIP() << "the window manager hands the focus over";
    DesktopGame g(x, dir);
    ASSERT_NE(g.window, 0u);
    unsigned long other = g.x().otherWindow();
    // The window system hands the focus over as the player taps (as it does to a new window
    // without a window manager): the tap is the player's.
    g.hold();
    g.x().focus(other);
    g.x().focus(g.window);
    g.click(30, 260);
    g.goOn();
    ASSERT_TRUE(g.waitFor("layer: pen press"));
    // The click that brings a suspended device back only wakes it.
    g.x().focus(other);
    ASSERT_TRUE(g.waitFor("layer: suspended"));
    g.hold();
    g.x().focus(g.window);
    g.click(32, 262);
    g.goOn();
    ASSERT_TRUE(g.waitFor("layer: continued after"));
    g.click(31, 261);
    ASSERT_TRUE(g.waitFor("layer: pen press", 2));
    RunResult r = g.stop();
    EXPECT_TRUE(r.exited(0));
    EXPECT_EQ(countLines(r.debugLog, "layer: pen press"), 2) << r.debugLog;
    EXPECT_EQ(countLines(r.debugLog, ": 31,261 of the screen"), 1) << r.debugLog;
}

TEST_P(ProgramDesktopWindow, F11AndAltEnterToggleFullscreenAndNeverFire) {
    Picture menu = mainMenuReference(dir);
    ASSERT_TRUE(menu.ok());
    DesktopGame g(x, dir);
    ASSERT_NE(g.window, 0u);
    int toggles = 0;
    for (const char* key : {"F11", "F11", "alt+Return", "alt+KP_Enter", "alt+Return", "F11"}) {
        SCOPED_TRACE(key);
        g.keys(key);
        toggles++;
        bool full = toggles % 2 == 1;
        ASSERT_TRUE(g.waitFor(full ? "layer: fullscreen" : "layer: windowed", full ? (toggles + 1) / 2 : toggles / 2));
        if (full) {
            expectCoversTheScreen(g, menu, managed());
            continue;
        }
        int w = 0, h = 0;
        for (int waited = 0; waited < Long; waited += 10) {
            g.x().size(g.window, w, h);
            if (w == 240 && h == 320 && !g.x().hasState(g.window, "_NET_WM_STATE_FULLSCREEN")) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(w, 240);
        EXPECT_EQ(h, 320);
        EXPECT_FALSE(g.x().hasState(g.window, "_NET_WM_STATE_FULLSCREEN"));
        EXPECT_TRUE(showsPicture(g, menu, 1, 0, 0)) << lastMismatch;
    }
    // A plain Enter is still fire.
    g.keys("Return");
    ASSERT_TRUE(g.waitFor("tavrinWidget::keyPressEvent 4101"));
    RunResult r = g.stop();
    EXPECT_TRUE(r.exited(0));
    EXPECT_EQ(countLines(r.debugLog, "tavrinWidget::keyPressEvent 4101"), 1) << r.debugLog;
    EXPECT_EQ(countLines(r.debugLog, "tavrinWidget::keyPressEvent 4145"), 0);  // F11 is the window's
}

TEST_P(ProgramDesktopWindow, LookingAwaySuspendsTheDeviceAndComingBackContinuesIt) {
    DesktopGame g(x, dir);
    ASSERT_NE(g.window, 0u);
    g.x().focus(g.window);
    unsigned long other = g.x().otherWindow();
    for (int round = 1; round <= 2; round++) {
        SCOPED_TRACE(round);
        g.x().focus(other);
        ASSERT_TRUE(g.waitFor("layer: suspended", round));
        // Nothing of the program runs while suspended: its log stays as it is.
        std::string before = g.log();
        for (int i = 0; i < 30; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_EQ(g.log(), before);
        }
        g.x().focus(g.window);
        ASSERT_TRUE(g.waitFor("layer: continued after", round));
    }
    // Closing the window system's way while suspended still ends the game cleanly.
    g.x().focus(other);
    ASSERT_TRUE(g.waitFor("layer: suspended", 3));
    RunResult r = g.stop();
    EXPECT_TRUE(r.exited(0)) << r.err;
    EXPECT_EQ(countLines(r.debugLog, "QCop QPE/System closing(QString) tavrin"), 1);
    // Each return is one continue signal: the program puts its tick clock right and runs
    // one tick, not the backlog.
    int signals = 0;
    for (size_t at = r.err.find("SIGCONT received"); at != std::string::npos;
         at = r.err.find("SIGCONT received", at + 1))
        signals++;
    EXPECT_EQ(signals, 3) << r.err;
}

TEST_P(ProgramDesktopWindow, TheWindowIsRememberedAndADamagedSettingsFileIsIgnored) {
    Picture menu = mainMenuReference(dir);
    ASSERT_TRUE(menu.ok());
    const std::string file = dir / "config/tavrin/window.conf";
    {
        DesktopGame g(x, dir, {});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 2, 480x640,")) << g.log();  // 768 high, less a title bar
        g.x().resize(g.window, 500, 700);
        ASSERT_TRUE(g.waitFor("layer: window 500x700"));
        EXPECT_TRUE(g.stop().exited(0));
    }
    EXPECT_EQ(readFile(file),
              "# The game window, as it was left; written by the game.\nwindow 500 700\nfullscreen 0\n");
    {
        DesktopGame g(x, dir, {});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 2, 500x700,")) << g.log();
        g.keys("F11");
        ASSERT_TRUE(g.waitFor("layer: fullscreen"));
        EXPECT_TRUE(g.stop().exited(0));
    }
    EXPECT_EQ(countLines(readFile(file), "fullscreen 1"), 1);
    EXPECT_EQ(countLines(readFile(file), "window 500 700"), 1);
    {
        DesktopGame g(x, dir, {});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 2, 1024x768 fullscreen")) << g.log();
        expectCoversTheScreen(g, menu, managed());
        EXPECT_TRUE(g.stop().exited(0));
    }
    // -zoom forces its size, and -fullscreen starts fullscreen whatever was remembered.
    std::ofstream(file) << "window 500 700\nfullscreen 0\n";
    {
        DesktopGame g(x, dir, {"-zoom", "1"});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 1, 240x320,")) << g.log();
        EXPECT_TRUE(g.stop().exited(0));
    }
    EXPECT_EQ(countLines(readFile(file), "window 500 700"), 1);  // a forced size is not remembered
    // Nor after fullscreen and back, which saves the file: the next plain start has the size
    // remembered before.
    {
        DesktopGame g(x, dir, {"-zoom", "1"});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 1, 240x320,")) << g.log();
        g.keys("F11");
        ASSERT_TRUE(g.waitFor("layer: fullscreen"));
        g.keys("F11");
        ASSERT_TRUE(g.waitFor("layer: windowed"));
        EXPECT_TRUE(g.stop().exited(0));
    }
    EXPECT_EQ(readFile(file),
              "# The game window, as it was left; written by the game.\nwindow 500 700\nfullscreen 0\n");
    {
        DesktopGame g(x, dir, {});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 2, 500x700,")) << g.log();
        EXPECT_TRUE(g.stop().exited(0));
    }
    {
        DesktopGame g(x, dir, {"-fullscreen"});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 2, 1024x768 fullscreen")) << g.log();
        expectCoversTheScreen(g, menu, managed());
        EXPECT_TRUE(g.stop().exited(0));
    }
    for (const char* damage : {"window lots\n", "window 100 100\n", "fullscreen 1\n", "\x01\x02garbage"}) {
        SCOPED_TRACE(damage);
        std::ofstream(file, std::ios::trunc) << damage;
        DesktopGame g(x, dir, {});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 2, 480x640,")) << g.log();
        RunResult r = g.stop();
        EXPECT_TRUE(r.exited(0));
        EXPECT_EQ(countLines(r.err, "ignoring the damaged window settings file"), 1) << r.err;
        // A good file takes its place.
        EXPECT_EQ(countLines(readFile(file), "window 480 640"), 1);
    }
}

// Maximised is the window manager's state: remembered as such, with the normal size kept
// for un-maximising, and the window reopens maximised.
TEST_P(ProgramDesktopWindow, AMaximisedWindowIsRememberedAsMaximised) {
    if (!managed()) GTEST_SKIP() << "only a window manager maximises";
    const std::string file = dir / "config/tavrin/window.conf";
    const char* const both[] = {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"};
    {
        DesktopGame g(x, dir, {});
        EXPECT_TRUE(g.waitFor("layer: desktop window, zoom 2, 480x640,")) << g.log();
        g.x().requestState(g.window, true, both[0], both[1]);
        ASSERT_TRUE(g.waitFor("layer: maximized"));
        int w = 0, h = 0;
        for (int waited = 0; waited < Long && h <= 640; waited += 10) {
            g.x().size(g.window, w, h);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_GT(h, 640);
        EXPECT_TRUE(g.stop().exited(0));
    }
    EXPECT_EQ(readFile(file),
              "# The game window, as it was left; written by the game.\nwindow 480 640\nfullscreen 0\nmaximized 1\n");
    {
        DesktopGame g(x, dir, {});
        EXPECT_TRUE(g.waitFor(" maximized, video driver")) << g.log();
        for (int waited = 0; waited < Long && !g.x().hasState(g.window, both[0]); waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(g.x().hasState(g.window, both[0]));
        EXPECT_TRUE(g.x().hasState(g.window, both[1]));
        // Fullscreen and back: maximised again, not the normal size.
        g.keys("F11");
        ASSERT_TRUE(g.waitFor("layer: fullscreen"));
        g.keys("F11");
        ASSERT_TRUE(g.waitFor("layer: windowed"));
        for (int waited = 0; waited < Long && !(g.x().hasState(g.window, both[0]) &&
                                                !g.x().hasState(g.window, "_NET_WM_STATE_FULLSCREEN"));
             waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(g.x().hasState(g.window, both[0]));
        EXPECT_FALSE(g.x().hasState(g.window, "_NET_WM_STATE_FULLSCREEN"));
        // Un-maximised, it takes the normal size back, and that is what is remembered.
        g.x().requestState(g.window, false, both[0], both[1]);
        ASSERT_TRUE(g.waitFor("layer: not maximized"));
        int w = 0, h = 0;
        for (int waited = 0; waited < Long; waited += 10) {
            g.x().size(g.window, w, h);
            if (w == 480 && h == 640) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(w, 480);
        EXPECT_EQ(h, 640);
        EXPECT_TRUE(g.stop().exited(0));
    }
    EXPECT_EQ(readFile(file),
              "# The game window, as it was left; written by the game.\nwindow 480 640\nfullscreen 0\n");
}

// A settings file that cannot be written is reported once, as a failed progress save is.
TEST_P(ProgramDesktopWindow, AWindowSettingsSaveThatFailsIsReported) {
    std::ofstream(dir / "config") << "a file where the folder should be\n";
    DesktopGame g(x, dir, {});  // a size of its own to save (a -zoom size never is)
    ASSERT_NE(g.window, 0u);
    g.keys("F11");
    ASSERT_TRUE(g.waitFor("layer: fullscreen"));
    RunResult r = g.stop();
    EXPECT_TRUE(r.exited(0));
    EXPECT_EQ(countLines(r.err, "tavrin: cannot save the window settings: "), 1) << r.err;
}

INSTANTIATE_TEST_SUITE_P(, ProgramDesktopWindow, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Managed" : "BareX"; });
