// The progress file: levels completed and the best score, scrambled, under the home directory.
#pragma once
#include <cstdint>
#include <string>

extern const uint8_t ProgressKey[8];
std::string progressPath();
int32_t loadProgress();
void saveProgress();
void scrambleProgress();
