// PNG pictures of levels for review: one level with its tiles, or the whole set at once.
#pragma once
#include <string>
#include <vector>

#include "world/levelsource.h"

// Draws the level with the 32-pixel tiles when tilesPath is given, else with the 8-pixel
// map tiles, else with plain colour squares; tiles recoloured with the level colour.
bool renderLevelPng(const LevelSource& level, const std::string& tilesPath, const std::string& mapTilesPath,
                    const std::string& outPath);
// Every level of the set with the 8-pixel map tiles, labelled P1..P4 and 1..n, in order.
bool renderContactSheet(const std::vector<LevelSource>& levels, const std::string& mapTilesPath,
                        const std::string& outPath);
