// The embedded store against the asset files it was built from: order, contents, the
// lookup by number with its size rule, and the by-name cache.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "catalogue/resources.h"

#ifndef TAVRIN_GFX_LEVEL_FILE
#define TAVRIN_GFX_LEVEL_FILE ""
#endif

namespace {

struct Known {
    ResourceId id;
    const char* name;
};
const Known Table[] = {
    {ResFontSheet, "harvest.565"},
    {ResTileSheet, "TavTile.565"},
    {ResMapTileSheet, "maptile.565"},
    {ResMainMenu, "mainmenu.jpg"},
    {ResMainMenuHighlight, "mainmenuH.jpg"},
    {ResMainMenuBanner, "mainmenuB.jpg"},
    {ResStatus, "status.jpg"},
    {ResStatusHighlight, "statusH.jpg"},
    {ResPanel, "panel.jpg"},
    {ResMapBar, "mapback.jpg"},
    {ResLevelSelect, "select.jpg"},
    {ResPractice, "prac.jpg"},
    {ResPracticeHighlight, "pracH.jpg"},
    {ResSplash, "splash.jpg"},
    {ResDied, "died.jpg"},
    {ResGameOver, "gameover.jpg"},
    {ResAbout, "about.jpg"},
    {ResGameCompleteBack, "gcBack.jpg"},
    {ResGameCompletePic2, "gcTav2.jpg"},
    {ResGameCompletePic3, "gcTav3.jpg"},
    {ResPracticeIntro1, "prescreen_1.jpg"},
    {ResPracticeIntro1 + 1, "prescreen_2.jpg"},
    {ResPracticeIntro1 + 2, "prescreen_3.jpg"},
    {ResPracticeIntro1 + 3, "prescreen_4.jpg"},
    {ResLevelComplete1, "lc1.jpg"},
    {ResLevelComplete1 + 1, "lc2.jpg"},
    {ResLevelComplete1 + 2, "lc3.jpg"},
    {ResLevelComplete1 + 3, "lc4.jpg"},
    {ResLevelComplete1 + 4, "lc5.jpg"},
    {ResLevelComplete1 + 5, "lc6.jpg"},
    {ResLevelComplete1 + 6, "lc7.jpg"},
    {ResLevelComplete1 + 7, "lc8.jpg"},
    {ResLevelComplete1 + 8, "lc9.jpg"},
    {ResLevelComplete1 + 9, "lc10.jpg"},
    {ResLevelComplete1 + 10, "lc11.jpg"},
    {ResLevelComplete1 + 11, "lc12.jpg"},
    {ResLevelComplete1 + 12, "lc13.jpg"},
    {ResLevelComplete1 + 13, "lc14.jpg"},
    {ResLevelComplete1 + 14, "lc15.jpg"},
    {ResLevelComplete1 + 15, "lc16.jpg"},
    {ResLevelFile, "t1.tvm"},
};

// The file the catalogue was made from, or false when the build has none.
bool sourceBytes(const std::string& name, std::vector<uint8_t>* out) {
    std::string path = std::string(TAVRIN_SOURCE_DIR) + "/assets/catalogue/" + name;
    if (name == "t1.tvm" && std::string(TAVRIN_GFX_LEVEL_FILE).size() > 0) path = TAVRIN_GFX_LEVEL_FILE;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return true;
}

TEST(CatalogueResources, CatalogueSortedAndClosed) {
    size_t n = 0;
    while (embeddedFiles[n].data != nullptr) {
        ASSERT_NE(nullptr, embeddedFiles[n].name);
        if (n > 0) {
            EXPECT_LT(std::strcmp(embeddedFiles[n - 1].name, embeddedFiles[n].name), 0) << embeddedFiles[n].name;
        }
        ++n;
    }
    EXPECT_EQ(0u, embeddedFiles[n].size);
    EXPECT_EQ(nullptr, embeddedFiles[n].name);
    // The level file is always built, so the catalogue is never empty.
    EXPECT_GE(n, 1u);
}

TEST(CatalogueResources, NumbersMapToTheirFiles) {
    for (const Known& k : Table) {
        std::vector<uint8_t> want;
        uint32_t size = 0xDEADBEEF;
        const uint8_t* data = findResource(k.id, &size);
        if (!sourceBytes(k.name, &want)) {
            EXPECT_EQ(nullptr, data) << k.name;
            EXPECT_EQ(0xDEADBEEFu, size) << k.name;
            continue;
        }
        ASSERT_NE(nullptr, data) << k.name;
        ASSERT_EQ(want.size(), size) << k.name;
        EXPECT_EQ(0, std::memcmp(want.data(), data, size)) << k.name;
        const EmbeddedArray& byName = findEmbeddedFile(k.name);
        EXPECT_EQ(data, byName.data) << k.name;
        EXPECT_EQ(size, byName.size) << k.name;
    }
}

TEST(CatalogueResources, RawPictureWritesNoSize) {
    std::vector<uint8_t> want;
    uint32_t size = 0x12345678;
    const uint8_t* data = findResource(ResGameCompletePic1, &size);
    EXPECT_EQ(0x12345678u, size);
    if (sourceBytes("gcTav1.565", &want)) {
        ASSERT_NE(nullptr, data);
        EXPECT_EQ(0, std::memcmp(want.data(), data, want.size()));
    } else {
        EXPECT_EQ(nullptr, data);
    }
    // Its caller passes no slot at all.
    EXPECT_EQ(data, findResource(ResGameCompletePic1, nullptr));
}

TEST(CatalogueResources, UnknownNumbersLeaveTheSlot) {
    for (ResourceId id : {0u, 101u, 105u, 119u, 125u, 126u, 140u, 150u, 155u, 200u, 217u, 299u, 301u, 0xFFFFFFFFu}) {
        uint32_t size = 77;
        EXPECT_EQ(nullptr, findResource(id, &size)) << id;
        EXPECT_EQ(77u, size) << id;
    }
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
    // A name found earlier is still the same object after misses.
    EXPECT_EQ(&a, &findEmbeddedFile("t1.tvm"));
}

}  // namespace
