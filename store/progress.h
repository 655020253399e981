// The progress file: levels completed and the best score, scrambled, under the home directory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

extern const uint8_t ProgressKey[8];
// The progress file's path under the home directory.
std::string progressPath();
// Reads the progress file into the record (0 always): a missing, short or foreign file
// leaves the record as the file format says (see parseProgress).
int32_t loadProgress();
// The load's rule on the first bytes of a file, size of them read: the record takes the
// bytes it can (unscrambled), and a record without the magic is logged "Corrupt data" and
// zeroed. Fuzz targets and tests call it on memory.
void parseProgress(const uint8_t* bytes, size_t size);
// Writes the record at the start of the file, keeping any bytes after it, through a
// temporary file renamed over the old one; a file that is a link is replaced where it
// points. A save that cannot be done is reported and leaves the old file as it was.
void saveProgress();
// XORs the record with a mask made from ProgressKey: the same call scrambles and unscrambles.
void scrambleProgress();
