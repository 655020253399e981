// Recording a session and replaying it exactly (format: docs/recording.md).
//
// The program's behaviour depends on the clock only through what the clock reads between
// sleeps. During a session the layer therefore keeps a clock that stands still while the
// program works and moves when it sleeps: offscreen by exactly what was asked, on the desktop
// to the sleep's deadline on the real clock (or to the real time when the program has fallen
// more than 10 ms behind). The recording is then the sleeps' steps, the events of every
// processEvents call and a check value of every presented frame, in the order the program
// met them; replaying hands the program the same steps and events and compares its frames.
#include "platform/record.h"

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
#include <fstream>
#include <sstream>
#include <unordered_map>

#include "gfx/resources.h"

namespace {

// ---- limits of the format (the reader refuses more; the writer never makes more) ----
constexpr size_t HeaderBytes = 32;
constexpr uint32_t MaxChunkBytes = 16u << 20;
constexpr size_t MaxFileBytes = size_t(256) << 20;
constexpr uint32_t MaxPassesPerChunk = 4096;  // passes listed by one chunk, copies included
constexpr uint32_t MaxCopyDistance = 64;
constexpr uint32_t MaxOpsPerPass = 1024;
constexpr uint32_t MaxShotPath = 4096;
constexpr int64_t MaxStopMs = int64_t(1) << 40;
const char Magic[8] = {'T', 'V', 'R', 'N', 'R', 'E', 'C', '\n'};
// A chunk is written at least once a second of the session's clock.
constexpr int64_t FlushEveryUs = 1000000;
constexpr uint32_t FlushAfterPasses = 4000;
// On the desktop the clock follows the sleeps' deadlines while the program keeps up.
constexpr int64_t DesktopSlackUs = 10000;

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

// One pass description: ops until its bytes are used up.
static bool readPass(Reader& r, Recording& out) {
    uint64_t length;
    if (!r.var(length, MaxChunkBytes)) return false;
    if (length == 0) return r.fail("an empty pass");
    if (length > r.size - r.at) return r.fail("ends in the middle of a record");
    size_t end = r.at + size_t(length);
    RecordedPass pass{uint32_t(out.ops.size()), 0, 0};
    uint32_t ops = 0;
    while (r.ok() && r.at < end) {
        if (++ops > MaxOpsPerPass) return r.fail("a pass too long");
        uint8_t code = 0;
        if (!r.byte(code)) return false;
        RecordedOp op{RecordOp(code), 0, 0};
        uint64_t v;
        switch (RecordOp(code)) {
        case RecordOp::Pump:
        case RecordOp::SameFrame:
        case RecordOp::Continue: break;
        case RecordOp::NewFrame: pass.newFrames++; break;
        case RecordOp::Sleep:
            if (!r.var(v, 0xFFFFFFFFu)) return false;
            op.value = uint32_t(v);
            break;
        case RecordOp::Events: {
            if (!r.var(v, end - r.at))  // every event takes at least a byte
                return false;
            if (v == 0) return r.fail("an empty event list");
            op.value = uint32_t(out.events.size());
            op.count = uint32_t(v);
            for (uint64_t i = 0; i < v && r.ok(); i++) {
                LayerEvent e;
                if (readEvent(r, e)) out.events.push_back(std::move(e));
            }
            break;
        }
        default: return r.fail("an unknown step");
        }
        if (r.at > end) return r.fail("a pass longer than its length");
        out.ops.push_back(op);
    }
    pass.endOp = uint32_t(out.ops.size());
    out.passes.push_back(pass);
    return r.ok();
}

// Passes listed so far, as far back as a copy may reach.
struct Listing {
    uint32_t ring[MaxCopyDistance] = {};
    uint64_t listed = 0;
    void add(uint32_t id) { ring[listed++ % MaxCopyDistance] = id; }
    uint32_t back(uint32_t distance) const { return ring[(listed - distance) % MaxCopyDistance]; }
};

static bool readDataChunk(Reader& r, Recording& out, RecordedChunk& chunk, Listing& listing) {
    uint64_t passes;
    if (!r.var(passes, MaxPassesPerChunk)) return false;
    for (uint64_t i = 0; i < passes && r.ok(); i++) readPass(r, out);
    uint64_t items;
    if (!r.ok() || !r.var(items, MaxPassesPerChunk)) return false;
    // Walk the list as a replay will, counting the frames that need a check value.
    uint64_t listed = 0, frames = 0;
    for (uint64_t i = 0; i < items && r.ok(); i++) {
        uint64_t x;
        if (!r.var(x, uint64_t(MaxPassesPerChunk) * 2 + 1)) return false;
        RecordedItem item{0, 0, 0};
        if (!(x & 1)) {
            if (x / 2 >= out.passes.size()) return r.fail("names a pass that is not there");
            item.pass = uint32_t(x / 2);
            listing.add(item.pass);
            frames += out.passes[item.pass].newFrames;
            listed++;
        } else {
            uint64_t d;
            if (!r.var(d, MaxCopyDistance)) return false;
            item.copies = uint32_t(x >> 1);
            item.distance = uint32_t(d);
            if (item.copies == 0 || d == 0 || d > listing.listed) return r.fail("copies passes that are not there");
            if (listed + item.copies > MaxPassesPerChunk) return r.fail("too many passes");
            for (uint32_t k = 0; k < item.copies; k++) {
                uint32_t id = listing.back(item.distance);
                listing.add(id);
                frames += out.passes[id].newFrames;
            }
            listed += item.copies;
        }
        if (listed > MaxPassesPerChunk) return r.fail("too many passes");
        chunk.items.push_back(item);
    }
    uint64_t checks;
    if (!r.ok() || !r.var(checks, uint64_t(MaxPassesPerChunk) * MaxOpsPerPass)) return false;
    if (checks != frames) return r.fail("frame check values do not match its frames");
    // Two 4-bit check values a byte, the first in the low half.
    size_t bytes = size_t((checks + 1) / 2);
    if (bytes + 4 > r.size - r.at) return r.fail("ends in the middle of a record");
    for (uint64_t i = 0; i < checks; i++) chunk.checks.push_back(uint8_t(r.p[r.at + i / 2] >> (i & 1 ? 4 : 0) & 15));
    if ((checks & 1) && (r.p[r.at + bytes - 1] >> 4)) return r.fail("a stray check value");
    r.at += bytes;
    chunk.chain = uint32_t(getLE(r.p + r.at, 4));
    r.at += 4;
    if (r.at != r.size) return r.fail("bytes left over");
    return true;
}

int parseRecording(const uint8_t* data, size_t size, uint64_t fingerprint, Recording& out, std::string& error) {
    out = Recording();
    auto refuse = [&](const std::string& why) {
        error = why;
        out = Recording();
        return 1;
    };
    if (size < sizeof Magic || memcmp(data, Magic, sizeof Magic) != 0)
        return refuse("not a recording of this game (no TVRNREC mark at its start)");
    if (size < 10) return refuse("truncated: the file ends inside its header, at byte " + std::to_string(size));
    unsigned version = unsigned(getLE(data + 8, 2));
    if (version != RecordingVersion)
        return refuse("unknown format version " + std::to_string(version) + " (this build reads version " +
                      std::to_string(RecordingVersion) + ")");
    if (size < HeaderBytes)
        return refuse("truncated: the file ends inside its header, at byte " + std::to_string(size));
    if (size > MaxFileBytes) return refuse("too large to be a recording (" + std::to_string(size) + " bytes)");
    if (crc32(data, HeaderBytes - 4) != uint32_t(getLE(data + HeaderBytes - 4, 4)))
        return refuse("damaged: the header (bytes 0 to " + std::to_string(HeaderBytes - 1) +
                      ") does not match its check value");
    out.orientation = data[10];
    out.offscreen = data[11] != 0;
    out.fingerprint = getLE(data + 12, 8);
    out.clockStartUs = int64_t(getLE(data + 20, 8));
    if (out.orientation != 0 && out.orientation != 2 && out.orientation != 3)
        return refuse("damaged: orientation " + std::to_string(out.orientation) + " in the header");
    if (out.fingerprint != fingerprint)
        return refuse("made with another level file or other pictures (content fingerprint " + hex(out.fingerprint) +
                      ", this build has " + hex(fingerprint) + ")");
    size_t at = HeaderBytes;
    size_t index = 0;
    Listing listing;
    while (at < size) {
        std::string where = "chunk " + std::to_string(index) + " at byte " + std::to_string(at);
        if (out.finished) return refuse("damaged: bytes after the end mark, at byte " + std::to_string(at));
        if (size - at < 4) return refuse("truncated: the file ends inside " + where + " (its length)");
        uint32_t length = uint32_t(getLE(data + at, 4));
        if (length == 0 || length > MaxChunkBytes)
            return refuse("damaged: " + where + " claims " + std::to_string(length) + " bytes");
        if (size - at - 4 < size_t(length) + 4)
            return refuse("truncated: the file ends inside " + where + ", which needs " + std::to_string(length + 8) +
                          " bytes and has " + std::to_string(size - at));
        const uint8_t* payload = data + at + 4;
        if (crc32(payload, length) != uint32_t(getLE(payload + length, 4)))
            return refuse("damaged: " + where + " does not match its check value");
        Reader r{payload, length, 0, std::string()};
        uint8_t kind = 0;
        r.byte(kind);
        if (kind == 'E') {
            if (length != 1) return refuse("damaged: " + where + ", an end mark with bytes after it");
            out.finished = true;
        } else if (kind == 'D') {
            RecordedChunk chunk;
            chunk.offset = at;
            if (!readDataChunk(r, out, chunk, listing)) return refuse("damaged: " + where + ": " + r.fault);
            out.chunks.push_back(std::move(chunk));
        } else
            return refuse("damaged: " + where + " is of an unknown kind");
        at += size_t(length) + 8;
        index++;
    }
    return 0;
}

void loadRecordingOrExit(const std::string& path, Recording& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "tavrin: cannot read the recording '%s': %s\n", path.c_str(), strerror(errno));
        exit(2);
    }
    std::string bytes;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        bytes.append(buf, size_t(in.gcount()));
        if (bytes.size() > MaxFileBytes) break;
    }
    std::string error;
    if (parseRecording(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), contentFingerprint(), out,
                       error)) {
        fprintf(stderr, "tavrin: cannot replay '%s': %s\n", path.c_str(), error.c_str());
        exit(2);
    }
}

// ---- the session ----

namespace {

enum class Mode { None, Record, Replay };

int64_t monotonicUs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// Sleeps until the monotonic clock reaches target (signals do not cut it short).
void sleepUntil(int64_t target) {
    for (;;) {
        int64_t left = target - monotonicUs();
        if (left <= 0) return;
        struct timespec ts {
            time_t(left / 1000000), long(left % 1000000) * 1000
        };
        nanosleep(&ts, nullptr);
    }
}

std::string describeEvent(const LayerEvent& e) {
    char buf[64];
    switch (e.kind) {
    case EventKind::KeyPress:
    case EventKind::KeyRelease:
        snprintf(buf, sizeof buf, "key %s 0x%x%s", e.kind == EventKind::KeyPress ? "press" : "release", e.key,
                 e.autoRepeat ? " (auto-repeat)" : "");
        return buf;
    case EventKind::PenPress:
    case EventKind::PenMove:
    case EventKind::PenRelease:
        snprintf(buf, sizeof buf, "pen %s %d %d",
                 e.kind == EventKind::PenPress  ? "press"
                 : e.kind == EventKind::PenMove ? "move"
                                                : "release",
                 e.x, e.y);
        return buf;
    case EventKind::FocusIn: return "focus in";
    case EventKind::FocusOut: return "focus out";
    case EventKind::Close: return "close";
    case EventKind::Shot: return "shot " + e.path;
    case EventKind::Stop: return "stop " + std::to_string(e.stopMs / 1000);
    }
    return "?";
}

void writeEvent(std::string& s, const LayerEvent& e) {
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

// Gathers a chunk and writes it whole, so a recording cut off by a crash or a kill ends
// after its last whole chunk.
class Writer {
public:
    int fd = -1;
    std::string path;
    bool failed = false;

    void op(RecordOp code, const std::string& extra = std::string()) {
        current_ += char(code);
        current_ += extra;
        // A program that never sleeps still gets its passes and chunks cut.
        if (++currentOps_ >= MaxOpsPerPass) {
            endPass();
            if (sequence_.size() >= FlushAfterPasses) flush();
        }
    }
    void frame(bool same, uint64_t hash) {
        // The check values first: the op may end the chunk they belong to.
        if (!same) checks_.push_back(uint8_t(hash & 15));
        chain_ = mix64(chain_ + hash);
        op(same ? RecordOp::SameFrame : RecordOp::NewFrame);
    }
    void sleep(uint32_t step, int64_t clockUs, bool continued) {
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
    void flush() {
        endPass();
        if (sequence_.empty()) return;
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
        writeChunk(payload);
        newPasses_.clear();
        sequence_.clear();
        checks_.clear();
        chain_ = 0;
        bytes_ = 0;
    }
    void finish() {
        flush();
        writeChunk("E");
    }
    void writeHeader(int orientation, bool offscreen, int64_t clockStartUs) {
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
    int64_t chunkStartUs_ = 0;

    void endPass() {
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
    void writeChunk(const std::string& payload) {
        std::string c;
        putU32(c, uint32_t(payload.size()));
        c += payload;
        putU32(c, crc32(reinterpret_cast<const uint8_t*>(payload.data()), payload.size()));
        writeAll(c);
    }
    void writeAll(const std::string& s) {
        if (fd < 0 || failed) return;
        size_t done = 0;
        while (done < s.size()) {
            ssize_t n = ::write(fd, s.data() + done, s.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                fprintf(stderr, "tavrin: cannot write the recording '%s': %s; recording stopped\n", path.c_str(),
                        strerror(errno));
                failed = true;
                return;
            }
            done += size_t(n);
        }
    }
};

// Where the replay is in the recording.
struct Cursor {
    size_t chunk = 0, item = 0;
    uint32_t copiesLeft = 0, distance = 0;
    Listing listing;
    uint32_t op = 0, opEnd = 0;
    size_t check = 0;
    uint64_t chain = 0;            // of the frames of the current chunk so far
    uint64_t chunkFirstFrame = 1;  // number of the current chunk's first frame
};

struct Session {
    Mode mode = Mode::None;
    bool desktop = false;
    int64_t clockStartUs = 0;
    int64_t realStartUs = 0;  // monotonic time at virtual time 0 (desktop)
    Writer writer;
    Recording rec;
    Cursor cur;
    bool checking = true;  // replay: until a live close ends the watching
    uint64_t frames = 0;
    uint64_t lastHash = 0;
    bool haveFrame = false;
    std::string lastEvent = "none";
    bool ended = false;
};

Session& session() {
    static Session* s = new Session();  // never destroyed: used from the exit handler
    return *s;
}

void atExit() { sessionEnd(); }

[[noreturn]] void diverged(Session& s, const std::string& what);

bool nextPass(Session& s) {
    Cursor& c = s.cur;
    while (c.chunk < s.rec.chunks.size()) {
        const RecordedChunk& ch = s.rec.chunks[c.chunk];
        uint32_t id;
        if (c.copiesLeft > 0) {
            id = c.listing.back(c.distance);
            c.copiesLeft--;
        } else if (c.item < ch.items.size()) {
            const RecordedItem& it = ch.items[c.item++];
            if (it.copies == 0)
                id = it.pass;
            else {
                c.copiesLeft = it.copies - 1;
                c.distance = it.distance;
                id = c.listing.back(c.distance);
            }
        } else {
            // Every frame of the chunk has been presented: their checks taken together.
            if (uint32_t(c.chain) != ch.chain)
                diverged(s, "frames " + std::to_string(c.chunkFirstFrame) + " to " + std::to_string(s.frames) +
                                " differ taken together, though each one's own check value matched");
            c.chunk++;
            c.item = 0;
            c.check = 0;
            c.chain = 0;
            c.chunkFirstFrame = s.frames + 1;
            continue;
        }
        c.listing.add(id);
        c.op = s.rec.passes[id].firstOp;
        c.opEnd = s.rec.passes[id].endOp;
        return true;
    }
    return false;
}

const RecordedOp* nextOp(Session& s) {
    while (s.cur.op >= s.cur.opEnd)
        if (!nextPass(s)) return nullptr;
    return &s.rec.ops[s.cur.op++];
}

const char* describeOp(RecordOp op) {
    switch (op) {
    case RecordOp::Pump: return "an event delivery without events";
    case RecordOp::Events: return "an event delivery with events";
    case RecordOp::SameFrame:
    case RecordOp::NewFrame: return "a frame";
    case RecordOp::Sleep: return "a sleep";
    case RecordOp::Continue: return "a continue signal";
    }
    return "?";
}

void diverged(Session& s, const std::string& what) {
    fflush(stdout);
    fprintf(stderr,
            "replay: frame %" PRIu64 " differs from the recording, at %" PRId64
            " ms (virtual time): %s; last event before it: %s\n",
            s.frames, int64_t(virtualNowUs / 1000), what.c_str(), s.lastEvent.c_str());
    fflush(stderr);
    _exit(ReplayDivergedStatus);
}

// The program wants its next step and the recording has no more.
const RecordedOp* expect(Session& s, const char* doing) {
    const RecordedOp* op = nextOp(s);
    if (op) return op;
    if (s.rec.finished) {
        s.frames++;
        diverged(s, std::string("the recording ends, but the program goes on (") + doing + ")");
    }
    fflush(stdout);
    fprintf(stderr,
            "replay: %" PRIu64 " frames matched; the recording ends here, at %" PRId64
            " ms (virtual time): it was cut off before the program ended\n",
            s.frames, int64_t(virtualNowUs / 1000));
    fflush(stderr);
    _exit(0);
}

// The desktop replay is watched at the recorded pace.
void pace(Session& s) {
    if (!s.desktop) return;
    int64_t target = s.realStartUs + virtualNowUs;
    int64_t now = monotonicUs();
    // A long stop in the recording is not sat through: at most a second of it.
    if (target - now > 1000000) {
        s.realStartUs -= target - now - 1000000;
        target = now + 1000000;
    }
    sleepUntil(target);
}

// A shot named by a recording lands in the current folder under its own file name only:
// a recording from elsewhere must not write files outside it.
std::string shotName(const std::string& path) {
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    if (name.empty() || name[0] == '.') name = "shot-" + name + ".png";
    return name;
}

}  // namespace

void sessionBegin(LayerOptions& options) {
    Session& s = session();
    s = Session();
    s.desktop = options.platform == Platform::Desktop;
    if (!options.replay.empty()) {
        loadRecordingOrExit(options.replay, s.rec);
        s.mode = Mode::Replay;
        options.orientation = s.rec.orientation;
        s.clockStartUs = s.rec.clockStartUs;
        debugLine("layer: replaying " + options.replay + " (recorded " +
                  (s.rec.offscreen ? "offscreen" : "on the desktop") + ", orientation " +
                  std::to_string(s.rec.orientation) + (s.rec.finished ? "" : ", cut off") + ")");
    } else if (!options.record.empty()) {
        int fd = ::open(options.record.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            fprintf(stderr, "tavrin: cannot write the recording '%s': %s\n", options.record.c_str(), strerror(errno));
            exit(2);
        }
        s.mode = Mode::Record;
        s.writer.fd = fd;
        s.writer.path = options.record;
        if (s.desktop) {
            struct timeval tv;
            gettimeofday(&tv, nullptr);
            s.clockStartUs = int64_t(tv.tv_sec) * 1000000 + tv.tv_usec;
        } else
            s.clockStartUs = int64_t(VirtualEpochSeconds) * 1000000;
        s.writer.writeHeader(options.orientation, !s.desktop, s.clockStartUs);
        debugLine("layer: recording to " + options.record);
    } else
        return;
    s.realStartUs = monotonicUs();
    if (s.desktop) {
        // A real continue signal would reach the program at any instruction; recording, it
        // is held back to the next sleep; replaying, the recorded ones are the only ones.
        // Threads started from now on (sound, display) inherit the mask.
        sigset_t cont;
        sigemptyset(&cont);
        sigaddset(&cont, SIGCONT);
        pthread_sigmask(SIG_BLOCK, &cont, nullptr);
    }
    static bool registered = false;
    if (!registered) {
        registered = true;
        atexit(atExit);
    }
}

void sessionEnd() {
    Session& s = session();
    if (s.mode == Mode::None || s.ended) return;
    s.ended = true;
    if (s.mode == Mode::Record) {
        s.writer.finish();
        if (s.writer.fd >= 0) ::close(s.writer.fd);
        s.writer.fd = -1;
        return;
    }
    if (!s.checking) return;
    if (const RecordedOp* op = nextOp(s)) {
        s.frames++;
        diverged(s, std::string("the program ended where the recording has ") + describeOp(op->op));
    }
    fflush(stdout);
    printf("replay: %" PRIu64 " frames matched\n", s.frames);
    fflush(stdout);
}

void sessionRaiseContinue() {
    sigset_t cont, old, pending;
    sigemptyset(&cont);
    sigaddset(&cont, SIGCONT);
    // One held back already (sent to the process) is the one; raising another (sent to the
    // thread) would run the handler twice.
    if (sigpending(&pending) != 0 || !sigismember(&pending, SIGCONT)) raise(SIGCONT);
    // Held back on a desktop session: let it through now, here.
    pthread_sigmask(SIG_UNBLOCK, &cont, &old);
    if (sigismember(&old, SIGCONT)) pthread_sigmask(SIG_BLOCK, &cont, nullptr);
}

bool sessionActive() { return session().mode != Mode::None && !session().ended; }
bool sessionReplaying() { return session().mode == Mode::Replay && !session().ended; }

int64_t sessionClockUs() { return session().clockStartUs + virtualNowUs; }

void sessionSleep(unsigned us) {
    Session& s = session();
    if (s.mode == Mode::Record) {
        int64_t before = virtualNowUs;
        if (s.desktop) {
            int64_t deadline = virtualNowUs + us;
            int64_t now = monotonicUs() - s.realStartUs;
            if (now < deadline) sleepUntil(s.realStartUs + std::min(deadline, now + int64_t(us)));
            now = monotonicUs() - s.realStartUs;
            virtualNowUs = now - deadline > DesktopSlackUs ? now : deadline;
        } else
            virtualNowUs += us;
        int64_t step = virtualNowUs - before;
        // A continue signal is held back until here, so that the program meets it at a
        // point the replay can find again: right after this sleep.
        sigset_t pending;
        bool continued = s.desktop && sigpending(&pending) == 0 && sigismember(&pending, SIGCONT);
        s.writer.sleep(uint32_t(std::min<int64_t>(step, 0xFFFFFFFF)), virtualNowUs, continued);
        if (continued) sessionRaiseContinue();  // the program's handler runs now
        return;
    }
    if (!s.checking) {
        virtualNowUs += us;
        pace(s);
        return;
    }
    const RecordedOp* op = expect(s, "it sleeps");
    if (op->op != RecordOp::Sleep) {
        s.frames++;
        diverged(s, std::string("the program sleeps where the recording has ") + describeOp(op->op));
    }
    virtualNowUs += op->value;
    pace(s);
    Cursor before = s.cur;
    const RecordedOp* next = nextOp(s);
    if (next && next->op == RecordOp::Continue)
        sessionRaiseContinue();
    else
        s.cur = before;
}

void sessionEvents(std::deque<LayerEvent>& queue) {
    Session& s = session();
    if (s.mode == Mode::Record) {
        if (queue.empty()) {
            s.writer.op(RecordOp::Pump);
            return;
        }
        std::string v;
        putVar(v, queue.size());
        for (const LayerEvent& e : queue) writeEvent(v, e);
        s.writer.op(RecordOp::Events, v);
        return;
    }
    // Replaying: what the window system brings is ignored, except a close (the window's
    // close button, SIGTERM), which ends the watching.
    bool liveClose = false;
    for (const LayerEvent& e : queue) liveClose = liveClose || e.kind == EventKind::Close;
    queue.clear();
    if (liveClose && s.checking) {
        s.checking = false;
        fflush(stdout);
        fprintf(stderr, "replay: stopped by closing the window after %" PRIu64 " frames matched\n", s.frames);
    }
    if (!s.checking) {
        if (liveClose) queue.push_back(LayerEvent{EventKind::Close});
        return;
    }
    const RecordedOp* op = expect(s, "it takes events");
    if (op->op != RecordOp::Pump && op->op != RecordOp::Events) {
        s.frames++;
        diverged(s, std::string("the program takes events where the recording has ") + describeOp(op->op));
    }
    if (op->count == 0) return;
    // The whole delivery is named: events that came together act together.
    s.lastEvent.clear();
    for (uint32_t i = 0; i < op->count; i++) {
        LayerEvent e = s.rec.events[op->value + i];
        if (e.kind == EventKind::Shot) e.path = shotName(e.path);
        s.lastEvent += (i ? ", " : "") + describeEvent(e);
        queue.push_back(std::move(e));
    }
    s.lastEvent += " at " + std::to_string(virtualNowUs / 1000) + " ms";
}

void sessionFrame(const uint8_t* fb, size_t size) {
    Session& s = session();
    uint64_t h = frameHash(fb, size);
    bool same = s.haveFrame && h == s.lastHash;
    s.lastHash = h;
    s.haveFrame = true;
    if (s.mode == Mode::Record) {
        s.frames++;
        s.writer.frame(same, h);
        return;
    }
    if (!s.checking) {
        s.frames++;
        return;
    }
    const RecordedOp* op = expect(s, "it presents a frame");
    s.frames++;
    s.cur.chain = mix64(s.cur.chain + h);
    if (op->op == RecordOp::SameFrame) {
        if (!same) diverged(s, "the recorded frame repeats the one before it, the replayed one does not");
        return;
    }
    if (op->op != RecordOp::NewFrame)
        diverged(s, std::string("the program presents a frame where the recording has ") + describeOp(op->op));
    const RecordedChunk& ch = s.rec.chunks[s.cur.chunk];
    uint8_t check = ch.checks[s.cur.check++];
    if (same) diverged(s, "the replayed frame repeats the one before it, the recorded one does not");
    if (check != (h & 15)) diverged(s, "its check value differs");
}
