// What each mode draws into the BackBuffer, and the primitives screens share.
#pragma once
#include <cstdint>
#include "gfx/blit.h"
#include "gfx/image.h"

constexpr uint32_t VersionNumber = 0x1101;

// Primitives.
// Tile (low 6 bits) of the TileSheet at (x, y) of the play area (rows 0..239 of the
// BackBuffer): overlay 0 copies it, 1 ORs its non-black pixels over what is there.
void drawTile(int32_t x, int32_t y, uint32_t tile, uint32_t overlay);
// When this frame's stylus tap lies in the rectangle: menuCursor = index and fire pressed.
void touchZone(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h);
// touchZone 0 over the screen below the top bar (y 32..319).
void touchAnywhere();
// Runs draw (nothing when null) into the BackBuffer, told that applyFade follows: what the
// fade will black is left out where that is cheap. The BackBuffer's record is as before.
void drawUnderFade(void (*draw)());
// Blacks the first and the last part of the BackBuffer's memory in step with fadeLevel
// (nothing at 256, everything at 0).
void applyFade();
// The Backdrop, and a tap anywhere is fire: Splash, PracticeIntro, About.
void drawPictureScreen();
// Copies the whole Backdrop into the BackBuffer in one block.
void copyBackdrop();

// The draw functions of the modes read the game state and draw into the BackBuffer; they
// change nothing but the touch zones' effect (menuCursor, fire) and the screens' own
// globals below (camera, panel, credits scroll).

// Play view.
extern int32_t cameraX, cameraY;
extern uint8_t panelShown;
void drawPlayView();
// Puts the camera so that the player (mid-move included) is at the centre of the play area.
void updateCamera();
// The hatched monsters, at their place in their move, over the map.
void drawMonsters();
// The band with the level's name that opens and closes over the first seconds of a level.
void drawLevelBanner();

// Menus.
extern Image MainMenuHighlight, MainMenuBanner, PracticeHighlight, PauseHighlight;
// The loads put the menu's picture in the Backdrop and decode its highlight (the main menu
// also pastes its banner into the Backdrop); 1 when a picture is missing. The frees release
// what the load decoded.
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
// Score, diamonds or bombs left, lives and level of the pause menu and the died screen.
void drawStatusBlock();
// Text in the rectangle, aligned; index >= 0 makes it a touch zone, drawn yellow under the
// cursor, white otherwise; index < 0 is a grey label.
void drawMenuLabel(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h, const char* text, uint32_t align);

// Level complete, died, game over.
void drawLevelComplete();
void drawDied();
void drawGameOver();

// Game completed.
extern Image GameCompleteBack, GameCompletePic1, GameCompletePic2, GameCompletePic3;
// Decodes the three game-complete pictures and points at the raw one in place; 1 when one
// is missing. The free releases the decoded ones.
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
// Line i at its place for creditsScroll, inside the window of rows 40..279. Returns 1 when
// there is no line i.
int32_t drawCreditLine(int32_t i);

// Map view.
extern Image MapBar;
// Decodes the map view's bar (1 when it is missing); the free releases it.
int32_t loadMapView();
void freeMapView();
void drawMapView();
// The 8x8 map tile (low 6 bits) copied to (x, y) of the BackBuffer; nothing without a sheet.
void drawMapTile(int32_t x, int32_t y, uint32_t tile);
