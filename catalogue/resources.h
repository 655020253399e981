// Assets compiled into the executable, found by number or by file name.
#pragma once
#include <cstdint>
#include <string_view>

using ResourceId = uint32_t;

// Every embedded file the game asks for by number, with the file it names. The numbers are
// the game's own: gaps are ids nobody uses, and a lookup of one finds nothing.
enum : ResourceId {
    ResFontSheet = 102,          // harvest.565, the glyphs of the text font
    ResTileSheet = 103,          // TavTile.565, the 32x32 tiles of the play view
    ResMapTileSheet = 104,       // maptile.565, the 8x8 tiles of the map view
    ResMainMenu = 120,           // mainmenu.jpg
    ResMainMenuHighlight = 121,  // mainmenuH.jpg
    ResMainMenuBanner = 122,     // mainmenuB.jpg
    ResStatus = 123,             // status.jpg, the pause menu
    ResStatusHighlight = 124,    // statusH.jpg
    ResPanel = 127,              // panel.jpg, the control panel under the play view
    ResMapBar = 128,             // mapback.jpg
    ResLevelSelect = 129,        // select.jpg
    ResPractice = 130,           // prac.jpg
    ResPracticeHighlight = 131,  // pracH.jpg
    ResSplash = 132,             // splash.jpg
    ResDied = 133,               // died.jpg
    ResGameOver = 134,           // gameover.jpg, also after a new best score
    ResAbout = 135,              // about.jpg
    ResGameCompleteBack = 136,   // gcBack.jpg
    ResGameCompletePic1 = 137,   // gcTav1.565: raw, 150x155, used in place; no size given
    ResGameCompletePic2 = 138,   // gcTav2.jpg
    ResGameCompletePic3 = 139,   // gcTav3.jpg
    ResPracticeIntro1 = 151,     // prescreen_1.jpg .. prescreen_4.jpg: 151..154, level -4..-1
    ResLevelComplete1 = 201,     // lc1.jpg .. lc16.jpg: 201..216, level AND 15
    ResLevelFile = 300,          // t1.tvm, every level, enciphered
};

struct EmbeddedFile {
    uint32_t size;
    const uint8_t* data;
    const char* name;
};

// Sorted by name in byte order, closed by an all-zero record (generated at build time).
extern const EmbeddedFile embeddedFiles[];

// The bytes of file id, and its size in *size; nullptr (and *size untouched) for an id that
// names no file of this build. ResGameCompletePic1 never writes *size (its reader knows it).
const uint8_t* findResource(ResourceId id, uint32_t* size);

// A read-only view of embedded bytes; the same object is returned for the same name, and one
// shared empty array for every name that is not embedded (or a null name).
struct EmbeddedArray {
    const uint8_t* data;
    uint32_t size;
};
const EmbeddedArray& findEmbeddedFile(const char* name);
