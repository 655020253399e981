// The recording's file (format: docs/recording.md): its limits and check values, the reader
// that takes it chunk by chunk and the writer that gathers and writes the chunks. What runs
// while the game plays is in recording_session.cpp.
#include "platform/recording_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <unordered_map>

#include "catalogue/resources.h"
#include "platform/files.h"

namespace {

// ---- limits of the format (the reader refuses more; the writer never makes more) ----
constexpr size_t HeaderBytes = 32;
constexpr uint32_t MaxChunkBytes = 16u << 20;
// Days of play, and what the reader walks through in well under half a second: a file of any
// size is refused, or checked whole, before the game starts.
constexpr size_t MaxFileBytes = size_t(32) << 20;
constexpr uint32_t MaxPassesPerChunk = 4096;  // passes listed by one chunk, copies included
constexpr uint32_t MaxCopyDistance = PassListing::Reach;
constexpr uint32_t MaxOpsPerPass = 1024;
// What the reader keeps for the whole file: every pass description, since a list may name any
// of them. Sessions of many hours describe a few thousand passes in some tens of KB.
constexpr uint32_t MaxPasses = 1u << 20;
constexpr size_t MaxDescribedBytes = size_t(8) << 20;
constexpr uint32_t MaxShotPath = 4096;
constexpr int64_t MaxStopMs = int64_t(1) << 40;
const char Magic[8] = {'T', 'V', 'R', 'N', 'R', 'E', 'C', '\n'};
// A chunk is written at least once a second of the session's clock.
constexpr int64_t FlushEveryUs = 1000000;
constexpr uint32_t FlushAfterPasses = 4000;

enum : uint8_t {
    EvKeyPress = 1,
    EvKeyRelease = 2,
    EvPenPress = 3,
    EvPenMove = 4,
    EvPenRelease = 5,
    EvFocusIn = 6,
    EvFocusOut = 7,
    EvClose = 8,
    EvShot = 9,
    EvStop = 10,
    EvAutoRepeat = 0x80,
};

// ---- checks ----

uint32_t crc32(const uint8_t* p, size_t n) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; i++) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint64_t mix64(uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Four independent lanes, so that a whole frame hashes in a few microseconds.
uint64_t hashBytes(uint64_t h, const uint8_t* p, size_t n) {
    uint64_t lane[4] = {h ^ mix64(n + 1), h ^ mix64(n + 2), h ^ mix64(n + 3), h ^ mix64(n + 4)};
    size_t i = 0;
    for (; i + 32 <= n; i += 32)
        for (int k = 0; k < 4; k++) {
            uint64_t w;
            memcpy(&w, p + i + 8 * k, 8);
            lane[k] = (lane[k] ^ (w * 0x9E3779B97F4A7C15ull)) * 0xFF51AFD7ED558CCDull;
            lane[k] ^= lane[k] >> 29;
        }
    uint64_t tail = 0;
    for (int shift = 0; i < n; i++, shift = (shift + 8) & 63) {
        tail ^= uint64_t(p[i]) << shift;
        if (shift == 56) tail = mix64(tail);
    }
    return mix64(mix64(lane[0] ^ mix64(lane[1] + tail)) ^ mix64(lane[2] + mix64(lane[3])));
}

// ---- little-endian numbers and LEB128 varints ----

void putU16(std::string& s, uint16_t v) {
    s += char(v & 0xFF);
    s += char(v >> 8);
}
void putU32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; i++) s += char((v >> (8 * i)) & 0xFF);
}
void putU64(std::string& s, uint64_t v) {
    for (int i = 0; i < 8; i++) s += char((v >> (8 * i)) & 0xFF);
}
void putVar(std::string& s, uint64_t v) {
    while (v >= 0x80) {
        s += char(0x80 | (v & 0x7F));
        v >>= 7;
    }
    s += char(v);
}
uint64_t zigzag(int64_t v) { return (uint64_t(v) << 1) ^ uint64_t(v >> 63); }
int64_t unzigzag(uint64_t v) { return int64_t(v >> 1) ^ -int64_t(v & 1); }

uint64_t getLE(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; i++) v |= uint64_t(p[i]) << (8 * i);
    return v;
}

// Reads from a byte range; every read checks what is left, and the first fault sticks.
struct Reader {
    const uint8_t* p;
    size_t size;
    size_t at;
    std::string fault;
    bool ok() const { return fault.empty(); }
    bool fail(const std::string& why) {
        if (fault.empty()) fault = why;
        return false;
    }
    bool byte(uint8_t& out) {
        if (!ok()) return false;
        if (at >= size) return fail("ends in the middle of a record");
        out = p[at++];
        return true;
    }
    bool var(uint64_t& out, uint64_t max) {
        out = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            uint8_t b;
            if (!byte(b)) return false;
            out |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) {
                if (out > max) return fail("a number out of range");
                return true;
            }
        }
        return fail("a number too long");
    }
};

std::string hex(uint64_t v) {
    char buf[32];
    snprintf(buf, sizeof buf, "%016" PRIx64, v);
    return buf;
}

}  // namespace

uint32_t recordingCrc32(const uint8_t* data, size_t size) { return crc32(data, size); }

uint64_t frameHash(const uint8_t* fb, size_t size) { return hashBytes(0x7461767269ull, fb, size); }

uint64_t contentFingerprint() {
    static const uint64_t fingerprint = [] {
        uint64_t h = 0x636F6E74656E74ull;
        for (const EmbeddedFile* f = embeddedFiles; f->name; f++) {
            h = hashBytes(h, reinterpret_cast<const uint8_t*>(f->name), strlen(f->name));
            h = hashBytes(h, f->data, f->size);
        }
        return h;
    }();
    return fingerprint;
}

// ---- reading ----

static bool readEvent(Reader& r, LayerEvent& e) {
    uint8_t code;
    if (!r.byte(code)) return false;
    uint8_t kind = code & uint8_t(~EvAutoRepeat);
    if ((code & EvAutoRepeat) && kind != EvKeyPress && kind != EvKeyRelease) return r.fail("an unknown event");
    uint64_t v;
    switch (kind) {
    case EvKeyPress:
    case EvKeyRelease:
        e = LayerEvent(kind == EvKeyPress ? EventKind::KeyPress : EventKind::KeyRelease);
        e.autoRepeat = code & EvAutoRepeat;
        if (!r.var(v, 0x7FFFFFFF)) return false;
        e.key = int(v);
        return true;
    case EvPenPress:
    case EvPenMove:
    case EvPenRelease: {
        e = LayerEvent(kind == EvPenPress  ? EventKind::PenPress
                       : kind == EvPenMove ? EventKind::PenMove
                                           : EventKind::PenRelease);
        uint64_t x, y;
        if (!r.var(x, 1 << 21) || !r.var(y, 1 << 21)) return false;
        e.x = int(unzigzag(x));
        e.y = int(unzigzag(y));
        return true;
    }
    case EvFocusIn: e = LayerEvent(EventKind::FocusIn); return true;
    case EvFocusOut: e = LayerEvent(EventKind::FocusOut); return true;
    case EvClose: e = LayerEvent(EventKind::Close); return true;
    case EvShot: {
        e = LayerEvent(EventKind::Shot);
        if (!r.var(v, MaxShotPath)) return false;
        if (v > r.size - r.at) return r.fail("ends in the middle of a record");
        e.path.assign(reinterpret_cast<const char*>(r.p + r.at), size_t(v));
        r.at += size_t(v);
        return true;
    }
    case EvStop:
        e = LayerEvent(EventKind::Stop);
        if (!r.var(v, uint64_t(MaxStopMs))) return false;
        e.stopMs = int64_t(v);
        return true;
    default: return r.fail("an unknown event");
    }
}

// One op at r.at: its code and fields, its events read (and checked) but not kept.
static bool readOp(Reader& r, size_t end, RecordedOp& op) {
    uint8_t code = 0;
    if (!r.byte(code)) return false;
    op = RecordedOp{RecordOp(code), 0, 0};
    uint64_t v;
    switch (RecordOp(code)) {
    case RecordOp::Pump:
    case RecordOp::SameFrame:
    case RecordOp::NewFrame:
    case RecordOp::Continue: return true;
    case RecordOp::Sleep:
        if (!r.var(v, 0xFFFFFFFFu)) return false;
        op.value = uint32_t(v);
        return true;
    case RecordOp::Events: {
        if (!r.var(v, end - r.at))  // every event takes at least a byte
            return false;
        if (v == 0) return r.fail("an empty event list");
        op.value = uint32_t(v);
        op.events = r.at;
        LayerEvent e;
        for (uint64_t i = 0; i < v; i++)
            if (!readEvent(r, e)) return false;
        return true;
    }
    }
    return r.fail("an unknown step");
}

RecordingReader::~RecordingReader() { reset(); }

void RecordingReader::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    memory_ = nullptr;
    size_ = 0;
    fingerprint_ = 0;
    fault_.clear();
    header_ = RecordingHeader();
    buffer_.clear();
    window_.clear();
    windowAt_ = 0;
    rewind();
}

int RecordingReader::refuse(const std::string& why, std::string& error) {
    if (fault_.empty()) fault_ = why;
    error = fault_;
    chunk_ = RecordedChunk();
    return -1;
}

bool RecordingReader::readBytes(size_t at, size_t n, uint8_t* out) {
    if (memory_) {
        if (at > size_ || n > size_ - at) return false;
        memcpy(out, memory_ + at, n);
        return true;
    }
    while (n > 0) {
        ssize_t got = pread(fd_, out, n, off_t(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        at += size_t(got);
        n -= size_t(got);
    }
    return true;
}

int RecordingReader::openFile(const std::string& path, uint64_t fingerprint, std::string& error) {
    reset();
    // Without O_NONBLOCK, opening a pipe waits for a writer that may never come.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read the recording '" + path + "': " + strerror(errno);
        return 1;
    }
    struct stat st;
    const char* wrong = fstat(fd, &st) != 0 ? strerror(errno) : !S_ISREG(st.st_mode) ? "not a regular file" : nullptr;
    if (wrong) {
        error = "cannot read the recording '" + path + "': " + wrong;
        ::close(fd);
        return 1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    size_ = size_t(st.st_size);
    fingerprint_ = fingerprint;
    if (readHeader(error) != 0) {
        error = "cannot replay '" + path + "': " + error;
        return 1;
    }
    return 0;
}

int RecordingReader::openMemory(const uint8_t* data, size_t size, uint64_t fingerprint, std::string& error) {
    reset();
    memory_ = data;
    size_ = size;
    fingerprint_ = fingerprint;
    return readHeader(error);
}

int RecordingReader::readHeader(std::string& error) {
    // The mark and the header come first, so that anything else is refused after 32 bytes.
    uint8_t h[HeaderBytes];
    size_t have = std::min(size_, HeaderBytes);
    if (!readBytes(0, have, h)) {
        error = fault_ = std::string("cannot be read: ") + strerror(errno);
        return 1;
    }
    auto fail = [&](const std::string& why) {
        error = fault_ = why;
        return 1;
    };
    if (have < sizeof Magic || memcmp(h, Magic, sizeof Magic) != 0)
        return fail("not a recording of this game (no TVRNREC mark at its start)");
    if (have < 10) return fail("truncated: the file ends inside its header, at byte " + std::to_string(have));
    unsigned version = unsigned(getLE(h + 8, 2));
    if (version != RecordingVersion)
        return fail("unknown format version " + std::to_string(version) + " (this build reads version " +
                    std::to_string(RecordingVersion) + ")");
    if (have < HeaderBytes) return fail("truncated: the file ends inside its header, at byte " + std::to_string(have));
    if (size_ > MaxFileBytes) return fail("too large to be a recording (" + std::to_string(size_) + " bytes)");
    if (crc32(h, HeaderBytes - 4) != uint32_t(getLE(h + HeaderBytes - 4, 4)))
        return fail("damaged: the header (bytes 0 to " + std::to_string(HeaderBytes - 1) +
                    ") does not match its check value");
    header_.orientation = h[10];
    header_.offscreen = h[11] != 0;
    header_.fingerprint = getLE(h + 12, 8);
    header_.clockStartUs = int64_t(getLE(h + 20, 8));
    if (header_.orientation != 0 && header_.orientation != 2 && header_.orientation != 3)
        return fail("damaged: orientation " + std::to_string(header_.orientation) + " in the header");
    if (header_.fingerprint != fingerprint_)
        return fail("made with another level file or other pictures (content fingerprint " + hex(header_.fingerprint) +
                    ", this build has " + hex(fingerprint_) + ")");
    at_ = HeaderBytes;
    return 0;
}

void RecordingReader::rewind() {
    at_ = HeaderBytes;
    index_ = 0;
    described_.clear();
    passEnd_.clear();
    passFrames_.clear();
    listing_ = PassListing();
    chunk_ = RecordedChunk();
    payload_ = nullptr;
    finished_ = false;
}

uint8_t RecordingReader::check(uint64_t i) const {
    // Two 4-bit check values a byte, the first in the low half.
    return uint8_t(payload_[checksAt_ + size_t(i / 2)] >> (i & 1 ? 4 : 0) & 15);
}

RecordedOp RecordingReader::op(size_t& at) const {
    Reader r{described_.data(), described_.size(), at, std::string()};
    RecordedOp op;
    readOp(r, described_.size(), op);  // checked when its chunk was read
    at = r.at;
    return op;
}

void RecordingReader::events(const RecordedOp& op, std::vector<LayerEvent>& out) const {
    Reader r{described_.data(), described_.size(), op.events, std::string()};
    for (uint32_t i = 0; i < op.value; i++) {
        LayerEvent e;
        if (!readEvent(r, e)) return;
        out.push_back(std::move(e));
    }
}

int RecordingReader::next(std::string& error) {
    if (!fault_.empty()) return refuse(fault_, error);
    for (;;) {
        if (at_ >= size_) return 0;
        // Made only for a message: a long recording has millions of chunks.
        auto where = [this] { return "chunk " + std::to_string(index_) + " at byte " + std::to_string(at_); };
        if (finished_) return refuse("damaged: bytes after the end mark, at byte " + std::to_string(at_), error);
        const uint8_t* lengthBytes = size_ - at_ < 4 ? nullptr : view(at_, 4);
        if (!lengthBytes) return refuse("truncated: the file ends inside " + where() + " (its length)", error);
        uint32_t length = uint32_t(getLE(lengthBytes, 4));
        // Both bounds before a byte of it is allocated.
        if (length == 0 || length > MaxChunkBytes)
            return refuse("damaged: " + where() + " claims " + std::to_string(length) + " bytes", error);
        if (size_ - at_ - 4 < size_t(length) + 4)
            return refuse("truncated: the file ends inside " + where() + ", which needs " + std::to_string(length + 8) +
                              " bytes and has " + std::to_string(size_ - at_),
                          error);
        payload_ = view(at_ + 4, size_t(length) + 4);
        if (!payload_)
            return refuse("truncated: the file ends inside " + where() + " (it could not be read whole)", error);
        if (crc32(payload_, length) != uint32_t(getLE(payload_ + length, 4)))
            return refuse("damaged: " + where() + " does not match its check value", error);
        if (payload_[0] == 'E') {
            if (length != 1) return refuse("damaged: " + where() + ", an end mark with bytes after it", error);
            at_ += size_t(length) + 8;
            index_++;
            finished_ = true;
            continue;
        }
        if (payload_[0] != 'D') return refuse("damaged: " + where() + " is of an unknown kind", error);
        // Kept, not made anew: no allocation for each of millions of chunks.
        chunk_.items.clear();
        chunk_.offset = at_;
        chunk_.frames = 0;
        chunk_.chain = 0;
        std::string fault;
        if (!readData(length, fault)) return refuse("damaged: " + where() + ": " + fault, error);
        at_ += size_t(length) + 8;
        index_++;
        return 1;
    }
}

const uint8_t* RecordingReader::view(size_t at, size_t n) {
    if (memory_) return at <= size_ && n <= size_ - at ? memory_ + at : nullptr;
    if (at >= windowAt_ && at - windowAt_ + n <= window_.size()) return window_.data() + (at - windowAt_);
    // The file is read a window at a time, so that small chunks cost no system call each; a
    // chunk larger than the window is read on its own.
    if (n > size_t(WindowBytes)) {
        buffer_.resize(n);
        return readBytes(at, n, buffer_.data()) ? buffer_.data() : nullptr;
    }
    size_t want = std::min(size_t(WindowBytes), size_ - std::min(at, size_));
    if (want < n) return nullptr;
    window_.resize(want);
    windowAt_ = at;
    if (!readBytes(at, want, window_.data())) {
        window_.clear();
        return nullptr;
    }
    return window_.data();
}

bool RecordingReader::readData(size_t length, std::string& fault) {
    Reader r{payload_, length, 1, std::string()};
    struct Fault {
        Reader& r;
        std::string& out;
        ~Fault() { out = r.fault; }
    } keep{r, fault};
    // New pass descriptions: each checked, then kept as its bytes.
    uint64_t passes;
    if (!r.var(passes, MaxPassesPerChunk)) return false;
    for (uint64_t i = 0; i < passes; i++) {
        uint64_t length;
        if (!r.var(length, MaxChunkBytes)) return false;
        if (length == 0) return r.fail("an empty pass");
        if (length > r.size - r.at) return r.fail("ends in the middle of a record");
        if (passEnd_.size() >= MaxPasses) return r.fail("more passes than a recording may describe");
        if (described_.size() + length > MaxDescribedBytes)
            return r.fail("more pass descriptions than a recording may hold");
        size_t begin = r.at, end = r.at + size_t(length);
        uint32_t ops = 0, frames = 0;
        while (r.at < end) {
            if (++ops > MaxOpsPerPass) return r.fail("a pass too long");
            RecordedOp op;
            if (!readOp(r, end, op)) return false;
            if (r.at > end) return r.fail("a pass longer than its length");
            frames += op.op == RecordOp::NewFrame;
        }
        described_.insert(described_.end(), r.p + begin, r.p + end);
        passEnd_.push_back(uint32_t(described_.size()));
        passFrames_.push_back(uint16_t(frames));
    }
    // The list, walked as a replay will, counting the frames that need a check value.
    uint64_t items;
    if (!r.var(items, MaxPassesPerChunk)) return false;
    uint64_t listed = 0, frames = 0;
    for (uint64_t i = 0; i < items; i++) {
        uint64_t x;
        if (!r.var(x, uint64_t(MaxPassesPerChunk) * 2 + 1)) return false;
        RecordedItem item{0, 0, 0};
        if (!(x & 1)) {
            if (x / 2 >= passEnd_.size()) return r.fail("names a pass that is not there");
            item.pass = uint32_t(x / 2);
            listing_.add(item.pass);
            frames += passFrames_[item.pass];
            listed++;
        } else {
            uint64_t d;
            if (!r.var(d, MaxCopyDistance)) return false;
            item.copies = uint32_t(x >> 1);
            item.distance = uint32_t(d);
            if (item.copies == 0 || d == 0 || d > listing_.listed) return r.fail("copies passes that are not there");
            if (listed + item.copies > MaxPassesPerChunk) return r.fail("too many passes");
            // The copies repeat the last `distance` passes over and over: their frames are
            // counted a round at a time, and of the copies only the last Reach can be copied
            // from later, so only those are kept. A file of long steady stretches is walked
            // in a time that does not grow with the stretches' length.
            uint32_t round[PassListing::Reach];
            uint64_t roundFrames = 0;
            for (uint32_t k = 0; k < item.distance; k++) {
                round[k] = listing_.back(item.distance - k);
                roundFrames += passFrames_[round[k]];
            }
            frames += uint64_t(item.copies / item.distance) * roundFrames;
            for (uint32_t k = 0; k < item.copies % item.distance; k++) frames += passFrames_[round[k]];
            const uint32_t skipped = item.copies > PassListing::Reach ? item.copies - PassListing::Reach : 0;
            listing_.listed += skipped;
            for (uint32_t k = skipped; k < item.copies; k++) listing_.add(round[k % item.distance]);
            listed += item.copies;
        }
        if (listed > MaxPassesPerChunk) return r.fail("too many passes");
        chunk_.items.push_back(item);
    }
    uint64_t checks;
    if (!r.var(checks, uint64_t(MaxPassesPerChunk) * MaxOpsPerPass)) return false;
    if (checks != frames) return r.fail("frame check values do not match its frames");
    size_t bytes = size_t((checks + 1) / 2);
    if (bytes + 4 > r.size - r.at) return r.fail("ends in the middle of a record");
    if ((checks & 1) && (r.p[r.at + bytes - 1] >> 4)) return r.fail("a stray check value");
    chunk_.frames = checks;
    checksAt_ = r.at;
    r.at += bytes;
    chunk_.chain = uint32_t(getLE(r.p + r.at, 4));
    r.at += 4;
    if (r.at != r.size) return r.fail("bytes left over");
    return true;
}

int checkRecording(const uint8_t* data, size_t size, uint64_t fingerprint, RecordingSummary& out, std::string& error) {
    out = RecordingSummary();
    RecordingReader reader;
    if (reader.openMemory(data, size, fingerprint, error) != 0) return 1;
    int got;
    while ((got = reader.next(error)) == 1) {
        out.chunks++;
        out.frames += reader.chunk().frames;
    }
    if (got < 0) {
        out = RecordingSummary();
        return 1;
    }
    out.header = reader.header();
    out.finished = reader.finished();
    out.passes = reader.passes();
    return 0;
}

bool openRecordingOrExit(const std::string& path, RecordingReader& reader) {
    std::string error;
    if (reader.openFile(path, contentFingerprint(), error) != 0) {
        fprintf(stderr, "tavrin: %s\n", error.c_str());
        exit(2);
    }
    // All of it is checked before the game starts, a chunk at a time; the replay then reads
    // it again as it plays.
    int got;
    while ((got = reader.next(error)) == 1) {
    }
    if (got < 0) {
        fprintf(stderr, "tavrin: cannot replay '%s': %s\n", path.c_str(), error.c_str());
        exit(2);
    }
    bool finished = reader.finished();
    reader.rewind();
    return finished;
}

// ---- writing ----

uint64_t chainFrame(uint64_t chain, uint64_t hash) { return mix64(chain + hash); }

static void writeEvent(std::string& s, const LayerEvent& e) {
    switch (e.kind) {
    case EventKind::KeyPress:
    case EventKind::KeyRelease:
        s += char((e.kind == EventKind::KeyPress ? EvKeyPress : EvKeyRelease) | (e.autoRepeat ? EvAutoRepeat : 0));
        putVar(s, uint64_t(uint32_t(e.key) & 0x7FFFFFFF));
        break;
    case EventKind::PenPress:
    case EventKind::PenMove:
    case EventKind::PenRelease:
        s += char(e.kind == EventKind::PenPress ? EvPenPress : e.kind == EventKind::PenMove ? EvPenMove : EvPenRelease);
        putVar(s, zigzag(e.x));
        putVar(s, zigzag(e.y));
        break;
    case EventKind::FocusIn: s += char(EvFocusIn); break;
    case EventKind::FocusOut: s += char(EvFocusOut); break;
    case EventKind::Close: s += char(EvClose); break;
    case EventKind::Shot: {
        std::string path = e.path.substr(0, MaxShotPath);
        s += char(EvShot);
        putVar(s, path.size());
        s += path;
        break;
    }
    case EventKind::Stop:
        s += char(EvStop);
        putVar(s, uint64_t(e.stopMs < 0 ? 0 : e.stopMs > MaxStopMs ? MaxStopMs : e.stopMs));
        break;
    }
}

bool RecordingWriter::open(const std::string& file, std::string& why) {
    fd = openOutputFile(file, why);
    path = file;
    return fd >= 0;
}

void RecordingWriter::op(RecordOp code, const std::string& extra) {
    current_ += char(code);
    current_ += extra;
    // A program that never sleeps still gets its passes and chunks cut.
    if (++currentOps_ >= MaxOpsPerPass) {
        endPass();
        if (sequence_.size() >= FlushAfterPasses) flush();
    }
}

void RecordingWriter::frame(bool same, uint64_t hash) {
    // The check values first: the op may end the chunk they belong to.
    if (!same) checks_.push_back(uint8_t(hash & 15));
    chain_ = chainFrame(chain_, hash);
    op(same ? RecordOp::SameFrame : RecordOp::NewFrame);
}

void RecordingWriter::sleep(uint32_t step, int64_t clockUs, bool continued) {
    std::string v;
    putVar(v, step);
    op(RecordOp::Sleep, v);
    if (continued) op(RecordOp::Continue);
    endPass();
    if (clockUs - chunkStartUs_ >= FlushEveryUs || sequence_.size() >= FlushAfterPasses ||
        bytes_ >= MaxChunkBytes / 2) {
        flush();
        chunkStartUs_ = clockUs;
    }
}

void RecordingWriter::flush() {
    endPass();
    if (sequence_.empty() || failed) return;
    std::string payload = "D";
    putVar(payload, newPasses_.size());
    for (const std::string& p : newPasses_) {
        putVar(payload, p.size());
        payload += p;
    }
    // Passes are listed by number; a run that repeats what came a little earlier (the
    // same steady beat of sleeps and frames) is written as one copy.
    std::vector<uint32_t> all = history_;
    size_t start = all.size();
    all.insert(all.end(), sequence_.begin(), sequence_.end());
    std::string items;
    size_t count = 0;
    for (size_t i = start; i < all.size();) {
        size_t best = 0, bestDistance = 0;
        for (size_t d = 1; d <= MaxCopyDistance && d <= i; d++) {
            size_t n = 0;
            while (i + n < all.size() && all[i + n] == all[i + n - d]) n++;
            if (n > best) {
                best = n;
                bestDistance = d;
            }
        }
        if (best >= 2) {
            putVar(items, uint64_t(best) << 1 | 1);
            putVar(items, bestDistance);
            i += best;
        } else {
            putVar(items, uint64_t(all[i]) << 1);
            i++;
        }
        count++;
    }
    history_.assign(all.end() - std::min<size_t>(all.size(), MaxCopyDistance), all.end());
    putVar(payload, count);
    payload += items;
    putVar(payload, checks_.size());
    for (size_t i = 0; i < checks_.size(); i += 2)
        payload += char(checks_[i] | (i + 1 < checks_.size() ? checks_[i + 1] << 4 : 0));
    putU32(payload, uint32_t(chain_));
    for (const std::string& p : newPasses_) described_ += p.size();
    // A session that outgrows what a reader keeps ends its recording here; the file
    // stays a recording cut off after its last whole chunk.
    if (passIds_.size() > MaxPasses || described_ > MaxDescribedBytes || payload.size() > MaxChunkBytes ||
        written_ + payload.size() + 8 + 9 > MaxFileBytes) {
        fprintf(stderr, "tavrin: the recording '%s' is as long as a recording may be; recording stopped\n",
                path.c_str());
        failed = true;
        return;
    }
    writeChunk(payload);
    newPasses_.clear();
    sequence_.clear();
    checks_.clear();
    chain_ = 0;
    bytes_ = 0;
}

void RecordingWriter::finish() {
    flush();
    writeChunk("E");
}

void RecordingWriter::writeHeader(int orientation, bool offscreen, int64_t clockStartUs) {
    std::string h(Magic, sizeof Magic);
    putU16(h, RecordingVersion);
    h += char(orientation);
    h += char(offscreen ? 1 : 0);
    putU64(h, contentFingerprint());
    putU64(h, uint64_t(clockStartUs));
    putU32(h, crc32(reinterpret_cast<const uint8_t*>(h.data()), h.size()));
    writeAll(h);
    chunkStartUs_ = 0;
}

void RecordingWriter::endPass() {
    if (current_.empty()) return;
    auto [it, added] = passIds_.emplace(current_, uint32_t(passIds_.size()));
    if (added) {
        newPasses_.push_back(current_);
        bytes_ += current_.size();
    }
    sequence_.push_back(it->second);
    current_.clear();
    currentOps_ = 0;
}

void RecordingWriter::writeChunk(const std::string& payload) {
    std::string c;
    putU32(c, uint32_t(payload.size()));
    c += payload;
    putU32(c, crc32(reinterpret_cast<const uint8_t*>(payload.data()), payload.size()));
    writeAll(c);
}

void RecordingWriter::writeAll(const std::string& s) {
    if (fd < 0 || failed) return;
    size_t done = 0;
    while (done < s.size()) {
        ssize_t n = ::write(fd, s.data() + done, s.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int error = errno;
            // A full disk takes part of a chunk: cut back to the last whole one, so the
            // recording replays up to there as a recording cut off (a stream cannot be cut).
            bool cut = done > 0 && ftruncate(fd, off_t(written_)) == 0;
            fprintf(stderr, "tavrin: cannot write the recording '%s': %s; recording stopped%s\n", path.c_str(),
                    strerror(error), cut ? ", after its last whole chunk" : "");
            failed = true;
            return;
        }
        done += size_t(n);
    }
    written_ += done;
}

void RecordingWriter::events(const std::deque<LayerEvent>& queue) {
    std::string v;
    putVar(v, queue.size());
    for (const LayerEvent& e : queue) writeEvent(v, e);
    op(RecordOp::Events, v);
}
