#include "gfx/graphics.h"
const uint8_t* jpegData;
uint32_t jpegSize;
uint32_t backdropId;
#include "gfx/graphics.h"
int32_t decodeJpeg(Image* dst, ResourceId id) { return 0; }
int32_t loadBackdrop(ResourceId id) { return 0; }
void freeImage(Image* img) {  }
