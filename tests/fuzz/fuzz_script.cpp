// The offscreen script reader takes any bytes: it either accepts a script whose times never
// decrease or names the line and the fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>
#include "platform/layer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptEvent> events;
    std::string error;
    if (parseScript(text, "fuzz", events, error) == 0) {
        int64_t last = 0;
        for (const ScriptEvent& e : events) {
            if (e.atMs < last)
                abort();
            last = e.atMs;
            if ((e.event.kind == EventKind::PenPress || e.event.kind == EventKind::PenMove) &&
                (e.event.x < 0 || e.event.x > 239 || e.event.y < 0 || e.event.y > 319))
                abort();
        }
    } else if (error.compare(0, 5, "fuzz:") != 0 || !events.empty())
        abort();
    return 0;
}
