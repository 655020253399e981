// The repeat of keys held on a gamepad: the desktop back end feeds presses and releases and
// the passing time, and gets back the key events, auto-repeats included.
#include <algorithm>
#include <cstdint>
#include <vector>
#include "platform/desktop.h"

void HeldKeys::hold(int key, bool down, uint64_t nowMs, std::vector<Event>& out) {
    auto it = std::find_if(held_.begin(), held_.end(), [&](const Held& h) { return h.key == key; });
    if (down) {
        if (it != held_.end()) {
            it->holders++;
            return;
        }
        held_.push_back(Held{key, 1, nowMs + uint64_t(delayMs)});
        out.push_back(Event{key, true, false});
        return;
    }
    if (it == held_.end() || --it->holders > 0) return;
    held_.erase(it);
    out.push_back(Event{key, false, false});
}

void HeldKeys::tick(uint64_t nowMs, std::vector<Event>& out) {
    for (Held& h : held_) {
        if (nowMs < h.nextMs) continue;
        out.push_back(Event{h.key, false, true});
        out.push_back(Event{h.key, true, true});
        h.nextMs += uint64_t(intervalMs);
        if (h.nextMs <= nowMs) h.nextMs = nowMs + uint64_t(intervalMs);
    }
}

void HeldKeys::releaseAll(std::vector<Event>& out) {
    for (const Held& h : held_) out.push_back(Event{h.key, false, false});
    held_.clear();
}
