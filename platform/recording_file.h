// The recording's file, read and written chunk by chunk (format: docs/recording.md).
// Internal header: only platform/ and its tests include it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
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

// ---- the file, read chunk by chunk ----

// One step of the program as the layer sees it.
// Continue: the process was continued (SIGCONT) during the sleep before it.
enum class RecordOp : uint8_t { Pump = 0, Events = 1, SameFrame = 2, NewFrame = 3, Sleep = 4, Continue = 5 };
struct RecordedOp {
    RecordOp op = RecordOp::Pump;
    uint32_t value = 0;  // Sleep: the clock step in microseconds; Events: number of events
    size_t events = 0;   // Events: where its events start among the pass descriptions' bytes
};
// A pass is the ops up to a sleep; each different pass is described once, in the chunk where
// it first happens, and then listed by number. A copy repeats passes listed a little earlier
// (the steady beat of sleeps and frames between two events).
struct RecordedItem {
    uint32_t pass;      // literal: the pass's number; copy: 0
    uint32_t copies;    // copy: how many passes are copied; literal: 0
    uint32_t distance;  // copy: how far back the copied passes start
};
// A chunk is what one flush wrote (about a second of the session's clock).
struct RecordedChunk {
    size_t offset = 0;  // in the file, for messages
    std::vector<RecordedItem> items;
    uint64_t frames = 0;  // new frames of the listed passes, each with a 4-bit check value
    uint32_t chain = 0;   // check value of all the chunk's frames together
};
struct RecordingHeader {
    int orientation = 0;
    bool offscreen = false;  // the back end that recorded it
    uint64_t fingerprint = 0;
    int64_t clockStartUs = 0;  // what the clock read before the first sleep
};

// Passes listed so far, as far back as a copy may reach.
struct PassListing {
    enum { Reach = 64 };
    uint32_t ring[Reach] = {};
    uint64_t listed = 0;
    void add(uint32_t id) { ring[listed++ % Reach] = id; }
    uint32_t back(uint32_t distance) const { return ring[(listed - distance) % Reach]; }
};

// Reads a recording one chunk at a time, each checked whole before any of it is used. What
// it holds is the pass descriptions of the chunks read so far (the format bounds them for the
// whole file) and the current chunk, so memory does not grow with the length of a session;
// every size the file declares is checked against the format's limits and against what is
// left of the file before anything is allocated for it.
class RecordingReader {
public:
    RecordingReader() = default;
    ~RecordingReader();
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    // Opens a file and reads its header. Only a regular file is read: a pipe, a device or a
    // folder is refused at once (opening never waits for a writer). Returns 0, or 1 with the
    // message to show in error.
    int openFile(const std::string& path, uint64_t fingerprint, std::string& error);
    // The same on bytes in memory (kept by the caller while the reader is used).
    int openMemory(const uint8_t* data, size_t size, uint64_t fingerprint, std::string& error);
    // Back to the first chunk, the pass descriptions forgotten.
    void rewind();
    // Reads the next chunk. 1: a data chunk, now chunk(); 0: the recording has no more
    // (finished() tells an end mark from a recording cut off); -1: refused, with what is wrong
    // and where in error (and every later call refuses too).
    int next(std::string& error);

    const RecordingHeader& header() const { return header_; }
    const RecordedChunk& chunk() const { return chunk_; }
    // The check value of the current chunk's frame i (0 .. frames - 1).
    uint8_t check(uint64_t i) const;
    // The program ended normally (an end mark was read).
    bool finished() const { return finished_; }
    // Passes described so far, and their ops: at from passBegin(id) up to passEnd(id).
    uint32_t passes() const { return uint32_t(passEnd_.size()); }
    size_t describedBytes() const { return described_.size(); }
    size_t passBegin(uint32_t id) const { return id ? passEnd_[id - 1] : 0; }
    size_t passEnd(uint32_t id) const { return passEnd_[id]; }
    uint32_t newFrames(uint32_t id) const { return passFrames_[id]; }
    // The op at 'at' of a pass read by next(); at moves past it.
    RecordedOp op(size_t& at) const;
    // The events of an Events op, appended to out.
    void events(const RecordedOp& op, std::vector<LayerEvent>& out) const;

private:
    int fd_ = -1;
    const uint8_t* memory_ = nullptr;
    size_t size_ = 0;  // of the file as opened
    size_t at_ = 0;    // where the next chunk starts
    size_t index_ = 0;
    uint64_t fingerprint_ = 0;
    std::string fault_;
    RecordingHeader header_;
    std::vector<uint8_t> buffer_;  // a chunk larger than the window, read from the file
    enum : size_t { WindowBytes = size_t(1) << 20 };
    std::vector<uint8_t> window_;  // the file's bytes from windowAt_ on
    size_t windowAt_ = 0;
    const uint8_t* payload_ = nullptr;
    size_t checksAt_ = 0;  // the current chunk's check values, in its payload
    std::vector<uint8_t> described_;
    std::vector<uint32_t> passEnd_;
    std::vector<uint16_t> passFrames_;
    PassListing listing_;
    RecordedChunk chunk_;
    bool finished_ = false;

    void reset();
    int readHeader(std::string& error);
    bool readBytes(size_t at, size_t n, uint8_t* out);
    // n bytes of the file from at, valid until the next call (nullptr: it cannot be read).
    const uint8_t* view(size_t at, size_t n);
    int refuse(const std::string& why, std::string& error);
    // The rest of a data chunk of length bytes; returns false with what is wrong in fault.
    bool readData(size_t length, std::string& fault);
};

// What reading a whole recording found.
struct RecordingSummary {
    RecordingHeader header;
    bool finished = false;
    size_t chunks = 0;
    uint64_t frames = 0;
    uint32_t passes = 0;
};
// Reads and checks a whole recording in memory, as -replay reads a file before the game
// starts. Returns 0, or 1 with the reason (and where) in error.
int checkRecording(const uint8_t* data, size_t size, uint64_t fingerprint, RecordingSummary& out, std::string& error);
// Opens the file named by -replay and checks all of it; on any refusal prints the reason and
// exits with status 2. The reader is left at the first chunk. Returns whether the recording
// has its end mark (false: it was cut off).
bool openRecordingOrExit(const std::string& path, RecordingReader& reader);

// ---- writing ----

// The check value of a chunk's frames so far, after one more frame.
uint64_t chainFrame(uint64_t chain, uint64_t hash);

// Gathers a chunk and writes it whole, so a recording cut off by a crash or a kill ends
// after its last whole chunk.
class RecordingWriter {
public:
    int fd = -1;
    std::string path;
    bool failed = false;

    // Opens the file to record to (platform/files.h: never waits, so a FIFO that nothing
    // reads is refused at once, as -replay refuses one). Returns false with why set.
    bool open(const std::string& file, std::string& why);

    void op(RecordOp code, const std::string& extra = std::string());
    void frame(bool same, uint64_t hash);
    void sleep(uint32_t step, int64_t clockUs, bool continued);
    // The events of one processEvents call (not empty).
    void events(const std::deque<LayerEvent>& queue);
    void flush();
    void finish();
    void writeHeader(int orientation, bool offscreen, int64_t clockStartUs);

private:
    std::string current_;
    uint32_t currentOps_ = 0;
    std::unordered_map<std::string, uint32_t> passIds_;  // every pass described so far
    std::vector<std::string> newPasses_;                 // described by the chunk being gathered
    std::vector<uint32_t> sequence_;
    std::vector<uint32_t> history_;  // the last passes listed by earlier chunks
    std::vector<uint8_t> checks_;
    uint64_t chain_ = 0;
    size_t bytes_ = 0;
    size_t described_ = 0;  // pass descriptions written so far
    size_t written_ = 0;    // bytes of the file: its header and whole chunks
    int64_t chunkStartUs_ = 0;

    void endPass();
    void writeChunk(const std::string& payload);
    void writeAll(const std::string& s);
};
