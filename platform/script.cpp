// The offscreen back end's input: a script of window-system events on the virtual clock.
// A bad script is refused whole, with the line and what is wrong, before the program starts.
#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "platform/layer.h"
#include "platform/toolkit.h"

int scriptKeyCode(const std::string& name) {
    if (int code = keyCodeForScriptName(name); code >= 0) return code;
    if (name.empty() || !(name[0] >= '0' && name[0] <= '9')) return -1;
    errno = 0;
    char* end = nullptr;
    long v = strtol(name.c_str(), &end, 0);  // decimal or 0x...
    if (errno || *end || v < 0 || v > 0x01ffffff) return -1;
    return int(v);
}

static bool number(const std::string& s, int64_t lo, int64_t hi, int64_t& out) {
    return parseWholeNumber(s.c_str(), lo, hi, out, NumberText::ScriptWord);
}

// Lines and words by hand, not through streams: a stream drags the whole locale machinery into
// the program, a tenth of the web build's code.
// The next line of text from pos on, without its line end; false at the end of the text (a
// last line without a line end still counts).
static bool nextLine(const std::string& text, size_t& pos, std::string& line) {
    if (pos >= text.size()) return false;
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    line.assign(text, pos, end - pos);
    pos = end + 1;
    return true;
}

// Words between blanks, as the C locale's isspace has them.
static void splitWords(const std::string& line, std::vector<std::string>& out) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && blank(line[i])) i++;
        size_t start = i;
        while (i < line.size() && !blank(line[i])) i++;
        if (i > start) out.emplace_back(line, start, i - start);
    }
}

int parseScript(const std::string& text, const std::string& fileName, std::vector<ScriptEvent>& out,
                std::string& error) {
    out.clear();
    size_t pos = 0;
    std::string line;
    int lineNo = 0;
    int64_t last = 0;
    auto fail = [&](const std::string& what) {
        error = fileName + ":" + std::to_string(lineNo) + ": " + what;
        out.clear();
        return 1;
    };
    while (nextLine(text, pos, line)) {
        lineNo++;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::vector<std::string> w;
        splitWords(line, w);
        if (w.empty()) continue;
        ScriptEvent ev{0, LayerEvent(EventKind::Close)};
        if (!number(w[0], 0, INT64_C(1) << 40, ev.atMs))
            return fail("expected a time in milliseconds at the start of the line, found '" + w[0] + "'");
        if (ev.atMs < last)
            return fail("time " + w[0] + " is earlier than the line before (" + std::to_string(last) + ")");
        last = ev.atMs;
        if (w.size() < 2) return fail("expected an event after the time");
        const std::string& cmd = w[1];
        size_t expected = 0;
        int64_t n = 0;
        LayerEvent& e = ev.event;
        if (cmd == "key") {
            expected = 4;
            if (w.size() < 4) return fail("expected 'key tap|press|release NAME'");
            e.key = scriptKeyCode(w[3]);
            if (e.key < 0)
                return fail("unknown key '" + w[3] +
                            "' (Up Down Left Right Space Enter F33 Escape, or a code such as 0x1013)");
            if (w[2] == "tap" || w[2] == "press")
                e.kind = EventKind::KeyPress;
            else if (w[2] == "release")
                e.kind = EventKind::KeyRelease;
            else
                return fail("expected tap, press or release after 'key', found '" + w[2] + "'");
            if (w.size() == expected && w[2] == "tap") {
                out.push_back(ev);
                ev.event.kind = EventKind::KeyRelease;
            }
        } else if (cmd == "pen") {
            if (w.size() < 3) return fail("expected 'pen press X Y', 'pen move X Y' or 'pen release'");
            if (w[2] == "release") {
                expected = 3;
                e.kind = EventKind::PenRelease;
            } else if (w[2] == "press" || w[2] == "move") {
                expected = 5;
                e.kind = w[2] == "press" ? EventKind::PenPress : EventKind::PenMove;
                int64_t x = 0, y = 0;
                if (w.size() < 5 || !number(w[3], 0, ScreenWidth - 1, x) || !number(w[4], 0, ScreenHeight - 1, y))
                    return fail("expected 'pen " + w[2] + " X Y' with X 0..239 and Y 0..319");
                e.x = int(x);
                e.y = int(y);
            } else
                return fail("expected press, move or release after 'pen', found '" + w[2] + "'");
        } else if (cmd == "focus") {
            expected = 3;
            if (w.size() < 3 || (w[2] != "in" && w[2] != "out")) return fail("expected 'focus in' or 'focus out'");
            e.kind = w[2] == "in" ? EventKind::FocusIn : EventKind::FocusOut;
        } else if (cmd == "stop") {
            expected = 3;
            if (w.size() < 3 || !number(w[2], 0, 86400, n))
                return fail("expected 'stop SECONDS' with a whole number of seconds (0..86400)");
            e.kind = EventKind::Stop;
            e.stopMs = n * 1000;
        } else if (cmd == "shot") {
            expected = 3;
            if (w.size() < 3) return fail("expected 'shot FILE.png'");
            e.kind = EventKind::Shot;
            e.path = w[2];
        } else if (cmd == "close") {
            expected = 2;
            e.kind = EventKind::Close;
        } else
            return fail("unknown event '" + cmd + "' (key, pen, focus, stop, shot, close)");
        if (w.size() != expected) return fail("unexpected '" + w[expected] + "' after the event");
        out.push_back(ev);
    }
    return 0;
}

int readScriptFile(const std::string& path, std::vector<ScriptEvent>& out, std::string& error) {
    out.clear();
    // Only a regular file is a script: a folder or a device would read as nothing (or never
    // end) and the run would idle to its time limit.
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        error = "cannot read the script '" + path + "': " + strerror(errno);
        return 1;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "cannot read the script '" + path + "': not a regular file";
        return 1;
    }
    FILE* in = fopen(path.c_str(), "rb");
    if (!in) {
        error = "cannot read the script '" + path + "': " + strerror(errno);
        return 1;
    }
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, in)) > 0) text.append(buf, n);
    const bool bad = ferror(in) != 0;
    fclose(in);
    if (bad) {
        error = "cannot read the script '" + path + "': read error";
        return 1;
    }
    if (parseScript(text, path, out, error)) {
        error = "bad script: " + error;
        return 1;
    }
    return 0;
}
