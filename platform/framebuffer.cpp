// The emulated framebuffer's geometry for each transform orientation, turning it back
// upright, and PNG screenshots of it.
#include <png.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include "platform/layer.h"

FramebufferGeometry framebufferGeometry(int orientation) {
    if (orientation == 3) return {ScreenHeight, ScreenWidth, ScreenHeight * 2};
    return {ScreenWidth, ScreenHeight, ScreenWidth * 2};
}

size_t framebufferOffset(int orientation, int x, int y) {
    switch (orientation) {
    case 2: return size_t(ScreenHeight - 1 - y) * (ScreenWidth * 2) + size_t(x) * 2;
    case 3: return size_t(x) * (ScreenHeight * 2) + size_t(ScreenHeight - 1 - y) * 2;
    default: return size_t(y) * (ScreenWidth * 2) + size_t(x) * 2;
    }
}

void framebufferUpright(const uint8_t* fb, int orientation, uint16_t* out) {
    if (orientation == 0) {
        for (int i = 0; i < ScreenWidth * ScreenHeight; i++) out[i] = uint16_t(fb[2 * i] | fb[2 * i + 1] << 8);
        return;
    }
    for (int y = 0; y < ScreenHeight; y++)
        for (int x = 0; x < ScreenWidth; x++) {
            const uint8_t* p = fb + framebufferOffset(orientation, x, y);
            out[y * ScreenWidth + x] = uint16_t(p[0] | p[1] << 8);
        }
}

namespace {
struct PngFailure {
    std::string* error;
};
void pngError(png_structp png, png_const_charp msg) {
    auto* f = static_cast<PngFailure*>(png_get_error_ptr(png));
    *f->error = msg;
    png_longjmp(png, 1);
}
void pngWarning(png_structp, png_const_charp) {}
}  // namespace

// Kept apart from the FILE handling so that nothing with a destructor lives across setjmp.
static bool encodePng(FILE* f, const uint8_t* rgb, std::string& error) {
    PngFailure failure{&error};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, pngError, pngWarning);
    if (!png) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (error.empty()) error = "out of memory";
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, ScreenWidth, ScreenHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Screenshots are for tests and reviews, written often: fast compression, no filtering.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    for (int y = 0; y < ScreenHeight; y++) png_write_row(png, const_cast<png_bytep>(rgb + y * ScreenWidth * 3));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

int writeScreenPng(const uint8_t* fb, int orientation, const char* path, std::string& error) {
    std::vector<uint16_t> upright(ScreenWidth * ScreenHeight);
    framebufferUpright(fb, orientation, upright.data());
    // RGB565 widened to 8 bits per channel, with the top bits repeated into the low ones so
    // that white stays 255.
    std::vector<uint8_t> rgb(upright.size() * 3);
    for (size_t i = 0; i < upright.size(); i++) {
        uint16_t v = upright[i];
        uint8_t r = uint8_t(v >> 11), g = uint8_t((v >> 5) & 63), b = uint8_t(v & 31);
        rgb[3 * i] = uint8_t(r << 3 | r >> 2);
        rgb[3 * i + 1] = uint8_t(g << 2 | g >> 4);
        rgb[3 * i + 2] = uint8_t(b << 3 | b >> 2);
    }
    std::string tmp = std::string(path) + ".tmp" + std::to_string(getpid());
    FILE* f = fopen(tmp.c_str(), "wb");
    if (!f) {
        error = strerror(errno);
        return 1;
    }
    error.clear();
    bool ok = encodePng(f, rgb.data(), error);
    if (ok && fflush(f) != 0) {
        error = strerror(errno);
        ok = false;
    }
    if (fclose(f) != 0 && ok) {
        error = strerror(errno);
        ok = false;
    }
    if (ok && rename(tmp.c_str(), path) != 0) {
        error = strerror(errno);
        ok = false;
    }
    if (!ok) {
        unlink(tmp.c_str());
        return 1;
    }
    return 0;
}
