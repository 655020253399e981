// The blits: pictures copied, keyed or tinted into others, cut to a window and dimmed.
#pragma once
#include <cstdint>

#include "gfx/image.h"

enum Colour : uint32_t {
    ColourWhite = 0xFFFF,
    ColourYellow = 0xFFE0,
    ColourGrey = 0x8410,
    ColourGreen = 0x07E0,
};
enum BlitRule : uint32_t { BlendOr = 0, SkipBlack = 1 };

// In the blits, (x, y) is where src's (0, 0) lands in dst; what falls outside dst is clipped.
// Copies src over dst.
void blitOpaque(Image* dst, int32_t x, int32_t y, const Image* src);
// Copies the pixels of src that are not black: BlendOr ORs them into dst, SkipBlack
// replaces.
void blitKeyed(Image* dst, int32_t x, int32_t y, const Image* src, uint32_t rule);
// ORs the glyph into dst masked by colour (ColourGrey at half intensity).
void blitGlyph(Image* dst, int32_t x, int32_t y, const Image* glyph, uint32_t colour);
// Narrows img to the w x h window at (x, y): same pixels, no copy.
void cropImage(Image* img, int32_t x, int32_t y, int32_t w, int32_t h);
// Halves the brightness of the rectangle level times (32 or more: black).
void darkenRect(Image* img, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level);
// 1 when the two records are the same in every field (pixels too).
int32_t sameImage(const Image* a, const Image* b);
// 1 when the picture has one of the display's own layouts: 240 x 320, its 153600 bytes
// holding the picture line after line (rows, or columns on a turned display), nothing else.
int32_t isScreenLayout(const Image* im);
