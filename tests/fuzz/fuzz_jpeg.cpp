// Feeds arbitrary bytes to the JPEG decoder: it must never read or write out of bounds nor end
// the process; a failed decode leaves an all-zero picture record.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    // Both layouts the display can ask for.
    for (int32_t stepX : {2, 640}) {
        BackBuffer.stepX = stepX;
        Image img;
        int32_t result = decodeJpegBytes(&img, data, static_cast<uint32_t>(size));
        if (result == 0) {
            if (img.pixels == nullptr || img.width <= 0 || img.height <= 0) abort();
            // Touch every pixel so the sanitizer sees the whole block is ours.
            uint32_t sum = 0;
            for (size_t i = 0; i < static_cast<size_t>(img.width) * img.height * 2; ++i) sum += img.pixels[i];
            asm volatile("" : : "r"(sum));
            freeImage(&img);
        } else {
            const Image zero{};
            if (std::memcmp(&img, &zero, sizeof img) != 0) abort();
        }
        if (jpegData != nullptr || jpegSize != 0) abort();
    }
    BackBuffer.stepX = 0;
    return 0;
}
