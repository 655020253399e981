// The screens' fast paths: the machinery behind drawScreen's fade, the play view's tiles,
// the dimmed backdrops and the map view. The modes' drawing API is screens/screens.h.
// Internal header: only screens/ and its tests include it.
#pragma once
#include <cstdint>

#include "screens/screens.h"

// Between these two calls the tile sheet must not change: drawTile may then keep tiles
// turned for the display's memory order. The play view brackets its tiles with them.
void beginTileBatch();
void endTileBatch();
// drawUnderFade says (1) that applyFade follows the drawing now under way, and (0) that it has.
void setFadeFollows(int32_t on);
// 1 when every screen pixel of the rectangle will be blacked by the applyFade that follows
// this frame's drawing: drawing there is wasted. 0 when there is no fade, when the
// rectangle misses the screen, and outside drawScreen (a screen drawn on its own keeps
// every pixel).
int32_t fadeHides(int32_t x, int32_t y, int32_t w, int32_t h);
// copyBackdrop, then darkenRect(BackBuffer, x, y, w, h, level), in one pass where it can.
void copyBackdropDarkened(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level);
// The frame of drawGameComplete drawn afresh, never from a kept frame, without the touch zone.
void drawGameCompleteDirect();
// drawMapTile for every square of rows r0..r1 and columns c0..c1 that touches the screen.
void drawMapSquaresDirect(int32_t ox, int32_t oy, int32_t r0, int32_t r1, int32_t c0, int32_t c1);
// The whole BackBuffer black, then the squares of rows r0..r1 and columns c0..c1 drawn as
// drawMapTile would draw them, the map's (0, 0) at screen (ox, oy): in one pass over the
// BackBuffer's memory. Returns 1 (and draws nothing) when the BackBuffer's layout or the
// sheet rule that pass out.
int32_t drawMapSquares(int32_t ox, int32_t oy, int32_t r0, int32_t r1, int32_t c0, int32_t c1);
