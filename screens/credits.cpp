// The credits that roll after the game has been completed: white lines are headings and names,
// grey lines (drawn at half intensity) the details. Lines stay within 34 characters so that
// each fits the 240-pixel screen.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx/graphics.h"
#include "screens/screens.h"
#include "state/state.h"

const CreditLine CreditLines[] = {
    {1, "TAVRIN"},
    {0, "a digging puzzle game"},
    {0, ""},
    {0, "made by"},
    {1, "the Tavrin team"},
    {0, ""},
    {0, ""},
    {1, "GAME DESIGN"},
    {0, "the Tavrin team"},
    {0, ""},
    {1, "PROGRAMMING"},
    {0, "the Tavrin team"},
    {0, "main loop, window and input"},
    {0, "world engine and monsters"},
    {0, "pictures, font and screens"},
    {0, "progress file"},
    {0, ""},
    {1, "ART"},
    {0, "the Tavrin team"},
    {0, "tiles, menus, pictures and font"},
    {0, "all drawn by the team's own tools"},
    {0, ""},
    {1, "SOUND"},
    {0, "the Tavrin team"},
    {0, "every effect made by our own"},
    {0, "sound tools"},
    {0, ""},
    {1, "LEVELS"},
    {0, "the Tavrin team"},
    {0, "built and checked with our own"},
    {0, "level tools"},
    {0, ""},
    {1, "TESTING"},
    {0, "the Tavrin team"},
    {0, ""},
    {0, ""},
    {1, "BUILT WITH"},
    {0, ""},
    {1, "SDL2"},
    {0, "window, input and sound output"},
    {0, "zlib licence"},
    {0, ""},
    {1, "SDL2_mixer"},
    {0, "sound effect mixing"},
    {0, "zlib licence"},
    {0, ""},
    {1, "libjpeg-turbo"},
    {0, "picture decoding"},
    {0, "IJG licence and BSD-style"},
    {0, "licences"},
    {0, "This software is based in part"},
    {0, "on the work of the Independent"},
    {0, "JPEG Group."},
    {0, ""},
    {1, "libpng"},
    {0, "screenshots"},
    {0, "libpng licence"},
    {0, ""},
    {1, "DejaVu fonts"},
    {0, "our bitmap font was drawn"},
    {0, "from them"},
    {0, "Bitstream Vera licence,"},
    {0, "DejaVu changes public domain"},
    {0, ""},
    {1, "GoogleTest"},
    {0, "for testing"},
    {0, "BSD-3-Clause licence"},
    {0, ""},
    {1, "CMake and GCC"},
    {0, "to build it all"},
    {0, ""},
    {0, ""},
    {1, "HOW TO PLAY"},
    {0, ""},
    {0, "dig through the earth"},
    {0, "take every diamond"},
    {0, "a key turns safes into diamonds"},
    {0, "disarm the bombs last"},
    {0, "mind the falling rocks"},
    {0, "and what hatches from the eggs"},
    {0, "never touch a skull"},
    {0, ""},
    {0, ""},
    {1, "THANKS"},
    {0, ""},
    {0, "to all who wrote and shared"},
    {0, "the libraries and fonts above"},
    {0, ""},
    {0, "to our testers, for every bug"},
    {0, "they dug up"},
    {0, ""},
    {1, "and to you, for playing"},
    {1, "all the way to the end!"},
    {0, ""},
    {0, ""},
    {0, ""},
    {1, "TAVRIN"},
    {0, "the Tavrin team"},
    {0, ""},
    {1, "THE END"},
    {0, ""},  // so that the last frame before the credits end is black
};
const int32_t CreditLineCount = sizeof CreditLines / sizeof CreditLines[0];
int32_t creditsScroll;

namespace {

// The frame, kept. The window shows the lines ORed at window row 18i - (creditsScroll - 240):
// what a window row shows depends only on that row plus creditsScroll, its row in the whole
// roll. So the frame of one scroll position is kept whole, in the BackBuffer's own layout,
// and a frame whose scroll is d rows further is made from it by moving the window's rows up
// by d and drawing only the d rows that came in at the bottom (one row every four ticks).
// A frame at the same position is one copy. The rows are drawn by drawText into a picture
// cut to those rows, which clips exactly as the window does. Kept only for a font whose
// sheet cannot change (the embedded one), in one of the display's own layouts, and only
// while the font and the layout stay what the kept frame was made with; anything else
// draws every line.
constexpr int32_t WindowTop = 40, WindowRows = 240;

constexpr size_t FrameBytes = 153600;

struct KeptRoll {
    uint8_t* pixels;  // made on the credits' first frame, kept for the run
    Image layout;     // the BackBuffer record the frame was made for (pixels aside)
    FontRecord font;  // the font its lines were drawn with
    int64_t scroll;
    bool ready;
};
KeptRoll kept;

// The kept frame as a picture laid out like the BackBuffer.
Image keptImage() {
    Image im = BackBuffer;
    im.pixels = kept.pixels;
    return im;
}

// The lowest address of rows [y0, y1) of column x, in a picture with columns in memory.
uint8_t* columnRun(const Image& im, int32_t x, int32_t y0, int32_t y1) {
    return im.pixels + (im.origin + x * im.stepX + (im.stepY > 0 ? y0 : y1 - 1) * im.stepY);
}

// The lowest address of whole rows [y0, y1) of a picture with rows in memory.
uint8_t* rowBlock(const Image& im, int32_t y0, int32_t y1) {
    return im.pixels + (im.origin + (im.stepY > 0 ? y0 : y1 - 1) * im.stepY);
}

// Blacks screen rows [y0, y1) of a picture in one of the display's layouts.
void clearRows(const Image& im, int32_t y0, int32_t y1) {
    if (y1 <= y0) return;
    if (im.stepX == 2) {
        std::memset(rowBlock(im, y0, y1), 0, static_cast<size_t>(y1 - y0) * 480);
        return;
    }
    for (int32_t x = 0; x < 240; ++x) std::memset(columnRun(im, x, y0, y1), 0, static_cast<size_t>(y1 - y0) * 2);
}

// Screen rows [y0 + d, y1) moved up to [y0, y1 - d).
void moveRowsUp(const Image& im, int32_t y0, int32_t y1, int32_t d) {
    const int32_t n = y1 - y0 - d;
    if (n <= 0 || d <= 0) return;
    if (im.stepX == 2) {
        std::memmove(rowBlock(im, y0, y1 - d), rowBlock(im, y0 + d, y1), static_cast<size_t>(n) * 480);
        return;
    }
    for (int32_t x = 0; x < 240; ++x)
        std::memmove(columnRun(im, x, y0, y1 - d), columnRun(im, x, y0 + d, y1), static_cast<size_t>(n) * 2);
}

// The kept frame brought to creditsScroll: the window moved up by d rows (d < 240), and the
// d rows that came in at its bottom drawn afresh; d = 240 draws the whole window.
void scrollKept(int32_t d) {
    const Image frame = keptImage();
    moveRowsUp(frame, WindowTop, WindowTop + WindowRows, d);
    clearRows(frame, WindowTop + WindowRows - d, WindowTop + WindowRows);
    Image fresh = frame;
    cropImage(&fresh, 0, WindowTop + WindowRows - d, 240, d);
    // Line i stands at window row 18i - (scroll - 240); draw those that reach the fresh rows
    // (window rows 240 - d and on). A generous range: drawText clips the others away.
    const int64_t scroll = creditsScroll;
    int64_t first = (scroll - d - Font.glyphHeight) / CreditLineHeight - 1;
    int64_t last = scroll / CreditLineHeight + 1;
    if (first < 0) first = 0;
    if (last > CreditLineCount - 1) last = CreditLineCount - 1;
    for (int64_t i = first; i <= last; ++i) {
        const int64_t y = CreditLineHeight * i - (scroll - WindowRows) - (WindowRows - d);
        const uint32_t colour = (CreditLines[i].flags & 1) ? ColourWhite : ColourGrey;
        drawText(&fresh, nullptr, 120, static_cast<int32_t>(y), CreditLines[i].text, colour, AlignCentre);
    }
    kept.scroll = scroll;
}

// The frame from the kept one; false (nothing drawn) when it cannot be kept.
bool drawKept() {
    if (!isScreenLayout(&BackBuffer) || fontCanBeKept(&Font) == 0) return false;
    Image layout = BackBuffer;
    layout.pixels = nullptr;
    const bool same =
        kept.ready && sameImage(&kept.layout, &layout) != 0 && std::memcmp(&kept.font, &Font, sizeof Font) == 0;
    const int64_t d = static_cast<int64_t>(creditsScroll) - kept.scroll;
    if (kept.pixels == nullptr) kept.pixels = allocateScreen();
    if (kept.pixels == nullptr) return false;
    if (!same || d < 0 || d >= WindowRows) {
        // Made afresh: black above and below the window, every line in it.
        kept.layout = layout;
        std::memcpy(&kept.font, &Font, sizeof Font);
        kept.ready = true;
        const Image frame = keptImage();
        clearRows(frame, 0, WindowTop);
        clearRows(frame, WindowTop + WindowRows, 320);
        scrollKept(WindowRows);
    } else if (d > 0) {
        scrollKept(static_cast<int32_t>(d));
    }
    std::memcpy(BackBuffer.pixels, kept.pixels, FrameBytes);
    return true;
}

}  // namespace

void drawCredits() {
    creditsScroll = game.modeTicks >> 2;  // one pixel every four ticks
    int32_t first = (creditsScroll - 240) / CreditLineHeight;
    int32_t last = (creditsScroll + CreditLineHeight) / CreditLineHeight;
    if (first < 0) first = 0;
    if (last > CreditLineCount) last = CreditLineCount;
    // Every line has left the window: end the credits as a fire press would. Only while the
    // credits are the settled mode: the frames of their fade-out, and the last frame the
    // switch draws, must not hand that press on to the game-over screen.
    if (first >= CreditLineCount && game.modeReady == 1) ControlFlags[ControlFire] |= FlagPressed;
    if (!drawKept()) {
        if (BackBuffer.pixels != nullptr) std::memset(BackBuffer.pixels, 0, 153600);
        // Lines that have left the window above would be clipped away pixel by pixel: skip
        // them before any pixel work. A line at window row y shows while y + glyphHeight > 0.
        int32_t from = 0;
        if (Font.glyphHeight > 0) {
            while (from < last && CreditLineHeight * from - (creditsScroll - 240) + Font.glyphHeight <= 0) ++from;
        }
        for (int32_t i = from; i < last; ++i) drawCreditLine(i);
    }
    touchAnywhere();
}

int32_t drawCreditLine(int32_t i) {
    if (i < 0 || i >= CreditLineCount) return 1;
    int32_t y = CreditLineHeight * i - (creditsScroll - 240);
    // A window on screen rows 40..279: the lines come into view at its bottom and leave at its top.
    Image window = BackBuffer;
    cropImage(&window, 0, 40, 240, 240);
    uint32_t colour = (CreditLines[i].flags & 1) ? ColourWhite : ColourGrey;
    drawText(&window, nullptr, 120, y, CreditLines[i].text, colour, AlignCentre);
    return 0;
}
