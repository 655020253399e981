// The desktop window's settings file: where it lives, reading it and writing it. Like the
// picture's placement and the held keys, it needs no window.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include "platform/desktop.h"
#include "platform/layer.h"

namespace {
enum { MaxSide = 16384 };

bool absolute(const char* p) { return p && p[0] == '/'; }

// mkdir -p for the settings folder; the XDG base folder is private to the user.
int makeFolders(const std::string& dir) {
    if (dir.empty()) return 0;
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : -1;
    size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && makeFolders(dir.substr(0, slash)) != 0) return -1;
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    return 0;
}
}  // namespace

std::string windowSettingsPath() {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    if (absolute(xdg)) return std::string(xdg) + "/tavrin/window.conf";
    const char* home = getenv("HOME");
    if (absolute(home)) return std::string(home) + "/.config/tavrin/window.conf";
    return "";
}

int parseWindowSettings(const std::string& text, WindowSettings& out, std::string& error) {
    WindowSettings s;
    bool haveWindow = false, haveFullscreen = false, haveMaximized = false;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string name, extra;
        words >> name;
        bool ok = false;
        if (name == "window" && !haveWindow) {
            long w = 0, h = 0;
            ok = bool(words >> w >> h) && !(words >> extra) && w >= 240 && h >= 320 && w <= MaxSide && h <= MaxSide;
            s.width = int(w);
            s.height = int(h);
            haveWindow = true;
        } else if (name == "fullscreen" && !haveFullscreen) {
            int f = -1;
            ok = bool(words >> f) && !(words >> extra) && (f == 0 || f == 1);
            s.fullscreen = f == 1;
            haveFullscreen = true;
        } else if (name == "maximized" && !haveMaximized) {
            int m = -1;
            ok = bool(words >> m) && !(words >> extra) && (m == 0 || m == 1);
            s.maximized = m == 1;
            haveMaximized = true;
        }
        if (!ok) {
            error = "line " + std::to_string(number) + ": '" + line.substr(0, 60) + "'";
            return 1;
        }
    }
    if (!haveWindow) {
        error = "no window line";
        return 1;
    }
    out = s;
    return 0;
}

std::string formatWindowSettings(const WindowSettings& s) {
    return "# The game window, as it was left; written by the game.\nwindow " + std::to_string(s.width) + " " +
           std::to_string(s.height) + "\nfullscreen " + (s.fullscreen ? "1" : "0") + "\n" +
           (s.maximized ? "maximized 1\n" : "");
}

WindowSettings loadWindowSettings(const std::string& path, bool* damaged) {
    WindowSettings s;
    if (damaged) *damaged = false;
    if (path.empty()) return s;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return s;  // the first run, most likely
    std::string text;
    char buf[1024];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0 && text.size() < 65536) text.append(buf, n);
    fclose(f);
    std::string error;
    if (text.size() >= 65536) error = "too long";
    if (!error.empty() || parseWindowSettings(text, s, error)) {
        fprintf(stderr, "tavrin: ignoring the damaged window settings file '%s' (%s)\n", path.c_str(), error.c_str());
        if (damaged) *damaged = true;
        return WindowSettings();
    }
    return s;
}

int saveWindowSettings(const std::string& path, const WindowSettings& s, std::string& error) {
    if (path.empty()) {
        error = "no XDG_CONFIG_HOME or HOME";
        return 1;
    }
    size_t slash = path.find_last_of('/');
    std::string dir = path.substr(0, slash);
    if (makeFolders(dir) != 0) {
        error = "cannot make " + dir + ": " + strerror(errno);
        return 1;
    }
    std::string temp = path + ".new";
    std::string text = formatWindowSettings(s);
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + temp + ": " + strerror(errno);
        return 1;
    }
    bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size()) && fsync(fd) == 0;
    int saved = errno;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + strerror(ok ? errno : saved);
        unlink(temp.c_str());
        return 1;
    }
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return 0;
}

bool windowSettingsToSave(const WindowSettings& now, const WindowSettings& remembered, bool sizeForced,
                          WindowSettings& out) {
    out = now;
    if (!sizeForced) return true;
    out.width = remembered.width;
    out.height = remembered.height;
    out.maximized = now.maximized || remembered.maximized;
    return out.width > 0;
}
