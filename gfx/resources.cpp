// The store of assets compiled into the executable: the generated catalogue, the lookup by
// number the game uses, and the lookup by file name.
#include "gfx/resources.h"

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

#define TAVRIN_RESOURCE(id, name) \
    case id:                      \
        return entry<slot(name)>(size)

}  // namespace

const uint8_t* findResource(ResourceId id, uint32_t* size) {
    switch (id) {
        TAVRIN_RESOURCE(102, "harvest.565");
        TAVRIN_RESOURCE(103, "TavTile.565");
        TAVRIN_RESOURCE(104, "maptile.565");
        TAVRIN_RESOURCE(120, "mainmenu.jpg");
        TAVRIN_RESOURCE(121, "mainmenuH.jpg");
        TAVRIN_RESOURCE(122, "mainmenuB.jpg");
        TAVRIN_RESOURCE(123, "status.jpg");
        TAVRIN_RESOURCE(124, "statusH.jpg");
        TAVRIN_RESOURCE(127, "panel.jpg");
        TAVRIN_RESOURCE(128, "mapback.jpg");
        TAVRIN_RESOURCE(129, "select.jpg");
        TAVRIN_RESOURCE(130, "prac.jpg");
        TAVRIN_RESOURCE(131, "pracH.jpg");
        TAVRIN_RESOURCE(132, "splash.jpg");
        TAVRIN_RESOURCE(133, "died.jpg");
        TAVRIN_RESOURCE(134, "gameover.jpg");
        TAVRIN_RESOURCE(135, "about.jpg");
        TAVRIN_RESOURCE(136, "gcBack.jpg");
        // The raw picture's dimensions are fixed by its reader, which passes no size slot.
        case 137: {
            constexpr int s = slot("gcTav1.565");
            if constexpr (s < 0) {
                return nullptr;
            } else {
                return embeddedFiles[s].data;
            }
        }
        TAVRIN_RESOURCE(138, "gcTav2.jpg");
        TAVRIN_RESOURCE(139, "gcTav3.jpg");
        TAVRIN_RESOURCE(151, "prescreen_1.jpg");
        TAVRIN_RESOURCE(152, "prescreen_2.jpg");
        TAVRIN_RESOURCE(153, "prescreen_3.jpg");
        TAVRIN_RESOURCE(154, "prescreen_4.jpg");
        TAVRIN_RESOURCE(201, "lc1.jpg");
        TAVRIN_RESOURCE(202, "lc2.jpg");
        TAVRIN_RESOURCE(203, "lc3.jpg");
        TAVRIN_RESOURCE(204, "lc4.jpg");
        TAVRIN_RESOURCE(205, "lc5.jpg");
        TAVRIN_RESOURCE(206, "lc6.jpg");
        TAVRIN_RESOURCE(207, "lc7.jpg");
        TAVRIN_RESOURCE(208, "lc8.jpg");
        TAVRIN_RESOURCE(209, "lc9.jpg");
        TAVRIN_RESOURCE(210, "lc10.jpg");
        TAVRIN_RESOURCE(211, "lc11.jpg");
        TAVRIN_RESOURCE(212, "lc12.jpg");
        TAVRIN_RESOURCE(213, "lc13.jpg");
        TAVRIN_RESOURCE(214, "lc14.jpg");
        TAVRIN_RESOURCE(215, "lc15.jpg");
        TAVRIN_RESOURCE(216, "lc16.jpg");
        TAVRIN_RESOURCE(300, "t1.tvm");
        default:
            return nullptr;
    }
}

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
