// Layer options and offscreen scripts: what is accepted, what is refused and how it says so.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "platform/layer.h"
#include "platform/toolkit.h"

namespace {
struct Argv {
    std::vector<std::string> words;
    std::vector<char*> ptrs;
    int argc = 0;
    explicit Argv(std::vector<std::string> w) : words(std::move(w)) {
        for (auto& s : words) ptrs.push_back(s.data());
        ptrs.push_back(nullptr);
        argc = int(words.size());
    }
    std::vector<std::string> left() const {
        std::vector<std::string> r;
        for (int i = 0; i < argc; i++) r.push_back(ptrs[size_t(i)]);
        return r;
    }
};
}  // namespace

TEST(LayerOptions, AcceptedOptionsAreTakenOffTheCommandLine) {
    Argv a({"tavrin", "-platform", "offscreen", "-zoom", "3", "-orientation", "3", "-until", "2500", "-debuglog", "-",
            "--script", "s.txt", "-fullscreen"});
    LayerOptions o;
    std::string error;
    ASSERT_EQ(parseLayerOptions(a.argc, a.ptrs.data(), o, error), 0) << error;
    EXPECT_EQ(a.left(), std::vector<std::string>{"tavrin"});
    EXPECT_EQ(a.ptrs[1], nullptr);
    EXPECT_EQ(o.platform, Platform::Offscreen);
    EXPECT_EQ(o.zoom, 3);
    EXPECT_TRUE(o.fullscreen);
    EXPECT_EQ(o.orientation, 3);
    EXPECT_EQ(o.untilMs, 2500);
    EXPECT_EQ(o.debugLog, "-");
    EXPECT_EQ(o.script, "s.txt");
}

TEST(LayerOptions, DefaultsAndOtherArgumentsLeftAlone) {
    Argv a({"tavrin", "word"});
    LayerOptions o;
    std::string error;
    ASSERT_EQ(parseLayerOptions(a.argc, a.ptrs.data(), o, error), 0);
    EXPECT_EQ(a.left(), (std::vector<std::string>{"tavrin", "word"}));
    EXPECT_EQ(o.platform, Platform::Desktop);
    EXPECT_EQ(o.zoom, 0);
    EXPECT_EQ(o.orientation, 0);
    EXPECT_EQ(o.untilMs, -1);
    EXPECT_TRUE(o.debugLog.empty());
}

TEST(LayerOptions, HelpListsEveryOption) {
    Argv a({"tavrin", "-help"});
    LayerOptions o;
    std::string text;
    ASSERT_EQ(parseLayerOptions(a.argc, a.ptrs.data(), o, text), 1);
    for (const char* opt :
         {"-platform", "-zoom", "-orientation", "-script", "-until", "-debuglog", "-version", "-help"})
        EXPECT_NE(text.find(opt), std::string::npos) << opt;
}

TEST(LayerOptions, VersionInBothSpellingsIsOneLineToPrint) {
    for (const char* spelling : {"-version", "--version"}) {
        SCOPED_TRACE(spelling);
        Argv a({"tavrin", spelling, "-zoom", "x"});  // nothing after it is read
        LayerOptions o;
        std::string text;
        ASSERT_EQ(parseLayerOptions(a.argc, a.ptrs.data(), o, text), 1);
        EXPECT_EQ(text.rfind("tavrin ", 0), 0u) << text;
        EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
        EXPECT_GT(text.size(), std::string("tavrin \n").size());
    }
}

TEST(LayerOptions, BadOptionsAreRefusedWithTheReason) {
    const struct {
        std::vector<std::string> args;
        const char* mentions;
    } cases[] = {
        {{"tavrin", "-fast"}, "unknown option '-fast'"},
        {{"tavrin", "-platform"}, "needs a value"},
        {{"tavrin", "-platform", "wayland"}, "desktop or offscreen"},
        {{"tavrin", "-zoom", "0"}, "-zoom"},
        {{"tavrin", "-zoom", "2x"}, "-zoom"},
        {{"tavrin", "-orientation", "1"}, "0, 2 or 3"},
        {{"tavrin", "-orientation", "4"}, "0, 2 or 3"},
        {{"tavrin", "-until", "-5"}, "-until"},
        {{"tavrin", "-until", "soon"}, "-until"},
        {{"tavrin", "-script", "x.txt"}, "only with -platform offscreen"},
    };
    for (const auto& c : cases) {
        Argv a(c.args);
        LayerOptions o;
        std::string error;
        EXPECT_EQ(parseLayerOptions(a.argc, a.ptrs.data(), o, error), 2) << c.args.back();
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

TEST(LayerScript, EveryEventKind) {
    const std::string text =
        "# a comment line\n"
        "\n"
        "2300 key tap Down        # press and release, delivered together\n"
        "2400 key press Right\n"
        "2600 key release 0x1013\n"
        "3000 pen press 120 40\n"
        "3050 pen move 239 319\n"
        "3100 pen release\n"
        "4000 focus out\n"
        "4000 focus in\n"
        "5000 stop 10\n"
        "6000 shot out/menu.png\n"
        "9000 close\n";
    std::vector<ScriptEvent> ev;
    std::string error;
    ASSERT_EQ(parseScript(text, "t.script", ev, error), 0) << error;
    ASSERT_EQ(ev.size(), 12u);
    EXPECT_EQ(ev[0].atMs, 2300);
    EXPECT_EQ(ev[0].event.kind, EventKind::KeyPress);
    EXPECT_EQ(ev[1].atMs, 2300);
    EXPECT_EQ(ev[1].event.kind, EventKind::KeyRelease);
    EXPECT_EQ(ev[1].event.key, Key_Down);
    EXPECT_EQ(ev[2].event.key, Key_Right);
    EXPECT_EQ(ev[3].event.kind, EventKind::KeyRelease);
    EXPECT_EQ(ev[3].event.key, Key_Up);
    EXPECT_EQ(ev[4].event.kind, EventKind::PenPress);
    EXPECT_EQ(ev[4].event.x, 120);
    EXPECT_EQ(ev[4].event.y, 40);
    EXPECT_EQ(ev[5].event.kind, EventKind::PenMove);
    EXPECT_EQ(ev[6].event.kind, EventKind::PenRelease);
    EXPECT_EQ(ev[7].event.kind, EventKind::FocusOut);
    EXPECT_EQ(ev[8].event.kind, EventKind::FocusIn);
    EXPECT_EQ(ev[9].event.kind, EventKind::Stop);
    EXPECT_EQ(ev[9].event.stopMs, 10000);
    EXPECT_EQ(ev[10].event.kind, EventKind::Shot);
    EXPECT_EQ(ev[10].event.path, "out/menu.png");
    EXPECT_EQ(ev[11].event.kind, EventKind::Close);
    EXPECT_EQ(ev[11].atMs, 9000);
}

TEST(LayerScript, KeyNames) {
    const std::pair<const char*, int> names[] = {
        {"Up", Key_Up},
        {"Down", Key_Down},
        {"Left", Key_Left},
        {"Right", Key_Right},
        {"Space", Key_Space},
        {"Enter", Key_Enter},
        {"F33", Key_F33},
        {"Escape", Key_Escape},
        {"0x1050", 0x1050},
        {"32", 32},
        {"up", -1},
        {"0xZZ", -1},
        {"", -1},
    };
    for (const auto& [name, code] : names) EXPECT_EQ(scriptKeyCode(name), code) << name;
    // The rest of the key table is named in logs only: a script gives those keys by number.
    for (int i = 0; i < keyTableSize; ++i) {
        const KeyName& k = keyTable[i];
        EXPECT_EQ(scriptKeyCode(k.name), k.forScripts ? k.code : -1) << k.name;
        EXPECT_STREQ(keyNameOf(k.code), k.name);
    }
}

TEST(LayerScript, MistakesNameTheLineAndTheFault) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"100 key tap Down\n50 close\n", "s:2: time 50 is earlier"},
        {"abc close\n", "s:1: expected a time"},
        {"-5 close\n", "s:1: expected a time"},
        {"100\n", "s:1: expected an event"},
        {"\n\n100 jump\n", "s:3: unknown event 'jump'"},
        {"100 key tap Fire\n", "s:1: unknown key 'Fire'"},
        {"100 key hold Up\n", "s:1: expected tap, press or release"},
        {"100 key tap\n", "s:1: expected 'key tap|press|release NAME'"},
        {"100 pen press 240 10\n", "s:1: expected 'pen press X Y'"},
        {"100 pen move 10\n", "s:1: expected 'pen move X Y'"},
        {"100 pen lift\n", "s:1: expected press, move or release"},
        {"100 focus away\n", "s:1: expected 'focus in' or 'focus out'"},
        {"100 stop ten\n", "s:1: expected 'stop SECONDS'"},
        {"100 shot\n", "s:1: expected 'shot FILE.png'"},
        {"100 close now\n", "s:1: unexpected 'now'"},
        {"100 key tap Up Down\n", "s:1: unexpected 'Down'"},
    };
    for (const auto& c : cases) {
        std::vector<ScriptEvent> ev;
        std::string error;
        EXPECT_EQ(parseScript(c.text, "s", ev, error), 1) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << "got: " << error;
        EXPECT_TRUE(ev.empty());
    }
}
