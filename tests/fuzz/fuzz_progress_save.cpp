// Load, save, load again, through real files in a private home: whatever a progress file
// holds, what the save writes loads back to the very record that was saved, and every byte
// after the record is kept.
#include <sys/stat.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/state.h"
#include "store/progress.h"
#include "tools/common/scratch_home.h"

namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        uint8_t buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
        fclose(f);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    static ScratchHome home("fuzz-progress-save");
    mkdir(home.folder().c_str(), 0700);
    FILE* f = fopen(home.file().c_str(), "wb");
    if (!f) abort();
    if (size) fwrite(data, 1, size, f);
    fclose(f);

    std::memset(&progress, 0, sizeof progress);
    loadProgress();
    // The game may change the record between load and save: take the new values from the
    // input's last bytes, so that the search explores them too.
    if (size >= 2) progress.levelReached = data[size - 1];
    if (size >= 3) progress.bestScore = int32_t(uint32_t(data[size - 2]) * 0x01010101u);
    saveProgress();
    ProgressRecord saved;
    std::memcpy(&saved, &progress, sizeof saved);

    const std::vector<uint8_t> file = readAll(home.file());
    // A file of nine bytes or more keeps what followed its record; a shorter one had none.
    const size_t expectedSize = size >= sizeof progress ? size : sizeof progress;
    if (file.size() != expectedSize) abort();
    if (size > sizeof progress &&
        std::memcmp(file.data() + sizeof progress, data + sizeof progress, size - sizeof progress) != 0)
        abort();

    std::memset(&progress, 0, sizeof progress);
    loadProgress();
    if (std::memcmp(&progress, &saved, sizeof saved) != 0) abort();
    return 0;
}
