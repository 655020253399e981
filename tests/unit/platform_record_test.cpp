// The recording reader on hand-made files: how passes, copies and check values are read, and
// every structural fault refused with what is wrong and where. The options that start a
// session, and a session in-process, are here too.
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>
#include "platform/layer.h"
#include "platform/record.h"
#include "platform/system.h"
#include "platform/toolkit.h"
#include "tests/unit/scratch_dir.h"

namespace {

const uint64_t Fingerprint = 0x1122334455667788ull;

void put(std::string& s, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; i++) s += char((v >> (8 * i)) & 0xFF);
}

std::string header(unsigned version = RecordingVersion, int orientation = 0) {
    std::string h("TVRNREC\n", 8);
    put(h, version, 2);
    h += char(orientation);
    h += char(1);
    put(h, Fingerprint, 8);
    put(h, 1500000000ull * 1000000, 8);
    put(h, recordingCrc32(reinterpret_cast<const uint8_t*>(h.data()), h.size()), 4);
    return h;
}

std::string chunk(const std::string& payload) {
    std::string c;
    put(c, payload.size(), 4);
    c += payload;
    put(c, recordingCrc32(reinterpret_cast<const uint8_t*>(payload.data()), payload.size()), 4);
    return c;
}

// Pass descriptions (each: its bytes), the list (bytes), the checks (count, packed bytes),
// the chain of frame checks.
std::string data(const std::vector<std::string>& passes, const std::string& list, unsigned checks = 0,
                 const std::string& packed = "") {
    std::string p = "D";
    p += char(passes.size());
    for (const std::string& pass : passes) {
        p += char(pass.size());
        p += pass;
    }
    p += list;
    p += char(checks);
    p += packed;
    put(p, 0, 4);
    return p;
}

// Everything a reader gives for a recording in memory, read to its end.
struct Read {
    int result = 0;  // 0 read to the end, 1 refused
    std::string error;
    RecordingHeader header;
    bool finished = false;
    std::vector<RecordedChunk> chunks;
    std::vector<std::vector<uint8_t>> checks;  // each chunk's
    std::vector<std::vector<RecordedOp>> passes;
    std::vector<LayerEvent> events;  // of every pass, in order
};

Read read(const std::string& bytes) {
    Read out;
    RecordingReader reader;
    if (reader.openMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), Fingerprint, out.error)) {
        out.result = 1;
        return out;
    }
    int got;
    while ((got = reader.next(out.error)) == 1) {
        out.chunks.push_back(reader.chunk());
        out.checks.emplace_back();
        for (uint64_t i = 0; i < reader.chunk().frames; i++) out.checks.back().push_back(reader.check(i));
    }
    if (got < 0) {
        out.result = 1;
        return out;
    }
    out.header = reader.header();
    out.finished = reader.finished();
    for (uint32_t id = 0; id < reader.passes(); id++) {
        out.passes.emplace_back();
        for (size_t at = reader.passBegin(id); at < reader.passEnd(id);) {
            RecordedOp op = reader.op(at);
            out.passes.back().push_back(op);
            if (op.op == RecordOp::Events) reader.events(op, out.events);
        }
    }
    return out;
}

// Sleep of 4000 us as a varint: A0 1F.
const std::string Sleep4000("\x04\xA0\x1F", 3);
const std::string PumpPumpFrame("\x00\x00\x03", 3);

}  // namespace

TEST(RecordingReader, PassesCopiesAndCheckValuesAreReadAsWritten) {
    // Pass 0: two event deliveries (a key press of Right, auto-repeated), a new frame, a
    // sleep; pass 1: a sleep. Listed: 0, 1, then five passes copied from two back (0 1 0 1 0).
    std::string pass0 = std::string("\x01\x01\x81\x94\x20\x00\x03", 7) + Sleep4000;
    std::string list = std::string("\x03\x00\x02", 3) + std::string("\x0B\x02", 2);
    std::string file = header() + chunk(data({pass0, Sleep4000}, list, 4, "\x21\x43")) + chunk("E");
    Read rec = read(file);
    ASSERT_EQ(rec.result, 0) << rec.error;
    EXPECT_TRUE(rec.finished);
    EXPECT_TRUE(rec.header.offscreen);
    EXPECT_EQ(rec.header.clockStartUs, 1500000000ll * 1000000);
    ASSERT_EQ(rec.passes.size(), 2u);
    ASSERT_EQ(rec.passes[0].size(), 4u);
    EXPECT_EQ(rec.passes[0][0].op, RecordOp::Events);
    EXPECT_EQ(rec.passes[0][2].op, RecordOp::NewFrame);
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].kind, EventKind::KeyPress);
    EXPECT_EQ(rec.events[0].key, 0x1014);
    EXPECT_TRUE(rec.events[0].autoRepeat);
    ASSERT_EQ(rec.chunks.size(), 1u);
    ASSERT_EQ(rec.chunks[0].items.size(), 3u);
    EXPECT_EQ(rec.chunks[0].items[2].copies, 5u);
    EXPECT_EQ(rec.chunks[0].items[2].distance, 2u);
    EXPECT_EQ(rec.checks[0], (std::vector<uint8_t>{1, 2, 3, 4}));
    ASSERT_EQ(rec.passes[1].size(), 1u);
    EXPECT_EQ(rec.passes[1][0].value, 4000u);
}

// Chunks that describe 4096 passes of one step each and list none, until the file describes
// one pass more than a recording may.
std::string manyPasses() {
    std::string payload = "D" + std::string("\x80\x20", 2);  // 4096 passes
    for (int i = 0; i < 4096; i++) payload += std::string("\x01\x00", 2);
    payload += std::string("\x00\x00", 2) + std::string(4, '\0');  // no list, no check values
    std::string out;
    for (int i = 0; i < (1 << 20) / 4096 + 1; i++) out += chunk(payload);
    return out;
}

// Chunks of one pass each, an event delivery of a million key presses, until the pass
// descriptions outgrow what a recording may hold (8 MiB).
std::string bulkyPasses() {
    const unsigned events = 1u << 20;
    std::string pass = std::string("\x01\x80\x80\x40", 4);  // events, then 2^20 as a varint
    for (unsigned i = 0; i < events; i++) pass += std::string("\x01\x95\x20", 3);
    std::string length;
    for (uint64_t v = pass.size();; v >>= 7) {
        length += char(v >= 0x80 ? 0x80 | (v & 0x7F) : v);
        if (v < 0x80) break;
    }
    std::string one = chunk("D\x01" + length + pass + std::string("\x00\x00", 2) + std::string(4, '\0'));
    return one + one + one;
}

TEST(RecordingReader, StructuralFaultsAreRefusedWithWhatIsWrong) {
    const std::string ok = data({PumpPumpFrame + Sleep4000}, std::string("\x01\x00", 2), 1, "\x05");
    struct Case {
        const char* name;
        std::string file;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"copy before the first pass", header() + chunk(data({Sleep4000}, std::string("\x01\x03\x01", 3))),
         "copies passes that are not there"},
        {"copy from too far back", header() + chunk(data({Sleep4000}, std::string("\x02\x00\x03\x03", 4))),
         "copies passes that are not there"},
        {"pass not described", header() + chunk(data({Sleep4000}, std::string("\x01\x02", 2))),
         "names a pass that is not there"},
        {"too few check values", header() + chunk(data({PumpPumpFrame + Sleep4000}, std::string("\x01\x00", 2))),
         "frame check values do not match its frames"},
        {"stray check value",
         header() + chunk(data({PumpPumpFrame + Sleep4000}, std::string("\x01\x00", 2), 1, "\x35")),
         "a stray check value"},
        {"unknown step", header() + chunk(data({std::string("\x07", 1)}, std::string("\x01\x00", 2))),
         "an unknown step"},
        {"unknown event", header() + chunk(data({std::string("\x01\x01\x0C", 3)}, std::string("\x01\x00", 2))),
         "an unknown event"},
        {"empty event list", header() + chunk(data({std::string("\x01\x00", 2)}, std::string("\x01\x00", 2))),
         "an empty event list"},
        {"unknown chunk", header() + chunk("X"), "chunk 0 at byte 32 is of an unknown kind"},
        {"bytes left over", header() + chunk(ok + "!"), "bytes left over"},
        {"end mark with more", header() + chunk(ok) + chunk("EE"), "chunk 1 at byte"},
        {"orientation 1", header(RecordingVersion, 1), "orientation 1 in the header"},
        {"short header", header().substr(0, 20), "ends inside its header, at byte 20"},
        {"chunk length cut", header() + std::string("\x05\x00", 2), "ends inside chunk 0 at byte 32 (its length)"},
        // Sizes beyond the format's limits, or beyond the file, before anything is allocated.
        {"chunk above 16 MiB", header() + std::string("\x01\x00\x00\x01", 4) + chunk("E"), "claims 16777217 bytes"},
        {"chunk beyond the file", header() + std::string("\x00\x00\x10\x00", 4) + "D", "needs 1048584 bytes and has 5"},
        {"too many pass descriptions", header() + manyPasses(), "more passes than a recording may describe"},
        {"too many pass description bytes", header() + bulkyPasses(),
         "more pass descriptions than a recording may hold"},
    };
    for (const Case& c : cases) {
        Read rec = read(c.file);
        EXPECT_EQ(rec.result, 1) << c.name;
        EXPECT_NE(rec.error.find(c.message), std::string::npos) << c.name << ": " << rec.error;
    }
    // The same chunk, well formed, is read; without an end mark the recording is one that was
    // cut off.
    Read rec = read(header() + chunk(ok));
    ASSERT_EQ(rec.result, 0) << rec.error;
    EXPECT_FALSE(rec.finished);
}

TEST(RecordingOptions, SessionOptionsAndTheCombinationsRefused) {
    struct Case {
        std::vector<std::string> args;
        int result;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"t", "-platform", "offscreen", "-replay", "a.rec", "-script", "s"}, 2, "-replay and -script"},
        {{"t", "-record", "a.rec", "-replay", "b.rec"}, 2, "-replay and -record"},
        {{"t", "-record"}, 2, "needs a value"},
        {{"t", "-replay", ""}, 2, "-replay needs a file name"},
        {{"t", "-record", "a.rec", "-platform", "offscreen", "-script", "s"}, 0, ""},
        {{"t", "-replay", "a.rec"}, 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = c.args;
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        int argc = int(words.size());
        LayerOptions o;
        std::string error;
        EXPECT_EQ(parseLayerOptions(argc, argv.data(), o, error), c.result) << c.args[1] << ": " << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    // A replay runs to the end of its recording, not to the offscreen default time.
    std::string w[] = {"t", "-platform", "offscreen", "-replay", "a.rec"};
    char* argv[] = {w[0].data(), w[1].data(), w[2].data(), w[3].data(), w[4].data(), nullptr};
    int argc = 5;
    LayerOptions o;
    std::string error;
    ASSERT_EQ(parseLayerOptions(argc, argv, o, error), 0);
    EXPECT_EQ(o.replay, "a.rec");
    EXPECT_GT(o.untilMs, int64_t(OffscreenDefaultUntilMs) * 1000);
}

namespace {

// The layer's application object on the offscreen back end with a session option.
struct Session {
    std::vector<std::string> words;
    std::vector<char*> ptrs;
    int argc;
    std::unique_ptr<QPEApplication> app;
    QMainWindow window;
    Session(const char* option, const std::string& file) : words{"t", "-platform", "offscreen", option, file} {
        for (std::string& w : words) ptrs.push_back(w.data());
        ptrs.push_back(nullptr);
        argc = int(words.size());
        app = std::make_unique<QPEApplication>(argc, ptrs.data());
        app->showMainWidget(&window);
    }
    // Busy without a sleep: event deliveries, and a frame (a different one) every so often.
    void busy(int calls, int frameEvery) {
        for (int i = 0; i < calls; i++) {
            app->processEvents();
            if (i % frameEvery == 0) {
                QDirectPainter p(&window);
                p.frameBuffer()[i % 4096] ^= 0x5A;
            }
        }
        sysUsleep(4000);
    }
};

}  // namespace

// A program that never sleeps still has its passes cut (1024 steps) and its chunks written
// (4000 passes); every chunk keeps the check values of its own frames, and the replay of the
// same calls matches while other calls part from it.
TEST(RecordingSession, AProgramThatNeverSleepsIsWrittenInWholeChunksAndReplays) {
    const std::string dir = makeScratchDir("tavrin-record");
    ASSERT_FALSE(dir.empty());
    const std::string rec = dir + "/busy.rec";
    const int calls = 4200000;
    {
        Session s("-record", rec);
        s.busy(calls, 997);
    }
    std::ifstream in(rec, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RecordingSummary parsed;
    std::string error;
    ASSERT_EQ(checkRecording(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), contentFingerprint(), parsed,
                             error),
              0)
        << error;
    EXPECT_TRUE(parsed.finished);
    EXPECT_GE(parsed.chunks, 2u);
    const uint64_t checks = parsed.frames;
    EXPECT_EQ(checks, uint64_t(calls / 997 + 1));

    testing::internal::CaptureStdout();
    {
        Session s("-replay", rec);
        s.busy(calls, 997);
    }
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("replay: " + std::to_string(checks) + " frames matched"), std::string::npos) << out;

    EXPECT_EXIT(
        {
            Session s("-replay", rec);
            s.busy(calls, 991);
        },
        testing::ExitedWithCode(ReplayDivergedStatus), "replay: frame 2 differs from the recording");
    unlink(rec.c_str());
    rmdir(dir.c_str());
}
