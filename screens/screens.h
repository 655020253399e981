// What each mode draws into the BackBuffer, and the pixel primitives screens share.
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
constexpr uint32_t VersionNumber = 0x1101;

// Dispatcher and primitives.
void drawScreen();
void blitOpaque(Image* dst, int32_t x, int32_t y, const Image* src);
void blitKeyed(Image* dst, int32_t x, int32_t y, const Image* src, uint32_t rule);
void blitGlyph(Image* dst, int32_t x, int32_t y, const Image* glyph, uint32_t colour);
void drawTile(int32_t x, int32_t y, uint32_t tile, uint32_t overlay);
// Between these two calls the tile sheet must not change: drawTile may then keep tiles
// turned for the display's memory order. The play view brackets its tiles with them.
void beginTileBatch();
void endTileBatch();
void cropImage(Image* img, int32_t x, int32_t y, int32_t w, int32_t h);
void darkenRect(Image* img, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level);
void touchZone(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h);
void touchAnywhere();
void applyFade();
void drawPictureScreen();
// Copies the whole Backdrop into the BackBuffer in one block.
void copyBackdrop();
// 1 when the picture has one of the display's own layouts: 240 x 320, its 153600 bytes
// holding the picture line after line (rows, or columns on a turned display), nothing else.
int32_t isScreenLayout(const Image* im);

// Play view.
extern int32_t cameraX, cameraY;
extern uint8_t panelShown;
void drawPlayView();
void updateCamera();
void drawMonsters();
void drawLevelBanner();

// Menus.
extern Image MainMenuHighlight, MainMenuBanner, PracticeHighlight, PauseHighlight;
int32_t loadMainMenu();
void freeMainMenu();
int32_t loadPracticeMenu();
void freePracticeMenu();
int32_t loadPauseMenu();
void freePauseMenu();
void drawMainMenu();
void drawPracticeMenu();
void drawLevelSelect();
void drawPauseMenu();
void drawStatusBlock();
void drawMenuLabel(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h, const char* text, uint32_t align);

// Level complete, died, game over.
void drawLevelComplete();
void drawDied();
void drawGameOver();

// Game completed.
extern Image GameCompleteBack, GameCompletePic1, GameCompletePic2, GameCompletePic3;
int32_t loadGameComplete();
void freeGameComplete();
void drawGameComplete();

// Credits.
struct CreditLine {
    uint32_t flags;
    const char* text;
};
extern const CreditLine CreditLines[];
extern const int32_t CreditLineCount;
constexpr int32_t CreditLineHeight = 18;
extern int32_t creditsScroll;
void drawCredits();
int32_t drawCreditLine(int32_t i);

// Map view.
extern Image MapBar;
int32_t loadMapView();
void freeMapView();
void drawMapView();
void drawMapTile(int32_t x, int32_t y, uint32_t tile);
// drawMapTile for every square of rows r0..r1 and columns c0..c1 that touches the screen.
void drawMapSquaresDirect(int32_t ox, int32_t oy, int32_t r0, int32_t r1, int32_t c0, int32_t c1);
// The whole BackBuffer black, then the squares of rows r0..r1 and columns c0..c1 drawn as
// drawMapTile would draw them, the map's (0, 0) at screen (ox, oy): in one pass over the
// BackBuffer's memory. Returns 1 (and draws nothing) when the BackBuffer's layout or the
// sheet rule that pass out.
int32_t drawMapSquares(int32_t ox, int32_t oy, int32_t r0, int32_t r1, int32_t c0, int32_t c1);
