#include "world/levelsource.h"

#include <cstdio>
#include <cstring>

#include "world/cipher.h"

namespace {

constexpr int32_t MaxSide = 127;
constexpr size_t NameLength = 10;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool parseNumber(std::string_view s, int32_t lo, int32_t hi, int32_t& out) {
    s = trim(s);
    if (s.empty() || s.size() > 4) return false;
    int32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

bool fail(LevelSourceError& error, int32_t line, std::string message) {
    error.line = line;
    error.message = std::move(message);
    return false;
}

std::string quoteChar(char c) {
    char buf[16];
    if (c >= 0x20 && c < 0x7F)
        snprintf(buf, sizeof buf, "'%c'", c);
    else
        snprintf(buf, sizeof buf, "byte 0x%02X", static_cast<unsigned char>(c));
    return buf;
}

}  // namespace

int32_t defaultLegendTile(char c) {
    switch (c) {
    case 'O': return 0;
    case '*': return 1;
    case '.': return 2;
    case ',': return 3;
    case 'c': return 4;
    case 'X': return 5;
    case '_':
    case ' ': return 6;
    case '#': return 7;
    case '[': return 8;
    case ']': return 9;
    case '^': return 10;
    case 'v': return 11;
    case '/': return 12;
    case '\\': return 13;
    case '(': return 14;
    case ')': return 15;
    case '=': return 16;
    case '{': return 17;
    case '}': return 18;
    case '%': return 21;
    case 'S': return 22;
    case '|': return 23;
    case 'E': return 24;
    case 'K': return 25;
    case '&': return 26;
    case 'B': return 27;
    case 'o': return 28;
    case 'W': return 29;
    case '@': return 30;
    case ';': return 31;
    case '+': return 32;
    case '-': return 52;
    case '8': return 54;
    case '0': return 55;
    case '~': return 56;
    default: return -1;
    }
}

bool parseLevelSource(std::string_view text, LevelSource& level, LevelSourceError& error) {
    level = LevelSource{};
    int32_t legend[256];
    for (int c = 0; c < 256; ++c) legend[c] = defaultLegendTile(static_cast<char>(c));

    bool haveName = false, haveColour = false, inMap = false;
    std::vector<std::string_view> rows;
    std::vector<int32_t> rowLines;
    int32_t lineNo = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos) return fail(error, lineNo, "zero byte in the text");

        if (inMap) {
            rows.push_back(line);
            rowLines.push_back(lineNo);
            continue;
        }
        std::string_view t = trim(line);
        if (t.empty() || t.front() == '#') continue;
        size_t colon = t.find(':');
        if (colon == std::string_view::npos)
            return fail(error, lineNo, "expected 'name:', 'colour:', 'legend:' or 'map:'");
        std::string_view key = trim(t.substr(0, colon));
        std::string_view value = t.substr(colon + 1);
        if (key == "name") {
            if (haveName) return fail(error, lineNo, "second 'name:' line");
            value = trim(value);
            if (value.empty()) return fail(error, lineNo, "the name is empty");
            if (value.size() > NameLength)
                return fail(error, lineNo,
                            "the name has " + std::to_string(value.size()) + " characters, at most 10 fit");
            for (char c : value)
                if (c < 0x20 || c > 0x7E)
                    return fail(error, lineNo, "the name holds " + quoteChar(c) + ", only printable ASCII is shown");
            level.name = std::string(value);
            haveName = true;
        } else if (key == "colour" || key == "color") {
            if (haveColour) return fail(error, lineNo, "second 'colour:' line");
            int32_t v;
            if (!parseNumber(value, 0, 7, v))
                return fail(error, lineNo, "the colour must be a number 0..7 (bit 0 red, bit 1 green, bit 2 blue)");
            level.colour = static_cast<uint8_t>(v);
            haveColour = true;
        } else if (key == "legend") {
            // "legend: q 12": the character is the first one after the colon and a space.
            std::string_view v = value;
            if (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
            if (v.empty() || v.front() == ' ' || v.front() == '\t')
                return fail(error, lineNo, "expected 'legend: <character> <tile 0..63>'");
            char c = v.front();
            if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E)
                return fail(error, lineNo, "legend character " + quoteChar(c) + " is not printable");
            std::string_view rest = v.substr(1);
            if (rest.empty() || (rest.front() != ' ' && rest.front() != '\t'))
                return fail(error, lineNo, "expected 'legend: <character> <tile 0..63>'");
            int32_t tile;
            if (!parseNumber(rest, 0, 63, tile)) return fail(error, lineNo, "legend tile must be a number 0..63");
            legend[static_cast<unsigned char>(c)] = tile;
        } else if (key == "map") {
            if (!trim(value).empty()) return fail(error, lineNo, "nothing may follow 'map:' on its line");
            inMap = true;
            level.mapLine = lineNo + 1;
        } else {
            return fail(error, lineNo, "unknown key '" + std::string(key) + "'");
        }
    }

    if (!haveName) return fail(error, 0, "no 'name:' line");
    if (!haveColour) return fail(error, 0, "no 'colour:' line");
    if (!inMap) return fail(error, 0, "no 'map:' line");
    // Blank lines at the end of the file are not map rows.
    while (!rows.empty() && trim(rows.back()).empty()) {
        rows.pop_back();
        rowLines.pop_back();
    }
    if (rows.empty()) return fail(error, level.mapLine, "the map has no rows");
    if (rows.size() > static_cast<size_t>(MaxSide))
        return fail(error, rowLines[MaxSide], "the map has " + std::to_string(rows.size()) + " rows, at most 127 fit");
    size_t width = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].size() > static_cast<size_t>(MaxSide))
            return fail(error, rowLines[r],
                        "the row has " + std::to_string(rows[r].size()) + " squares, at most 127 fit");
        if (rows[r].size() > width) width = rows[r].size();
    }
    if (width == 0) return fail(error, level.mapLine, "the map rows are all empty");

    level.width = static_cast<int32_t>(width);
    level.height = static_cast<int32_t>(rows.size());
    // Short rows are padded on the right with empty squares, like the trailing blanks an
    // editor may have stripped.
    level.cells.assign(width * rows.size(), 6);
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t x = 0; x < rows[r].size(); ++x) {
            char c = rows[r][x];
            int32_t tile = legend[static_cast<unsigned char>(c)];
            if (tile < 0)
                return fail(error, rowLines[r],
                            "column " + std::to_string(x + 1) + ": unknown map character " + quoteChar(c));
            level.cells[r * width + x] = static_cast<uint8_t>(tile);
        }
    }
    return true;
}

std::vector<uint8_t> buildLevelRecord(const LevelSource& level) {
    const size_t cells = static_cast<size_t>(level.width) * static_cast<size_t>(level.height);
    std::vector<uint8_t> record(32 + cells, 0);
    record[1] = level.colour;
    std::memcpy(&record[2], level.name.data(), level.name.size() < NameLength ? level.name.size() : NameLength);
    record[12] = static_cast<uint8_t>(level.width);
    record[13] = static_cast<uint8_t>(level.height);
    for (size_t i = 0; i < cells && i < level.cells.size(); ++i) record[32 + i] = level.cells[cells - 1 - i];
    return record;
}

std::vector<uint8_t> buildLevelFile(const std::vector<std::vector<uint8_t>>& records) {
    const size_t n = records.size();
    std::vector<uint8_t> file(4 + 4 * (n + 1), 0);
    file[1] = static_cast<uint8_t>(n);
    auto putEntry = [&](size_t k, uint32_t offset) {
        file[4 + 4 * k + 0] = static_cast<uint8_t>(offset >> 24);
        file[4 + 4 * k + 1] = static_cast<uint8_t>(offset >> 16);
        file[4 + 4 * k + 2] = static_cast<uint8_t>(offset >> 8);
        file[4 + 4 * k + 3] = static_cast<uint8_t>(offset);
    };
    uint32_t offset = static_cast<uint32_t>(file.size());
    for (size_t k = 0; k < n; ++k) {
        putEntry(k, offset);
        offset += static_cast<uint32_t>(records[k].size());
    }
    putEntry(n, offset);
    for (const auto& r : records) file.insert(file.end(), r.begin(), r.end());
    return file;
}

void scrambleStream(std::vector<uint8_t>& bytes) {
    uint8_t key[8];
    buildCipherKey(key);
    int32_t pos = 0, sum = 0;
    for (auto& b : bytes) b = cipherEncodeStep(key, pos, sum, b);
}

void scrambleLevelFile(std::vector<uint8_t>& file) {
    if (file.size() < 4) return;
    uint8_t key[8];
    buildCipherKey(key);
    const size_t n = file[1];
    const size_t tableEnd = 4 + 4 * (n + 1);
    if (file.size() < tableEnd) return;
    std::vector<uint32_t> offsets(n + 1);
    for (size_t k = 0; k <= n; ++k)
        offsets[k] = (uint32_t(file[4 + 4 * k]) << 24) | (uint32_t(file[5 + 4 * k]) << 16) |
                     (uint32_t(file[6 + 4 * k]) << 8) | file[7 + 4 * k];
    int32_t pos = 0, sum = 0;
    for (size_t i = 0; i < tableEnd; ++i) file[i] = cipherEncodeStep(key, pos, sum, file[i]);
    for (size_t k = 0; k < n; ++k) {
        pos = 0;
        sum = 0;
        for (size_t i = offsets[k]; i < offsets[k + 1] && i < file.size(); ++i)
            file[i] = cipherEncodeStep(key, pos, sum, file[i]);
    }
}
