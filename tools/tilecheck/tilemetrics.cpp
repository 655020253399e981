#include "tools/tilecheck/tilemetrics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/common/whole_file.h"
#include "world/world.h"

namespace tilecheck {

const std::array<uint32_t, 8> LevelColours = {0x0000FF, 0xFF0000, 0x00FF00, 0xFFFF00,
                                              0xFF00FF, 0x00FFFF, 0xFFFFFF, 0x000000};
const std::array<int, 3> EarthTiles = {2, 3, 56};

bool loadTileSet(const std::string& path, int size, TileSet& set, std::string& error) {
    std::string data;
    if (!readWholeFile(path, data)) {
        error = path + ": cannot read the tile picture";
        return false;
    }
    const size_t rowPixels = static_cast<size_t>(size) * 16;
    if (data.size() < rowPixels * 2 * size * 4) {
        error = path + ": too short for a sheet of 64 tiles";
        return false;
    }
    set.size = size;
    set.pixels.assign(static_cast<size_t>(size) * size * 64, 0);
    // The unpacking of the game's tile sheets: 16 columns by 4 rows of tiles.
    for (int t = 0; t < 64; ++t)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                size_t at = ((t >> 4) * size + y) * rowPixels + (t & 15) * size + x;
                set.pixels[(static_cast<size_t>(t) * size + y) * size + x] = static_cast<uint16_t>(
                    static_cast<uint8_t>(data[at * 2]) | (static_cast<uint8_t>(data[at * 2 + 1]) << 8));
            }
    return true;
}

TileSet tinted(const TileSet& set, uint32_t colour) {
    TileSet out = set;
    const int n = set.size * set.size;
    std::vector<uint8_t> bytes(static_cast<size_t>(n) * 2);
    for (int t = 0; t < 64; ++t) {
        // The same exceptions as buildTileSheets: the rock and the safe keep their colours.
        if (colour == 0x0000FF || t == 0 || t == 22) continue;
        uint16_t* px = &out.pixels[static_cast<size_t>(t) * n];
        for (int i = 0; i < n; ++i) {
            bytes[i * 2] = static_cast<uint8_t>(px[i]);
            bytes[i * 2 + 1] = static_cast<uint8_t>(px[i] >> 8);
        }
        tintTile(bytes.data(), n * 2, colour);
        for (int i = 0; i < n; ++i) px[i] = static_cast<uint16_t>(bytes[i * 2] | (bytes[i * 2 + 1] << 8));
    }
    return out;
}

namespace {

double decode(int v8) {
    double c = v8 / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

}  // namespace

Rgb linearRgb(uint16_t p) {
    // The display's expansion of 5 and 6 bits to 8: the top bits repeated below.
    int r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
    return {decode((r << 3) | (r >> 2)), decode((g << 2) | (g >> 4)), decode((b << 3) | (b >> 2))};
}

const char* visionName(Vision v) {
    switch (v) {
    case Vision::Normal: return "normal";
    case Vision::Protanopia: return "protanopia";
    case Vision::Deuteranopia: return "deuteranopia";
    case Vision::Tritanopia: return "tritanopia";
    }
    return "?";
}

Rgb simulate(Rgb c, Vision v) {
    // Machado, Oliveira and Fernandes (2009), severity 1.0, applied to linear RGB.
    // clang-format off
    static const double M[3][9] = {
        { 0.152286,  1.052583, -0.204868,
          0.114503,  0.786281,  0.099216,
         -0.003882, -0.048116,  1.051998},
        { 0.367322,  0.860646, -0.227968,
          0.280085,  0.672501,  0.047413,
         -0.011820,  0.042940,  0.968881},
        { 1.255528, -0.076749, -0.178779,
         -0.078411,  0.930809,  0.147602,
          0.004733,  0.691367,  0.303900},
    };
    // clang-format on
    if (v == Vision::Normal) return c;
    const double* m = M[static_cast<int>(v) - 1];
    return {clamp01(m[0] * c.r + m[1] * c.g + m[2] * c.b), clamp01(m[3] * c.r + m[4] * c.g + m[5] * c.b),
            clamp01(m[6] * c.r + m[7] * c.g + m[8] * c.b)};
}

Lab toLab(Rgb c) {
    // sRGB primaries, D65 white.
    double x = (0.4124564 * c.r + 0.3575761 * c.g + 0.1804375 * c.b) / 0.95047;
    double y = 0.2126729 * c.r + 0.7151522 * c.g + 0.0721750 * c.b;
    double z = (0.0193339 * c.r + 0.1191920 * c.g + 0.9503041 * c.b) / 1.08883;
    auto f = [](double t) {
        const double d = 6.0 / 29.0;
        return t > d * d * d ? std::cbrt(t) : t / (3 * d * d) + 4.0 / 29.0;
    };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double deltaE2000(const Lab& p, const Lab& q) {
    // Sharma, Wu and Dalal (2005), with kL = kC = kH = 1.
    const double deg = std::numbers::pi / 180.0;
    auto pow7 = [](double v) { return v * v * v * v * v * v * v; };
    double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
    double cBar = (c1 + c2) / 2;
    double g = 0.5 * (1 - std::sqrt(pow7(cBar) / (pow7(cBar) + pow7(25.0))));
    double a1 = (1 + g) * p.a, a2 = (1 + g) * q.a;
    double cp1 = std::hypot(a1, p.b), cp2 = std::hypot(a2, q.b);
    auto hue = [&](double b, double a) {
        if (a == 0 && b == 0) return 0.0;
        double h = std::atan2(b, a) / deg;
        return h < 0 ? h + 360 : h;
    };
    double h1 = hue(p.b, a1), h2 = hue(q.b, a2);
    double dL = q.l - p.l, dC = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = h2 - h1;
        if (dh > 180)
            dh -= 360;
        else if (dh < -180)
            dh += 360;
    }
    double dH = 2 * std::sqrt(cp1 * cp2) * std::sin(dh / 2 * deg);
    double lBar = (p.l + q.l) / 2, cpBar = (cp1 + cp2) / 2;
    double hBar = h1 + h2;
    if (cp1 * cp2 != 0) {
        if (std::fabs(h1 - h2) <= 180)
            hBar = (h1 + h2) / 2;
        else if (h1 + h2 < 360)
            hBar = (h1 + h2 + 360) / 2;
        else
            hBar = (h1 + h2 - 360) / 2;
    }
    double t = 1 - 0.17 * std::cos((hBar - 30) * deg) + 0.24 * std::cos(2 * hBar * deg) +
               0.32 * std::cos((3 * hBar + 6) * deg) - 0.20 * std::cos((4 * hBar - 63) * deg);
    double dTheta = 30 * std::exp(-((hBar - 275) / 25) * ((hBar - 275) / 25));
    double rc = 2 * std::sqrt(pow7(cpBar) / (pow7(cpBar) + pow7(25.0)));
    double sl = 1 + 0.015 * (lBar - 50) * (lBar - 50) / std::sqrt(20 + (lBar - 50) * (lBar - 50));
    double sc = 1 + 0.045 * cpBar;
    double sh = 1 + 0.015 * cpBar * t;
    double rt = -std::sin(2 * dTheta * deg) * rc;
    double l = dL / sl, c = dC / sc, h = dH / sh;
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}

double meanLuminance(const uint16_t* tile, int size) {
    double sum = 0;
    for (int i = 0; i < size * size; ++i) {
        Rgb c = linearRgb(tile[i]);
        sum += 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
    }
    return sum / (size * size);
}

double contrastRatio(double l1, double l2) { return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05); }

namespace {

// Mean light of the block (bx, by) of a 4 x 4 grid, as seen with vision v.
Lab blockLab(const uint16_t* tile, int size, int bx, int by, int block, Vision v) {
    Rgb sum;
    for (int y = by * block; y < (by + 1) * block; ++y)
        for (int x = bx * block; x < (bx + 1) * block; ++x) {
            Rgb c = simulate(linearRgb(tile[y * size + x]), v);
            sum.r += c.r;
            sum.g += c.g;
            sum.b += c.b;
        }
    double n = block * block;
    return toLab({sum.r / n, sum.g / n, sum.b / n});
}

}  // namespace

double patternDifference(const uint16_t* a, const uint16_t* b, int size, Vision v) {
    const int block = size / 4;
    double sum = 0;
    for (int by = 0; by < 4; ++by)
        for (int bx = 0; bx < 4; ++bx)
            sum += deltaE2000(blockLab(a, size, bx, by, block, v), blockLab(b, size, bx, by, block, v));
    return sum / 16;
}

double meanColourDifference(const uint16_t* a, const uint16_t* b, int size, Vision v) {
    return deltaE2000(blockLab(a, size, 0, 0, size, v), blockLab(b, size, 0, 0, size, v));
}

std::vector<Kind> objectKinds(bool mapView) {
    std::vector<Kind> kinds = {{"rock", {0}},  {"diamond", {1}}, {"egg", {24, 47}}, {"key", {25}},
                               {"bomb", {27}}, {"skull", {5}},   {"safe", {22}}};
    if (mapView) {
        kinds.push_back({"player", {30}});
    } else {
        kinds.push_back({"monster", {33, 34}});
        Kind player{"player", {30}};
        for (int t = 35; t <= 46; ++t) player.tiles.push_back(t);
        kinds.push_back(player);
    }
    return kinds;
}

std::vector<int> wallTiles() {
    std::vector<int> walls;
    for (int t = 7; t <= 23; ++t)
        if (t != 22) walls.push_back(t);  // the safe is a thing to open, not a wall
    for (int t = 48; t <= 55; ++t) walls.push_back(t);
    return walls;
}

std::string tileName(int t) {
    switch (t) {
    case 0: return "rock";
    case 1: return "diamond";
    case 2: return "earth";
    case 3: return "earth-2";
    case 5: return "skull";
    case 6: return "empty";
    case 7: return "wall";
    case 16: return "block";
    case 21: return "rings";
    case 22: return "safe";
    case 23: return "cage";
    case 24: return "egg";
    case 25: return "key";
    case 27: return "bomb";
    case 30: return "player";
    case 47: return "cracked-egg";
    case 52: return "stripes";
    case 53: return "border";
    case 54: return "rings-up";
    case 55: return "rings-lying";
    case 56: return "green-earth";
    default: break;
    }
    if (t >= 8 && t <= 11) return "wall-edge-" + std::to_string(t);
    if (t >= 12 && t <= 15) return "wall-corner-" + std::to_string(t);
    if (t >= 17 && t <= 20) return "block-corner-" + std::to_string(t);
    if (t >= 48 && t <= 51) return "block-edge-" + std::to_string(t);
    if (t == 33 || t == 34) return "monster-" + std::to_string(t);
    if (t >= 35 && t <= 46) return "player-" + std::to_string(t);
    return "tile-" + std::to_string(t);
}

ContrastWorst worstEarthContrast(const TileSet& set) {
    ContrastWorst worst;
    std::vector<int> others = wallTiles();
    others.push_back(EmptyTile);
    for (int e : EarthTiles) {
        double le = meanLuminance(set.tile(e), set.size);
        for (int o : others) {
            double r = contrastRatio(le, meanLuminance(set.tile(o), set.size));
            if (r < worst.ratio) worst = {r, e, o};
        }
    }
    return worst;
}

std::vector<DistinctWorst> allPairs(const TileSet& set, bool mapView) {
    std::vector<DistinctWorst> pairs;
    auto consider = [&](int a, int b) {
        DistinctWorst worst;
        for (Vision v : Visions) {
            double d = patternDifference(set.tile(a), set.tile(b), set.size, v);
            if (d < worst.pattern) worst = {d, meanColourDifference(set.tile(a), set.tile(b), set.size, v), a, b, v};
        }
        pairs.push_back(worst);
    };
    std::vector<Kind> kinds = objectKinds(mapView);
    std::vector<int> scenery(EarthTiles.begin(), EarthTiles.end());
    for (int w : wallTiles()) scenery.push_back(w);
    scenery.push_back(EmptyTile);
    for (size_t i = 0; i < kinds.size(); ++i) {
        for (int a : kinds[i].tiles) {
            for (size_t j = i + 1; j < kinds.size(); ++j)
                for (int b : kinds[j].tiles) consider(a, b);
            for (int s : scenery) consider(a, s);
        }
    }
    return pairs;
}

DistinctWorst worstDistinct(const TileSet& set, bool mapView) {
    DistinctWorst worst;
    for (const DistinctWorst& d : allPairs(set, mapView))
        if (d.pattern < worst.pattern) worst = d;
    return worst;
}

}  // namespace tilecheck
