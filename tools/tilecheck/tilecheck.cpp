// The tile check: in every level colour, through the game's own recolouring, earth must
// stand apart from walls, blocks and empty squares by its light, and the things a player
// watches for (rock, diamond, egg, key, bomb, skull, safe, monster, player) must differ from
// each other and from the scenery, also for the three kinds of colour blindness.
// Prints the worst pair of each colour and exits 1 when one is under its bar.
//
//   tilecheck [--tiles TavTile.565] [--maptiles maptile.565] [--pairs N]
//
// --pairs N also lists the N closest pairs of each view over all colours.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/tilecheck/tilemetrics.h"

using namespace tilecheck;

namespace {

// Earth against walls and empty squares: a ratio of mean relative luminance (WCAG).
constexpr double ContrastBar = 1.5;
// Two kinds: the mean CIEDE2000 of their 4 x 4 blocks, under every vision.
constexpr double PatternBar = 11.0;

// Reference pairs from Sharma, Wu and Dalal's CIEDE2000 test data.
bool deltaEWorks() {
    struct Case {
        Lab a, b;
        double e;
    };
    const Case cases[] = {
        {{50, 2.6772, -79.7751}, {50, 0, -82.7485}, 2.0425},
        {{50, 2.5, 0}, {73, 25, -18}, 27.1492},
        {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
        {{50, -1.3802, -84.2814}, {50, 0, -82.7485}, 1.0000},
    };
    bool ok = true;
    for (const Case& c : cases) {
        double e = deltaE2000(c.a, c.b);
        if (std::fabs(e - c.e) > 0.0001) {
            fprintf(stderr, "tilecheck: CIEDE2000 gives %.4f where the reference is %.4f\n", e, c.e);
            ok = false;
        }
    }
    return ok;
}

std::string pairName(int a, int b) { return tileName(a) + "/" + tileName(b); }

}  // namespace

int main(int argc, char** argv) {
    std::string tilesPath = TAVRIN_SOURCE_DIR "/assets/catalogue/TavTile.565";
    std::string mapPath = TAVRIN_SOURCE_DIR "/assets/catalogue/maptile.565";
    int listPairs = 0;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--tiles") && i + 1 < argc)
            tilesPath = argv[++i];
        else if (!strcmp(argv[i], "--maptiles") && i + 1 < argc)
            mapPath = argv[++i];
        else if (!strcmp(argv[i], "--pairs") && i + 1 < argc)
            listPairs = atoi(argv[++i]);
        else {
            fprintf(stderr, "usage: tilecheck [--tiles TavTile.565] [--maptiles maptile.565] [--pairs N]\n");
            return 2;
        }
    }
    if (!deltaEWorks()) return 1;
    TileSet play, map;
    std::string error;
    if (!loadTileSet(tilesPath, 32, play, error) || !loadTileSet(mapPath, 8, map, error)) {
        fprintf(stderr, "tilecheck: %s\n", error.c_str());
        return 1;
    }

    bool ok = true;
    ContrastWorst worstContrast[2];
    DistinctWorst worstPair[2];
    printf("Earth against walls, blocks and empty: least contrast ratio of mean luminance (bar %.2f)\n", ContrastBar);
    printf(
        "Things against each other and the scenery: least mean CIEDE2000 of 4x4 blocks, worst of\n"
        "normal vision, protanopia, deuteranopia, tritanopia (bar %.1f; mean-colour dE00 beside)\n\n",
        PatternBar);
    std::vector<int> scenery(EarthTiles.begin(), EarthTiles.end());
    for (int w : wallTiles()) scenery.push_back(w);
    scenery.push_back(EmptyTile);
    auto isScenery = [&](int t) { return std::find(scenery.begin(), scenery.end(), t) != scenery.end(); };
    auto cell = [](const DistinctWorst& d) {
        char text[128];
        snprintf(text, sizeof text, "%5.1f (%4.1f) %s %s", d.pattern, d.meanColour, pairName(d.a, d.b).c_str(),
                 visionName(d.vision));
        return std::string(text);
    };
    printf("%-7s | %-28s | %-28s\n", "colour", "play: earth contrast", "map: earth contrast");
    for (uint32_t colour : LevelColours) {
        printf("%06X ", colour);
        for (int view = 0; view < 2; ++view) {
            ContrastWorst c = worstEarthContrast(tinted(view == 0 ? play : map, colour));
            printf(" | %5.2f %-22s", c.ratio, pairName(c.earth, c.other).c_str());
            if (c.ratio < ContrastBar) ok = false;
            if (c.ratio < worstContrast[view].ratio) worstContrast[view] = c;
        }
        printf("\n");
    }
    // Two things that keep their own colours differ alike in every level colour; the pairs
    // with earth, a wall or the empty square show what the level colour does.
    printf("\n%-7s | %-46s | %-46s | %-46s | %s\n", "colour", "play: least difference", "play: least against scenery",
           "map: least difference", "map: least against scenery");
    for (uint32_t colour : LevelColours) {
        printf("%06X ", colour);
        for (int view = 0; view < 2; ++view) {
            DistinctWorst any, withScenery;
            for (const DistinctWorst& d : allPairs(tinted(view == 0 ? play : map, colour), view == 1)) {
                if (d.pattern < any.pattern) any = d;
                if (isScenery(d.b) && d.pattern < withScenery.pattern) withScenery = d;
            }
            printf(" | %-46s | %-46s", cell(any).c_str(), cell(withScenery).c_str());
            if (any.pattern < PatternBar) ok = false;
            if (any.pattern < worstPair[view].pattern) worstPair[view] = any;
        }
        printf("\n");
    }
    printf("\nworst earth contrast: play %.2f (%s), map %.2f (%s)\n", worstContrast[0].ratio,
           pairName(worstContrast[0].earth, worstContrast[0].other).c_str(), worstContrast[1].ratio,
           pairName(worstContrast[1].earth, worstContrast[1].other).c_str());
    for (int view = 0; view < 2; ++view)
        printf("worst %s pair: %.1f (mean colour %.1f) %s, %s\n", view == 0 ? "play" : "map", worstPair[view].pattern,
               worstPair[view].meanColour, pairName(worstPair[view].a, worstPair[view].b).c_str(),
               visionName(worstPair[view].vision));
    for (int view = 0; listPairs > 0 && view < 2; ++view) {
        struct Listed {
            DistinctWorst d;
            uint32_t colour;
        };
        std::vector<Listed> all;
        for (uint32_t colour : LevelColours)
            for (const DistinctWorst& d : allPairs(tinted(view == 0 ? play : map, colour), view == 1))
                all.push_back({d, colour});
        std::sort(all.begin(), all.end(), [](const Listed& x, const Listed& y) { return x.d.pattern < y.d.pattern; });
        printf("\nclosest %s pairs:\n", view == 0 ? "play" : "map");
        for (size_t i = 0; i < all.size() && i < static_cast<size_t>(listPairs); ++i)
            printf("  %5.1f (%4.1f) %06X %s %s\n", all[i].d.pattern, all[i].d.meanColour, all[i].colour,
                   pairName(all[i].d.a, all[i].d.b).c_str(), visionName(all[i].d.vision));
    }
    if (!ok) printf("tilecheck: a figure is under its bar\n");
    return ok ? 0 : 1;
}
