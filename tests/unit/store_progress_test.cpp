// The progress file: byte layout and scrambling, load of good and damaged files, and saves
// that keep the old file whole when they cannot finish.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include "app_harness.h"
#include "store/progress.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The stored form of plain record bytes under a given key.
Bytes scrambled(const Bytes& plain, const uint8_t* key) {
    Bytes out = plain;
    for (size_t i = 0; i < out.size() && i < 9; ++i) out[i] ^= uint8_t(key[(i >> 3) & 7] - (key[i & 7] + 58));
    return out;
}

const Bytes plainExample = {0xC8, 0x01, 0x00, 0x10, 0x03, 0xD2, 0x04, 0x00, 0x00};
Bytes oldRecordBytes() { return scrambled(plainExample, ProgressKey); }

class ProgressFile : public testing::Test {
protected:
    void SetUp() override {
        harness::ensureApp();  // the debug log lives in the toolkit layer
        std::memset(&progress, 0, sizeof progress);
        mkdir(home.folder().c_str(), 0755);
    }
    void TearDown() override {
        std::memset(&progress, 0, sizeof progress);
        harness::releaseApp();
    }
    harness::TempHome home;
};

TEST_F(ProgressFile, PathIsUnderTheHomeDirectory) { EXPECT_EQ(progressPath(), home.file()); }

TEST_F(ProgressFile, SaveWritesTheScrambledRecordLayout) {
    progress.levelReached = 3;
    progress.bestScore = 1234;
    saveProgress();
    EXPECT_EQ(readFile(home.file()), scrambled(plainExample, ProgressKey));
    // The record in memory is plain again after the save, header filled in.
    Bytes mem(reinterpret_cast<uint8_t*>(&progress), reinterpret_cast<uint8_t*>(&progress) + 9);
    EXPECT_EQ(mem, plainExample);
    // Applying the scrambling twice is the identity.
    scrambleProgress();
    scrambleProgress();
    EXPECT_EQ(Bytes(reinterpret_cast<uint8_t*>(&progress), reinterpret_cast<uint8_t*>(&progress) + 9), plainExample);
}

TEST_F(ProgressFile, SaveThenLoadRestoresTheRecord) {
    progress.levelReached = 200;
    progress.bestScore = -7;  // the score is signed on disk too
    harness::DebugLog log;
    saveProgress();
    std::memset(&progress, 0, sizeof progress);
    loadProgress();
    EXPECT_EQ(log.lines(), std::vector<std::string>{"t: 9"});
    EXPECT_EQ(+progress.recordMagic, 0x01C8);
    EXPECT_EQ(+progress.recordTag, 0x1000);
    EXPECT_EQ(progress.levelReached, 200);
    EXPECT_EQ(+progress.bestScore, -7);
}

struct LoadCase {
    const char* name;
    bool createFile;
    Bytes content;  // stored bytes (already scrambled where they should be)
    uint8_t levelReached;
    int32_t bestScore;
    bool corrupt;
};

class ProgressLoad : public ProgressFile, public testing::WithParamInterface<LoadCase> {};

TEST_P(ProgressLoad, GivesTheDocumentedRecord) {
    const LoadCase& c = GetParam();
    if (c.createFile) writeFile(home.file(), c.content);
    // Fields the file does not supply keep their previous values.
    progress.levelReached = 9;
    progress.bestScore = 77;
    progress.recordMagic = 0x01C8;
    harness::DebugLog log;
    EXPECT_EQ(loadProgress(), 0);
    EXPECT_EQ(log.lines(), c.corrupt ? std::vector<std::string>{"Corrupt data"} : std::vector<std::string>{});
    EXPECT_EQ(progress.levelReached, c.levelReached);
    EXPECT_EQ(+progress.bestScore, c.bestScore);
    // Loading opens the file read-write, which creates a missing one (empty).
    EXPECT_EQ(access(home.file().c_str(), F_OK), 0);
}

const uint8_t otherKey[8] = {1, 2, 3, 4, 5, 6, 7, 8};
Bytes longFile() {
    Bytes b = scrambled(plainExample, ProgressKey);
    for (int i = 0; i < 11; ++i) b.push_back(uint8_t(0xA0 + i));
    return b;
}

INSTANTIATE_TEST_SUITE_P(Files, ProgressLoad,
                         testing::Values(LoadCase{"Good", true, scrambled(plainExample, ProgressKey), 3, 1234, false},
                                         LoadCase{"Long", true, longFile(), 3, 1234, false},
                                         // Header and level only: the best score is not in the file.
                                         LoadCase{"ShortWithMagic", true,
                                                  scrambled({0xC8, 0x01, 0x00, 0x10, 0x05}, ProgressKey), 5, 77, false},
                                         LoadCase{"Empty", true, {}, 0, 0, true},
                                         LoadCase{"OneByte", true, scrambled({0xC8}, ProgressKey), 0, 0, true},
                                         LoadCase{"ForeignKey", true, scrambled(plainExample, otherKey), 0, 0, true},
                                         LoadCase{"PlainUnscrambled", true, plainExample, 0, 0, true},
                                         // No file: an empty one is created, which holds no magic.
                                         LoadCase{"Missing", false, {}, 0, 0, true}),
                         [](const testing::TestParamInfo<LoadCase>& i) { return std::string(i.param.name); });

TEST_F(ProgressFile, LoadWithoutTheFolderLeavesTheRecord) {
    rmdir(home.folder().c_str());
    progress.levelReached = 4;
    loadProgress();
    EXPECT_EQ(progress.levelReached, 4);
    EXPECT_NE(access(home.folder().c_str(), F_OK), 0);
}

TEST_F(ProgressFile, UnreadableFileLeavesTheRecord) {
    // A directory where the file should be cannot be read as a record.
    mkdir(home.file().c_str(), 0755);
    progress.levelReached = 4;
    progress.bestScore = 99;
    loadProgress();
    EXPECT_EQ(progress.levelReached, 4);
    EXPECT_EQ(+progress.bestScore, 99);
}

TEST_F(ProgressFile, SaveKeepsTheBytesAfterTheRecord) {
    Bytes old = longFile();
    old[4] ^= 0x7F;  // some other level count
    writeFile(home.file(), old);
    progress.levelReached = 3;
    progress.bestScore = 1234;
    saveProgress();
    Bytes now = readFile(home.file());
    ASSERT_EQ(now.size(), 20u);
    EXPECT_EQ(Bytes(now.begin(), now.begin() + 9), scrambled(plainExample, ProgressKey));
    EXPECT_EQ(Bytes(now.begin() + 9, now.end()), Bytes(old.begin() + 9, old.end()));
}

// Tails of every shape are kept byte for byte, with their holes: a save copies them in
// blocks and never turns a sparse file dense (a 200 MB sparse tail once cost 277 MB of memory
// and 200 MB of disk at every save).
TEST_F(ProgressFile, SaveKeepsEveryTailWithItsHoles) {
    struct Piece {
        off_t at;
        Bytes bytes;
    };
    struct Row {
        const char* name;
        off_t size;  // the file's length; what no piece covers is a hole
        std::vector<Piece> pieces;
    };
    Bytes pattern(100 << 10);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = uint8_t(i * 7 + 1);
    const off_t mb = off_t(1) << 20;
    const Row rows[] = {
        {"a dense tail over several blocks", off_t(9 + pattern.size()), {{9, pattern}}},
        {"a sparse tail of 200 MB", 200 * mb, {}},
        {"data among holes", 200 * mb, {{100 * mb, {1, 2, 3, 4, 5}}, {150 * mb - 2, pattern}}},
        {"data at the very end", 64 * mb, {{64 * mb - 3, {7, 8, 9}}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove(home.file());
        int fd = open(home.file().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, oldRecordBytes().data(), 9, 0), 9);
        for (const Piece& p : r.pieces)
            ASSERT_EQ(pwrite(fd, p.bytes.data(), p.bytes.size(), p.at), ssize_t(p.bytes.size()));
        ASSERT_EQ(ftruncate(fd, r.size), 0);
        close(fd);
        struct stat before, after;
        ASSERT_EQ(stat(home.file().c_str(), &before), 0);
        progress.levelReached = 5;
        saveProgress();
        ASSERT_EQ(stat(home.file().c_str(), &after), 0);
        EXPECT_EQ(after.st_size, r.size);
        // Allocated the same, give or take a file system block or two.
        EXPECT_LE(after.st_blocks, before.st_blocks + 32) << before.st_blocks;
        fd = open(home.file().c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        uint8_t first[9];
        ASSERT_EQ(pread(fd, first, 9, 0), 9);
        EXPECT_EQ(first[4], scrambled({0, 0, 0, 0, 5}, ProgressKey)[4]);
        for (const Piece& p : r.pieces) {
            Bytes now(p.bytes.size());
            ASSERT_EQ(pread(fd, now.data(), now.size(), p.at), ssize_t(now.size()));
            EXPECT_EQ(now, p.bytes);
        }
        close(fd);
    }
}

TEST_F(ProgressFile, SaveOverAShortFileWritesTheWholeRecord) {
    writeFile(home.file(), {1, 2, 3});
    progress.levelReached = 3;
    progress.bestScore = 1234;
    saveProgress();
    EXPECT_EQ(readFile(home.file()), scrambled(plainExample, ProgressKey));
}

TEST_F(ProgressFile, SaveCreatesTheMissingFolderAndLeavesNoTemporaryFile) {
    rmdir(home.folder().c_str());
    progress.levelReached = 3;
    progress.bestScore = 1234;
    saveProgress();
    EXPECT_EQ(readFile(home.file()), scrambled(plainExample, ProgressKey));
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(home.folder())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"tavrin.conf"});
}

// Progress files in awkward places: links, stale temporary files, things that are not files.
// Each row loads, then saves level 7; a save either lands where the path leads (a link stays
// a link) or is reported once on standard error and in the debug log, touching nothing.
struct HostileCase {
    const char* name;
    // Lays out the case under the home's folder; returns the file a save must write (empty
    // when the save must fail).
    std::function<std::string(const std::string& folder)> setup;
    uint8_t levelAfterLoad;
    // What must still hold after the load and after the save (beyond the common checks).
    std::function<void(const std::string& folder)> check;
    const char* says = "";  // a save that fails: what its one message says
};

const Bytes oldRecord = scrambled(plainExample, ProgressKey);  // level 3, score 1234

bool isKind(const std::string& path, mode_t kind) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

// A Unix socket bound at path (left there when the descriptor is closed).
bool bindSocket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    bool ok = bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

Bytes withTail(Bytes b) {
    for (uint8_t i = 0; i < 5; ++i) b.push_back(uint8_t(0xE0 + i));
    return b;
}

const HostileCase hostileCases[] = {
    {"LinkToAFileElsewhere",
     [](const std::string& f) {
         mkdir((f + "/saves").c_str(), 0755);
         writeFile(f + "/saves/real.conf", withTail(oldRecord));
         EXPECT_EQ(symlink((f + "/saves/real.conf").c_str(), (f + "/tavrin.conf").c_str()), 0);
         return f + "/saves/real.conf";
     },
     3,
     [](const std::string& f) {
         struct stat st;
         ASSERT_EQ(lstat((f + "/tavrin.conf").c_str(), &st), 0);
         EXPECT_TRUE(S_ISLNK(st.st_mode));
         const Bytes now = readFile(f + "/saves/real.conf");
         ASSERT_EQ(now.size(), 14u);
         EXPECT_EQ(Bytes(now.begin() + 9, now.end()), Bytes({0xE0, 0xE1, 0xE2, 0xE3, 0xE4}));  // the tail is kept
     }},
    {"RelativeLinkThroughALink",
     [](const std::string& f) {
         mkdir((f + "/saves").c_str(), 0755);
         writeFile(f + "/saves/real.conf", oldRecord);
         EXPECT_EQ(symlink("saves/hop", (f + "/tavrin.conf").c_str()), 0);
         EXPECT_EQ(symlink("real.conf", (f + "/saves/hop").c_str()), 0);
         return f + "/saves/real.conf";
     },
     3,
     [](const std::string& f) {
         struct stat st;
         ASSERT_EQ(lstat((f + "/saves/hop").c_str(), &st), 0);
         EXPECT_TRUE(S_ISLNK(st.st_mode));
     }},
    {"DanglingLink",
     [](const std::string& f) {
         EXPECT_EQ(symlink("gone.conf", (f + "/tavrin.conf").c_str()), 0);
         return f + "/gone.conf";
     },
     0,
     [](const std::string& f) {
         struct stat st;
         ASSERT_EQ(lstat((f + "/tavrin.conf").c_str(), &st), 0);
         EXPECT_TRUE(S_ISLNK(st.st_mode));
     }},
    {"StaleTemporaryFile",
     [](const std::string& f) {
         writeFile(f + "/tavrin.conf", oldRecord);
         writeFile(f + "/tavrin.conf.new", {9, 9});
         return f + "/tavrin.conf";
     },
     3,
     [](const std::string& f) {
         EXPECT_EQ(readFile(f + "/tavrin.conf.new"), Bytes({9, 9}));
     }},
    {"StaleTemporaryFolder",
     [](const std::string& f) {
         writeFile(f + "/tavrin.conf", oldRecord);
         mkdir((f + "/tavrin.conf.new").c_str(), 0755);
         writeFile(f + "/tavrin.conf.new/x", {1});
         return f + "/tavrin.conf";
     },
     3, [](const std::string& f) { EXPECT_EQ(readFile(f + "/tavrin.conf.new/x"), Bytes{1}); }},
    {"StaleTemporaryLink",
     // Never written through: it points at a file of someone else's.
     [](const std::string& f) {
         writeFile(f + "/tavrin.conf", oldRecord);
         writeFile(f + "/other", {5});
         EXPECT_EQ(symlink("other", (f + "/tavrin.conf.new").c_str()), 0);
         return f + "/tavrin.conf";
     },
     3, [](const std::string& f) { EXPECT_EQ(readFile(f + "/other"), Bytes{5}); }},
    {"FolderInPlaceOfTheFile",
     [](const std::string& f) {
         mkdir((f + "/tavrin.conf").c_str(), 0755);
         writeFile(f + "/tavrin.conf/keep", {7});
         return std::string();
     },
     0, [](const std::string& f) { EXPECT_EQ(readFile(f + "/tavrin.conf/keep"), Bytes{7}); }},
    {"LinkLoop",
     [](const std::string& f) {
         EXPECT_EQ(symlink("tavrin.conf", (f + "/tavrin.conf").c_str()), 0);
         return std::string();
     },
     0, [](const std::string&) {}},
    // Never replaced by a regular file: things that are not files, at the path or behind a link.
    {"FifoInPlaceOfTheFile",
     [](const std::string& f) {
         EXPECT_EQ(mkfifo((f + "/tavrin.conf").c_str(), 0644), 0);
         return std::string();
     },
     0, [](const std::string& f) { EXPECT_TRUE(isKind(f + "/tavrin.conf", S_IFIFO)); },
     "tavrin.conf is a FIFO, not a regular file; it is left as it is"},
    {"LinkToAFifo",
     [](const std::string& f) {
         mkdir((f + "/saves").c_str(), 0755);
         EXPECT_EQ(mkfifo((f + "/saves/pipe").c_str(), 0644), 0);
         EXPECT_EQ(symlink("saves/pipe", (f + "/tavrin.conf").c_str()), 0);
         return std::string();
     },
     0, [](const std::string& f) { EXPECT_TRUE(isKind(f + "/saves/pipe", S_IFIFO)); },
     "saves/pipe, a FIFO, not a regular file"},
    {"LinkToACharacterDevice",
     // A null device of the test's own where the system lets us make one (as root, where a
     // save would have replaced it), else the system's, which no other user may replace.
     [](const std::string& f) {
         std::string device = f + "/null";
         if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) device = "/dev/null";
         EXPECT_EQ(symlink(device.c_str(), (f + "/tavrin.conf").c_str()), 0);
         return std::string();
     },
     0,
     [](const std::string& f) {
         std::string device = isKind(f + "/null", S_IFCHR) ? f + "/null" : "/dev/null";
         EXPECT_TRUE(isKind(device, S_IFCHR)) << device;
     },
     "null, a character device, not a regular file"},
    {"SocketInPlaceOfTheFile",
     [](const std::string& f) {
         EXPECT_TRUE(bindSocket(f + "/tavrin.conf"));
         return std::string();
     },
     0, [](const std::string& f) { EXPECT_TRUE(isKind(f + "/tavrin.conf", S_IFSOCK)); },
     "tavrin.conf is a socket, not a regular file"},
};

class ProgressHostile : public ProgressFile, public testing::WithParamInterface<HostileCase> {};

TEST_P(ProgressHostile, SavesWhereThePathLeadsOrReportsOnce) {
    const HostileCase& c = GetParam();
    const std::string folder = home.folder();
    const std::string target = c.setup(folder);
    std::vector<std::string> before;
    for (auto& e : std::filesystem::recursive_directory_iterator(home.path())) before.push_back(e.path());
    std::sort(before.begin(), before.end());

    loadProgress();
    EXPECT_EQ(progress.levelReached, c.levelAfterLoad);
    // Loading creates nothing where a link points.
    if (std::string(c.name) == "DanglingLink") {
        EXPECT_FALSE(std::filesystem::exists(folder + "/gone.conf"));
    }
    c.check(folder);

    progress.levelReached = 7;
    progress.bestScore = 1234;
    harness::DebugLog log;
    testing::internal::CaptureStderr();
    saveProgress();
    const std::string err = testing::internal::GetCapturedStderr();
    const int reported = int(std::count(err.begin(), err.end(), '\n'));
    if (target.empty()) {
        EXPECT_EQ(reported, 1) << err;
        EXPECT_EQ(err.rfind("tavrin: cannot save progress: ", 0), 0u) << err;
        EXPECT_EQ(log.countPrefix("saveProgress: "), 1);
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
    } else {
        EXPECT_EQ(reported, 0) << err;
        Bytes now = readFile(target);
        ASSERT_GE(now.size(), 9u);
        Bytes expected = plainExample;
        expected[4] = 7;
        EXPECT_EQ(Bytes(now.begin(), now.begin() + 9), scrambled(expected, ProgressKey));
    }
    c.check(folder);
    EXPECT_EQ(progress.levelReached, 7);  // the game goes on with its record
    // No temporary file is left anywhere, and nothing but the target is new.
    std::vector<std::string> after;
    for (auto& e : std::filesystem::recursive_directory_iterator(home.path())) after.push_back(e.path());
    std::sort(after.begin(), after.end());
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    EXPECT_TRUE(added.empty() || added == std::vector<std::string>{target}) << testing::PrintToString(added);
}

INSTANTIATE_TEST_SUITE_P(Paths, ProgressHostile, testing::ValuesIn(hostileCases),
                         [](const testing::TestParamInfo<HostileCase>& i) { return std::string(i.param.name); });

TEST_F(ProgressFile, NewFolderAndFileTakeTheUmask) {
    rmdir(home.folder().c_str());
    mode_t old = umask(027);
    saveProgress();
    umask(old);
    struct stat st;
    ASSERT_EQ(stat(home.file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ProgressSave, UnwritableHomeIsSurvived) {
    harness::ensureApp();
    // /proc refuses new folders even to root; a file in place of the folder refuses them too.
    harness::TempHome tmp;
    writeFile(tmp.folder(), {0x55});
    const char* homes[] = {"/proc", tmp.path().c_str()};
    for (const char* h : homes) {
        setenv("HOME", h, 1);
        progress.levelReached = 2;
        progress.bestScore = 5;
        harness::DebugLog log;
        saveProgress();
        EXPECT_EQ(log.countPrefix("saveProgress: cannot"), 1) << h;
        EXPECT_EQ(progress.levelReached, 2) << h;
        EXPECT_EQ(+progress.bestScore, 5) << h;
    }
    EXPECT_EQ(readFile(tmp.folder()), Bytes{0x55});
    setenv("HOME", tmp.path().c_str(), 1);
    std::memset(&progress, 0, sizeof progress);
    harness::releaseApp();
}

// Without a home folder the handheld's place would be /Applications/tavrin.conf, at the root
// of the file system: progress is then neither read nor saved, said once on standard error.
TEST(ProgressSave, WithoutAHomeProgressIsNeitherReadNorSaved) {
    harness::ensureApp();
    harness::TempHome tmp;
    const char* xdg = getenv("XDG_DATA_HOME");
    const std::optional<std::string> oldXdg = xdg ? std::optional<std::string>(xdg) : std::nullopt;
    unsetenv("XDG_DATA_HOME");
    struct Row {
        const char* name;
        const char* home;  // nullptr: unset
    };
    const Row rows[] = {{"unset", nullptr}, {"empty", ""}, {"relative", "Applications"}};
    testing::internal::CaptureStderr();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.home)
            setenv("HOME", r.home, 1);
        else
            unsetenv("HOME");
        ASSERT_EQ(progressPlace(FileConvention::Handheld).file, "");
        ASSERT_EQ(progressPlace(FileConvention::Desktop).file, "");
        EXPECT_EQ(progressPlace(FileConvention::Desktop).earlier, "");
        progress.levelReached = 2;
        progress.bestScore = 5;
        harness::DebugLog log;
        loadProgress();
        saveProgress();
        EXPECT_EQ(log.lines(), (std::vector<std::string>{"loadProgress: HOME is not set, no progress file", "t: 9",
                                                         "saveProgress: HOME is not set, no progress file"}));
        EXPECT_EQ(progress.levelReached, 2);  // the game goes on with its record
        EXPECT_EQ(+progress.bestScore, 5);
    }
    const std::string err = testing::internal::GetCapturedStderr();
    // Once a run (the first time in this process).
    EXPECT_TRUE(err.empty() || err == "tavrin: HOME is not set: progress is neither read nor saved\n") << err;
    // A desktop whose data folder is named still keeps progress there.
    setenv("XDG_DATA_HOME", (tmp.path() + "/data").c_str(), 1);
    EXPECT_EQ(progressPlace(FileConvention::Desktop).file, tmp.path() + "/data/tavrin/tavrin.conf");
    EXPECT_EQ(progressPlace(FileConvention::Desktop).earlier, "");
    if (oldXdg)
        setenv("XDG_DATA_HOME", oldXdg->c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    setenv("HOME", tmp.path().c_str(), 1);
    std::memset(&progress, 0, sizeof progress);
    harness::releaseApp();
}

}  // namespace

namespace {

// A save killed between writing its temporary file and renaming it leaves the temporary
// behind; the next save removes such files: regular ones of its own name pattern that no
// save is writing (holding its lock). Anything else of a similar name stays.
TEST_F(ProgressFile, ASaveRemovesTheTemporariesAnInterruptedSaveLeft) {
    const std::string f = home.folder();
    writeFile(home.file(), oldRecord);
    struct Row {
        const char* name;
        bool removed;
    };
    const Row rows[] = {
        {"tavrin.conf.new-a1B2c3", true},   // left by a save killed before its rename
        {"tavrin.conf.new-000000", true},   // empty: killed before its first write
        {"tavrin.conf.new-Link00", false},  // a link, whatever it points at
        {"tavrin.conf.new-Dir000", false},  // a folder
        {"tavrin.conf.new-Lock00", false},  // being written by another save, which holds its lock
        // Just made by another game, which has not locked it yet (the clean-up of this save
        // would have made that game's save fail).
        {"tavrin.conf.new-Young0", false},
        {"tavrin.conf.new-abc", false},  // not a name mkstemp makes
        {"tavrin.conf.new-a1b2c3.png", false},
        {"other.conf.new-a1B2c3", false},
    };
    writeFile(f + "/tavrin.conf.new-a1B2c3", {1, 2, 3});
    writeFile(f + "/tavrin.conf.new-000000", {});
    writeFile(f + "/target", {4});
    ASSERT_EQ(symlink("target", (f + "/tavrin.conf.new-Link00").c_str()), 0);
    ASSERT_EQ(mkdir((f + "/tavrin.conf.new-Dir000").c_str(), 0755), 0);
    writeFile(f + "/tavrin.conf.new-Lock00", {5});
    writeFile(f + "/tavrin.conf.new-abc", {6});
    writeFile(f + "/tavrin.conf.new-a1b2c3.png", {7});
    writeFile(f + "/other.conf.new-a1B2c3", {8});
    writeFile(f + "/tavrin.conf.new-Young0", {});
    // Everything else was left a minute ago.
    const timespec minuteAgo[2] = {{time(nullptr) - 60, 0}, {time(nullptr) - 60, 0}};
    for (const Row& r : rows)
        if (std::string(r.name) != "tavrin.conf.new-Young0")
            utimensat(AT_FDCWD, (f + "/" + r.name).c_str(), minuteAgo, AT_SYMLINK_NOFOLLOW);
    int held = open((f + "/tavrin.conf.new-Lock00").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    progress.levelReached = 7;
    harness::DebugLog log;
    saveProgress();
    close(held);
    for (const Row& r : rows) {
        struct stat st;
        EXPECT_EQ(lstat((f + "/" + r.name).c_str(), &st) != 0, r.removed) << r.name;
    }
    EXPECT_EQ(readFile(f + "/target"), Bytes{4});
    EXPECT_EQ(log.countPrefix("saveProgress: removed "), 2);
    EXPECT_EQ(readFile(home.file())[4], scrambled({0, 0, 0, 0, 7}, ProgressKey)[4]);
}

// The desktop's places, with a scratch HOME and data folder of their own.
class DesktopProgress : public ProgressFile {
protected:
    void SetUp() override {
        ProgressFile::SetUp();
        rmdir(home.folder().c_str());  // no ~/Applications unless a row makes one
        const char* x = getenv("XDG_DATA_HOME");
        hadXdg = x != nullptr;
        if (x) oldXdg = x;
        data = home.path() + "/data";
        setenv("XDG_DATA_HOME", data.c_str(), 1);
    }
    void TearDown() override {
        if (hadXdg)
            setenv("XDG_DATA_HOME", oldXdg.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        ProgressFile::TearDown();
    }
    // Every path under the home, sorted.
    std::vector<std::string> tree() const {
        std::vector<std::string> all;
        for (auto& e : std::filesystem::recursive_directory_iterator(home.path()))
            all.push_back(e.path().string().substr(home.path().size()));
        std::sort(all.begin(), all.end());
        return all;
    }
    std::string data, oldXdg;
    bool hadXdg = false;
};

TEST_F(DesktopProgress, PlacesFollowTheDataFolderAndTheHandheldKeepsItsOwn) {
    EXPECT_EQ(progressPlace(FileConvention::Desktop).file, data + "/tavrin/tavrin.conf");
    EXPECT_EQ(progressPlace(FileConvention::Desktop).earlier, home.file());
    EXPECT_FALSE(progressPlace(FileConvention::Desktop).handheld);
    EXPECT_EQ(progressPlace(FileConvention::Handheld).file, home.file());
    EXPECT_TRUE(progressPlace(FileConvention::Handheld).handheld);
    // The offscreen back end (and no application object) is the handheld.
    EXPECT_EQ(fileConvention(), FileConvention::Handheld);
    EXPECT_EQ(progressPath(), home.file());
    // A relative or empty data folder is not one: ~/.local/share instead.
    for (const char* x : {"relative/data", ""}) {
        setenv("XDG_DATA_HOME", x, 1);
        EXPECT_EQ(progressPlace(FileConvention::Desktop).file, home.path() + "/.local/share/tavrin/tavrin.conf") << x;
    }
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(progressPlace(FileConvention::Desktop).file, home.path() + "/.local/share/tavrin/tavrin.conf");
}

// Each row: the files there before, then a load, the record changed or not, and a save.
TEST_F(DesktopProgress, LoadsAndSavesAsTheDesktopKeepsFiles) {
    struct Row {
        const char* name;
        bool earlier;               // ~/Applications/tavrin.conf holds level 3, score 1234
        std::optional<Bytes> file;  // the data folder's file
        uint8_t levelAfterLoad;
        uint8_t levelToSave;
        std::vector<std::string> treeAfter;  // under the home
        std::optional<uint8_t> savedLevel;   // what the data folder's file holds after
    };
    Bytes level5 = plainExample;
    level5[4] = 5;
    const std::vector<std::string> earlierOnly = {"/Applications", "/Applications/tavrin.conf"};
    const std::vector<std::string> dataFile = {"/data", "/data/tavrin", "/data/tavrin/tavrin.conf"};
    std::vector<std::string> both = earlierOnly;
    both.insert(both.end(), dataFile.begin(), dataFile.end());
    const Row rows[] = {
        // A first start without play creates nothing at all.
        {"first start, nothing played", false, std::nullopt, 0, 0, {}, std::nullopt},
        {"first start, a level completed", false, std::nullopt, 0, 1, dataFile, 1},
        // The record kept at the old place is read, and neither changed nor copied until
        // progress changes.
        {"old place only, nothing played", true, std::nullopt, 3, 3, earlierOnly, std::nullopt},
        {"old place only, a level completed", true, std::nullopt, 3, 4, both, 4},
        // The data folder's file, once there, is the one read.
        {"both, the data folder's read", true, scrambled(level5, ProgressKey), 5, 5, both, 5},
        {"both, progress saved", true, scrambled(level5, ProgressKey), 5, 6, both, 6},
        // A damaged file there is corrupt as on the handheld, and replaced by the next save.
        {"damaged file", true, Bytes{1, 2}, 0, 0, both, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove_all(home.folder());
        std::filesystem::remove_all(data);
        if (r.earlier) {
            mkdir(home.folder().c_str(), 0755);
            writeFile(home.file(), oldRecord);
        }
        if (r.file) {
            std::filesystem::create_directories(data + "/tavrin");
            writeFile(data + "/tavrin/tavrin.conf", *r.file);
        }
        const ProgressPlace place = progressPlace(FileConvention::Desktop);
        std::memset(&progress, 0, sizeof progress);
        loadProgressFrom(place);
        EXPECT_EQ(progress.levelReached, r.levelAfterLoad);
        progress.levelReached = r.levelToSave;
        testing::internal::CaptureStderr();
        saveProgressTo(place);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(tree(), r.treeAfter);
        if (r.earlier) {
            EXPECT_EQ(readFile(home.file()), oldRecord) << "the old file is never changed";
        }
        if (r.savedLevel) {
            std::memset(&progress, 0, sizeof progress);
            loadProgressFrom(place);
            EXPECT_EQ(progress.levelReached, *r.savedLevel);
            EXPECT_EQ(readFile(data + "/tavrin/tavrin.conf").size(), 9u);
        }
        // The folders a save makes there are the user's alone.
        struct stat st;
        if (!r.file && r.savedLevel) {
            ASSERT_EQ(stat((data + "/tavrin").c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0700u);
        }
    }
}

}  // namespace
