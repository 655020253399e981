// Picture decoding, the back buffer and display output, and the bitmap font.
#pragma once
#include <cstdint>
#include "catalogue/resources.h"
#include "gfx/blit.h"
#include "gfx/image.h"

// Decoding.
extern const uint8_t* jpegData;
extern uint32_t jpegSize;
extern uint32_t backdropId;
// Decodes embedded picture id into a new RGB565 picture laid out like the BackBuffer.
// Returns 1 (dst left empty) when the file is missing or not a picture this decoder takes.
int32_t decodeJpeg(Image* dst, ResourceId id);
// Decodes picture id into the Backdrop, unless it is there already (backdropId), and holds
// the tick clock back for the time it took. Returns 1 (Backdrop unchanged) when it failed.
int32_t loadBackdrop(ResourceId id);
// decodeJpeg on bytes given by the caller instead of an embedded file (same decoder; tests
// and the fuzz target feed it arbitrary data).
int32_t decodeJpegBytes(Image* dst, const uint8_t* data, uint32_t size);
// Frees a picture this program allocated and clears the record.
void freeImage(Image* img);
// A zeroed screenful (153600 bytes) on a cache-line boundary, or null when memory ran out;
// released with free(). Whole-frame copies between such buffers split no load or store.
uint8_t* allocateScreen();

// Display.
extern Image BackBuffer;
extern Image Backdrop;
extern Image Panel;
extern Image DisplayInfo;
// Reads the display's size, line step, depth and turn from a painter on the main window
// (and prints them), allocates BackBuffer and Backdrop in that layout, decodes the panel and
// loads the font. Returns 1 when the buffers cannot be allocated.
int32_t initDisplay();
// Copies the BackBuffer to the display through a painter, only while the main window is
// active and visible (else logs and skips). Returns 1 when the painter has no framebuffer.
int32_t presentFrame();
// Frees the font, panel, Backdrop and BackBuffer and forgets the display. Returns 0.
int32_t releaseDisplay();
// Sets img->origin to the byte of pixel (0, 0) from the picture's steps (negative steps
// start at the far end).
void placeOrigin(Image* img);
// Copies the BackBuffer's 153600 bytes to dest in lines of rowBytes, step bytes apart.
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
// Points Font at the embedded glyph sheet and measures its glyphs. Returns 1 when the
// sheet is missing (text is then invisible).
int32_t FontInit();
void releaseFont();
// In all three, a null font means Font; codes 128..255 fold onto 0..127.
// The glyph of code as a view into the sheet (no pixels are copied).
void glyphImage(Image* out, const FontRecord* f, uint32_t code);
// How far the pen moves for code, in pixels.
int32_t glyphAdvance(const FontRecord* f, uint32_t code);
int32_t textWidth(const FontRecord* f, const char* s);
// Draws s in colour at (x, y) into target (null: the BackBuffer), x being its left edge,
// centre or right edge by alignment. Returns 0.
int32_t drawText(Image* target, const FontRecord* f, int32_t x, int32_t y, const char* s, uint32_t colour,
                 uint32_t alignment);
// 1 when what f draws may be kept from frame to frame: the embedded font as FontInit set it
// up, whose sheet is read-only (drawText keeps its lines then; so may a screen).
int32_t fontCanBeKept(const FontRecord* f);
// drawText glyph by glyph, never from the kept lines: the reference the kept lines match.
int32_t drawTextDirect(Image* target, const FontRecord* f, int32_t x, int32_t y, const char* s, uint32_t colour,
                       uint32_t alignment);
