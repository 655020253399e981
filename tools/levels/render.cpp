#include "tools/levels/render.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/common/rgb_png.h"
#include "world/world.h"

namespace {

// Tiles as RGB565 pixels, low byte first, tile t at t*size*size*2.
struct TileSet {
    int size = 0;
    std::vector<uint8_t> pixels;
};

bool loadSheet(const std::string& path, int size, TileSet& set) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "%s: cannot read the tile picture\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t rowBytes = static_cast<size_t>(size) * 16 * 2;
    if (data.size() < rowBytes * size * 4) {
        fprintf(stderr, "%s: %zu bytes, a tile picture of %d-pixel tiles needs %zu\n", path.c_str(), data.size(), size,
                rowBytes * size * 4);
        return false;
    }
    set.size = size;
    const size_t tileBytes = static_cast<size_t>(size) * size * 2;
    set.pixels.assign(tileBytes * 64, 0);
    // The same unpacking as the game's tile sheets: 16 columns by 4 rows of tiles.
    for (int t = 0; t < 64; ++t)
        for (int r = 0; r < size; ++r)
            memcpy(&set.pixels[t * tileBytes + r * size * 2],
                   &data[(t & 15) * size * 2 + (t >> 4) * rowBytes * size + r * rowBytes], size * 2);
    return true;
}

// Plain squares for when the tile pictures are not at hand.
void fallbackTiles(TileSet& set) {
    set.size = 8;
    set.pixels.assign(64 * 128, 0);
    auto colourOf = [](int t) -> uint16_t {
        switch (t) {
        case 0: return 0x8410;  // rock: grey
        case 1: return 0xFFE0;  // diamond: yellow
        case 2:
        case 3:
        case 56: return 0x0015;  // earth: blue
        case 5: return 0xF800;   // skull: red
        case 22: return 0xC618;  // safe
        case 24: return 0xFFF0;  // egg
        case 25: return 0xFD20;  // key
        case 27: return 0xF81F;  // bomb
        case 30: return 0x07E0;  // player
        case 6:
        case 31: return 0x0000;
        default: return (t >= 7 && t <= 23) || (t >= 47 && t <= 55) ? 0x001F : 0x4208;
        }
    };
    for (int t = 0; t < 64; ++t) {
        uint16_t c = colourOf(t);
        for (int i = 0; i < 64; ++i) {
            bool edge = (i & 7) == 7 || i >= 56;  // a dark seam shows the squares
            uint16_t p = edge && c ? static_cast<uint16_t>((c >> 1) & 0x7BEF) : c;
            set.pixels[t * 128 + i * 2] = static_cast<uint8_t>(p);
            set.pixels[t * 128 + i * 2 + 1] = static_cast<uint8_t>(p >> 8);
        }
    }
}

uint32_t levelColourOf(uint8_t flags) {
    uint32_t c = 0;
    if (flags & 1) c |= 0xFF0000;
    if (flags & 2) c |= 0x00FF00;
    if (flags & 4) c |= 0x0000FF;
    return c;
}

TileSet tinted(const TileSet& base, uint8_t flags) {
    TileSet set = base;
    const uint32_t colour = levelColourOf(flags);
    const int tileBytes = set.size * set.size * 2;
    for (int t = 0; t < 64; ++t)
        if (colour != 0x0000FF && t != 0 && t != 22) tintTile(&set.pixels[t * tileBytes], tileBytes, colour);
    return set;
}

struct Canvas {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    void init(int w, int h, uint8_t grey) {
        width = w;
        height = h;
        rgb.assign(static_cast<size_t>(w) * h * 3, grey);
    }
    void put(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
};

void drawLevel(Canvas& canvas, int ox, int oy, const LevelSource& level, const TileSet& set) {
    const int s = set.size;
    for (int y = 0; y < level.height; ++y)
        for (int x = 0; x < level.width; ++x) {
            int t = level.cells[static_cast<size_t>(y) * level.width + x] & 63;
            const uint8_t* tile = &set.pixels[static_cast<size_t>(t) * s * s * 2];
            for (int py = 0; py < s; ++py)
                for (int px = 0; px < s; ++px) {
                    uint16_t p = static_cast<uint16_t>(tile[(py * s + px) * 2] | (tile[(py * s + px) * 2 + 1] << 8));
                    uint8_t r = static_cast<uint8_t>(((p >> 11) & 31) * 255 / 31);
                    uint8_t g = static_cast<uint8_t>(((p >> 5) & 63) * 255 / 63);
                    uint8_t b = static_cast<uint8_t>((p & 31) * 255 / 31);
                    canvas.put(ox + x * s + px, oy + y * s + py, r, g, b);
                }
        }
}

// A 3x5 pixel font for the labels of the contact sheet.
void drawLabel(Canvas& canvas, int ox, int oy, const std::string& text, int scale) {
    static const uint16_t glyphs[11] = {
        0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF,  // 0..9
        0x7BE4,                                                                          // P
    };
    int cx = ox;
    for (char c : text) {
        int g = c == 'P' ? 10 : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (g >= 0)
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (glyphs[g] & (1 << (14 - (row * 3 + col))))
                        for (int dy = 0; dy < scale; ++dy)
                            for (int dx = 0; dx < scale; ++dx)
                                canvas.put(cx + col * scale + dx, oy + row * scale + dy, 255, 255, 255);
        cx += 4 * scale;
    }
}

bool chooseTiles(const std::string& tilesPath, const std::string& mapTilesPath, TileSet& set) {
    if (!tilesPath.empty()) return loadSheet(tilesPath, 32, set);
    if (!mapTilesPath.empty()) return loadSheet(mapTilesPath, 8, set);
    fallbackTiles(set);
    return true;
}

}  // namespace

bool renderLevelPng(const LevelSource& level, const std::string& tilesPath, const std::string& mapTilesPath,
                    const std::string& outPath) {
    TileSet base;
    if (!chooseTiles(tilesPath, mapTilesPath, base)) return false;
    TileSet set = tinted(base, level.colour);
    Canvas canvas;
    canvas.init(level.width * set.size, level.height * set.size, 0);
    drawLevel(canvas, 0, 0, level, set);
    return writeRgbPng(outPath, canvas.width, canvas.height, canvas.rgb);
}

bool renderContactSheet(const std::vector<LevelSource>& levels, const std::string& mapTilesPath,
                        const std::string& outPath) {
    TileSet base;
    if (!chooseTiles("", mapTilesPath, base)) return false;
    const int s = base.size, margin = 8, labelHeight = 14, columns = 4;
    // Every column as wide as the widest level, every row as high as its highest level,
    // so one tall level does not spread the whole sheet.
    int cellW = 0;
    for (const auto& l : levels) cellW = std::max(cellW, l.width * s);
    cellW += margin;
    const int rows = (static_cast<int>(levels.size()) + columns - 1) / columns;
    std::vector<int> rowTop(rows + 1, margin);
    for (int r = 0; r < rows; ++r) {
        int h = 0;
        for (int c = 0; c < columns && r * columns + c < static_cast<int>(levels.size()); ++c)
            h = std::max(h, levels[r * columns + c].height * s);
        rowTop[r + 1] = rowTop[r] + h + margin + labelHeight;
    }
    Canvas canvas;
    canvas.init(columns * cellW + margin, rowTop[rows], 48);
    for (size_t i = 0; i < levels.size(); ++i) {
        int ox = margin + static_cast<int>(i % columns) * cellW;
        int oy = rowTop[i / columns];
        // Practice levels are P1..P4, then the main levels from 1.
        std::string label = std::to_string(i < 4 ? i + 1 : i - 3);
        if (i < 4) label.insert(0, 1, 'P');
        drawLabel(canvas, ox, oy, label, 2);
        drawLevel(canvas, ox, oy + labelHeight, levels[i], tinted(base, levels[i].colour));
    }
    return writeRgbPng(outPath, canvas.width, canvas.height, canvas.rgb);
}
