// Plain-text level sources (assets/levels/*.txt, format in assets/levels/README.md).
// Shared by the level compiler, which writes them into the scrambled level file, and by
// loadLevelSource (world.h), which puts one straight into the running engine.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct LevelSource {
    std::string name;               // at most 10 characters
    uint8_t colour = 0;             // colour flags 0..7
    int32_t width = 0, height = 0;  // 1..127 each
    std::vector<uint8_t> cells;     // row-major, width*height tile numbers
    int32_t mapLine = 0;            // source line of the first map row
};

struct LevelSourceError {
    int32_t line = 0;  // 1-based; 0 when the fault is not on one line
    std::string message;
};

// The tile a map character stands for without a legend line, or -1.
int32_t defaultLegendTile(char c);

// Parses one level source. On failure returns false and says where and what in error.
bool parseLevelSource(std::string_view text, LevelSource& level, LevelSourceError& error);

// The plain (not yet scrambled) level record: the 32-byte header, then the squares in
// reverse order, the bottom-right square first.
std::vector<uint8_t> buildLevelRecord(const LevelSource& level);

// The plain level file: header, offset table of records+1 entries, the records.
std::vector<uint8_t> buildLevelFile(const std::vector<std::vector<uint8_t>>& records);

// Scrambles bytes as one stream starting at position 0 with the game's key.
void scrambleStream(std::vector<uint8_t>& bytes);
// Scrambles a whole plain level file the way the game reads it: the header and offset
// table as one stream from byte 0, and every record as a stream of its own.
void scrambleLevelFile(std::vector<uint8_t>& file);
