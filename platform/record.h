// Recording a session and replaying it exactly. While a session is recorded or replayed the
// layer hands the program a clock of its own that moves only when the program sleeps (or a
// stop event continues it), so every clock reading follows from the recorded sleeps; the
// events of each processEvents call and a check value of each presented frame are written
// alongside. The format is described in docs/recording.md.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>
#include "platform/layer.h"

enum { RecordingVersion = 1 };
// The layer's exit status when a replayed frame differs from the recording.
enum { ReplayDivergedStatus = 4 };

// What the game embeds (level file and pictures): a recording made with other content is
// refused.
uint64_t contentFingerprint();
// CRC-32 (the zlib polynomial) of the header and of each chunk.
uint32_t recordingCrc32(const uint8_t* data, size_t size);
// The check value of one presented frame (the framebuffer in display memory order).
uint64_t frameHash(const uint8_t* fb, size_t size);

// ---- the file, decoded ----

// One step of the program as the layer sees it.
// Continue: the process was continued (SIGCONT) during the sleep before it.
enum class RecordOp : uint8_t { Pump = 0, Events = 1, SameFrame = 2, NewFrame = 3, Sleep = 4, Continue = 5 };
struct RecordedOp {
    RecordOp op;
    uint32_t value;  // Events: first event; Sleep: the clock step in microseconds
    uint32_t count;  // Events: number of events
};
// A pass is the ops up to a sleep; each different pass is described once, in the chunk where
// it first happens, and then listed by number. A copy repeats passes listed a little earlier
// (the steady beat of sleeps and frames between two events).
struct RecordedPass {
    uint32_t firstOp, endOp;
    uint32_t newFrames;
};
struct RecordedItem {
    uint32_t pass;      // literal: the pass's number; copy: 0
    uint32_t copies;    // copy: how many passes are copied; literal: 0
    uint32_t distance;  // copy: how far back the copied passes start
};
// A chunk is what one flush wrote (about a second of the session's clock).
struct RecordedChunk {
    size_t offset;  // in the file, for messages
    std::vector<RecordedItem> items;
    std::vector<uint8_t> checks;  // 4-bit check value of each NewFrame, in order
    uint32_t chain = 0;           // check value of all the chunk's frames together
};
struct Recording {
    int orientation = 0;
    bool offscreen = false;  // the back end that recorded it
    uint64_t fingerprint = 0;
    int64_t clockStartUs = 0;  // what the clock read before the first sleep
    std::vector<RecordedOp> ops;
    std::vector<LayerEvent> events;
    std::vector<RecordedPass> passes;
    std::vector<RecordedChunk> chunks;
    bool finished = false;  // the program ended normally (not cut off by a crash or a kill)
};
// Reads a whole recording. Returns 0, or 1 with the reason (and where) in error. Every
// allocation is bounded by the size of the input.
int parseRecording(const uint8_t* data, size_t size, uint64_t fingerprint, Recording& out, std::string& error);
// Loads the file named by -replay; on any refusal prints the reason and exits with status 2.
void loadRecordingOrExit(const std::string& path, Recording& out);

// ---- hooks of the layer ----

// Called by the application object before the back end exists. A bad recording, or one that
// cannot be written, ends the program with status 2. Replaying sets the orientation.
void sessionBegin(LayerOptions& options);
// Closes the recording (end mark) or checks that the replay used all of it.
void sessionEnd();
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
