// How readable the tile pictures are in every level colour: the figures of the tile check
// and of the review sheets. Tiles are recoloured by the game's own tintTile (world/tint.cpp).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tilecheck {

// The eight level colours a level can have (every mix of the three colour flags).
extern const std::array<uint32_t, 8> LevelColours;

// One tile set as the game unpacks it: tile t at t * size * size pixels, RGB565.
struct TileSet {
    int size = 0;
    std::vector<uint16_t> pixels;
    const uint16_t* tile(int t) const { return &pixels[static_cast<size_t>(t & 63) * size * size]; }
};

// Reads TavTile.565 (size 32) or maptile.565 (size 8); false with a message when it cannot.
bool loadTileSet(const std::string& path, int size, TileSet& set, std::string& error);
// The set as a level of this colour shows it: buildTileSheets' rule (rock and safe untouched).
TileSet tinted(const TileSet& set, uint32_t colour);

// Linear-light RGB, 0..1.
struct Rgb {
    double r = 0, g = 0, b = 0;
};
Rgb linearRgb(uint16_t p);

enum class Vision { Normal, Protanopia, Deuteranopia, Tritanopia };
constexpr std::array<Vision, 4> Visions = {Vision::Normal, Vision::Protanopia, Vision::Deuteranopia,
                                           Vision::Tritanopia};
const char* visionName(Vision v);
Rgb simulate(Rgb c, Vision v);

struct Lab {
    double l = 0, a = 0, b = 0;
};
Lab toLab(Rgb c);
double deltaE2000(const Lab& x, const Lab& y);

// Mean relative luminance of a tile (WCAG weights on linear RGB).
double meanLuminance(const uint16_t* tile, int size);
double contrastRatio(double l1, double l2);

// Difference of two tiles seen with the given vision: the mean CIEDE2000 of their 4 x 4
// blocks (8 x 8 pixels in a play tile, 2 x 2 in a map tile), each block's light averaged,
// so that shape and light pattern count as well as colour.
double patternDifference(const uint16_t* a, const uint16_t* b, int size, Vision v);
// CIEDE2000 between the two tiles' mean colours.
double meanColourDifference(const uint16_t* a, const uint16_t* b, int size, Vision v);

// Tiles that are told apart by the player: a kind and its pictures (animation frames).
struct Kind {
    const char* name;
    std::vector<int> tiles;
};
// The things a player must tell apart in the play view, and in the map view (no monsters
// there, and every player frame is the one map tile 30).
std::vector<Kind> objectKinds(bool mapView);
// Earth: the two blue speckles and the green one.
extern const std::array<int, 3> EarthTiles;
// Every wall and block the player cannot enter.
std::vector<int> wallTiles();
constexpr int EmptyTile = 6;
std::string tileName(int t);

// The least contrast of any earth against any wall, block or the empty square.
struct ContrastWorst {
    double ratio = 1e9;
    int earth = -1, other = -1;
};
ContrastWorst worstEarthContrast(const TileSet& tintedSet);

// The least difference between two kinds, or a kind and earth, wall or empty.
struct DistinctWorst {
    double pattern = 1e9, meanColour = 0;
    int a = -1, b = -1;
    Vision vision = Vision::Normal;
};
DistinctWorst worstDistinct(const TileSet& tintedSet, bool mapView);
// Every pair that worstDistinct weighs, each at its worst vision.
std::vector<DistinctWorst> allPairs(const TileSet& tintedSet, bool mapView);

}  // namespace tilecheck
