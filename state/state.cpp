// The global records and the one call of the mode machine that the folders below it need:
// a request, which only records where to go.
#include "state/state.h"

// Everything starts zeroed (static storage); startWorld sets the few non-zero values.
GameState game;
uint8_t ControlFlags[5];
AppHandles appHandles;
uint8_t quitRequested;
int64_t nextTickTime;
int32_t stylusTapX, stylusTapY;
int32_t stylusLastX, stylusLastY;
int32_t stylusDown;

void setMode(uint8_t m) {
    // The last request before the switch wins; the fade-out starts at the next fade step.
    game.nextMode = m;
    game.modeReady = 0;
}
