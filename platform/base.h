// The layer's base: its one state record, the debug log and the session clock (base.cpp).
// Internal header: only platform/ and its tests include it.
#pragma once
#include <cstdint>
#include <string>

struct LayerState;  // layer.h
LayerState& layer();

// The session clock, microseconds since program start: virtual on the offscreen back end,
// kept by the recording on the desktop.
extern int64_t virtualNowUs;
enum : int64_t { VirtualEpochSeconds = 1500000000 };

// Debug log plumbing.
void debugLogOpen(const std::string& target);  // exits 2 when the file cannot be opened
void debugLogClose();
void debugLine(const std::string& line);
// Lines logged before the application object existed go to the log once it is open.
void debugLogEarlyLines();
