// Level sources: the parser's errors, the compiler tool, and the shipped level file read
// back against the sources it was built from.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/resources.h"
#include "game/state.h"
#include "tools/common/whole_file.h"
#include "world/levelsource.h"
#include "world/world.h"
#include "world/world_internal.h"

namespace {

std::string readText(const std::filesystem::path& p) { return wholeFile(p.string()); }

TEST(LevelSource, ParsesHeaderLegendAndPadsShortRows) {
    const char* text =
        "# a comment\r\n"
        "name:  DIGGER  \n"
        "\n"
        "colour: 5\n"
        "legend: q 19\n"
        "legend: O 2\n"  // a default character may be redefined
        "map:\n"
        "#@q\n"
        "O\n"
        "\n"
        "*.#\n"
        "\n\n";
    LevelSource level;
    LevelSourceError error;
    ASSERT_TRUE(parseLevelSource(text, level, error)) << error.line << ": " << error.message;
    EXPECT_EQ(level.name, "DIGGER");
    EXPECT_EQ(level.colour, 5);
    EXPECT_EQ(level.width, 3);
    EXPECT_EQ(level.height, 4);  // the blank row inside the map counts, the ones after do not
    EXPECT_EQ(level.cells, (std::vector<uint8_t>{7, 30, 19, 2, 6, 6, 6, 6, 6, 1, 2, 7}));
    EXPECT_EQ(level.mapLine, 8);

    std::vector<uint8_t> record = buildLevelRecord(level);
    ASSERT_EQ(record.size(), 32u + 12u);
    EXPECT_EQ(record[1], 5);
    EXPECT_EQ(0, memcmp(&record[2], "DIGGER\0\0\0\0", 10));
    EXPECT_EQ(record[12], 3);
    EXPECT_EQ(record[13], 4);
    EXPECT_EQ(record[32], 7);       // bottom-right square first
    EXPECT_EQ(record[32 + 11], 7);  // top-left square last
    EXPECT_EQ(record[32 + 10], 30);
}

TEST(LevelSource, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        int line;
        const char* message;  // a part of the message
    } cases[] = {
        {"name: A\ncolour: 4\nmap:\n#@\t#\n", 4, "unknown map character byte 0x09"},
        {"name: A\ncolour: 4\nmap:\n#@\n#?#\n", 5, "column 2: unknown map character '?'"},
        {"name: ELEVENCHARS\ncolour: 4\nmap:\n@\n", 1, "at most 10"},
        {"name: A\ncolour: 8\nmap:\n@\n", 2, "0..7"},
        {"name: A\ncolour: red\nmap:\n@\n", 2, "0..7"},
        {"name: A\ncolour: 4\nlegend: q 64\nmap:\n@\n", 3, "0..63"},
        {"name: A\ncolour: 4\nlegend: qq 6\nmap:\n@\n", 3, "legend"},
        {"name: A\ncolour: 4\nlegend: q\nmap:\n@\n", 3, "legend"},
        {"name: A\ncolour: 4\nsize: 4\nmap:\n@\n", 3, "unknown key 'size'"},
        {"name: A\ncolour: 4\nwhat\nmap:\n@\n", 3, "expected"},
        {"name: A\nname: B\ncolour: 4\nmap:\n@\n", 2, "second 'name:'"},
        {"name: A\ncolour: 4\nmap: x\n@\n", 3, "nothing may follow"},
        {"colour: 4\nmap:\n@\n", 0, "no 'name:'"},
        {"name: A\nmap:\n@\n", 0, "no 'colour:'"},
        {"name: A\ncolour: 4\n", 0, "no 'map:'"},
        {"name: A\ncolour: 4\nmap:\n\n\n", 4, "no rows"},
        {"name: A\ncolour: 4\nmap:\n@\nx", 5, "zero byte"},  // followed by a zero byte, below
        {"name: \x81\ncolour: 4\nmap:\n@\n", 1, "printable"},
    };
    for (const auto& c : cases) {
        LevelSource level;
        LevelSourceError error;
        std::string text(c.text);
        if (strstr(c.message, "zero byte")) text += std::string(1, '\0') + "y\n";
        EXPECT_FALSE(parseLevelSource(text, level, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_NE(error.message.find(c.message), std::string::npos) << error.message;
    }
}

TEST(LevelSource, SizeLimits) {
    auto make = [](int w, int h) {
        std::string text = "name: BIG\ncolour: 4\nmap:\n";
        for (int y = 0; y < h; ++y) text += std::string(w, y == 0 ? '@' : '.') + "\n";
        return text;
    };
    LevelSource level;
    LevelSourceError error;
    EXPECT_TRUE(parseLevelSource(make(127, 127), level, error));
    EXPECT_FALSE(parseLevelSource(make(128, 2), level, error));
    EXPECT_EQ(error.line, 4);
    EXPECT_FALSE(parseLevelSource(make(2, 128), level, error));
    EXPECT_EQ(error.line, 4 + 127);
}

TEST(LevelSource, LoadLevelSourceRunsTheEngineOnIt) {
    game = GameState{};
    const char* text = "name: SOLVE\ncolour: 1\nmap:\n#####\n#@*S#\n#B;K#\n#####\n";
    ASSERT_EQ(loadLevelSource(text, static_cast<int32_t>(strlen(text))), 0);
    EXPECT_EQ(mapWidth, 5);
    EXPECT_EQ(mapHeight, 4);
    EXPECT_EQ(0, memcmp(levelName, "SOLVE", 5));
    EXPECT_EQ(game.levelColour, 0xFF0000u);
    EXPECT_EQ(game.diamondsLeft, 2);
    EXPECT_EQ(game.targetsLeft, 1);
    EXPECT_EQ(game.playerX, 1);
    EXPECT_EQ(game.playerY, 1);
    EXPECT_EQ(getCell(2, 2), TileEmpty);  // ';' is faint glow, gone at load
    EXPECT_EQ(TileSheet, nullptr);        // no pictures for a solver

    const char* bad = "name: BAD\ncolour: 9\nmap:\n@\n";
    EXPECT_EQ(loadLevelSource(bad, static_cast<int32_t>(strlen(bad))), 1);
    EXPECT_EQ(mapWidth, 0);
    EXPECT_EQ(getCell(0, 0), TileBorder);
    unloadLevel();
}

#ifdef TAVRIN_LEVELC
// The compiler tool: a faulty source gives "file:line: what", exit status 1; a good set
// builds a file that the game reads back.
TEST(LevelCompiler, ReportsFaultsAndBuildsReadableFile) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() /
                         ("tavrin-levelc-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir);
    auto write = [&](const char* name, const std::string& text) { std::ofstream(dir / name) << text; };
    auto run = [&](const std::string& args, std::string& err) {
        const std::string cmd = std::string(TAVRIN_LEVELC) + " " + args + " 2>" + (dir / "err.txt").string();
        int status = std::system(cmd.c_str());
        err = readText(dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string err;
    write("bad.txt", "name: BAD\ncolour: 4\nmap:\n#@#\n#Q#\n");
    EXPECT_EQ(run("check " + (dir / "bad.txt").string(), err), 1);
    EXPECT_NE(err.find("bad.txt:5: column 2: unknown map character 'Q'"), std::string::npos) << err;

    write("nostart.txt", "name: NOSTART\ncolour: 4\nmap:\n#*#\n");
    EXPECT_EQ(run("check " + (dir / "nostart.txt").string(), err), 1);
    EXPECT_NE(err.find("nostart.txt:4: the map has 0 player starts"), std::string::npos) << err;

    std::string order;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "l" + std::to_string(i) + ".txt";
        write(name.c_str(), "name: L" + std::to_string(i) + "\ncolour: " + std::to_string(i) + "\nmap:\n#@" +
                                std::string(i + 1, '*') + "#\n");
        order += name + "\n";
    }
    write("order.txt", "# the set\n" + order + "\n");
    const fs::path out = dir / "t1.tvm";
    ASSERT_EQ(run("build " + (dir / "order.txt").string() + " " + out.string(), err), 0) << err;

    const std::string file = readText(out);
    std::vector<uint8_t> bytes(file.begin(), file.end());
    game = GameState{};
    completeCipherKey();
    ASSERT_EQ(openLevelBytes(bytes.data(), static_cast<int32_t>(bytes.size())), 0);
    EXPECT_EQ(game.lastLevel, 1);
    for (int k = 0; k < 6; ++k) {
        ASSERT_EQ(loadLevelRecord(k), 0);
        EXPECT_EQ(levelName[1], '0' + k);
        EXPECT_EQ(mapWidth, k + 4);
        EXPECT_EQ(getCell(k + 2, 0), 1);
    }
    closeLevelData();

    write("broken.txt", "name: X\ncolour: 4\nmap:\n@\n?\n");
    write("order2.txt", "l0.txt\nbroken.txt\nmissing.txt\n");
    EXPECT_EQ(run("build " + (dir / "order2.txt").string() + " " + (dir / "t2.tvm").string(), err), 1);
    EXPECT_NE(err.find("broken.txt:5:"), std::string::npos) << err;
    EXPECT_NE(err.find("missing.txt: cannot read"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "t2.tvm"));

    std::error_code ec;
    fs::remove_all(dir, ec);
}
#endif

// The embedded level file holds exactly the levels of assets/levels/order.txt, in order.
TEST(LevelSource, ShippedFileMatchesTheSources) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(TAVRIN_SOURCE_DIR) / "assets/levels";
    uint32_t size = 0;
    if (!fs::exists(dir / "order.txt") || !findResource(ResLevelFile, &size))
        GTEST_SKIP() << "no level set in this build";
    std::vector<std::string> names;
    std::istringstream order(readText(dir / "order.txt"));
    for (std::string line; std::getline(order, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty() && line[0] != '#') names.push_back(line);
    }
    game = GameState{};
    completeCipherKey();
    ASSERT_EQ(openLevelData(), 0);
    ASSERT_EQ(game.lastLevel + 5u, names.size());
    for (size_t k = 0; k < names.size(); ++k) {
        SCOPED_TRACE(names[k]);
        LevelSource level;
        LevelSourceError error;
        ASSERT_TRUE(parseLevelSource(readText(dir / names[k]), level, error)) << error.message;
        ASSERT_EQ(loadLevelRecord(static_cast<int32_t>(k)), 0);
        EXPECT_EQ(std::string(levelName, strnlen(levelName, 10)), level.name);
        ASSERT_EQ(mapWidth, level.width);
        ASSERT_EQ(mapHeight, level.height);
        EXPECT_EQ(std::vector<uint8_t>(map, map + mapCells), level.cells);
    }
    closeLevelData();
}

}  // namespace
