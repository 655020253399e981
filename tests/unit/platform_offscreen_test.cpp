// The offscreen back end in-process: its clock, event delivery, window states, the emulated
// framebuffer in every orientation, screenshots, the system channel and files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>
#include "platform/layer.h"
#include "platform/offscreen.h"
#include "platform/system.h"
#include "platform/toolkit.h"
#include "tests/unit/scratch_dir.h"

namespace {

std::unique_ptr<QPEApplication> makeApp(std::vector<std::string> extra = {}) {
    static std::vector<std::string> words;
    static std::vector<char*> ptrs;
    words = {"tavrin", "-platform", "offscreen"};
    words.insert(words.end(), extra.begin(), extra.end());
    ptrs.clear();
    for (auto& w : words) ptrs.push_back(w.data());
    ptrs.push_back(nullptr);
    static int argc;
    argc = int(words.size());
    return std::make_unique<QPEApplication>(argc, ptrs.data());
}

// Records what reaches it, in order.
class Recorder : public QMainWindow {
public:
    std::vector<std::string> seen;
    void mousePressEvent(QMouseEvent* e) override { seen.push_back("press " + pos(e)); }
    void mouseMoveEvent(QMouseEvent* e) override { seen.push_back("move " + pos(e)); }
    void mouseReleaseEvent(QMouseEvent*) override { seen.push_back("release"); }
    void keyPressEvent(QKeyEvent* e) override { seen.push_back("keydown " + key(e)); }
    void keyReleaseEvent(QKeyEvent* e) override { seen.push_back("keyup " + key(e)); }
    void focusInEvent(QFocusEvent*) override {
        seen.push_back(std::string("in ") + (isVisible() ? "visible" : "hidden"));
    }
    void focusOutEvent(QFocusEvent*) override {
        seen.push_back("out");
        hide();
    }
    void closeEvent(QCloseEvent*) override { seen.push_back("close"); }

private:
    static std::string pos(QMouseEvent* e) { return std::to_string(e->x()) + "," + std::to_string(e->y()); }
    static std::string key(QKeyEvent* e) {
        char b[16];
        snprintf(b, sizeof b, "%#x%s", e->key(), e->isAutoRepeat() ? "r" : "");
        return b;
    }
};

int64_t virtualMs() {
    timeval tv;
    sysGettimeofday(&tv);
    return (int64_t(tv.tv_sec) - VirtualEpochSeconds) * 1000 + tv.tv_usec / 1000;
}

}  // namespace

TEST(LayerOffscreen, ApplicationCanBeMadeAgainAndStartsAfresh) {
    for (int round = 0; round < 2; round++) {
        auto app = makeApp();
        EXPECT_TRUE(offscreenActive());
        EXPECT_EQ(offscreenClockUs(), 0);
        EXPECT_EQ(virtualMs(), 0);
        sysUsleep(4000);
        offscreenAdvanceUs(6000);
        EXPECT_EQ(offscreenClockUs(), 10000);
        EXPECT_EQ(virtualMs(), 10);
        EXPECT_EQ(offscreenFrameCount(), 0);
        {
            QDirectPainter p(nullptr);
            p.frameBuffer()[0] = uint8_t(round + 1);
        }
        EXPECT_EQ(offscreenFrameCount(), 1);
        app.reset();
        EXPECT_FALSE(offscreenActive());
    }
}

TEST(LayerOffscreen, ClockMovesOnlyWhenTheProgramSleeps) {
    auto app = makeApp();
    timeval a, b;
    sysGettimeofday(&a);
    EXPECT_EQ(a.tv_sec, VirtualEpochSeconds);
    app->processEvents();
    sysGettimeofday(&b);
    EXPECT_EQ(a.tv_sec, b.tv_sec);
    EXPECT_EQ(a.tv_usec, b.tv_usec);
    sysUsleep(1500000);
    sysGettimeofday(&b);
    EXPECT_EQ(b.tv_sec, VirtualEpochSeconds + 1);
    EXPECT_EQ(b.tv_usec, 500000);
    // No real-time clock here: the program must fall back to the plain sleep.
    EXPECT_LT(sysOpen("/dev/rtc", O_RDONLY), 0);
}

TEST(LayerOffscreen, EventsArriveOnlyInsideProcessEventsInOrder) {
    auto app = makeApp();
    Recorder w;
    app->showMainWidget(&w);
    offscreenQueueKey(Key_Up, true);
    offscreenQueueKey(Key_Up, false, true);
    offscreenQueueKey(Key_Up, true, true);
    offscreenQueuePen(PenPress, 120, 40);
    offscreenQueuePen(PenMove, 190, 120);
    offscreenQueuePen(PenRelease, 0, 0);
    offscreenQueueClose();
    EXPECT_TRUE(w.seen.empty());
    app->processEvents(1);
    EXPECT_EQ(w.seen, (std::vector<std::string>{"keydown 0x1013", "keyup 0x1013r", "keydown 0x1013r", "press 120,40",
                                                "move 190,120", "release", "close"}));
}

TEST(LayerOffscreen, FocusOutMakesTheWindowInactiveAndFocusInShowsItAgain) {
    auto app = makeApp();
    Recorder w;
    app->showMainWidget(&w);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isActiveWindow());
    offscreenQueueFocus(false);
    app->processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.isActiveWindow());
    // Shown by the program while the focus is elsewhere: visible, but not active.
    w.show();
    EXPECT_FALSE(w.isActiveWindow());
    w.hide();
    offscreenQueueFocus(true);
    app->processEvents();
    // The launcher shows the window before giving it the focus.
    EXPECT_EQ(w.seen, (std::vector<std::string>{"out", "in visible"}));
    EXPECT_TRUE(w.isActiveWindow());
}

TEST(LayerOffscreen, WindowCallsOfFullScreenLeaveItShownAndActive) {
    auto app = makeApp();
    QMainWindow w(nullptr, nullptr, WType_TopLevel);
    app->showMainWidget(&w, false);
    w.resize(240, 320);
    w.setFixedSize(QApplication::desktop()->size());
    w.showNormal();
    w.reparent(nullptr, WStyle_Customize, QPoint(0, 0), false);
    EXPECT_FALSE(w.isVisible());
    w.showFullScreen();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isActiveWindow());
    EXPECT_EQ(w.width(), 240);
    EXPECT_EQ(w.height(), 320);
}

TEST(LayerOffscreen, PainterGeometryPerOrientation) {
    const struct {
        int orientation, width, height, lineStep;
    } cases[] = {{0, 240, 320, 480}, {2, 240, 320, 480}, {3, 320, 240, 640}};
    for (const auto& c : cases) {
        auto app = makeApp({"-orientation", std::to_string(c.orientation)});
        QDirectPainter p(nullptr);
        EXPECT_EQ(p.transformOrientation(), c.orientation);
        EXPECT_EQ(p.width(), c.width);
        EXPECT_EQ(p.height(), c.height);
        EXPECT_EQ(p.lineStep(), c.lineStep);
        EXPECT_EQ(p.depth(), 16);
        EXPECT_NE(p.frameBuffer(), nullptr);
    }
}

TEST(LayerOffscreen, LogicalPixelsLandWhereTheOrientationPutsThemAndComeBackUpright) {
    // (x, y) logical -> (line, column) of the framebuffer.
    const struct {
        int orientation, x, y, line, column;
    } cases[] = {
        {0, 0, 0, 0, 0},       {0, 239, 0, 0, 239}, {0, 0, 319, 319, 0},   {2, 0, 0, 319, 0}, {2, 0, 319, 0, 0},
        {2, 239, 319, 0, 239}, {3, 0, 0, 0, 319},   {3, 239, 319, 239, 0}, {3, 0, 319, 0, 0},
    };
    for (const auto& c : cases) {
        FramebufferGeometry g = framebufferGeometry(c.orientation);
        EXPECT_EQ(framebufferOffset(c.orientation, c.x, c.y), size_t(c.line * g.lineStep + c.column * 2))
            << c.orientation << " " << c.x << "," << c.y;
        std::vector<uint8_t> fb(FramebufferBytes, 0);
        fb[size_t(c.line * g.lineStep + c.column * 2)] = 0x34;
        fb[size_t(c.line * g.lineStep + c.column * 2) + 1] = 0x12;
        std::vector<uint16_t> up(ScreenWidth * ScreenHeight);
        framebufferUpright(fb.data(), c.orientation, up.data());
        EXPECT_EQ(up[size_t(c.y * ScreenWidth + c.x)], 0x1234);
        int nonzero = 0;
        for (uint16_t v : up) nonzero += v != 0;
        EXPECT_EQ(nonzero, 1);
    }
}

namespace {
std::vector<uint8_t> readPngRgb(const std::string& path, int& w, int& h) {
    std::vector<uint8_t> out;
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return out;
    img.format = PNG_FORMAT_RGB;
    out.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, out.data(), 0, nullptr)) out.clear();
    w = int(img.width);
    h = int(img.height);
    return out;
}
}  // namespace

TEST(LayerOffscreen, ScreenshotIsUprightAndFullRange) {
    std::string dir = makeScratchDir("tavrin-platform");
    ASSERT_FALSE(dir.empty());
    auto app = makeApp({"-orientation", "3"});
    {
        QDirectPainter p(nullptr);
        uint8_t* fb = p.frameBuffer();
        // White at logical (0, 0), pure red at logical (239, 319).
        size_t a = framebufferOffset(3, 0, 0), b = framebufferOffset(3, 239, 319);
        fb[a] = 0xff;
        fb[a + 1] = 0xff;
        fb[b] = 0x00;
        fb[b + 1] = 0xf8;
    }
    std::string path = dir + "/shot.png";
    ASSERT_EQ(offscreenSavePng(path.c_str()), 0);
    int w = 0, h = 0;
    std::vector<uint8_t> rgb = readPngRgb(path, w, h);
    ASSERT_EQ(w, 240);
    ASSERT_EQ(h, 320);
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[1], 255);
    EXPECT_EQ(rgb[2], 255);
    size_t last = (size_t(319) * 240 + 239) * 3;
    EXPECT_EQ(rgb[last], 255);
    EXPECT_EQ(rgb[last + 1], 0);
    EXPECT_EQ(rgb[last + 2], 0);
    EXPECT_EQ(rgb[3], 0);

    // An unwritable place fails and leaves nothing behind.
    std::string bad = dir + "/missing/shot.png";
    EXPECT_EQ(offscreenSavePng(bad.c_str()), 1);
    std::string cmd = "rm -rf '" + dir + "'";
    EXPECT_EQ(system(cmd.c_str()), 0);
}

namespace {
volatile sig_atomic_t continued = 0;
void onCont(int) { continued = continued + 1; }
}  // namespace

TEST(LayerOffscreen, ScriptEventsBecomeDueOnTheVirtualClock) {
    std::string dir = makeScratchDir("tavrin-platform");
    std::string script = dir + "/s.script";
    std::string shot = dir + "/frame.png";
    std::ofstream(script) << "10 key tap Enter\n"
                             "20 pen press 5 6\n"
                             "30 stop 10\n"
                             "10030 shot "
                          << shot << "\n10040 close\n";
    auto app = makeApp({"-script", script});
    Recorder w;
    app->showMainWidget(&w);
    auto old = signal(SIGCONT, onCont);
    continued = 0;
    app->processEvents();
    EXPECT_TRUE(w.seen.empty());
    sysUsleep(10000);
    app->processEvents();
    EXPECT_EQ(w.seen, (std::vector<std::string>{"keydown 0x1005", "keyup 0x1005"}));
    sysUsleep(20000);
    app->processEvents();
    // The stop moved the clock ten seconds on, then the program was continued.
    EXPECT_EQ(continued, 1);
    EXPECT_EQ(virtualMs(), 10030);
    EXPECT_EQ(w.seen.size(), 3u);
    app->processEvents();  // the shot fell due through the stop
    struct stat st;
    EXPECT_EQ(stat(shot.c_str(), &st), 0);
    sysUsleep(10000);
    app->processEvents();
    EXPECT_EQ(w.seen.back(), "close");
    signal(SIGCONT, old);
    std::string cmd = "rm -rf '" + dir + "'";
    EXPECT_EQ(system(cmd.c_str()), 0);
}

TEST(LayerOffscreen, UntilClosesTheWindowOnce) {
    auto app = makeApp({"-until", "50"});
    Recorder w;
    app->showMainWidget(&w);
    sysUsleep(49000);
    app->processEvents();
    EXPECT_TRUE(w.seen.empty());
    sysUsleep(1000);
    app->processEvents();
    sysUsleep(1000);
    app->processEvents();
    EXPECT_EQ(w.seen, std::vector<std::string>{"close"});
}

TEST(LayerOffscreen, SigtermClosesTheWindowInsideProcessEvents) {
    auto app = makeApp();
    Recorder w;
    app->showMainWidget(&w);
    raise(SIGTERM);
    EXPECT_TRUE(w.seen.empty());
    app->processEvents();
    EXPECT_EQ(w.seen, std::vector<std::string>{"close"});
}

TEST(LayerOffscreen, ClosingMessageServiceCommandsAndDebugLogAreRecorded) {
    auto app = makeApp();
    offscreenRecordDebug(true);
    qDebug("frameinit\n");
    qDebug("t: %i", 9);
    sysSystem("/etc/rc.d/init.d/atd start");
    testing::internal::CaptureStdout();
    {
        QCopEnvelope e("QPE/System", "closing(QString)");
        e << QString("tavrin");
    }
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "QCop QPE/System closing(QString) tavrin\n");
    EXPECT_EQ(offscreenQcopMessages(), std::vector<std::string>{"QPE/System closing(QString) tavrin"});
    EXPECT_EQ(offscreenSystemCommands(), std::vector<std::string>{"/etc/rc.d/init.d/atd start"});
    const auto& log = offscreenDebugLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "frameinit");
    EXPECT_EQ(log[1], "t: 9");
    offscreenRecordDebug(false);
}

TEST(LayerFiles, ReadWriteOpenCreatesNeverTruncatesAndStartsAtTheBeginning) {
    std::string dir = makeScratchDir("tavrin-platform");
    QString name = QString(dir) + QString("/f.bin");
    EXPECT_FALSE(QFile::exists(name));
    {
        QFile f(name);
        ASSERT_TRUE(f.open(IO_ReadWrite));
        char buf[4];
        EXPECT_EQ(f.readBlock(buf, 4), 0);  // created empty
        EXPECT_EQ(f.writeBlock("0123456789", 10), 10);
        f.flush();
        f.close();
    }
    {
        QFile f(name);
        ASSERT_TRUE(f.open(IO_ReadWrite));
        EXPECT_EQ(f.size(), 10);
        char buf[3] = {};
        EXPECT_EQ(f.readBlock(buf, 3), 3);
        EXPECT_EQ(std::string(buf, 3), "012");
        f.close();
        ASSERT_TRUE(f.open(IO_ReadWrite));
        EXPECT_EQ(f.writeBlock("ab", 2), 2);
        f.close();
    }
    std::ifstream in(name.latin1());
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "ab23456789");
    QFile missing(QString(dir) + QString("/no/such/dir/f"));
    EXPECT_FALSE(missing.open(IO_ReadWrite));
    char c;
    EXPECT_EQ(missing.readBlock(&c, 1), -1);
    EXPECT_EQ(missing.writeBlock(&c, 1), -1);
    std::string cmd = "rm -rf '" + dir + "'";
    EXPECT_EQ(system(cmd.c_str()), 0);
}

TEST(LayerFiles, HomeIsTheEnvironmentsHome) {
    const char* old = getenv("HOME");
    std::string saved = old ? old : "";
    setenv("HOME", "/some/home", 1);
    EXPECT_STREQ(QDir::homeDirPath().latin1(), "/some/home");
    setenv("HOME", saved.c_str(), 1);
}

// A program that ignores the close would otherwise run (and a test would wait) for ever.
TEST(LayerOffscreenDeathTest, ProgramStillRunningLongAfterTheCloseIsEnded) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto app = makeApp({"-until", "10"});
            QMainWindow w;
            app->showMainWidget(&w);
            sysUsleep(10000);
            app->processEvents();
            sysUsleep(59000000);
            app->processEvents();
            fprintf(stderr, "still running\n");
            sysUsleep(1000000);
            app->processEvents();
            exit(0);
        },
        testing::ExitedWithCode(3), "still running\ntavrin: the program was still running 60000 ms");
}
