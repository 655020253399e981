// The offscreen script reader takes any bytes: it either accepts a script whose times never
// decrease or names the line and the fault. The same bytes read from a file give the same
// events or the same fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "platform/layer.h"
#include "tools/common/scratch_home.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptEvent> events;
    std::string error;
    const int result = parseScript(text, "fuzz", events, error);
    if (result == 0) {
        int64_t last = 0;
        for (const ScriptEvent& e : events) {
            if (e.atMs < last) abort();
            last = e.atMs;
            if ((e.event.kind == EventKind::PenPress || e.event.kind == EventKind::PenMove) &&
                (e.event.x < 0 || e.event.x > 239 || e.event.y < 0 || e.event.y > 319))
                abort();
        }
    } else if (error.compare(0, 5, "fuzz:") != 0 || !events.empty())
        abort();

    static ScratchHome scratch("fuzz-script");
    const std::string path = scratch.path() + "/fuzz";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size) fwrite(data, 1, size, f);
    fclose(f);
    std::vector<ScriptEvent> fromFile;
    std::string fileError;
    if (readScriptFile(path, fromFile, fileError) != result || fromFile.size() != events.size()) abort();
    if (result && fileError != "bad script: " + path + error.substr(4)) abort();
    return 0;
}
