// Decoding the embedded JPEG pictures straight from memory into RGB565 pictures laid out
// like the BackBuffer, and the full-screen backdrop of each mode.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

#include "gfx/blit.h"
#include "gfx/graphics.h"
#include "platform/toolkit.h"
#include "state/state.h"

const uint8_t* jpegData;
uint32_t jpegSize;
uint32_t backdropId;

namespace {

// The library asks for the version-62 interface by number; the structure's size is our own.
constexpr int JpegInterfaceVersion = 62;

// No picture of the game comes near this; a damaged header that claims a huge picture is
// refused before anything is allocated for it.
constexpr uint32_t MaxJpegSide = 4096;

// A truncated file is ended with this marker, so the library stops cleanly (with a warning,
// which makes the decode fail) instead of reading past the data.
const JOCTET EndOfImage[2] = {0xFF, JPEG_EOI};

void initSource(j_decompress_ptr cinfo) {
    cinfo->src->next_input_byte = jpegData;
    cinfo->src->bytes_in_buffer = jpegSize;
}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    // The whole file was handed over at the start: asking for more means it is truncated.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = EndOfImage;
    cinfo->src->bytes_in_buffer = sizeof EndOfImage;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    // Never skip beyond the data; the next read then finds the end of the file.
    size_t n = static_cast<size_t>(count);
    if (n > src->bytes_in_buffer) n = src->bytes_in_buffer;
    src->next_input_byte += n;
    src->bytes_in_buffer -= n;
}

void termSource(j_decompress_ptr) {}

jpeg_source_mgr MemorySource = {nullptr,   0, initSource, fillInputBuffer, skipInputData, jpeg_resync_to_restart,
                                termSource};

// The library's own error handler ends the process; ours gives up this one decode.
struct JpegErrors {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr cinfo) {
    cinfo->err->output_message(cinfo);
    longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

void jpegOutputMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    qDebug("jpeg: %s", text);
}

inline void storePixel(uint8_t* p, uint32_t r, uint32_t g, uint32_t b) {
    // Truncating RGB888 to RGB565: no rounding, no dithering.
    uint32_t v = ((r << 8) & 0xF800) | ((g << 3) & 0x07E0) | ((b >> 3) & 0x001F);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Decodes jpegData/jpegSize into dst. Everything that lives across setjmp is either plain
// data whose address the library holds, or volatile, so longjmp leaves nothing undefined.
int32_t decodeCurrent(Image* dst) {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    uint8_t* volatile row = nullptr;
    uint8_t* volatile pixels = nullptr;

    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = jpegErrorExit;
    errors.pub.output_message = jpegOutputMessage;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        std::free(row);
        std::free(pixels);
        *dst = Image{};
        jpegData = nullptr;
        jpegSize = 0;
        return 1;
    }
    jpeg_CreateDecompress(&cinfo, JpegInterfaceVersion, sizeof cinfo);
    cinfo.src = &MemorySource;
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width > MaxJpegSide || cinfo.image_height > MaxJpegSide) {
        longjmp(errors.jump, 1);
    }
    jpeg_start_decompress(&cinfo);
    // The conversion reads three bytes per pixel; anything else is not one of our pictures.
    if (cinfo.output_components != 3) longjmp(errors.jump, 1);

    const uint32_t width = cinfo.output_width;
    const uint32_t height = cinfo.output_height;
    row = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(width) * 3, 1));
    pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(width) * height * 2, 1));
    if (row == nullptr || pixels == nullptr) longjmp(errors.jump, 1);

    Image img{};
    img.pixels = pixels;
    img.width = static_cast<int32_t>(width);
    img.height = static_cast<int32_t>(height);
    if (BackBuffer.stepX >= -4 && BackBuffer.stepX <= 4) {
        img.stepX = 2;
        img.stepY = 2 * img.width;
    } else {
        img.stepX = 2 * img.height;
        img.stepY = 2;
    }

    for (uint32_t y = 0; y < height; ++y) {
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&cinfo, rows, 1);
        // A warning means damaged or truncated data: the picture is not what was stored.
        if (errors.pub.num_warnings != 0) longjmp(errors.jump, 1);
        const uint8_t* s = row;
        uint8_t* d = pixels + static_cast<size_t>(y) * static_cast<uint32_t>(img.stepY);
        for (uint32_t x = 0; x < width; ++x, s += 3, d += img.stepX) storePixel(d, s[0], s[1], s[2]);
    }
    std::free(row);
    row = nullptr;
    jpeg_finish_decompress(&cinfo);
    if (errors.pub.num_warnings != 0) longjmp(errors.jump, 1);
    jpeg_destroy_decompress(&cinfo);
    jpegData = nullptr;
    jpegSize = 0;
    *dst = img;
    return 0;
}

}  // namespace

int32_t decodeJpeg(Image* dst, ResourceId id) {
    *dst = Image{};
    jpegData = findResource(id, &jpegSize);
    if (jpegData == nullptr) {
        jpegSize = 0;
        return 1;
    }
    return decodeCurrent(dst);
}

int32_t decodeJpegBytes(Image* dst, const uint8_t* data, uint32_t size) {
    *dst = Image{};
    if (data == nullptr) return 1;
    jpegData = data;
    jpegSize = size;
    return decodeCurrent(dst);
}

int32_t loadBackdrop(ResourceId id) {
    if (id == backdropId) return 0;
    Image picture;
    decodeJpeg(&picture, id);
    if (picture.pixels == nullptr) return 1;
    blitOpaque(&Backdrop, 0, 0, &picture);
    backdropId = id;
    freeImage(&picture);
    // Decoding takes a while; the loop must not run catch-up ticks for it.
    nextTickTime = nowMs();
    return 0;
}

void freeImage(Image* img) {
    std::free(img->pixels);
    *img = Image{};
}
