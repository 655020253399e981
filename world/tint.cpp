// Recolouring of tile pixels; kept apart from the sheets so the level compiler can draw
// its previews with the very same colours as the game.
#include "world/world.h"

void tintTile(uint8_t* pixels, int32_t count, uint32_t colour) {
    const uint32_t cr = colour >> 16;
    const uint32_t cg = (colour >> 8) & 0xFF;
    const uint32_t cb = colour & 0xFF;
    for (int32_t at = 0; at + 1 < count; at += 2) {
        uint32_t p = pixels[at] | (uint32_t(pixels[at + 1]) << 8);  // low byte first
        if ((p & 0x001F) == 0 || (p & 0x8400) != 0) continue;
        uint32_t i = (p & 0x001F) * 8;
        uint32_t r = ((p & 0xF800) >> 8) + ((cr * i) >> 8);
        if (r > 255) r = 255;
        uint32_t g = ((p & 0x07E0) >> 3) + ((cg * i) >> 8);
        if (g > 255) g = 255;
        uint32_t b = (cb * i) >> 8;
        p = ((r << 8) & 0xF800) | ((g << 3) & 0x07E0) | ((b >> 3) & 0x001F);
        pixels[at] = static_cast<uint8_t>(p);
        pixels[at + 1] = static_cast<uint8_t>(p >> 8);
    }
}
