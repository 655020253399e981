// Recording a session and replaying it: an offscreen run and a desktop session played with
// real key presses and clicks replay frame for frame, with the same sounds and progress file;
// a doctored event is reported at the frame where the replay parts from the recording; bad
// recordings are refused before the game starts.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include "tests/program/harness.h"

using namespace program;

namespace {

const std::string fullgameScript = std::string(TAVRIN_SOURCE_DIR) + "/tools/scripts/fullgame.script";
const std::string xdotool = "/usr/bin/xdotool";

// Main menu, practice, the first practice level, a few steps by the keys and one by the pen
// (the panel's pad), then fire opens the pause menu; then the window closes.
const std::string shortSession =
    "1200 key tap Space\n"
    "2350 key tap Down\n"
    "2500 key tap Space\n"
    "3650 key tap Space\n"
    "4800 key tap Space\n"
    "5950 key press Down\n6010 key release Down\n"
    "6170 key press Down\n6230 key release Down\n"
    "6400 key press Right\n6460 key release Right\n"
    "7000 pen press 120 300\n7050 pen release\n"
    "7500 shot playing.png\n"
    "8000 key tap Space\n"
    "9000 shot paused.png\n"
    "10000 close\n";

// What the sound effects printed, in order (their calls and the mixer's messages).
std::vector<std::string> soundLines(const std::string& out) {
    std::vector<std::string> lines;
    for (const std::string& l : splitLines(out))
        if (l.rfind("Snd", 0) == 0 || l.rfind("Mix", 0) == 0) lines.push_back(l);
    return lines;
}

int occurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) n++;
    return n;
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

RunResult recordScript(const TempDir& dir, const std::string& script, const std::string& recording) {
    RunOptions o;
    o.script = script;
    o.args = {"-record", recording};
    return runProgram(dir.path(), o);
}

RunResult replay(const TempDir& dir, const std::string& recording, std::vector<std::string> extra = {}) {
    RunOptions o;
    o.args = {"-replay", recording};
    o.args.insert(o.args.end(), extra.begin(), extra.end());
    return runProgram(dir.path(), o);
}

// ---- the file's layout, to doctor recordings (docs/recording.md) ----

uint32_t crc32(const std::string& s, size_t at, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = at; i < at + n; i++) {
        c ^= uint8_t(s[i]);
        for (int k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}
uint32_t getU32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}
void putU32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) s[at + size_t(i)] = char(v >> (8 * i));
}
const size_t HeaderBytes = 32;
void fixHeaderCheck(std::string& rec) { putU32(rec, 28, crc32(rec, 0, 28)); }

struct Chunk {
    size_t at;      // its length field
    size_t length;  // of its payload, which follows the length
};
std::vector<Chunk> chunksOf(const std::string& rec) {
    std::vector<Chunk> chunks;
    for (size_t at = HeaderBytes; at + 4 <= rec.size();) {
        size_t length = getU32(rec, at);
        chunks.push_back({at, length});
        at += length + 8;
    }
    return chunks;
}
void fixChunkCheck(std::string& rec, const Chunk& c) {
    putU32(rec, c.at + 4 + c.length, crc32(rec, c.at + 4, c.length));
}

std::string varint(uint64_t v) {
    std::string s;
    for (; v >= 0x80; v >>= 7) s += char(0x80 | (v & 0x7F));
    return s + char(v);
}

// A data chunk whose check values are right, describing one pass of a single event delivery
// of `events` key presses (three bytes each) that no list names: what editing a real
// recording's events can make of it.
std::string eventChunk(size_t events) {
    std::string pass = "\x01" + varint(events);
    pass.reserve(pass.size() + 3 * events);
    for (size_t i = 0; i < events; i++) pass += std::string("\x01\x95\x20", 3);
    std::string payload = "D" + varint(1) + varint(pass.size()) + pass + varint(0) + varint(0) + std::string(4, '\0');
    std::string c(4, '\0');
    putU32(c, 0, uint32_t(payload.size()));
    c += payload + std::string(4, '\0');
    putU32(c, c.size() - 4, crc32(c, 4, payload.size()));
    return c;
}

// A real recording with chunks of edited events put in front of its own, to about `bytes`.
std::string withEditedEvents(const std::string& good, size_t bytes, size_t eventsPerChunk) {
    const std::string edited = eventChunk(eventsPerChunk);
    std::string out = good.substr(0, HeaderBytes);
    while (out.size() + edited.size() + good.size() < bytes) out += edited;
    return out + good.substr(HeaderBytes);
}

TEST(Replay, AScriptedRunReplaysFrameForFrameWithTheSameSoundsProgressAndScreenshots) {
    TempDir first, second;
    const std::string rec = first / "session.rec";
    RunResult recorded = recordScript(first, shortSession, rec);
    ASSERT_TRUE(recorded.exited(0)) << recorded.err;
    ASSERT_TRUE(fileExists(rec));

    RunResult replayed = replay(second, rec);
    ASSERT_TRUE(replayed.exited(0)) << replayed.err;
    std::vector<std::string> out = splitLines(replayed.out);
    ASSERT_FALSE(out.empty());
    // One frame a tick for the ten seconds, give or take the start and the fades.
    int frames = 0;
    ASSERT_EQ(sscanf(out.back().c_str(), "replay: %d frames matched", &frames), 1) << out.back();
    EXPECT_GT(frames, 900);
    EXPECT_EQ(soundLines(replayed.out), soundLines(recorded.out));
    EXPECT_GE(soundLines(recorded.out).size(), 6u) << "the session reached the level";
    EXPECT_EQ(readFile(second.path() + "/home/Applications/tavrin.conf"),
              readFile(first.path() + "/home/Applications/tavrin.conf"));
    for (const char* shot : {"paused.png", "playing.png"}) {
        ASSERT_TRUE(fileExists(first / shot)) << shot;
        EXPECT_EQ(readFile(second / shot), readFile(first / shot)) << shot;
    }
    // Written a chunk at least every second of the session, so a crash loses at most one.
    EXPECT_GE(chunksOf(readFile(rec)).size(), 10u);
}

TEST(Replay, TheWholeGameRecordedAndReplayedGivesTheSameScreenshots) {
    TempDir first, second;
    const std::string rec = first / "fullgame.rec";
    RunResult recorded = recordScript(first, readFile(fullgameScript), rec);
    ASSERT_TRUE(recorded.exited(0)) << recorded.err;
    RunResult replayed = replay(second, rec);
    ASSERT_TRUE(replayed.exited(0)) << replayed.err;
    EXPECT_EQ(countLines(replayed.out, "frames matched"), 1);
    std::vector<std::string> shots;
    for (const std::string& name : listDir(first.path()))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) shots.push_back(name);
    EXPECT_EQ(int(shots.size()), countLines(readFile(fullgameScript), " shot "));
    for (const std::string& name : shots) EXPECT_TRUE(readFile(second / name) == readFile(first / name)) << name;
    EXPECT_EQ(readFile(second.path() + "/home/Applications/tavrin.conf"),
              readFile(first.path() + "/home/Applications/tavrin.conf"));
    EXPECT_EQ(soundLines(replayed.out), soundLines(recorded.out));
}

// The display's orientation is part of the recording: a session recorded turned replays
// turned, whatever the replay's command line says; another -orientation is said to be
// ignored, once.
TEST(Replay, TheRecordedOrientationIsTheReplaysOwn) {
    TempDir first, second;
    const std::string rec = first / "turned.rec";
    RunOptions o;
    o.script = "1200 key tap Space\n2000 shot menu.png\n2500 close\n";
    o.args = {"-orientation", "3", "-record", rec};
    ASSERT_TRUE(runProgram(first.path(), o).exited(0));
    RunResult r = replay(second, rec, {"-orientation", "0"});
    EXPECT_TRUE(r.exited(0)) << r.err;
    EXPECT_EQ(countLines(r.out, "frames matched"), 1);
    EXPECT_EQ(countLines(r.out, "orientation: 3"), 1);
    EXPECT_TRUE(readFile(second / "menu.png") == readFile(first / "menu.png"));
    EXPECT_EQ(countLines(r.err, "-orientation 0 is ignored: the recording is replayed as it was made, orientation 3"),
              1)
        << r.err;
    // The recording's own orientation given again is nothing to mention.
    r = replay(second, rec, {"-orientation", "3"});
    EXPECT_TRUE(r.exited(0)) << r.err;
    EXPECT_EQ(countLines(r.err, "is ignored"), 0) << r.err;
}

// The Down of the main menu turned into an Up: the replay follows it and parts from the
// recording at the frame that shows the other menu entry.
TEST(Replay, OneChangedEventIsReportedAtTheFrameWhereTheReplayDiffers) {
    TempDir first, second;
    const std::string rec = first / "session.rec";
    ASSERT_TRUE(recordScript(first, shortSession, rec).exited(0));
    std::string bytes = readFile(rec);
    // The menu's tap: an event delivery (1) of two events, a key press (1) of Down (0x1015
    // as a varint) and its release (2).
    const std::string down("\x01\x02\x01\x95\x20\x02\x95\x20", 8);
    size_t at = bytes.find(down, HeaderBytes);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 3] = '\x93';  // Up, 0x1013
    std::string unchecked = bytes;
    for (const Chunk& c : chunksOf(bytes))
        if (c.at < at && at < c.at + 4 + c.length) fixChunkCheck(bytes, c);
    const std::string doctored = second / "doctored.rec";
    writeFile(doctored, bytes);

    RunResult r = replay(second, doctored);
    EXPECT_TRUE(r.exited(4)) << r.exitStatus << "\n" << r.err;
    int frame = 0, ms = 0;
    const char* line = strstr(r.err.c_str(), "replay: frame ");
    ASSERT_NE(line, nullptr) << r.err;
    ASSERT_EQ(sscanf(line, "replay: frame %d differs from the recording, at %d ms", &frame, &ms), 2) << line;
    // The Down was due at 2350 ms and is seen on the next tick; the frames before matched.
    EXPECT_GE(ms, 2350);
    EXPECT_LT(ms, 2500);
    EXPECT_GT(frame, 200);
    EXPECT_NE(r.err.find("last event before it: key press 0x1013"), std::string::npos) << r.err;

    // Without its check value made right the chunk is refused as damaged.
    writeFile(doctored, unchecked);
    RunResult refused = replay(second, doctored);
    EXPECT_TRUE(refused.exited(2)) << refused.err;
    EXPECT_NE(refused.err.find("damaged: chunk"), std::string::npos) << refused.err;
}

TEST(Replay, BadRecordingsAndOptionsAreRefusedBeforeTheGameStarts) {
    TempDir dir;
    const std::string rec = dir / "session.rec";
    ASSERT_TRUE(recordScript(dir, shortSession, rec).exited(0));
    const std::string good = readFile(rec);
    const std::vector<Chunk> chunks = chunksOf(good);
    ASSERT_GE(chunks.size(), 3u);

    struct Case {
        const char* name;
        std::string bytes;  // written to bad.rec unless empty
        std::vector<std::string> args;
        std::string message;
    };
    std::string version = good;
    version[8] = 2;
    std::string content = good;
    content[12] ^= 0x55;
    fixHeaderCheck(content);
    std::string damaged = good;
    damaged[chunks[1].at + 4 + chunks[1].length / 2] ^= 0x10;
    std::string truncated = good.substr(0, chunks[2].at + chunks[2].length / 2);
    std::string after = good + std::string(
                                   "\x01\x00\x00\x00"
                                   "E\x00\x00\x00\x00",
                                   9);
    std::string huge = good.substr(0, HeaderBytes) + std::string("\xF0\xFF\xFF\xFF", 4) + good.substr(HeaderBytes);
    std::string beyond = good.substr(0, HeaderBytes) + std::string("\x00\x00\x00\x01", 4) + "D";
    const std::string bad = dir / "bad.rec";
    const std::string pipe = dir / "pipe.rec";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::vector<Case> cases = {
        {"other pictures or levels", content, {"-replay", bad}, "made with another level file or other pictures"},
        {"unknown version", version, {"-replay", bad}, "unknown format version 2"},
        {"damaged chunk", damaged, {"-replay", bad}, "damaged: chunk 1 at byte " + std::to_string(chunks[1].at)},
        {"truncated chunk",
         truncated,
         {"-replay", bad},
         "truncated: the file ends inside chunk 2 at byte " + std::to_string(chunks[2].at)},
        {"bytes after the end", after, {"-replay", bad}, "bytes after the end mark"},
        {"not a recording", "2300 key tap Down\n", {"-replay", bad}, "not a recording"},
        {"with a script",
         "",
         {"-replay", rec, "-script", dir / "run.script"},
         "-replay and -script do not go together"},
        {"missing file", "", {"-replay", dir / "none.rec"}, "cannot read the recording"},
        // Only a regular file is read: a pipe would wait for a writer, a device never end.
        {"a pipe", "", {"-replay", pipe}, "cannot read the recording '" + pipe + "': not a regular file"},
        {"a device", "", {"-replay", "/dev/zero"}, "cannot read the recording '/dev/zero': not a regular file"},
        {"a folder", "", {"-replay", dir.path()}, "not a regular file"},
        // Written files are opened without waiting: a FIFO that nothing reads is refused at
        // once, as -replay refuses one.
        {"recording to a FIFO that nothing reads",
         "",
         {"-record", pipe},
         "cannot write the recording '" + pipe + "': a FIFO that nothing reads"},
        {"the debug log to a FIFO that nothing reads",
         "",
         {"-debuglog", pipe},
         "cannot write the debug log '" + pipe + "': a FIFO that nothing reads"},
        {"recording to a folder", "", {"-record", dir.path()}, "a folder, not a regular file"},
        // Declared sizes are checked before anything is allocated for them.
        {"a chunk larger than the format allows", huge, {"-replay", bad}, "chunk 0 at byte 32 claims 4294967280 bytes"},
        {"a chunk larger than the file", beyond, {"-replay", bad}, "needs 16777224 bytes and has 5"},
        // Edited events with their check values made right: what the reader keeps of the
        // pass descriptions has a bound of its own.
        {"an edited event chunk",
         withEditedEvents(good, 20 << 20, 3 << 20),
         {"-replay", bad},
         "more pass descriptions than a recording may hold"},
    };
    writeFile(dir / "run.script", shortSession);
    for (const Case& c : cases) {
        if (!c.bytes.empty()) writeFile(bad, c.bytes);
        RunOptions o;
        o.args = c.args;
        RunResult r = runProgram(dir.path(), o);
        EXPECT_TRUE(r.exited(2)) << c.name << ": " << r.exitStatus << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(countLines(r.out, "SndInit"), 0) << c.name << ": the game started";
    }
}

// What a refusal costs: the files an attacker would try are turned away after a few bytes,
// and a large edited recording is turned away by its size. Measured on the game's own
// process (peak resident memory; its CPU time is a figure of FiguresForHostileFiles, never
// a limit), never under the sanitizers, whose own memory would swamp the figures.
TEST(Replay, RefusalsTakeLittleTimeAndMemory) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "memory figures mean nothing under AddressSanitizer";
#endif
    TempDir dir;
    const std::string rec = dir / "session.rec";
    ASSERT_TRUE(recordScript(dir, "1200 key tap Space\n2000 close\n", rec).exited(0));
    const std::string pipe = dir / "pipe.rec";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    writeFile(dir / "edited.rec", withEditedEvents(readFile(rec), 64 << 20, 5 << 20));
    struct Case {
        std::string file;
        long maxKB;
    };
    const Case cases[] = {
        {"/dev/zero", 32 << 10},
        {"/dev/urandom", 32 << 10},
        {pipe, 32 << 10},
        {dir / "edited.rec", 64 << 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        RunOptions o;
        o.args = {"-replay", c.file};
        Started run = startProgram(dir.path(), o);
        ASSERT_GT(run.pid, 0);
        const Usage u = waitWithUsage(run);
        ASSERT_TRUE(WIFEXITED(u.status));
        EXPECT_EQ(WEXITSTATUS(u.status), 2) << readFile(dir / "stderr.txt");
        EXPECT_LT(u.peakKB, c.maxKB);
    }
}

// Figures for the budgets of the hostile files (CPU time and peak memory of the game's own
// process), printed and never checked against a time: a refusal of any size, and a short game
// over a progress file with a 200 MB sparse tail (whose allocated size must not change).
TEST(Replay, FiguresForHostileFiles) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "figures mean nothing under the sanitizers";
#endif
    TempDir dir;
    const std::string rec = dir / "session.rec";
    ASSERT_TRUE(recordScript(dir, "1200 key tap Space\n8000 close\n", rec).exited(0));
    const std::string good = readFile(rec);
    const std::string pipe = dir / "pipe.rec";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    // The smallest chunk that lists no new pass (the steady beat), repeated to the largest
    // file a recording may be (32 MiB), then the same chunk damaged: the most chunks the
    // reader can be made to walk before it refuses; and the same to 200 MB.
    std::vector<Chunk> chunks = chunksOf(good);
    const Chunk* beat = nullptr;
    for (const Chunk& c : chunks)
        if (c.length > 1 && good[c.at + 5] == 0 && (!beat || c.length < beat->length)) beat = &c;
    ASSERT_NE(beat, nullptr);
    const std::string piece = good.substr(beat->at, beat->length + 8);
    std::string big = good.substr(0, chunks[1].at + chunks[1].length + 8);
    std::string damaged = piece;
    damaged[8] ^= 0x10;
    big.reserve(200 << 20);
    while (big.size() + piece.size() + damaged.size() <= (32u << 20)) big += piece;
    writeFile(dir / "largest.rec", big + damaged);
    while (big.size() + piece.size() < (200u << 20)) big += piece;
    writeFile(dir / "big.rec", big + damaged);
    big.clear();
    big.shrink_to_fit();
    const std::string chunks32 = "32 MiB of " + std::to_string(piece.size()) + "-byte chunks, then a damaged one";
    const std::string bigName = "200 MB of " + std::to_string(piece.size()) + "-byte chunks, then a damaged one";

    struct Case {
        std::string name;
        std::vector<std::string> args;
        std::optional<std::string> script;
        std::string progressTail;  // "sparse": the progress file is a record and a 200 MB hole
    };
    const Case cases[] = {
        {"-replay /dev/zero", {"-replay", "/dev/zero"}, std::nullopt, ""},
        {"-replay a FIFO", {"-replay", pipe}, std::nullopt, ""},
        {"-record a FIFO without reader", {"-record", pipe}, std::string("1000 close\n"), ""},
        {"-replay " + chunks32, {"-replay", dir / "largest.rec"}, std::nullopt, ""},
        {"-replay " + bigName, {"-replay", dir / "big.rec"}, std::nullopt, ""},
        {"a short game, progress with a 200 MB sparse tail",
         {},
         std::string("1200 key tap Space\n3000 close\n"),
         "sparse"},
    };
    printf("%-64s %6s  %8s %10s  %s\n", "input", "status", "CPU s", "peak KB", "message");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir run;
        std::string progress = run / "home/Applications/tavrin.conf";
        struct stat before {};
        if (!c.progressTail.empty()) {
            mkdir((run / "home").c_str(), 0755);
            mkdir((run / "home/Applications").c_str(), 0755);
            writeFile(progress, level3Record());
            ASSERT_EQ(truncate(progress.c_str(), 200 << 20), 0);
            stat(progress.c_str(), &before);
        }
        RunOptions o;
        o.args = c.args;
        o.script = c.script;
        Started started = startProgram(run.path(), o);
        ASSERT_GT(started.pid, 0);
        const Usage u = waitWithUsage(started);
        const int status = u.status;
        std::string message;
        for (const std::string& line : splitLines(readFile(run / "stderr.txt")))
            if (line.rfind("tavrin: ", 0) == 0) message = line;
        if (!c.progressTail.empty()) {
            struct stat after {};
            stat(progress.c_str(), &after);
            message = "progress file: " + std::to_string(after.st_size) + " bytes, " +
                      std::to_string(before.st_blocks / 2) + " KB allocated before, " +
                      std::to_string(after.st_blocks / 2) + " KB after";
            EXPECT_EQ(after.st_size, before.st_size);
            EXPECT_LE(after.st_blocks, before.st_blocks + 64);
        }
        printf("%-64s %6d  %8.2f %10ld  %s\n", c.name.c_str(), WIFEXITED(status) ? WEXITSTATUS(status) : -1,
               u.cpuSeconds, u.peakKB, message.c_str());
        // Every hostile file is refused; the game over the sparse tail plays and saves.
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == (c.progressTail.empty() ? 2 : 0));
    }
}

// A kill or a crash leaves the chunks written so far: the replay plays them and says where
// the recording was cut off.
TEST(Replay, ARecordingCutOffAfterAWholeChunkReplaysUpToItsEnd) {
    TempDir first, second;
    const std::string rec = first / "session.rec";
    ASSERT_TRUE(recordScript(first, shortSession, rec).exited(0));
    std::string bytes = readFile(rec);
    std::vector<Chunk> chunks = chunksOf(bytes);
    ASSERT_GE(chunks.size(), 6u);
    writeFile(second / "cut.rec", bytes.substr(0, chunks[5].at));
    RunResult r = replay(second, second / "cut.rec");
    EXPECT_TRUE(r.exited(0)) << r.err;
    int frames = 0, ms = 0;
    const char* line = strstr(r.err.c_str(), "replay: ");
    ASSERT_NE(line, nullptr) << r.err;
    ASSERT_EQ(sscanf(line, "replay: %d frames matched; the recording ends here, at %d ms", &frames, &ms), 2) << line;
    // Five chunks of about a second each.
    EXPECT_GE(ms, 4900);
    EXPECT_LE(ms, 6100);
    EXPECT_GT(frames, 400);
    EXPECT_NE(r.err.find("cut off"), std::string::npos);
}

// A recording whose run could not finish it ends after its last whole chunk, without an end
// mark, and replays up to there: a full disk (a file size limit stands in for it, with the
// same short write), a shot that cannot be written (the replay writes its shots elsewhere, so
// it would go on where the recorded run stopped).
TEST(Replay, ARecordingThatCouldNotBeFinishedReplaysUpToWhereItStops) {
    // The shots would meet the file size limit too.
    std::string noShots;
    for (const std::string& line : splitLines(shortSession))
        if (line.find(" shot ") == std::string::npos) noShots += line + "\n";
    TempDir sizing;
    ASSERT_TRUE(recordScript(sizing, noShots, sizing / "whole.rec").exited(0));
    const std::string whole = readFile(sizing / "whole.rec");
    const std::vector<Chunk> chunks = chunksOf(whole);
    ASSERT_GE(chunks.size(), 6u);
    struct Case {
        const char* name;
        std::string script;
        rlim_t fileSizeLimit;  // RLIM_INFINITY: none
        int recordStatus;
        std::string says;
    };
    const Case cases[] = {
        {"a full disk", noShots, chunks[4].at + chunks[4].length / 2, 0,
         "recording stopped, after its last whole chunk"},
        {"a failed shot", "1200 key tap Space\n3000 shot no/such/folder/x.png\n9000 close\n", RLIM_INFINITY, 1,
         "ends here, without an end mark"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir first, second;
        const std::string rec = first / "session.rec";
        RunOptions o;
        o.script = c.script;
        o.args = {"-record", rec};
        o.debugLog = false;
        // The limit is the child's (the parent's own files are written before it starts).
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit limit = old;
        limit.rlim_cur = c.fileSizeLimit;
        auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        std::ofstream(first / "run.script") << c.script;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        Started run = startProgram(first.path(), o);
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldHandler);
        RunResult r = waitProgram(run);
        EXPECT_TRUE(r.exited(c.recordStatus)) << r.exitStatus << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        // Whole chunks only, and no end mark.
        const std::string bytes = readFile(rec);
        const std::vector<Chunk> kept = chunksOf(bytes);
        ASSERT_FALSE(kept.empty());
        EXPECT_EQ(kept.back().at + kept.back().length + 8, bytes.size());
        EXPECT_NE(kept.back().length, 1u);
        RunResult p = replay(second, rec);
        EXPECT_TRUE(p.exited(0)) << p.exitStatus << "\n" << p.err;
        EXPECT_NE(p.err.find("it was cut off before the program ended"), std::string::npos) << p.err;
    }
}

// Real key presses and clicks in the window of a private X server, recorded, then replayed
// offscreen: every frame matches, and so do the sounds and the progress file.
TEST(Replay, ADesktopSessionWithRealKeysAndClicksReplaysOffscreen) {
    VirtualDisplay x;
    if (x.display().empty() || !fileExists(xdotool)) GTEST_SKIP() << "no Xvfb or xdotool";
    TempDir first, second;
    const std::string rec = first / "desktop.rec";
    RunOptions o;
    o.offscreen = false;
    o.args = {"-zoom", "1", "-record", rec, "-debuglog", first / "debug.log"};
    o.env = {{"DISPLAY", x.display()}, {"WAYLAND_DISPLAY", std::nullopt}};
    Started run = startProgram(first.path(), o);
    ASSERT_GT(run.pid, 0);
    std::vector<std::pair<std::string, std::optional<std::string>>> env{{"DISPLAY", x.display()}};
    auto xdo = [&](std::vector<std::string> words) {
        std::vector<std::string> argv{xdotool, "search", "--sync", "--name", "^tavrin$"};
        argv.insert(argv.end(), words.begin(), words.end());
        return runCommand(argv, env);
    };
    // Splash, main menu (practice), practice menu, the level's intro, play: a fade between
    // each, so the keys come slowly. Then steps in the level by the keys and by the pen (the
    // panel's pad), and fire opens the pause menu.
    EXPECT_EQ(xdo({"key", "--window", "%1", "--delay", "900", "space", "Down", "space", "space", "space"}), 0);
    EXPECT_EQ(xdo({"key", "--window", "%1", "--delay", "250", "Down", "Down", "Right", "Right", "Up"}), 0);
    EXPECT_EQ(xdo({"mousemove", "--window", "%1", "120", "300", "click", "1"}), 0);
    EXPECT_EQ(xdo({"key", "--window", "%1", "--delay", "600", "Down", "space", "Left"}), 0);
    // Stopped and continued, as by a shell's job control: the continue signal is recorded too.
    kill(run.pid, SIGSTOP);
    kill(run.pid, SIGCONT);
    kill(run.pid, SIGTERM);
    RunResult recorded = waitProgram(run);
    ASSERT_TRUE(recorded.exited(0)) << recorded.err;
    EXPECT_GE(countLines(recorded.debugLog, "tavrinWidget::keyPressEvent"), 13) << recorded.debugLog;
    EXPECT_EQ(countLines(recorded.debugLog, "tavrinWidget::mousePressEvent"), 1);

    RunResult replayed = replay(second, rec);
    ASSERT_TRUE(replayed.exited(0)) << replayed.err;
    EXPECT_EQ(countLines(replayed.out, "frames matched"), 1) << replayed.out;
    EXPECT_EQ(soundLines(replayed.out), soundLines(recorded.out));
    EXPECT_GE(soundLines(recorded.out).size(), 5u);
    EXPECT_EQ(occurrences(replayed.err, "SIGCONT received"), occurrences(recorded.err, "SIGCONT received"));
    EXPECT_GE(occurrences(recorded.err, "SIGCONT received"), 1);
    // Progress did not change: the desktop wrote none (its place is the data folder), the
    // offscreen replay wrote the same empty record at its own place, as every offscreen run does.
    EXPECT_FALSE(fileExists(first.path() + "/home/.local/share/tavrin/tavrin.conf"));
    EXPECT_FALSE(fileExists(first.path() + "/home/Applications"));
    EXPECT_EQ(readFile(second.path() + "/home/Applications/tavrin.conf").size(), 9u);
}

// Watched in the window: played at the recorded pace to the end, keys of the watcher are
// ignored; closing the window ends the watching early and cleanly.
TEST(Replay, WatchedOnTheDesktopLiveKeysAreIgnoredAndClosingEndsIt) {
    VirtualDisplay x;
    if (x.display().empty() || !fileExists(xdotool)) GTEST_SKIP() << "no Xvfb or xdotool";
    TempDir first, second;
    const std::string shortRec = first / "short.rec", longRec = first / "long.rec";
    ASSERT_TRUE(recordScript(first, "1200 key tap Space\n2350 key tap Down\n3000 close\n", shortRec).exited(0));
    ASSERT_TRUE(recordScript(first, "1200 key tap Space\n60000 close\n", longRec).exited(0));
    std::vector<std::pair<std::string, std::optional<std::string>>> env{{"DISPLAY", x.display()}};

    RunOptions o;
    o.offscreen = false;
    o.args = {"-zoom", "1", "-replay", shortRec, "-debuglog", second / "debug.log"};
    o.env = {{"DISPLAY", x.display()}, {"WAYLAND_DISPLAY", std::nullopt}};
    Started run = startProgram(second.path(), o);
    // Escape (0x1000) is in neither recording; the window may be gone before it is sent.
    runCommand({xdotool, "search", "--sync", "--name", "^tavrin$", "key", "--window", "%1", "Escape", "Up"}, env);
    RunResult watched = waitProgram(run);
    EXPECT_TRUE(watched.exited(0)) << watched.err;
    EXPECT_EQ(countLines(watched.out, "frames matched"), 1) << watched.out << watched.err;
    EXPECT_EQ(countLines(watched.debugLog, "keyPressEvent 4096"), 0);
    EXPECT_EQ(countLines(watched.debugLog, "layer: replaying"), 1);

    o.args = {"-zoom", "1", "-replay", longRec, "-debuglog", second / "debug.log"};
    run = startProgram(second.path(), o);
    EXPECT_EQ(runCommand({xdotool, "search", "--sync", "--name", "^tavrin$"}, env), 0);
    kill(run.pid, SIGTERM);
    RunResult closed = waitProgram(run);
    EXPECT_TRUE(closed.exited(0)) << closed.err;
    EXPECT_NE(closed.err.find("replay: stopped by closing the window"), std::string::npos) << closed.err;
    EXPECT_EQ(countLines(closed.debugLog, "QCop QPE/System closing(QString) tavrin"), 1);
}

}  // namespace
