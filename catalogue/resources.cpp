// The store of assets compiled into the executable: the generated catalogue, the lookup by
// number the game uses, and the lookup by file name.
#include "catalogue/resources.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "catalogue.h"  // generated at build time from the asset files

const EmbeddedFile embeddedFiles[] = {TAVRIN_CATALOGUE_RECORDS{0, nullptr, nullptr}};

namespace {

constexpr std::string_view catalogueNames[] = {TAVRIN_CATALOGUE_NAMES ""};

// Resolved while compiling, so a lookup by number never searches. -1: the file is not in
// this build (its content has not been made yet); the lookup then fails like an unknown id.
consteval int slot(std::string_view name) {
    for (int i = 0; i < TAVRIN_CATALOGUE_COUNT; ++i) {
        if (catalogueNames[i] == name) return i;
    }
    return -1;
}

template <int Slot>
const uint8_t* entry(uint32_t* size) {
    if constexpr (Slot < 0) {
        (void)size;
        return nullptr;
    } else {
        *size = embeddedFiles[Slot].size;
        return embeddedFiles[Slot].data;
    }
}

// clang-format off: one resource a line
#define TAVRIN_RESOURCE(id, name) \
    case id: return entry<slot(name)>(size)

}  // namespace

const uint8_t* findResource(ResourceId id, uint32_t* size) {
    switch (id) {
        TAVRIN_RESOURCE(ResFontSheet, "harvest.565");
        TAVRIN_RESOURCE(ResTileSheet, "TavTile.565");
        TAVRIN_RESOURCE(ResMapTileSheet, "maptile.565");
        TAVRIN_RESOURCE(ResMainMenu, "mainmenu.jpg");
        TAVRIN_RESOURCE(ResMainMenuHighlight, "mainmenuH.jpg");
        TAVRIN_RESOURCE(ResMainMenuBanner, "mainmenuB.jpg");
        TAVRIN_RESOURCE(ResStatus, "status.jpg");
        TAVRIN_RESOURCE(ResStatusHighlight, "statusH.jpg");
        TAVRIN_RESOURCE(ResPanel, "panel.jpg");
        TAVRIN_RESOURCE(ResMapBar, "mapback.jpg");
        TAVRIN_RESOURCE(ResLevelSelect, "select.jpg");
        TAVRIN_RESOURCE(ResPractice, "prac.jpg");
        TAVRIN_RESOURCE(ResPracticeHighlight, "pracH.jpg");
        TAVRIN_RESOURCE(ResSplash, "splash.jpg");
        TAVRIN_RESOURCE(ResDied, "died.jpg");
        TAVRIN_RESOURCE(ResGameOver, "gameover.jpg");
        TAVRIN_RESOURCE(ResAbout, "about.jpg");
        TAVRIN_RESOURCE(ResGameCompleteBack, "gcBack.jpg");
    // The raw picture's dimensions are fixed by its reader, which passes no size slot.
    case ResGameCompletePic1: {
        constexpr int s = slot("gcTav1.565");
        if constexpr (s < 0) {
            return nullptr;
        } else {
            return embeddedFiles[s].data;
        }
    }
        TAVRIN_RESOURCE(ResGameCompletePic2, "gcTav2.jpg");
        TAVRIN_RESOURCE(ResGameCompletePic3, "gcTav3.jpg");
        TAVRIN_RESOURCE(ResPracticeIntro1, "prescreen_1.jpg");
        TAVRIN_RESOURCE(ResPracticeIntro1 + 1, "prescreen_2.jpg");
        TAVRIN_RESOURCE(ResPracticeIntro1 + 2, "prescreen_3.jpg");
        TAVRIN_RESOURCE(ResPracticeIntro1 + 3, "prescreen_4.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1, "lc1.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 1, "lc2.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 2, "lc3.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 3, "lc4.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 4, "lc5.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 5, "lc6.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 6, "lc7.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 7, "lc8.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 8, "lc9.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 9, "lc10.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 10, "lc11.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 11, "lc12.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 12, "lc13.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 13, "lc14.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 14, "lc15.jpg");
        TAVRIN_RESOURCE(ResLevelComplete1 + 15, "lc16.jpg");
        TAVRIN_RESOURCE(ResLevelFile, "t1.tvm");
    default: return nullptr;
    }
}
// clang-format on

const EmbeddedArray& findEmbeddedFile(const char* name) {
    // Node-based: an array handed out keeps its address for the rest of the run.
    static std::unordered_map<std::string, EmbeddedArray> cache(17);
    static const EmbeddedArray empty{nullptr, 0};
    if (name == nullptr) return empty;
    auto found = cache.find(name);
    if (found != cache.end()) return found->second;
    for (const EmbeddedFile* f = embeddedFiles; f->data != nullptr; ++f) {
        if (std::strcmp(f->name, name) == 0) {
            return cache.emplace(name, EmbeddedArray{f->data, f->size}).first->second;
        }
    }
    return empty;  // misses are not cached
}
