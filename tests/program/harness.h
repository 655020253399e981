// Runs the real tavrin binary for a test: offscreen back end, a script, a fresh working
// directory and HOME, and gives back the exit status, both output streams, the debug log
// and helpers to look at screenshots.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/common/virtual_display.h"

namespace program {

// A directory of its own for one run, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct RunOptions {
    // Script text; written to a file in the run's directory and passed with -script.
    std::optional<std::string> script;
    // Options put after the layer options the harness adds (e.g. {"-orientation", "3"}).
    std::vector<std::string> args;
    // When false the harness adds no -platform/-script/-debuglog options: args are everything.
    bool offscreen = true;
    bool debugLog = true;
    // Environment changes for the child: a value sets, nullopt removes.
    std::vector<std::pair<std::string, std::optional<std::string>>> env;
};

struct RunResult {
    int exitStatus = -1;  // -1 when ended by a signal
    int signal = 0;
    std::string out, err, debugLog;
    std::string dir;   // working directory of the run (screenshots land here)
    std::string home;  // HOME of the run: dir + "/home"
    bool exited(int status) const { return exitStatus == status && signal == 0; }
};

// Runs the program in dir (a TempDir's path); blocks until it ends.
RunResult runProgram(const std::string& dir, const RunOptions& options);

// The same in two steps, for tests that act on the running program meanwhile.
struct Started {
    int pid = -1;
    RunResult result;  // dir and home filled in
};
Started startProgram(const std::string& dir, const RunOptions& options);
RunResult waitProgram(Started& started);

// Runs a helper command (argv[0] a full path) with the given environment changes; returns
// its exit status (-1 when it could not run or was killed).
int runCommand(const std::vector<std::string>& argv,
               const std::vector<std::pair<std::string, std::optional<std::string>>>& env = {});

// Waits until the file at path holds at least count lines that contain needle, or until
// boundMs of real time have passed (a generous bound, for a program on a busy machine).
// Wakes on the file's changes (inotify), not on a timer. Returns whether the lines came.
bool waitForLines(const std::string& path, const std::string& needle, int count = 1, int boundMs = 120000);

// Number of lines of text that contain needle.
int countLines(const std::string& text, const std::string& needle);
std::vector<std::string> splitLines(const std::string& text);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
std::vector<std::string> listDir(const std::string& dir);

// A progress record of level 3 and best score 1234, scrambled with the game's key
// (docs/porting.md).
std::string level3Record();

// Waits for a started program, with the resources its process used (CPU time, peak memory).
struct Usage {
    int status = 0;  // as waitpid gives it
    double cpuSeconds = 0;
    long peakKB = 0;
};
Usage waitWithUsage(Started& started);

// A PNG read back as 8-bit RGB.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    bool ok() const { return width > 0 && height > 0; }
    // 0xRRGGBB of pixel (x, y).
    uint32_t at(int x, int y) const;
};
Picture readPng(const std::string& path);

}  // namespace program
