// Feeds arbitrary bytes, as the first bytes of a progress file, to the rule the game loads
// them with: it leaves either an all-zero record or one with the right magic that holds the
// file's first nine bytes unscrambled (and zero where the file was shorter). In memory, so it
// runs fast.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "game/state.h"
#include "store/progress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::memset(&progress, 0, sizeof progress);
    parseProgress(data, size);
    uint8_t record[sizeof progress];
    std::memcpy(record, &progress, sizeof record);
    if (progress.recordMagic != 0x01C8) {
        for (uint8_t b : record)
            if (b != 0) abort();
        return 0;
    }
    scrambleProgress();
    uint8_t stored[sizeof progress];
    std::memcpy(stored, &progress, sizeof stored);
    scrambleProgress();
    for (size_t i = 0; i < sizeof stored; ++i)
        if (i < size ? stored[i] != data[i] : record[i] != 0) abort();
    return 0;
}
