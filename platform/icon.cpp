// The window icon, embedded: the 64-pixel PNG that the asset generator draws and the install
// step puts with the desktop's other icons. The build names the file; without one the window
// simply has no icon.
#include <cstddef>

#ifdef TAVRIN_ICON_PNG
asm(".section .rodata\n"
    ".global tavrinIconPngStart\n"
    "tavrinIconPngStart:\n"
    ".incbin \"" TAVRIN_ICON_PNG
    "\"\n"
    ".global tavrinIconPngEnd\n"
    "tavrinIconPngEnd:\n"
    ".previous\n");
extern "C" const unsigned char tavrinIconPngStart[], tavrinIconPngEnd[];
const unsigned char* tavrinIconPng() { return tavrinIconPngStart; }
size_t tavrinIconPngSize() { return size_t(tavrinIconPngEnd - tavrinIconPngStart); }
#else
const unsigned char* tavrinIconPng() { return nullptr; }
size_t tavrinIconPngSize() { return 0; }
#endif
