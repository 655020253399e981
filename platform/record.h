// Recording a session and replaying it exactly. While a session is recorded or replayed the
// layer hands the program a clock of its own that moves only when the program sleeps (or a
// stop event continues it), so every clock reading follows from the recorded sleeps; the
// events of each processEvents call and a check value of each presented frame are written
// alongside. The format is described in docs/recording.md.
// Internal header: only platform/ and its tests include it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include "platform/layer.h"
#include "platform/recording_file.h"

// ---- hooks of the layer ----

// Called by the application object before the back end exists. A bad recording, or one that
// cannot be written, ends the program with status 2. Replaying sets the orientation.
void sessionBegin(LayerOptions& options);
// Closes the recording (end mark) or checks that the replay used all of it.
void sessionEnd();
// The program is about to end with a failure (a shot that cannot be written): the recording
// keeps what was gathered, in whole chunks, and gets no end mark, so that a replay, where the
// failure need not happen again, stops there as at a recording cut off.
void sessionFailing();
// A session is being recorded or replayed (and has not ended); the second: replayed.
bool sessionActive();
bool sessionReplaying();
// The clock as the program sees it during a session (microseconds since 1970).
int64_t sessionClockUs();
// A sleep of the program; the clock moves by the recorded (or measured) step.
void sessionSleep(unsigned us);
// The events of one processEvents call: recorded, or replaced by the recorded ones.
void sessionEvents(std::deque<LayerEvent>& queue);
// Raises SIGCONT so that the program's handler runs now (a desktop session holds the signal
// back otherwise, see sessionSleep).
void sessionRaiseContinue();
// A frame was presented.
void sessionFrame(const uint8_t* fb, size_t size);
