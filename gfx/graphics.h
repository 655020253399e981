// Picture decoding, the back buffer and display output, and the bitmap font.
#pragma once
#include <cstdint>
#include "gfx/image.h"
#include "gfx/resources.h"

// Decoding.
extern const uint8_t* jpegData;
extern uint32_t jpegSize;
extern uint32_t backdropId;
int32_t decodeJpeg(Image* dst, ResourceId id);
int32_t loadBackdrop(ResourceId id);
// decodeJpeg on bytes given by the caller instead of an embedded file (same decoder; tests
// and the fuzz target feed it arbitrary data).
int32_t decodeJpegBytes(Image* dst, const uint8_t* data, uint32_t size);
// Frees a picture this program allocated and clears the record.
void freeImage(Image* img);

// Display.
extern Image BackBuffer;
extern Image Backdrop;
extern Image Panel;
extern Image DisplayInfo;
int32_t initDisplay();
int32_t refreshScreen();
int32_t presentFrame();
int32_t releaseDisplay();
void placeOrigin(Image* img);
void copyToFramebuffer(uint8_t* dest, int32_t step, int32_t rowBytes);
// The display set-up without a painter, for tests and the benchmark: allocates the BackBuffer
// and Backdrop laid out for the orientation (0, 2 or 3) and describes a framebuffer of the
// given line step. Returns 0, or 1 when memory ran out. Undone by releaseDisplay.
int32_t layoutDisplay(int32_t orientation, int32_t lineStep);
// Bytes per framebuffer row that presentFrame copies for the current layout.
int32_t displayRowBytes();

// Font.
struct FontRecord {
    Image sheet;
    int32_t glyphHeight;
    int32_t glyphRight[96];
};
extern FontRecord Font;
enum Align { AlignLeft = 0, AlignCentre = 1, AlignRight = 2 };
int32_t FontInit();
void releaseFont();
void glyphImage(Image* out, const FontRecord* f, uint32_t code);
int32_t glyphAdvance(const FontRecord* f, uint32_t code);
int32_t textWidth(const FontRecord* f, const char* s);
int32_t drawText(Image* target, const FontRecord* f, int32_t x, int32_t y, const char* s, uint32_t colour,
                 uint32_t alignment);
// drawText glyph by glyph, never from the kept lines: the reference the kept lines match.
int32_t drawTextDirect(Image* target, const FontRecord* f, int32_t x, int32_t y, const char* s, uint32_t colour,
                       uint32_t alignment);
