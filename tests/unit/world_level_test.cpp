// The level file: scrambling, the offset table, records, damaged files, the map access.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/resources.h"
#include "game/state.h"
#include "world/cipher.h"
#include "world/levelsource.h"
#include "world/world.h"
#include "world/world_internal.h"

namespace {

// A plain record with the given header fields and map squares in row-major order.
std::vector<uint8_t> plainRecord(uint8_t flags, const char* name, uint8_t widthByte, uint8_t heightByte,
                                 const std::vector<uint8_t>& rowMajor) {
    std::vector<uint8_t> r(32, 0);
    r[1] = flags;
    memcpy(&r[2], name, strnlen(name, 10));
    r[12] = widthByte;
    r[13] = heightByte;
    for (size_t i = rowMajor.size(); i-- > 0;) r.push_back(rowMajor[i]);
    return r;
}

std::vector<uint8_t> simpleRecord(const char* name, uint8_t fill = 2) {
    std::vector<uint8_t> cells(3 * 2, fill);
    cells[0] = TilePlayer;
    return plainRecord(4, name, 3, 2, cells);
}

void putEntry(std::vector<uint8_t>& plain, int k, uint32_t v) {
    for (int j = 0; j < 4; ++j) plain[4 + 4 * k + j] = static_cast<uint8_t>(v >> (24 - 8 * j));
}

class LevelFile : public ::testing::Test {
protected:
    std::vector<uint8_t> bytes;  // the scrambled file, exactly its size so overreads show

    void SetUp() override {
        game = GameState{};
        completeCipherKey();
        closeLevelData();
    }
    void TearDown() override { closeLevelData(); }

    void open(std::vector<uint8_t> plain, bool scramble = true) {
        if (scramble) scrambleLevelFile(plain);
        bytes = std::move(plain);
        ASSERT_EQ(openLevelBytes(bytes.data(), static_cast<int32_t>(bytes.size())), 0);
    }
    std::string cellsText() const {
        std::string s;
        for (int32_t y = 0; y < mapHeight; ++y) {
            for (int32_t x = 0; x < mapWidth; ++x) s += std::to_string(getCell(x, y)) + ",";
            s += "/";
        }
        return s;
    }
};

TEST_F(LevelFile, ScramblerRoundTripsAndKeyIsCompletedAtRunTime) {
    uint8_t key[8];
    buildCipherKey(key);
    EXPECT_EQ(0, memcmp(key, cipherKey, 8));

    std::vector<uint8_t> plain(3000);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 37 + (i >> 5));
    std::vector<uint8_t> stored = plain;
    scrambleStream(stored);
    EXPECT_NE(plain, stored);
    cipherPos = cipherSum = 0;
    for (size_t i = 0; i < stored.size(); ++i) ASSERT_EQ(decodeLevelByte(stored[i]), plain[i]) << i;
    EXPECT_EQ(cipherPos, 3000);

    // The sum runs on the stored byte, not the decoded one: check against the rule directly.
    int32_t pos = 0, sum = 0;
    cipherPos = cipherSum = 0;
    for (uint8_t b : {0x00, 0xFF, 0x13, 0x80, 0x7F, 0x42, 0x99, 0x01, 0xEE, 0x10}) {
        uint8_t expect = static_cast<uint8_t>(((b ^ key[pos & 7]) - (key[(pos >> 3) & 7] + sum)) & 0xFF);
        sum += key[b & 7];
        ++pos;
        EXPECT_EQ(decodeLevelByte(b), expect);
        EXPECT_EQ(cipherSum, sum);
    }
}

TEST_F(LevelFile, OffsetTableIsOneStreamFromByteZero) {
    std::vector<std::vector<uint8_t>> records;
    for (int i = 0; i < 9; ++i) records.push_back(simpleRecord(("L" + std::to_string(i)).c_str()));
    records[3].resize(40);  // records of different lengths
    std::vector<uint8_t> plain = buildLevelFile(records);
    open(plain);
    for (int k = 0; k <= 9; ++k) {
        uint32_t expect = 0;
        for (int j = 0; j < 4; ++j) expect = (expect << 8) | plain[4 + 4 * k + j];
        EXPECT_EQ(levelIndexEntry(k), static_cast<int32_t>(expect)) << k;
    }
    EXPECT_EQ(levelIndexEntry(static_cast<int32_t>(bytes.size() / 4) - 1), -1);  // would end past the file
    // Entries read in any order give the same values: each read restarts at byte 0.
    EXPECT_EQ(levelIndexEntry(5), levelIndexEntry(5));
    uint8_t header[32];
    ASSERT_EQ(readLevelHeader(header, 7), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header + 2)), "L7");
}

TEST_F(LevelFile, NumberOfMainLevels) {
    struct Case {
        int records;
        int lastLevel;
    } cases[] = {{20, 15}, {5, 0}, {3, 0}, {6, 1}, {4, 0}};
    for (auto c : cases) {
        std::vector<std::vector<uint8_t>> records(c.records, simpleRecord("X"));
        game.lastLevel = 99;
        open(buildLevelFile(records));
        EXPECT_EQ(game.lastLevel, c.lastLevel) << c.records << " records";
    }
}

TEST_F(LevelFile, RecordHeaderAndReverseSquareOrder) {
    // 3 by 2: stored byte 32 is (2,1), byte 37 is (0,0).
    std::vector<uint8_t> rec(32, 0);
    rec[1] = 5;
    memcpy(&rec[2], "ABCDEFGHIJ", 10);
    rec[12] = 3;
    rec[13] = 2;
    for (uint8_t v : {21, 20, 19, 12, 11, 10}) rec.push_back(v);
    open(buildLevelFile({rec, rec, rec, rec, rec}));
    ASSERT_EQ(loadLevelRecord(2), 0);
    EXPECT_EQ(mapWidth, 3);
    EXPECT_EQ(mapHeight, 2);
    EXPECT_EQ(mapCells, 6);
    EXPECT_EQ(getCell(2, 1), 21);
    EXPECT_EQ(getCell(1, 1), 20);
    EXPECT_EQ(getCell(0, 1), 19);
    EXPECT_EQ(getCell(2, 0), 12);
    EXPECT_EQ(getCell(1, 0), 11);
    EXPECT_EQ(getCell(0, 0), 10);
    EXPECT_EQ(game.levelColour, 0xFF00FFu);
    EXPECT_EQ(0, memcmp(levelName, "ABCDEFGHIJ", 10));  // ten characters, no zero byte
}

TEST_F(LevelFile, WidthAndHeightKeepLowSevenBitsAndColourFlags) {
    struct Case {
        uint8_t flags, w, h;
        uint32_t colour;
        int32_t width, height;
    } cases[] = {{0, 0x85, 0x0A, 0x000000, 5, 10},
                 {5, 4, 0x83, 0xFF00FF, 4, 3},
                 {4, 2, 2, 0x0000FF, 2, 2},
                 {0xFA, 1, 1, 0x00FF00, 1, 1},
                 {3, 0x80, 9, 0xFFFF00, 0, 9}};
    for (auto c : cases) {
        std::vector<uint8_t> cells(static_cast<size_t>(c.width) * c.height, 2);
        auto rec = plainRecord(c.flags, "C", c.w, c.h, cells);
        open(buildLevelFile({rec, rec, rec, rec, rec}));
        ASSERT_EQ(loadLevelRecord(4), 0);
        EXPECT_EQ(mapWidth, c.width);
        EXPECT_EQ(mapHeight, c.height);
        EXPECT_EQ(mapCells, c.width * c.height);
        EXPECT_EQ(game.levelColour, c.colour) << int(c.flags);
        unloadLevel();
    }
}

TEST_F(LevelFile, ShortMapLeavesTopLeftSquaresAsRock) {
    auto rec = plainRecord(4, "S", 3, 2, {10, 11, 12, 13, 14, 15});
    rec.resize(32 + 4);  // the two squares nearest the top-left are missing
    open(buildLevelFile({rec, rec, rec, rec, rec}));
    ASSERT_EQ(loadLevelRecord(0), 0);
    EXPECT_EQ(cellsText(), "0,0,12,/13,14,15,/");
}

TEST_F(LevelFile, DamagedFilesNeverReadOutsideThemselves) {
    const auto good =
        buildLevelFile({simpleRecord("A"), simpleRecord("B"), simpleRecord("C"), simpleRecord("D"), simpleRecord("E")});
    const uint32_t end = static_cast<uint32_t>(good.size());
    struct Case {
        const char* what;
        int entry;  // entry to overwrite, or -1
        uint32_t value;
        size_t truncate;  // cut the file to this many bytes, 0 = keep
        int record;       // record to load
    } cases[] = {
        {"record starts past the end", 2, end + 10, 0, 2},
        {"record ends past the end", 3, end + 1, 0, 2},
        {"negative offset", 1, 0x80000010u, 0, 1},
        {"end before start", 4, 10, 0, 3},
        {"record shorter than its header", 1, 4 + 4 * 6 + 31, 0, 0},
        {"file cut inside the last record", -1, 0, good.size() - 3, 4},
        {"file cut inside the offset table", -1, 0, 12, 4},
        {"record number past the table", -1, 0, 0, 9},
        {"record number far past the table", -1, 0, 0, INT_MAX / 4},
        {"negative record number", -1, 0, 0, -1},
        {"huge record number", -1, 0, 0, INT_MAX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> plain = good;
        if (c.entry >= 0) putEntry(plain, c.entry, c.value);
        scrambleLevelFile(plain);
        if (c.truncate) plain.resize(c.truncate);
        // Exactly sized heap copy: the sanitizer build reports any byte read past it.
        bytes = plain;
        if (openLevelBytes(bytes.data(), static_cast<int32_t>(bytes.size())) != 0) continue;
        EXPECT_EQ(loadLevelRecord(c.record), 1);
        uint8_t header[32];
        memset(header, 0xAB, sizeof header);
        readLevelHeader(header, c.record);
        unloadLevel();
        EXPECT_EQ(mapWidth, 0);
        EXPECT_EQ(getCell(0, 0), TileBorder);
    }
}

TEST_F(LevelFile, HeaderPastTheEndLeavesBufferAlone) {
    auto plain =
        buildLevelFile({simpleRecord("A"), simpleRecord("B"), simpleRecord("C"), simpleRecord("D"), simpleRecord("E")});
    const uint32_t size = static_cast<uint32_t>(plain.size());
    putEntry(plain, 4, size - 20);  // 32 header bytes would run 12 past the end
    open(plain);
    uint8_t header[32];
    memset(header, 0xAB, sizeof header);
    EXPECT_EQ(readLevelHeader(header, 4), 1);
    for (uint8_t b : header) EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(readLevelHeader(header, 3), 0);
    EXPECT_EQ(header[2], 'D');
}

TEST_F(LevelFile, TooShortOrMissingFileIsRefused) {
    uint8_t three[3] = {1, 2, 3};
    game.lastLevel = 7;
    EXPECT_EQ(openLevelBytes(nullptr, 100), 1);
    EXPECT_EQ(openLevelBytes(three, 3), 1);
    EXPECT_EQ(game.lastLevel, 7);
    EXPECT_EQ(levelIndexEntry(0), -1);  // nothing opened
    game.level = 0;
    EXPECT_EQ(loadCurrentLevel(), 0);
    EXPECT_EQ(mapWidth, 0);
    EXPECT_EQ(getCell(0, 0), TileBorder);
}

TEST_F(LevelFile, CellAccessOutsideTheMap) {
    open(buildLevelFile(
        {simpleRecord("A"), simpleRecord("B"), simpleRecord("C"), simpleRecord("D"), simpleRecord("E")}));
    ASSERT_EQ(loadLevelRecord(4), 0);
    const std::string before = cellsText();
    const int32_t outside[][2] = {{-1, 0}, {mapWidth, 0}, {0, mapHeight}, {0, -1}, {INT_MIN, INT_MIN}};
    for (auto& p : outside) {
        EXPECT_EQ(getCell(p[0], p[1]), TileBorder);
        EXPECT_EQ(setCell(p[0], p[1], 1), 1);
    }
    EXPECT_EQ(cellsText(), before);
    EXPECT_EQ(setCell(2, 1, 9), 0);
    EXPECT_EQ(getCell(2, 1), 9);
}

TEST_F(LevelFile, LoadCurrentLevelClampsAndCounts) {
    // Records hold a marker in square (1,0) so the loaded record can be recognised.
    std::vector<std::vector<uint8_t>> records;
    for (int k = 0; k < 10; ++k) {
        std::vector<uint8_t> cells = {6, static_cast<uint8_t>(k), 6, 6, 6, 6};
        records.push_back(plainRecord(4, "R", 3, 2, cells));
    }
    open(buildLevelFile(records));  // lastLevel 5
    ASSERT_EQ(game.lastLevel, 5);
    struct Case {
        int8_t level, levelLimit, loadedLevel;
        int record;
    } cases[] = {{7, 5, 0, 4}, {-2, 5, -2, 2}, {5, 5, 5, 9}, {4, 3, 0, 4}, {-4, 0, -4, 0}};
    for (auto c : cases) {
        game.level = c.level;
        game.levelLimit = static_cast<uint8_t>(c.levelLimit);
        EXPECT_EQ(loadCurrentLevel(), 0);
        EXPECT_EQ(game.level, c.loadedLevel);
        EXPECT_EQ(getCell(1, 0), c.record);
    }
}

TEST_F(LevelFile, ScanMapCountsAndFindsStart) {
    // Two starts: the later one in row-major order wins, the other stays as a plain 30.
    // Tile sheets may be missing in this build; the counting happens before them either way.
    std::vector<uint8_t> cells = {1, 30, 22, 27, 31, 6, 30, 27, 1};
    auto rec = plainRecord(2, "T", 3, 3, cells);
    open(buildLevelFile({rec, rec, rec, rec, rec}));
    game.level = 0;
    game.levelLimit = game.lastLevel;
    loadCurrentLevel();
    EXPECT_EQ(game.diamondsLeft, 3);
    EXPECT_EQ(game.targetsLeft, 2);
    EXPECT_EQ(startX, 0);
    EXPECT_EQ(startY, 2);
    EXPECT_EQ(getCell(1, 0), TilePlayer);
    EXPECT_EQ(getCell(1, 1), TileEmpty);  // 31 is faint glow, gone at load
    EXPECT_EQ(game.levelColour, 0x00FF00u);
}

TEST_F(LevelFile, FailedMapAllocationLeavesTheEmptyMap) {
    open(buildLevelFile(
        {simpleRecord("A"), simpleRecord("B"), simpleRecord("C"), simpleRecord("D"), simpleRecord("E")}));
    auto* saved = mapAllocate;
    mapAllocate = [](size_t) -> void* { return nullptr; };
    EXPECT_EQ(loadLevelRecord(4), 1);
    mapAllocate = saved;
    EXPECT_EQ(mapWidth, 0);
    EXPECT_EQ(mapHeight, 0);
    EXPECT_EQ(mapCells, 0);
    EXPECT_EQ(map, nullptr);
    EXPECT_EQ(getCell(0, 0), TileBorder);
    EXPECT_EQ(setCell(0, 0, 1), 1);
}

TEST_F(LevelFile, UnloadClearsTheLevel) {
    open(buildLevelFile(
        {simpleRecord("A"), simpleRecord("B"), simpleRecord("C"), simpleRecord("D"), simpleRecord("E")}));
    game.level = 0;
    game.levelLimit = game.lastLevel;
    loadCurrentLevel();
    unloadLevel();
    EXPECT_EQ(map, nullptr);
    EXPECT_EQ(TileSheet, nullptr);
    EXPECT_EQ(MapTileSheet, nullptr);
    EXPECT_EQ(game.diamondsLeft, 0);
    EXPECT_EQ(mapCells, 0);
    for (char c : levelName) EXPECT_EQ(c, 0);
}

// The level set the game embeds: every record loads, inside the size limits, with a start.
TEST_F(LevelFile, ShippedLevelFileLoads) {
    uint32_t size = 0;
    if (!findResource(ResLevelFile, &size)) GTEST_SKIP() << "no level file embedded in this build";
    ASSERT_EQ(openLevelData(), 0);
    const int records = game.lastLevel + 5;
    for (int k = 0; k < records; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(loadLevelRecord(k), 0);
        EXPECT_GT(mapCells, 0);
        int starts = 0;
        for (int32_t i = 0; i < mapCells; ++i) starts += map[i] == TilePlayer;
        EXPECT_EQ(starts, 1);
        uint8_t header[32];
        ASSERT_EQ(readLevelHeader(header, k), 0);
        EXPECT_EQ(0, memcmp(header + 2, levelName, 10));
        unloadLevel();
    }
}

}  // namespace
