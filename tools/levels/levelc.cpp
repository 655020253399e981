// levelc: compiles the plain-text level sources into the scrambled level file the game
// embeds, checks sources, and draws levels as PNG pictures for review.
//
//   levelc build <order.txt> <out.tvm>       compile the whole set, in the order listed
//   levelc check <level.txt>...              parse and check sources, write nothing
//   levelc dump <file.tvm>                   read a level file back the way the game does
//   levelc png <level.txt> <out.png> [--tiles TavTile.565] [--maptiles maptile.565]
//   levelc sheet <order.txt> <out.png> [--maptiles maptile.565]
//
// A fault in a source is reported as "file:line: what is wrong" and the exit status is 1.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/common/whole_file.h"
#include "tools/levels/render.h"
#include "world/cipher.h"
#include "world/levelsource.h"

namespace {

constexpr size_t PracticeLevels = 4;

std::string dirOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Parses a source and applies the checks a shipped level must pass beyond the syntax.
bool loadSource(const std::string& path, LevelSource& level) {
    std::string text;
    if (!readWholeFile(path, text)) {
        fprintf(stderr, "%s: cannot read the file\n", path.c_str());
        return false;
    }
    LevelSourceError error;
    if (!parseLevelSource(text, level, error)) {
        if (error.line > 0)
            fprintf(stderr, "%s:%d: %s\n", path.c_str(), error.line, error.message.c_str());
        else
            fprintf(stderr, "%s: %s\n", path.c_str(), error.message.c_str());
        return false;
    }
    int starts = 0;
    for (uint8_t t : level.cells) starts += (t == 30);
    if (starts != 1) {
        fprintf(stderr, "%s:%d: the map has %d player starts '@', it needs exactly one\n", path.c_str(), level.mapLine,
                starts);
        return false;
    }
    int diamonds = 0;
    for (uint8_t t : level.cells) diamonds += (t == 1 || t == 22);
    if (diamonds == 0)
        fprintf(stderr, "%s:%d: warning: no diamond or safe, the first move completes the level\n", path.c_str(),
                level.mapLine);
    return true;
}

// order.txt: one source file name per line, relative to its own folder; blank lines and
// lines starting with '#' are skipped.
bool readOrder(const std::string& orderPath, std::vector<std::string>& paths) {
    std::string text;
    if (!readWholeFile(orderPath, text)) {
        fprintf(stderr, "%s: cannot read the file\n", orderPath.c_str());
        return false;
    }
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        line = line.substr(start);
        paths.push_back(line[0] == '/' ? line : dirOf(orderPath) + "/" + line);
    }
    if (paths.empty()) {
        fprintf(stderr, "%s: lists no level\n", orderPath.c_str());
        return false;
    }
    if (paths.size() > 255) {
        fprintf(stderr, "%s:%d: %zu levels listed, the file holds at most 255\n", orderPath.c_str(), lineNo,
                paths.size());
        return false;
    }
    if (paths.size() < PracticeLevels + 1)
        fprintf(stderr,
                "%s: warning: %zu levels listed; the first 4 are the practice levels, so the game "
                "needs at least 5\n",
                orderPath.c_str(), paths.size());
    if (paths.size() > PracticeLevels + 16)
        fprintf(stderr, "%s: warning: more than 16 main levels; their level-complete pictures repeat\n",
                orderPath.c_str());
    return true;
}

bool loadOrderedSet(const std::string& orderPath, std::vector<LevelSource>& levels) {
    std::vector<std::string> paths;
    if (!readOrder(orderPath, paths)) return false;
    bool ok = true;
    for (const auto& p : paths) {
        LevelSource level;
        if (loadSource(p, level))
            levels.push_back(std::move(level));
        else
            ok = false;  // report every faulty source in one run
    }
    return ok;
}

int cmdBuild(const std::string& orderPath, const std::string& outPath) {
    std::vector<LevelSource> levels;
    if (!loadOrderedSet(orderPath, levels)) return 1;
    std::vector<std::vector<uint8_t>> records;
    for (const auto& l : levels) records.push_back(buildLevelRecord(l));
    std::vector<uint8_t> file = buildLevelFile(records);
    scrambleLevelFile(file);
    std::string tmp = outPath + ".tmp";
    FILE* f = fopen(tmp.c_str(), "wb");
    if (!f || fwrite(file.data(), 1, file.size(), f) != file.size() || fclose(f) != 0) {
        fprintf(stderr, "%s: cannot write the level file\n", outPath.c_str());
        return 1;
    }
    if (rename(tmp.c_str(), outPath.c_str()) != 0) {
        fprintf(stderr, "%s: cannot write the level file\n", outPath.c_str());
        return 1;
    }
    return 0;
}

int cmdCheck(int argc, char** argv) {
    int status = 0;
    for (int i = 0; i < argc; ++i) {
        LevelSource level;
        if (!loadSource(argv[i], level)) status = 1;
    }
    return status;
}

// Reads the file exactly as the game's reader does (counters reset per stream) and prints
// every record back in the source format with the default legend.
int cmdDump(const std::string& path) {
    std::string data;
    if (!readWholeFile(path, data) || data.size() < 4) {
        fprintf(stderr, "%s: cannot read the level file, or it is too short\n", path.c_str());
        return 1;
    }
    uint8_t key[8];
    buildCipherKey(key);
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const size_t size = data.size();
    int32_t pos = 0, sum = 0;
    std::vector<uint8_t> head;
    for (size_t i = 0; i < 4; ++i) head.push_back(cipherDecodeStep(key, pos, sum, bytes[i]));
    const size_t n = head[1];
    if (4 + 4 * (n + 1) > size) {
        fprintf(stderr, "%s: the offset table runs past the end of the file\n", path.c_str());
        return 1;
    }
    std::vector<int64_t> offsets(n + 1);
    for (size_t k = 0; k <= n; ++k) {
        uint32_t v = 0;
        for (int j = 0; j < 4; ++j) v = (v << 8) | cipherDecodeStep(key, pos, sum, bytes[4 + 4 * k + j]);
        offsets[k] = static_cast<int32_t>(v);
    }
    char reverse[64] = {};
    for (int c = 0x20; c < 0x7F; ++c) {
        int t = defaultLegendTile(static_cast<char>(c));
        if (t >= 0 && !reverse[t] && c != ' ') reverse[t] = static_cast<char>(c);
    }
    printf("# %zu records, %zu bytes\n", n, size);
    int status = 0;
    for (size_t k = 0; k < n; ++k) {
        int64_t a = offsets[k], b = offsets[k + 1];
        if (a < 0 || b < a + 32 || b > static_cast<int64_t>(size)) {
            fprintf(stderr, "%s: record %zu lies outside the file\n", path.c_str(), k);
            status = 1;
            continue;
        }
        pos = sum = 0;
        std::vector<uint8_t> rec;
        for (int64_t i = a; i < b; ++i) rec.push_back(cipherDecodeStep(key, pos, sum, bytes[i]));
        int w = rec[12] & 127, h = rec[13] & 127;
        char name[11] = {};
        memcpy(name, &rec[2], 10);
        printf("\n# record %zu\nname: %s\ncolour: %d\n", k, name, rec[1] & 7);
        std::vector<uint8_t> cells(static_cast<size_t>(w) * h, 0);
        for (size_t i = 0; i < cells.size() && 32 + i < rec.size(); ++i) cells[cells.size() - 1 - i] = rec[32 + i];
        std::string legendLines, rows;
        char next = 'a';
        for (uint8_t t : cells) {
            if (t < 64 && !reverse[t]) {
                while (defaultLegendTile(next) >= 0) ++next;
                reverse[t] = next++;
                legendLines += "legend: " + std::string(1, reverse[t]) + " " + std::to_string(t) + "\n";
            }
        }
        printf("%smap:\n", legendLines.c_str());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                uint8_t t = cells[static_cast<size_t>(y) * w + x];
                putchar(t < 64 ? reverse[t] : '?');
            }
            putchar('\n');
        }
    }
    return status;
}

struct TileFiles {
    std::string tiles, mapTiles;
};

bool takeTileOptions(int& argc, char** argv, TileFiles& files) {
    int out = 0;
    for (int i = 0; i < argc; ++i) {
        if ((!strcmp(argv[i], "--tiles") || !strcmp(argv[i], "--maptiles")) && i + 1 < argc) {
            (argv[i][2] == 't' ? files.tiles : files.mapTiles) = argv[i + 1];
            ++i;
        } else if (!strncmp(argv[i], "--", 2)) {
            fprintf(stderr, "unknown option %s\n", argv[i]);
            return false;
        } else {
            argv[out++] = argv[i];
        }
    }
    argc = out;
    return true;
}

int usage() {
    fprintf(stderr,
            "usage: levelc build <order.txt> <out.tvm>\n"
            "       levelc check <level.txt>...\n"
            "       levelc dump <file.tvm>\n"
            "       levelc png <level.txt> <out.png> [--tiles TavTile.565] [--maptiles maptile.565]\n"
            "       levelc sheet <order.txt> <out.png> [--maptiles maptile.565]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string cmd = argv[1];
    int rest = argc - 2;
    char** args = argv + 2;
    TileFiles files;
    if (!takeTileOptions(rest, args, files)) return usage();
    if (cmd == "build" && rest == 2) return cmdBuild(args[0], args[1]);
    if (cmd == "check" && rest >= 1) return cmdCheck(rest, args);
    if (cmd == "dump" && rest == 1) return cmdDump(args[0]);
    if (cmd == "png" && rest == 2) {
        LevelSource level;
        if (!loadSource(args[0], level)) return 1;
        return renderLevelPng(level, files.tiles, files.mapTiles, args[1]) ? 0 : 1;
    }
    if (cmd == "sheet" && rest == 2) {
        std::vector<LevelSource> levels;
        if (!loadOrderedSet(args[0], levels)) return 1;
        return renderContactSheet(levels, files.mapTiles, args[1]) ? 0 : 1;
    }
    return usage();
}
