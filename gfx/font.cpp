// The proportional bitmap font: glyphs cut from one embedded sheet, drawn by ORing them,
// masked by the colour, into any picture.
#include "gfx/graphics.h"
#include "platform/toolkit.h"
#include "screens/screens.h"

FontRecord Font = {
    Image{},
    19,
    {
        5, 10, 16, 29, 39, 52, 63, 66, 73, 79, 87, 100, 105, 111, 115, 122,     // space to slash
        9, 18, 28, 36, 46, 55, 64, 73, 82, 91, 96, 100, 114, 127, 140, 148,     // digits to ?
        13, 23, 33, 42, 52, 60, 68, 77, 87, 92, 100, 110, 118, 131, 141, 150,   // @, A..O
        9, 19, 28, 37, 46, 55, 65, 77, 87, 96, 104, 109, 115, 120, 129, 136,    // P..Z to _
        5, 13, 22, 30, 39, 47, 53, 61, 70, 74, 79, 88, 93, 105, 115, 123,       // `, a..o
        9, 18, 24, 32, 37, 46, 54, 66, 75, 82, 90, 94, 108, 112, 121, 134,      // p..z to 127
    },
};

namespace {

// Codes 128..255 fold onto 0..127; control codes draw as a space.
inline int32_t glyphOf(uint32_t code) {
    int32_t g = static_cast<int32_t>(code & 127) - 32;
    return g < 0 ? 0 : g;
}

inline int32_t glyphLeft(const FontRecord* f, int32_t g) { return (g & 15) == 0 ? 0 : f->glyphRight[g - 1]; }

}  // namespace

int32_t FontInit() {
    Font.sheet = Image{};
    uint32_t size = 0;
    const uint8_t* sheet = findResource(102, &size);
    if (sheet == nullptr) return 1;
    // The sheet stays embedded and read-only; drawing only ever reads from it.
    Font.sheet.pixels = const_cast<uint8_t*>(sheet);
    Font.sheet.width = 160;
    Font.sheet.height = 114;
    Font.sheet.stepX = 2;
    Font.sheet.stepY = 2 * Font.sheet.width;
    qDebug("FontInit over\n");
    return 0;
}

void releaseFont() { Font.sheet = Image{}; }

void glyphImage(Image* out, const FontRecord* f, uint32_t code) {
    if (f == nullptr) f = &Font;
    int32_t g = glyphOf(code);
    int32_t left = glyphLeft(f, g);
    int32_t right = f->glyphRight[g];
    int32_t top = f->glyphHeight * (g >> 4);
    *out = f->sheet;
    cropImage(out, left, top, right - left, f->glyphHeight);
}

int32_t glyphAdvance(const FontRecord* f, uint32_t code) {
    if (f == nullptr) f = &Font;
    int32_t g = glyphOf(code);
    return f->glyphRight[g] - glyphLeft(f, g);
}

int32_t textWidth(const FontRecord* f, const char* s) {
    int32_t w = 0;
    for (; *s != '\0'; ++s) w += glyphAdvance(f, static_cast<uint8_t>(*s));
    return w;
}

int32_t drawText(Image* target, const FontRecord* f, int32_t x, int32_t y, const char* s, uint32_t colour,
                 uint32_t alignment) {
    if (target == nullptr) target = &BackBuffer;
    if (alignment != AlignLeft) {
        int32_t w = textWidth(f, s);
        x -= alignment == AlignRight ? w : (w >> 1);
    }
    for (; *s != '\0'; ++s) {
        Image glyph;
        glyphImage(&glyph, f, static_cast<uint8_t>(*s));
        blitGlyph(target, x, y, &glyph, colour);
        x += glyph.width;
    }
    return 0;
}
