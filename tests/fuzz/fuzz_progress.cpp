// Feeds arbitrary bytes to the progress file loader: it must never read out of bounds, and
// it leaves either a record with the right magic or an all-zero one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "game/state.h"
#include "store/progress.h"

static std::string home;

// The private home goes with the process.
static void removeHome() {
    unlink((home + "/Applications/tavrin.conf").c_str());
    rmdir((home + "/Applications").c_str());
    rmdir(home.c_str());
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char tmpl[] = "/tmp/fuzz_progress.XXXXXX";
    if (!mkdtemp(tmpl)) abort();
    home = tmpl;
    setenv("HOME", home.c_str(), 1);
    mkdir((home + "/Applications").c_str(), 0700);
    atexit(removeHome);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = progressPath();
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size) fwrite(data, 1, size, f);
    fclose(f);
    std::memset(&progress, 0, sizeof progress);
    loadProgress();
    static const uint8_t zero[sizeof progress] = {};
    if (progress.recordMagic != 0x01C8 && std::memcmp(&progress, zero, sizeof zero) != 0) abort();
    return 0;
}
