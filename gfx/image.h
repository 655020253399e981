// The one picture record of the program: RGB565, low byte first, any layout.
#pragma once
#include <cstdint>

struct Image {
    uint8_t* pixels;  // null: no picture
    uint32_t origin;  // byte offset from pixels to pixel (0, 0)
    int32_t width;
    int32_t height;
    int32_t stepX;  // bytes from a pixel to its right-hand neighbour
    int32_t stepY;  // bytes from a pixel to the one below
};
