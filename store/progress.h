// The progress file: levels completed and the best score, scrambled, under the home directory
// (on a Linux desktop, in its data folder).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

enum class FileConvention;  // platform/toolkit.h

#pragma pack(push, 1)
// The saved part of the state, laid out exactly as the progress file holds it.
struct ProgressRecord {
    uint16_t recordMagic;
    uint16_t recordTag;
    uint8_t levelReached;
    int32_t bestScore;
};
#pragma pack(pop)
static_assert(sizeof(ProgressRecord) == 9, "progress record is 9 bytes");
extern ProgressRecord progress;

extern const uint8_t ProgressKey[8];

// Where the progress file is kept under a platform's convention.
struct ProgressPlace {
    std::string file;     // read, and replaced by saves
    std::string earlier;  // read in its place while file is missing, never written (empty: none)
    // The handheld's own rules: a load opens the file read-write (creating a missing one in an
    // existing folder) and every save writes. Otherwise a load creates nothing and a save
    // writes only when the stored progress differs from the record.
    bool handheld = true;
};
// Handheld: $HOME/Applications/tavrin.conf. Desktop: tavrin/tavrin.conf in the desktop's data
// folder, the handheld's place read while that file is missing.
ProgressPlace progressPlace(FileConvention convention);

// The progress file's path where the running back end keeps it.
std::string progressPath();
// Reads the progress file into the record (0 always): a missing, short or foreign file
// leaves the record as the file format says (see parseProgress).
int32_t loadProgress();
int32_t loadProgressFrom(const ProgressPlace& place);
// The load's rule on the first bytes of a file, size of them read: the record takes the
// bytes it can (unscrambled), and a record without the magic is logged "Corrupt data" and
// zeroed. Fuzz targets and tests call it on memory.
void parseProgress(const uint8_t* bytes, size_t size);
// Writes the record at the start of the file, keeping any bytes after it, through a
// temporary file renamed over the old one; a file that is a link is replaced where it
// points. Temporary files that an interrupted save left beside it are removed. A save that
// cannot be done is reported and leaves the old file as it was.
void saveProgress();
void saveProgressTo(const ProgressPlace& place);
// XORs the record with a mask made from ProgressKey: the same call scrambles and unscrambles.
void scrambleProgress();
