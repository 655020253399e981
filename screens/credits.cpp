// The credits that roll after the game has been completed: white lines are headings and names,
// grey lines (drawn at half intensity) the details. Lines stay within 34 characters so that
// each fits the 240-pixel screen.
#include <cstring>

#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"

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

void drawCredits() {
    if (BackBuffer.pixels != nullptr) std::memset(BackBuffer.pixels, 0, 153600);
    creditsScroll = game.modeTicks >> 2;  // one pixel every four ticks
    int32_t first = (creditsScroll - 240) / CreditLineHeight;
    int32_t last = (creditsScroll + CreditLineHeight) / CreditLineHeight;
    if (first < 0) first = 0;
    if (last > CreditLineCount) last = CreditLineCount;
    // Every line has left the window: end the credits as a fire press would. Only while the
    // credits are the settled mode: the frames of their fade-out, and the last frame the
    // switch draws, must not hand that press on to the game-over screen.
    if (first >= CreditLineCount && game.modeReady == 1) ControlFlags[ControlFire] |= FlagPressed;
    // Lines that have left the window above would be clipped away pixel by pixel: skip them
    // before any pixel work. A line at window row y shows while y + glyphHeight > 0.
    int32_t from = 0;
    if (Font.glyphHeight > 0) {
        while (from < last && CreditLineHeight * from - (creditsScroll - 240) + Font.glyphHeight <= 0) ++from;
    }
    for (int32_t i = from; i < last; ++i) drawCreditLine(i);
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
