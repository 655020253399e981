// The screens' shared steps: the Backdrop copied (and dimmed) into the BackBuffer, and the
// fade that blacks both ends of its memory.
#include "gfx/blit_internal.h"
#include "gfx/graphics.h"
#include "screens/fastpaths.h"
#include "screens/screens.h"
#include "state/state.h"

void copyBackdropDarkened(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level) {
    const Image& d = BackBuffer;
    const Image& s = Backdrop;
    // In a display layout the screen is 153600 bytes of whole memory lines (rows, or columns
    // on the turned display). With the rectangle on the screen, each line that crosses it
    // holds one stretch of it, at the same place in every line.
    const bool fits = isScreenLayout(&d) && isScreenLayout(&s) && d.stepX == s.stepX && d.stepY == s.stepY && w > 0 &&
                      h > 0 && x >= 0 && y >= 0 && x <= 240 - w && y <= 320 - h;
    if (!fits) {
        copyBackdrop();
        Image target = BackBuffer;
        darkenRect(&target, x, y, w, h, level);
        return;
    }
    uint32_t shift;
    uint16_t mask;
    darkenRule(level, &shift, &mask);
    const bool rows = d.stepX == 2;
    const int32_t lineStep = rows ? d.stepY : d.stepX, runStep = rows ? d.stepX : d.stepY;
    const int32_t lineBytes = lineStep < 0 ? -lineStep : lineStep;
    const int32_t first = rows ? y : x, lines = rows ? h : w;  // the lines that cross it
    const int32_t from = rows ? x : y, run = rows ? w : h;     // each one's stretch
    // The stretch's lowest byte on the lowest line, its place in that line, and the bytes
    // of the lines that cross the rectangle.
    const int32_t lowLine = lineStep > 0 ? first : first + lines - 1;
    const int64_t start = static_cast<int64_t>(d.origin) + static_cast<int64_t>(lowLine) * lineStep +
                          (runStep > 0 ? 2 * from : -2 * (from + run - 1));
    const int64_t at = start % lineBytes, begin = start - at;
    const int64_t end = begin + static_cast<int64_t>(lines) * lineBytes;
    std::memcpy(d.pixels, s.pixels, static_cast<size_t>(begin));
    // A few lines at a time: one block copy, then their stretches dimmed in place while still
    // in the nearest cache. (A short copy and a dimmed run per line cost more: a large block
    // copy is far faster per byte than any short one. Copying all, then dimming, finds the
    // stretches gone from that cache on the turned display, where they are many and short.)
    constexpr int64_t Batch = 8;
    for (int64_t line = begin; line < end; line += Batch * lineBytes) {
        const int64_t stop = std::min(end, line + Batch * lineBytes);
        std::memcpy(d.pixels + line, s.pixels + line, static_cast<size_t>(stop - line));
        uint8_t* dim = d.pixels + line + at;
        darkenRuns(dim, dim, lineBytes, static_cast<int32_t>((stop - line) / lineBytes), run, shift, mask);
    }
    std::memcpy(d.pixels + end, s.pixels + end, static_cast<size_t>(static_cast<int64_t>(ScreenBytes) - end));
}

namespace {

// The fade that follows the drawing under way, set by drawScreen: the bytes it blacks at each
// end of the BackBuffer's memory, and the whole screen's record (the BackBuffer may be
// narrowed while a fading frame is drawn). Off outside drawScreen and for other layouts.
struct FadeAhead {
    bool on;
    int64_t bytes;
    Image whole;
};
FadeAhead fadeAhead;

// The bytes applyFade blacks at each end of the BackBuffer's memory this frame (0: none).
int64_t fadeBandBytes() {
    if (game.fadeLevel >= 256) return 0;
    int64_t n = 76800 - ((static_cast<int64_t>(game.fadeLevel) * 76800) >> 8);
    if (n <= 0) return 0;
    return n > 76800 ? 76800 : n;  // a level below 0 blacks the whole frame, and no more
}

}  // namespace

namespace {

// During a fade, applyFade blacks the first and last n bytes of the BackBuffer. The lines at
// the right-hand or bottom edge lie at one end of that memory in every layout, so while the
// screen is drawn the picture is made narrower (or shorter) by the lines that will be black
// anyway: nothing else in the frame changes, and no time goes into pixels about to vanish.
Image narrowedForFade() {
    const Image whole = BackBuffer;
    if (game.fadeLevel >= 256) return whole;
    int64_t n = 76800 - ((static_cast<int64_t>(game.fadeLevel) * 76800) >> 8);
    if (n <= 0) return whole;
    if (n > 76800) n = 76800;
    // Only the display's own layouts, whose 153600 bytes hold the picture and nothing else.
    if (!isScreenLayout(&BackBuffer)) return whole;
    if (BackBuffer.stepX == 2) {
        BackBuffer.height = 320 - static_cast<int32_t>(n / 480);
    } else {
        BackBuffer.width = 240 - static_cast<int32_t>(n / 640);
    }
    return whole;
}

}  // namespace

void drawUnderFade(void (*draw)()) {
    const Image whole = narrowedForFade();
    setFadeFollows(1);
    if (draw) draw();
    setFadeFollows(0);
    BackBuffer = whole;
}

void applyFade() {
    if (BackBuffer.pixels == nullptr) return;
    const int64_t n = fadeBandBytes();
    if (n <= 0) return;
    std::memset(BackBuffer.pixels, 0, static_cast<size_t>(n));
    std::memset(BackBuffer.pixels + ScreenBytes - n, 0, static_cast<size_t>(n));
}

void setFadeFollows(int32_t on) {
    fadeAhead.on = false;
    if (on == 0) return;
    fadeAhead.bytes = fadeBandBytes();
    fadeAhead.whole = BackBuffer;
    fadeAhead.whole.width = 240;
    fadeAhead.whole.height = 320;
    fadeAhead.on = fadeAhead.bytes > 0 && isScreenLayout(&fadeAhead.whole) != 0;
}

int32_t fadeHides(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!fadeAhead.on) return 0;
    const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int32_t x1 = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(x) + w, 240));
    const int32_t y1 = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(y) + h, 320));
    if (x1 <= x0 || y1 <= y0) return 0;
    // The lowest and highest bytes of the rectangle lie at two of its corners.
    const Image& s = fadeAhead.whole;
    const int64_t a = static_cast<int64_t>(s.origin) + static_cast<int64_t>(x0) * s.stepX;
    const int64_t b = static_cast<int64_t>(s.origin) + static_cast<int64_t>(x1 - 1) * s.stepX;
    const int64_t c = static_cast<int64_t>(y0) * s.stepY, d = static_cast<int64_t>(y1 - 1) * s.stepY;
    const int64_t lo = std::min(a, b) + std::min(c, d), hi = std::max(a, b) + std::max(c, d) + 2;
    const int64_t n = fadeAhead.bytes;
    return hi <= n || lo >= static_cast<int64_t>(ScreenBytes) - n ? 1 : 0;
}

void copyBackdrop() {
    if (BackBuffer.pixels == nullptr || Backdrop.pixels == nullptr) return;
    std::memcpy(BackBuffer.pixels, Backdrop.pixels, ScreenBytes);
}

void drawPictureScreen() {
    copyBackdrop();
    touchAnywhere();
}
