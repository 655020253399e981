#include "screens/screens.h"
void blitOpaque(Image* dst, int32_t x, int32_t y, const Image* src) {  }
void blitKeyed(Image* dst, int32_t x, int32_t y, const Image* src, uint32_t rule) {  }
void blitGlyph(Image* dst, int32_t x, int32_t y, const Image* glyph, uint32_t colour) {  }
void drawTile(int32_t x, int32_t y, uint32_t tile, uint32_t overlay) {  }
void cropImage(Image* img, int32_t x, int32_t y, int32_t w, int32_t h) {  }
void darkenRect(Image* img, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level) {  }
void touchZone(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h) {  }
void touchAnywhere() {  }
void applyFade() {  }
void drawPictureScreen() {  }
void copyBackdrop() {  }
