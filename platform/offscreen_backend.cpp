// The offscreen back end: no window, a virtual clock that moves only when the program
// sleeps, and window-system events from a script. A whole run is deterministic.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "platform/layer.h"
#include "platform/offscreen.h"

// After the window system closed the window, a program that still runs this much later
// (virtual time) is not going to end by itself.
enum : int64_t { CloseGraceMs = 60000 };

namespace {
class OffscreenBackend : public Backend {
public:
    std::vector<ScriptEvent> script;
    size_t next = 0;
    int64_t untilMs = OffscreenDefaultUntilMs;
    bool closeSent = false;
    int64_t frames = 0;

    void pump(std::deque<LayerEvent>& queue) override {
        int64_t nowMs = virtualNowUs / 1000;
        while (next < script.size() && script[next].atMs <= nowMs) queue.push_back(script[next++].event);
        if (!closeSent && nowMs >= untilMs) {
            closeSent = true;
            debugLine("layer: " + std::to_string(untilMs) + " ms reached, closing the window");
            queue.push_back(LayerEvent{EventKind::Close});
        }
        const int64_t closedAtUs = layer().closeDeliveredUs;
        if (closedAtUs >= 0 && virtualNowUs - closedAtUs >= CloseGraceMs * 1000) {
            fprintf(stderr,
                    "tavrin: the program was still running %lld ms (virtual) after its window was closed; "
                    "ending it\n",
                    (long long)CloseGraceMs);
            exit(3);
        }
    }

    void present(const uint8_t*, int) override { frames++; }
};

OffscreenBackend* current() {
    LayerState& L = layer();
    if (!L.appExists || L.options.platform != Platform::Offscreen) return nullptr;
    return static_cast<OffscreenBackend*>(L.backend);
}
}  // namespace

Backend* makeOffscreenBackend(const LayerOptions& options) {
    auto* b = new OffscreenBackend();
    if (options.untilMs >= 0) b->untilMs = options.untilMs;
    if (!options.script.empty()) {
        std::string error;
        if (readScriptFile(options.script, b->script, error)) {
            fprintf(stderr, "tavrin: %s\n", error.c_str());
            exit(2);
        }
    }
    return b;
}

bool offscreenBackend() {
    const LayerState& L = layer();
    return L.appExists && L.options.platform == Platform::Offscreen;
}

// ---- controls for tests ----

bool offscreenActive() { return current() != nullptr; }
int64_t offscreenClockUs() { return virtualNowUs; }
void offscreenAdvanceUs(int64_t us) {
    if (us > 0) virtualNowUs += us;
}

void offscreenQueueKey(int key, bool press, bool autoRepeat) {
    LayerEvent e{press ? EventKind::KeyPress : EventKind::KeyRelease};
    e.key = key;
    e.autoRepeat = autoRepeat;
    layer().queue.push_back(e);
}

void offscreenQueuePen(OffscreenPen kind, int x, int y) {
    LayerEvent e{kind == PenPress ? EventKind::PenPress : kind == PenMove ? EventKind::PenMove : EventKind::PenRelease};
    e.x = x;
    e.y = y;
    layer().queue.push_back(e);
}

void offscreenQueueFocus(bool in) {
    layer().queue.push_back(LayerEvent{in ? EventKind::FocusIn : EventKind::FocusOut});
}
void offscreenQueueClose() { layer().queue.push_back(LayerEvent{EventKind::Close}); }
const uint8_t* offscreenFramebuffer() { return layer().framebuffer; }

int offscreenSavePng(const char* path) {
    std::string error;
    const LayerState& L = layer();
    return writeScreenPng(L.framebuffer, L.appExists ? L.options.orientation : 0, path, error);
}

int64_t offscreenFrameCount() {
    OffscreenBackend* b = current();
    return b ? b->frames : 0;
}

void offscreenRecordDebug(bool on) {
    LayerState& L = layer();
    L.recordDebug = on;
    if (!on) L.debugLines.clear();
}
const std::vector<std::string>& offscreenDebugLines() { return layer().debugLines; }
const std::vector<std::string>& offscreenSystemCommands() { return layer().systemCommands; }
const std::vector<std::string>& offscreenQcopMessages() { return layer().qcopMessages; }

void offscreenUprightPixels(uint16_t* out) {
    const LayerState& L = layer();
    framebufferUpright(L.framebuffer, L.appExists ? L.options.orientation : 0, out);
}
