// The menu screens: main menu, practice menu, level selection and the pause menu with its
// status block. The entries' words are part of the pictures; a selected entry is shown by
// copying its rectangle from a highlighted version of the picture over it.
#include <cstdio>
#include <cstring>

#include "gfx/graphics.h"
#include "screens/screens.h"
#include "state/state.h"
#include "store/progress.h"
#include "world/world.h"

Image MainMenuHighlight, MainMenuBanner, PracticeHighlight, PauseHighlight;

namespace {

// Entry rectangle relative to its menu's origin; right and bottom are exclusive. The same
// rectangle addresses the highlight picture from its own (0, 0).
struct MenuEntry {
    int32_t left, top, right, bottom;
};

constexpr int32_t MainMenuOriginX = 62, MainMenuOriginY = 68;
// Entries 1..4 (index 0 is entry 1): play, practice, about, quit.
constexpr MenuEntry MainMenuEntries[4] = {
    {0, 27, 151, 60},
    {0, 60, 151, 95},
    {0, 95, 151, 136},
    {0, 136, 151, 172},
};

constexpr int32_t PracticeOriginX = 60, PracticeOriginY = 34;
// Entries 0..4: practice levels -4..-1, then back to the main menu (rows 126..156 are no entry).
constexpr MenuEntry PracticeEntries[5] = {
    {0, 0, 170, 28}, {0, 28, 170, 62}, {0, 62, 170, 93}, {0, 93, 170, 126}, {0, 157, 170, 192},
};

constexpr int32_t PauseX = 34, PauseY = 129;

// Touch zones for every entry, then the selected entry's rectangle from the highlight picture.
void drawEntries(int32_t ox, int32_t oy, const MenuEntry* entries, int32_t first, int32_t count,
                 const Image& highlight) {
    for (int32_t i = 0; i < count; ++i) {
        const MenuEntry& e = entries[i];
        touchZone(first + i, ox + e.left, oy + e.top, e.right - e.left, e.bottom - e.top);
    }
    int32_t sel = game.menuCursor;
    if (sel < first) sel = first;
    if (sel > first + count - 1) sel = first + count - 1;
    const MenuEntry& e = entries[sel - first];
    Image piece = highlight;
    cropImage(&piece, e.left, e.top, e.right - e.left, e.bottom - e.top);
    blitOpaque(&BackBuffer, ox + e.left, oy + e.top, &piece);
}

void formatTenths(char* out, size_t size, int32_t ticks) {
    snprintf(out, size, "%d.%ds", ticks / 100, (ticks / 10) % 10);
}

}  // namespace

int32_t loadMainMenu() {
    loadBackdrop(ResMainMenu);
    decodeJpeg(&MainMenuHighlight, ResMainMenuHighlight);
    if (MainMenuHighlight.pixels == nullptr) return 1;
    decodeJpeg(&MainMenuBanner, ResMainMenuBanner);
    if (MainMenuBanner.pixels == nullptr) return 1;
    // The banner becomes part of the background for as long as this picture stays there.
    blitOpaque(&Backdrop, MainMenuOriginX, MainMenuOriginY, &MainMenuBanner);
    return 0;
}

void freeMainMenu() {
    freeImage(&MainMenuBanner);
    freeImage(&MainMenuHighlight);
}

int32_t loadPracticeMenu() {
    loadBackdrop(ResPractice);
    decodeJpeg(&PracticeHighlight, ResPracticeHighlight);
    return PracticeHighlight.pixels == nullptr ? 1 : 0;
}

void freePracticeMenu() { freeImage(&PracticeHighlight); }

int32_t loadPauseMenu() {
    loadBackdrop(ResStatus);
    decodeJpeg(&PauseHighlight, ResStatusHighlight);
    return PauseHighlight.pixels == nullptr ? 1 : 0;
}

void freePauseMenu() { freeImage(&PauseHighlight); }

void drawMainMenu() {
    copyBackdrop();
    drawEntries(MainMenuOriginX, MainMenuOriginY, MainMenuEntries, 1, 4, MainMenuHighlight);
    char text[32];
    snprintf(text, sizeof text, "Hi-score: %d", progress.bestScore);
    drawText(&BackBuffer, nullptr, 236, 264, text, ColourWhite, AlignRight);
}

void drawPracticeMenu() {
    copyBackdrop();
    drawEntries(PracticeOriginX, PracticeOriginY, PracticeEntries, 0, 5, PracticeHighlight);
}

void drawLevelSelect() {
    copyBackdrop();
    // Widened like the other tick-driven widths: a list left open for months must not overflow.
    int64_t wide = 200 - 4 * static_cast<int64_t>(game.modeTicks);
    int32_t slide = wide < 0 ? 0 : static_cast<int32_t>(wide);
    int32_t y = 6;
    for (int32_t i = 0; i <= game.lastLevel; ++i) {
        // A header that cannot be read gives an empty name rather than stale bytes.
        uint8_t header[32] = {};
        readLevelHeader(header, i + 4);
        char raw[11] = {};
        for (int32_t k = 0; k < 10; ++k) {
            uint8_t b = header[2 + k];
            if (b > 95) b = static_cast<uint8_t>(b - 32);  // lower case shows as capitals
            raw[k] = static_cast<char>(b);
        }
        char name[16];
        snprintf(name, sizeof name, "%.10s", raw);
        // Levels not reached yet are listed but cannot be chosen.
        int32_t index = i;
        if (i > game.levelLimit || i > progress.levelReached) index = -1;
        drawMenuLabel(index, 120 + slide, y, 100, 19, name, AlignRight);
        slide = -slide;  // alternate entries slide in from opposite sides
        y += 19;
    }
}

void drawMenuLabel(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h, const char* text, uint32_t align) {
    if (index >= 0) touchZone(index, x, y, w, h);
    uint32_t colour = index < 0 ? ColourGrey : ColourWhite;
    if (game.menuCursor == index) colour = ColourYellow;
    int32_t tx = x;
    if (align == AlignCentre)
        tx = x + (w >> 1);
    else if (align == AlignRight)
        tx = x + w;
    int32_t ty = y + ((h - 19) >> 1);  // 19: the font's line height
    drawText(&BackBuffer, nullptr, tx, ty, text, colour, align);
}

void drawPauseMenu() {
    copyBackdrop();
    drawStatusBlock();
    int32_t h = PauseHighlight.height >> 2;  // four equal strips, one per entry
    int32_t s = game.menuCursor & 3;
    Image piece = PauseHighlight;
    cropImage(&piece, 0, h * s, PauseHighlight.width, h);
    blitOpaque(&BackBuffer, PauseX, PauseY + h * s, &piece);
    for (int32_t i = 0; i < 4; ++i) touchZone(i, PauseX, PauseY + h * i, PauseHighlight.width, h);
}

void drawStatusBlock() {
    // The died picture puts its labels 18 pixels lower than the pause menu's.
    int32_t dy = game.mode == Died ? 18 : 0;
    char text[32];
    snprintf(text, sizeof text, "%d", game.score);
    drawText(&BackBuffer, nullptr, 165, 34 + dy, text, ColourYellow, AlignLeft);
    if (game.diamondsLeft <= 0 && game.targetsLeft != 0)
        snprintf(text, sizeof text, "Disarm bomb");
    else
        snprintf(text, sizeof text, "%d", game.diamondsLeft);
    drawText(&BackBuffer, nullptr, 165, 55 + dy, text, ColourYellow, AlignLeft);
    formatTenths(text, sizeof text, game.levelTicks);
    drawText(&BackBuffer, nullptr, 165, 76 + dy, text, ColourYellow, AlignLeft);
    snprintf(text, sizeof text, "%d", game.lives);
    drawText(&BackBuffer, nullptr, 165, 97 + dy, text, ColourYellow, AlignLeft);
}
