// What the web build's back end (web_backend.cpp) lends the rest of the layer.
#pragma once
#include <string>

// The real clock's sleep: the browser gets the time back meanwhile.
void webSleepUs(unsigned us);
// On the virtual clock: hands the browser a moment when the program has run long without one.
void webMaybeYield();
// A bare wait on the real clock that gives the browser its time back (a recorded session's
// pace); reached from the loop's sleep by direct calls only, as Asyncify needs.
void webWaitUs(unsigned us);
// The program's command line as the page gave it, every word ended by a NUL.
std::string webCommandLine();
// Whether the progress file must wait for the page's storage, which is still opening: read
// is then called at the first sleep, and the player's input waits until then.
bool webDeferProgress(void (*read)());
