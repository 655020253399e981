// The progress file: byte layout and scrambling, load of good and damaged files, and saves
// that keep the old file whole when they cannot finish.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

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
    for (size_t i = 0; i < out.size() && i < 9; ++i)
        out[i] ^= uint8_t(key[(i >> 3) & 7] - (key[i & 7] + 58));
    return out;
}

const Bytes plainExample = {0xC8, 0x01, 0x00, 0x10, 0x03, 0xD2, 0x04, 0x00, 0x00};

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

INSTANTIATE_TEST_SUITE_P(
    Files, ProgressLoad,
    testing::Values(LoadCase{"Good", true, scrambled(plainExample, ProgressKey), 3, 1234, false},
                    LoadCase{"Long", true, longFile(), 3, 1234, false},
                    // Header and level only: the best score is not in the file.
                    LoadCase{"ShortWithMagic", true, scrambled({0xC8, 0x01, 0x00, 0x10, 0x05}, ProgressKey), 5, 77, false},
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

TEST_F(ProgressFile, FailedSaveLeavesTheOldFileWhole) {
    Bytes old = longFile();
    writeFile(home.file(), old);
    // The temporary file cannot be made: its name is taken by a non-empty folder.
    std::string temp = home.file() + ".new";
    mkdir(temp.c_str(), 0755);
    writeFile(temp + "/x", {1});
    progress.levelReached = 40;
    harness::DebugLog log;
    saveProgress();
    EXPECT_EQ(log.count("t: 9"), 1);
    EXPECT_EQ(log.countPrefix("saveProgress: cannot create"), 1);
    EXPECT_EQ(readFile(home.file()), old);
    EXPECT_EQ(progress.levelReached, 40);  // the game goes on with its record
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

}  // namespace
