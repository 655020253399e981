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
#include <memory>
#include <unordered_map>

#include "catalogue/resources.h"
#include "platform/layer.h"

// ---- the session ----

namespace {

enum class Mode { None, Record, Replay };

// On the desktop the clock follows the sleeps' deadlines while the program keeps up.
constexpr int64_t DesktopSlackUs = 10000;

int64_t monotonicUs() { return hostMonotonicUs(); }

// Sleeps until the monotonic clock reaches target (signals do not cut it short).
void sleepUntil(int64_t target) {
    for (;;) {
        int64_t left = target - monotonicUs();
        if (left <= 0) return;
        hostWaitUs(left);
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

// Where the replay is in the recording.
struct Cursor {
    bool haveChunk = false;  // the reader's current chunk is being played
    size_t item = 0;
    uint32_t copiesLeft = 0, distance = 0;
    PassListing listing;
    size_t op = 0, opEnd = 0;  // the current pass's ops among the reader's description bytes
    uint64_t check = 0;
    uint64_t chain = 0;            // of the frames of the current chunk so far
    uint64_t chunkFirstFrame = 1;  // number of the current chunk's first frame
};

struct Session {
    Mode mode = Mode::None;
    bool desktop = false;
    int64_t clockStartUs = 0;
    int64_t realStartUs = 0;  // monotonic time at virtual time 0 (desktop)
    RecordingWriter writer;
    std::string replayPath;
    std::unique_ptr<RecordingReader> reader;
    Cursor cur;
    std::vector<LayerEvent> events;
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

// The next chunk, read as the replay reaches it. It was checked before the game started, so a
// refusal here means the file changed under the replay.
bool nextChunk(Session& s) {
    std::string error;
    int got = s.reader->next(error);
    if (got < 0) {
        fflush(stdout);
        fprintf(stderr, "tavrin: cannot replay '%s': %s\n", s.replayPath.c_str(), error.c_str());
        fflush(stderr);
        _exit(2);
    }
    if (got == 0) return false;
    Cursor& c = s.cur;
    c.haveChunk = true;
    c.item = 0;
    c.check = 0;
    c.chain = 0;
    c.chunkFirstFrame = s.frames + 1;
    return true;
}

bool nextPass(Session& s) {
    Cursor& c = s.cur;
    for (;;) {
        if (!c.haveChunk && !nextChunk(s)) return false;
        const RecordedChunk& ch = s.reader->chunk();
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
            c.haveChunk = false;
            continue;
        }
        c.listing.add(id);
        c.op = s.reader->passBegin(id);
        c.opEnd = s.reader->passEnd(id);
        return true;
    }
}

// The recording's next step, without taking it (false: the recording has no more). Moving on
// to the next pass or chunk here is what taking it would do anyway.
bool peekOp(Session& s, RecordedOp& op, size_t& after) {
    while (s.cur.op >= s.cur.opEnd)
        if (!nextPass(s)) return false;
    after = s.cur.op;
    op = s.reader->op(after);
    return true;
}

bool nextOp(Session& s, RecordedOp& op) {
    size_t after;
    if (!peekOp(s, op, after)) return false;
    s.cur.op = after;
    return true;
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
RecordedOp expect(Session& s, const char* doing) {
    RecordedOp op;
    if (nextOp(s, op)) return op;
    if (s.reader->finished()) {
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
        s.reader = std::make_unique<RecordingReader>();
        bool finished = openRecordingOrExit(options.replay, *s.reader);
        s.replayPath = options.replay;
        s.mode = Mode::Replay;
        const RecordingHeader& h = s.reader->header();
        // The frames were recorded turned this way; any other turn could only differ.
        if (options.orientationGiven && options.orientation != h.orientation)
            fprintf(stderr,
                    "tavrin: -orientation %d is ignored: the recording is replayed as it was made, orientation %d\n",
                    options.orientation, h.orientation);
        options.orientation = h.orientation;
        s.clockStartUs = h.clockStartUs;
        debugLine("layer: replaying " + options.replay + " (recorded " +
                  (h.offscreen ? "offscreen" : "on the desktop") + ", orientation " + std::to_string(h.orientation) +
                  (finished ? "" : ", cut off") + ")");
    } else if (!options.record.empty()) {
        std::string why;
        if (!s.writer.open(options.record, why)) {
            fprintf(stderr, "tavrin: cannot write the recording '%s': %s\n", options.record.c_str(), why.c_str());
            exit(2);
        }
        s.mode = Mode::Record;
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
    RecordedOp op;
    if (nextOp(s, op)) {
        s.frames++;
        diverged(s, std::string("the program ended where the recording has ") + describeOp(op.op));
    }
    fflush(stdout);
    printf("replay: %" PRIu64 " frames matched\n", s.frames);
    fflush(stdout);
}

void sessionFailing() {
    Session& s = session();
    if (s.mode != Mode::Record || s.ended) return;
    s.ended = true;
    s.writer.flush();
    if (s.writer.fd >= 0) ::close(s.writer.fd);
    s.writer.fd = -1;
    fprintf(stderr, "tavrin: the recording '%s' ends here, without an end mark: a replay stops at this point\n",
            s.writer.path.c_str());
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
    RecordedOp op = expect(s, "it sleeps");
    if (op.op != RecordOp::Sleep) {
        s.frames++;
        diverged(s, std::string("the program sleeps where the recording has ") + describeOp(op.op));
    }
    virtualNowUs += op.value;
    pace(s);
    size_t after;
    if (peekOp(s, op, after) && op.op == RecordOp::Continue) {
        s.cur.op = after;
        sessionRaiseContinue();
    }
}

void sessionEvents(std::deque<LayerEvent>& queue) {
    Session& s = session();
    if (s.mode == Mode::Record) {
        if (queue.empty()) {
            s.writer.op(RecordOp::Pump);
            return;
        }
        s.writer.events(queue);
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
    RecordedOp op = expect(s, "it takes events");
    if (op.op != RecordOp::Pump && op.op != RecordOp::Events) {
        s.frames++;
        diverged(s, std::string("the program takes events where the recording has ") + describeOp(op.op));
    }
    if (op.op == RecordOp::Pump) return;
    s.events.clear();
    s.reader->events(op, s.events);
    // The whole delivery is named: events that came together act together.
    s.lastEvent.clear();
    for (size_t i = 0; i < s.events.size(); i++) {
        LayerEvent& e = s.events[i];
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
    RecordedOp op = expect(s, "it presents a frame");
    s.frames++;
    s.cur.chain = chainFrame(s.cur.chain, h);
    if (op.op == RecordOp::SameFrame) {
        if (!same) diverged(s, "the recorded frame repeats the one before it, the replayed one does not");
        return;
    }
    if (op.op != RecordOp::NewFrame)
        diverged(s, std::string("the program presents a frame where the recording has ") + describeOp(op.op));
    uint8_t check = s.reader->check(s.cur.check++);
    if (same) diverged(s, "the replayed frame repeats the one before it, the recorded one does not");
    if (check != (h & 15)) diverged(s, "its check value differs");
}
