#include "gfx/graphics.h"
Image BackBuffer;
Image Backdrop;
Image Panel;
Image DisplayInfo;
#include "gfx/graphics.h"
int32_t initDisplay() { return 0; }
int32_t refreshScreen() { return 0; }
int32_t presentFrame() { return 0; }
int32_t releaseDisplay() { return 0; }
void placeOrigin(Image* img) {  }
void copyToFramebuffer(uint8_t* dest, int32_t step, int32_t rowBytes) {  }
