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
// One frame: the current mode's screen into the BackBuffer (the About version text on
// top), the fade, then the stylus tap is used up (touch zones see it for one frame only).
void drawScreen();
// In the blits, (x, y) is where src's (0, 0) lands in dst; what falls outside dst is clipped.
// Copies src over dst.
void blitOpaque(Image* dst, int32_t x, int32_t y, const Image* src);
// Copies the pixels of src that are not black: BlendOr ORs them into dst, SkipBlack
// replaces.
void blitKeyed(Image* dst, int32_t x, int32_t y, const Image* src, uint32_t rule);
// ORs the glyph into dst masked by colour (ColourGrey at half intensity).
void blitGlyph(Image* dst, int32_t x, int32_t y, const Image* glyph, uint32_t colour);
// Tile (low 6 bits) of the TileSheet at (x, y) of the play area (rows 0..239 of the
// BackBuffer): overlay 0 copies it, 1 ORs its non-black pixels over what is there.
void drawTile(int32_t x, int32_t y, uint32_t tile, uint32_t overlay);
// Between these two calls the tile sheet must not change: drawTile may then keep tiles
// turned for the display's memory order. The play view brackets its tiles with them.
void beginTileBatch();
void endTileBatch();
// Narrows img to the w x h window at (x, y): same pixels, no copy.
void cropImage(Image* img, int32_t x, int32_t y, int32_t w, int32_t h);
// Halves the brightness of the rectangle level times (32 or more: black).
void darkenRect(Image* img, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level);
// When this frame's stylus tap lies in the rectangle: menuCursor = index and fire pressed.
void touchZone(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h);
// touchZone 0 over the screen below the top bar (y 32..319).
void touchAnywhere();
// Blacks the first and the last part of the BackBuffer's memory in step with fadeLevel
// (nothing at 256, everything at 0).
void applyFade();
// drawScreen says (1) that applyFade follows the drawing now under way, and (0) that it has.
void setFadeFollows(int32_t on);
// 1 when every screen pixel of the rectangle will be blacked by the applyFade that follows
// this frame's drawing: drawing there is wasted. 0 when there is no fade, when the
// rectangle misses the screen, and outside drawScreen (a screen drawn on its own keeps
// every pixel).
int32_t fadeHides(int32_t x, int32_t y, int32_t w, int32_t h);
// The Backdrop, and a tap anywhere is fire: Splash, PracticeIntro, About.
void drawPictureScreen();
// Copies the whole Backdrop into the BackBuffer in one block.
void copyBackdrop();
// copyBackdrop, then darkenRect(BackBuffer, x, y, w, h, level), in one pass where it can.
void copyBackdropDarkened(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level);
// 1 when the two records are the same in every field (pixels too).
int32_t sameImage(const Image* a, const Image* b);
// 1 when the picture has one of the display's own layouts: 240 x 320, its 153600 bytes
// holding the picture line after line (rows, or columns on a turned display), nothing else.
int32_t isScreenLayout(const Image* im);

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
// The frame of drawGameComplete drawn afresh, never from a kept frame, without the touch zone.
void drawGameCompleteDirect();

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
// drawMapTile for every square of rows r0..r1 and columns c0..c1 that touches the screen.
void drawMapSquaresDirect(int32_t ox, int32_t oy, int32_t r0, int32_t r1, int32_t c0, int32_t c1);
// The whole BackBuffer black, then the squares of rows r0..r1 and columns c0..c1 drawn as
// drawMapTile would draw them, the map's (0, 0) at screen (ox, oy): in one pass over the
// BackBuffer's memory. Returns 1 (and draws nothing) when the BackBuffer's layout or the
// sheet rule that pass out.
int32_t drawMapSquares(int32_t ox, int32_t oy, int32_t r0, int32_t r1, int32_t c0, int32_t c1);
