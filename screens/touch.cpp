// The touch zones: a tap inside one, in the frame that draws it, picks its entry and fires.
#include "screens/screens.h"
#include "state/state.h"

void touchZone(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (y <= stylusTapY && stylusTapY < y + h && x <= stylusTapX && stylusTapX < x + w) {
        game.menuCursor = static_cast<int8_t>(index);
        ControlFlags[ControlFire] |= FlagPressed;
    }
}

void touchAnywhere() { touchZone(0, 0, 32, 240, 288); }
