#include "gfx/graphics.h"
FontRecord Font;
#include "gfx/graphics.h"
int32_t FontInit() { return 0; }
void releaseFont() {  }
void glyphImage(Image* out, const FontRecord* f, uint32_t code) {  }
int32_t glyphAdvance(const FontRecord* f, uint32_t code) { return 0; }
int32_t textWidth(const FontRecord* f, const char* s) { return 0; }
int32_t drawText(Image* target, const FontRecord* f, int32_t x, int32_t y, const char* s, uint32_t colour, uint32_t alignment) { return 0; }
