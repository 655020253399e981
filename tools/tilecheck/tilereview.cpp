// Review pictures of the tiles, recoloured by the game's own tintTile:
//   tiles-sheet.png        every play tile (left) and map tile (right, four times the size) in
//                          the eight level colours, one band each, a swatch of the colour first
//   levels/<source>.png    for every level of the set: the play view as it opens (the player
//                          on the start square, as drawPlayView draws it) beside the map view
//                          as it opens (as drawMapView draws it; no title, no bar)
//
//   tilereview [--tiles TavTile.565] [--maptiles maptile.565] [--levels order.txt] [--out DIR]

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tools/common/rgb_png.h"
#include "tools/common/whole_file.h"
#include "tools/tilecheck/tilemetrics.h"
#include "world/levelsource.h"

using namespace tilecheck;

namespace {

struct Canvas {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    Canvas(int w, int h, uint8_t r, uint8_t g, uint8_t b) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3) {
        for (size_t i = 0; i < rgb.size(); i += 3) {
            rgb[i] = r;
            rgb[i + 1] = g;
            rgb[i + 2] = b;
        }
    }
    void put(int x, int y, uint16_t p) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* at = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        int r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
        at[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
        at[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
        at[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
    }
    void fill(int x0, int y0, int w, int h, uint32_t rgb888) {
        uint16_t p =
            static_cast<uint16_t>(((rgb888 >> 8) & 0xF800) | ((rgb888 >> 5) & 0x07E0) | ((rgb888 >> 3) & 0x1F));
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) put(x, y, p);
    }
    // One tile, each pixel drawn as a zoom x zoom square.
    void tile(const TileSet& set, int t, int x0, int y0, int zoom = 1) {
        const uint16_t* px = set.tile(t);
        for (int y = 0; y < set.size * zoom; ++y)
            for (int x = 0; x < set.size * zoom; ++x) put(x0 + x, y0 + y, px[(y / zoom) * set.size + x / zoom]);
    }
};

bool writeSheet(const TileSet& play, const TileSet& map, const std::string& path) {
    const int cell = 34, band = 4 * cell + 10, swatch = 16;
    const int mapLeft = swatch + 6 + 16 * cell + 12;
    Canvas c(mapLeft + 16 * cell + 4, 8 * band + 6, 48, 0, 48);
    for (int i = 0; i < 8; ++i) {
        const uint32_t colour = LevelColours[i];
        const int top = 6 + i * band;
        // The colour itself, framed in grey so that black shows too.
        c.fill(4, top, swatch, 4 * cell - 2, 0x808080);
        c.fill(6, top + 2, swatch - 4, 4 * cell - 6, colour);
        TileSet p = tinted(play, colour), m = tinted(map, colour);
        for (int t = 0; t < 64; ++t) {
            c.tile(p, t, swatch + 6 + (t & 15) * cell, top + (t >> 4) * cell);
            c.tile(m, t, mapLeft + (t & 15) * cell, top + (t >> 4) * cell, 4);
        }
    }
    return writeRgbPng(path, c.width, c.height, c.rgb);
}

uint32_t levelColourOf(uint8_t flags) {
    return ((flags & 1) ? 0xFF0000u : 0) | ((flags & 2) ? 0x00FF00u : 0) | ((flags & 4) ? 0x0000FFu : 0);
}

// The play view and the map view of a level just started, side by side.
bool writeLevel(const LevelSource& level, const TileSet& play, const TileSet& map, const std::string& path) {
    const uint32_t colour = levelColourOf(level.colour);
    TileSet p = tinted(play, colour), m = tinted(map, colour);
    const int w = level.width, h = level.height;
    int px = 0, py = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (level.cells[y * w + x] == 30) px = x, py = y;  // a later start square wins
    auto cellAt = [&](int x, int y) -> int {
        if (x < 0 || y < 0 || x >= w || y >= h) return 53;
        int t = level.cells[y * w + x];
        return t == 31 ? 6 : t;  // the faint glow is emptied when a level loads
    };
    Canvas c(240 + 8 + 240, 320, 0, 0, 0);
    // Play view: the player's square centred at (120, 120), the panel rows left black.
    const int camX = px * 32 + 16 - 120, camY = py * 32 + 16 - 120;
    for (int sy = 0; sy < 240; ++sy)
        for (int sx = 0; sx < 240; ++sx) {
            int mx = camX + sx, my = camY + sy;
            int col = mx >= 0 ? mx / 32 : -((31 - mx) / 32), row = my >= 0 ? my / 32 : -((31 - my) / 32);
            int t = cellAt(col, row);
            if (t == 30) t = 6;
            c.put(sx, sy, p.tile(t)[(my - row * 32) * 32 + (mx - col * 32)]);
        }
    c.tile(p, 30, 104, 104);
    c.fill(240, 0, 8, 320, 0x300030);
    // Map view: the view centre on the player, held inside the map as drawMapView does.
    int viewX = px * 8 + 4, viewY = py * 8 + 4;
    const int mw = w * 8, mh = h * 8;
    viewX = mw > 239 ? std::max(112, std::min(viewX, mw - 112)) : mw >> 1;
    viewY = mh > 319 ? std::max(152, std::min(viewY, mh - 152)) : mh >> 1;
    const int ox = 248 + 120 - viewX, oy = 160 - viewY;
    for (int r = -1; r <= h; ++r)
        for (int col = -1; col <= w; ++col) {
            int x = ox + 8 * col, y = oy + 8 * r;
            if (x < 248 - 7 || x > 248 + 239 || y < -7 || y > 319) continue;
            const uint16_t* t = m.tile(cellAt(col, r));
            for (int ty = 0; ty < 8; ++ty)
                for (int tx = 0; tx < 8; ++tx)
                    if (x + tx >= 248) c.put(x + tx, y + ty, t[ty * 8 + tx]);
        }
    return writeRgbPng(path, c.width, c.height, c.rgb);
}

bool writeLevels(const std::string& orderPath, const TileSet& play, const TileSet& map, const std::string& dir) {
    std::string order;
    if (!readWholeFile(orderPath, order)) {
        fprintf(stderr, "%s: cannot read the level list\n", orderPath.c_str());
        return false;
    }
    const std::filesystem::path base = std::filesystem::path(orderPath).parent_path();
    std::filesystem::create_directories(dir);
    std::istringstream lines(order);
    std::string line;
    bool ok = true;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::filesystem::path src = line[0] == '/' ? std::filesystem::path(line) : base / line;
        std::string text;
        LevelSource level;
        LevelSourceError error;
        if (!readWholeFile(src.string(), text) || !parseLevelSource(text, level, error)) {
            fprintf(stderr, "%s:%d: %s\n", src.string().c_str(), error.line,
                    error.message.empty() ? "cannot read the file" : error.message.c_str());
            ok = false;
            continue;
        }
        std::string out = dir + "/" + src.stem().string() + ".png";
        if (!writeLevel(level, play, map, out)) ok = false;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::string tilesPath = TAVRIN_SOURCE_DIR "/assets/catalogue/TavTile.565";
    std::string mapPath = TAVRIN_SOURCE_DIR "/assets/catalogue/maptile.565";
    std::string orderPath = TAVRIN_SOURCE_DIR "/assets/levels/order.txt";
    std::string outDir = TAVRIN_SOURCE_DIR "/docs/review";
    for (int i = 1; i < argc; ++i) {
        std::string* into = nullptr;
        if (!strcmp(argv[i], "--tiles")) into = &tilesPath;
        if (!strcmp(argv[i], "--maptiles")) into = &mapPath;
        if (!strcmp(argv[i], "--levels")) into = &orderPath;
        if (!strcmp(argv[i], "--out")) into = &outDir;
        if (!into || i + 1 >= argc) {
            fprintf(stderr,
                    "usage: tilereview [--tiles TavTile.565] [--maptiles maptile.565] [--levels order.txt] "
                    "[--out DIR]\n");
            return 2;
        }
        *into = argv[++i];
    }
    TileSet play, map;
    std::string error;
    if (!loadTileSet(tilesPath, 32, play, error) || !loadTileSet(mapPath, 8, map, error)) {
        fprintf(stderr, "tilereview: %s\n", error.c_str());
        return 1;
    }
    std::filesystem::create_directories(outDir);
    bool ok = writeSheet(play, map, outDir + "/tiles-sheet.png");
    ok = writeLevels(orderPath, play, map, outDir + "/levels") && ok;
    if (ok) printf("tilereview: wrote %s/tiles-sheet.png and %s/levels/*.png\n", outDir.c_str(), outDir.c_str());
    return ok ? 0 : 1;
}
