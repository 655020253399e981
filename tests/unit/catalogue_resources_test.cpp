// The embedded store: the generated catalogue against the files it was made from, every
// number the game asks for naming a file its reader can use (and no two the same file), the
// lookup's size rule, and the by-name cache.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "catalogue/resources.h"
#include "gfx/graphics.h"
#include "state/state.h"
#include "world/world.h"

#ifndef TAVRIN_GFX_LEVEL_FILE
#define TAVRIN_GFX_LEVEL_FILE ""
#endif

namespace {

// The file the catalogue was made from.
std::vector<uint8_t> sourceBytes(const std::string& name) {
    std::string path = std::string(TAVRIN_SOURCE_DIR) + "/assets/catalogue/" + name;
    if (name == "t1.tvm" && std::string(TAVRIN_GFX_LEVEL_FILE).size() > 0) path = TAVRIN_GFX_LEVEL_FILE;
    std::ifstream f(path, std::ios::binary);
    EXPECT_TRUE(f) << path;
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The catalogue record that holds these bytes, or null.
const EmbeddedFile* recordOf(const uint8_t* data) {
    for (const EmbeddedFile* f = embeddedFiles; f->data != nullptr; ++f)
        if (f->data == data) return f;
    return nullptr;
}

// What each number's reader needs of its file: a JPEG of this size, a raw picture of this
// size (two bytes a pixel, read in place), or the level file.
enum class Kind { Jpeg, Raw, Levels };
struct Need {
    ResourceId id;
    Kind kind;
    int32_t width, height;
};
constexpr Need Screen(ResourceId id) { return {id, Kind::Jpeg, 240, 320}; }
const Need Needs[] = {
    {ResFontSheet, Kind::Raw, 160, 114},      // the glyphs, 16 to a row
    {ResTileSheet, Kind::Raw, 32, 32 * 64},   // 64 tiles of 32x32
    {ResMapTileSheet, Kind::Raw, 8, 8 * 64},  // 64 tiles of 8x8
    {ResGameCompletePic1, Kind::Raw, 150, 155},
    // Whole screens behind the menus and the cards.
    Screen(ResMainMenu),
    Screen(ResStatus),
    Screen(ResLevelSelect),
    Screen(ResPractice),
    Screen(ResSplash),
    Screen(ResDied),
    Screen(ResGameOver),
    Screen(ResAbout),
    Screen(ResPracticeIntro1),
    Screen(ResPracticeIntro1 + 1),
    Screen(ResPracticeIntro1 + 2),
    Screen(ResPracticeIntro1 + 3),
    Screen(ResLevelComplete1),
    Screen(ResLevelComplete1 + 1),
    Screen(ResLevelComplete1 + 2),
    Screen(ResLevelComplete1 + 3),
    Screen(ResLevelComplete1 + 4),
    Screen(ResLevelComplete1 + 5),
    Screen(ResLevelComplete1 + 6),
    Screen(ResLevelComplete1 + 7),
    Screen(ResLevelComplete1 + 8),
    Screen(ResLevelComplete1 + 9),
    Screen(ResLevelComplete1 + 10),
    Screen(ResLevelComplete1 + 11),
    Screen(ResLevelComplete1 + 12),
    Screen(ResLevelComplete1 + 13),
    Screen(ResLevelComplete1 + 14),
    Screen(ResLevelComplete1 + 15),
    // Pieces placed over them: the menus' highlighted entries and banner, the control panel,
    // the map's bar, the game-completed sequence.
    {ResMainMenuHighlight, Kind::Jpeg, 151, 172},
    {ResMainMenuBanner, Kind::Jpeg, 82, 25},
    {ResStatusHighlight, Kind::Jpeg, 168, 161},
    {ResPracticeHighlight, Kind::Jpeg, 170, 192},
    {ResPanel, Kind::Jpeg, 240, 80},
    {ResMapBar, Kind::Jpeg, 232, 25},
    {ResGameCompleteBack, Kind::Jpeg, 240, 800},
    {ResGameCompletePic2, Kind::Jpeg, 162, 87},
    {ResGameCompletePic3, Kind::Jpeg, 218, 292},
    {ResLevelFile, Kind::Levels, 0, 0},
};

bool isNeeded(ResourceId id) {
    for (const Need& n : Needs)
        if (n.id == id) return true;
    return false;
}

TEST(CatalogueResources, SortedClosedAndHoldingItsSourceFilesBytes) {
    size_t n = 0;
    for (; embeddedFiles[n].data != nullptr; ++n) {
        const EmbeddedFile& f = embeddedFiles[n];
        ASSERT_NE(nullptr, f.name);
        if (n > 0) {
            EXPECT_LT(std::strcmp(embeddedFiles[n - 1].name, f.name), 0) << f.name;
        }
        const std::vector<uint8_t> want = sourceBytes(f.name);
        ASSERT_EQ(want.size(), f.size) << f.name;
        EXPECT_EQ(0, std::memcmp(want.data(), f.data, f.size)) << f.name;
    }
    EXPECT_EQ(0u, embeddedFiles[n].size);
    EXPECT_EQ(nullptr, embeddedFiles[n].name);
    EXPECT_GE(n, std::size(Needs));
}

// One number: it reaches the start of a catalogue file that no number before it reached,
// and the file is what its reader takes. reachedBy collects the files and their numbers.
void checkNeed(const Need& n, std::map<std::string, ResourceId>* reachedBy) {
    uint32_t size = 0;
    const uint8_t* data = findResource(n.id, &size);
    ASSERT_NE(nullptr, data) << "no file";
    const EmbeddedFile* file = recordOf(data);
    ASSERT_NE(nullptr, file) << "not the start of a catalogue file";
    SCOPED_TRACE(file->name);
    auto [at, first] = reachedBy->emplace(file->name, n.id);
    EXPECT_TRUE(first) << "also reached by " << at->second;
    if (n.id != ResGameCompletePic1) {  // its reader passes no size slot
        EXPECT_EQ(size, file->size);
    }
    switch (n.kind) {
    case Kind::Raw: EXPECT_EQ(file->size, static_cast<uint32_t>(n.width * n.height * 2)); break;
    case Kind::Jpeg: {
        Image picture;
        ASSERT_EQ(0, decodeJpegBytes(&picture, data, size)) << "not a picture the decoder takes";
        EXPECT_EQ(picture.width, n.width);
        EXPECT_EQ(picture.height, n.height);
        freeImage(&picture);
        break;
    }
    case Kind::Levels: {
        completeCipherKey();
        ASSERT_EQ(0, openLevelData());
        // Four practice levels, then at least two of the game's, each with its header.
        EXPECT_GE(game.lastLevel, 1);
        uint8_t header[32];
        EXPECT_EQ(0, readLevelHeader(header, game.lastLevel + 4));
        closeLevelData();
        break;
    }
    }
}

// A misspelt name in the lookup finds nothing (and only at run time); a number pointed at
// its neighbour's file shows a wrong picture. Each number must reach a file of this build
// that its reader takes, each file at most one number; every picture of the catalogue is
// reached (the samples are read by name, by the browser's sound).
TEST(CatalogueResources, EveryNumberReachesItsOwnFileOfTheKindItsReaderTakes) {
    std::map<std::string, ResourceId> reachedBy;
    for (const Need& n : Needs) {
        SCOPED_TRACE("resource " + std::to_string(n.id));
        checkNeed(n, &reachedBy);
    }
    for (const EmbeddedFile* f = embeddedFiles; f->data != nullptr; ++f) {
        if (std::strncmp(f->name, "samp_", 5) == 0) continue;
        EXPECT_TRUE(reachedBy.count(f->name)) << f->name << " is reached by no number";
    }
}

TEST(CatalogueResources, NumbersOutsideTheTableFindNothingAndLeaveTheSlot) {
    for (ResourceId id = 0; id < 4096; ++id) {
        if (isNeeded(id)) continue;
        uint32_t size = 77;
        EXPECT_EQ(nullptr, findResource(id, &size)) << id;
        EXPECT_EQ(77u, size) << id;
    }
    uint32_t size = 77;
    EXPECT_EQ(nullptr, findResource(0xFFFFFFFFu, &size));
    EXPECT_EQ(77u, size);
}

TEST(CatalogueResources, RawPictureWritesNoSize) {
    uint32_t size = 0x12345678;
    const uint8_t* data = findResource(ResGameCompletePic1, &size);
    EXPECT_EQ(0x12345678u, size);
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(data, findEmbeddedFile("gcTav1.565").data);
    // Its caller passes no slot at all.
    EXPECT_EQ(data, findResource(ResGameCompletePic1, nullptr));
}

TEST(CatalogueResources, ByNameCacheAndEmptyArray) {
    const EmbeddedArray& a = findEmbeddedFile("t1.tvm");
    const EmbeddedArray& b = findEmbeddedFile("t1.tvm");
    EXPECT_EQ(&a, &b);
    ASSERT_NE(nullptr, a.data);
    uint32_t size = 0;
    EXPECT_EQ(findResource(ResLevelFile, &size), a.data);
    EXPECT_EQ(size, a.size);
    const EmbeddedArray& upper = findEmbeddedFile("T1.TVM");
    const EmbeddedArray& missing = findEmbeddedFile("nothing.jpg");
    EXPECT_EQ(0u, upper.size);
    EXPECT_EQ(&upper, &missing);  // one shared empty array
    EXPECT_EQ(0u, findEmbeddedFile("").size);
    EXPECT_EQ(0u, findEmbeddedFile(nullptr).size);
    // A name found earlier is still the same object after misses.
    EXPECT_EQ(&a, &findEmbeddedFile("t1.tvm"));
}

}  // namespace
