#include "game/state.h"

GameState game;
uint8_t ControlFlags[5];
ProgressRecord progress;
AppHandles appHandles;
uint8_t quitRequested;
int64_t nextTickTime;
int32_t stylusTapX, stylusTapY;
int32_t stylusLastX, stylusLastY;
int32_t stylusDown;

#include "game/state.h"
void setMode(uint8_t m) {  }
void gameTick() {  }
void fadeStep() {  }
void switchMode() {  }
void enterMode() {  }
void leaveMode() {  }
void initModeState() {  }
void resolveRequest() {  }
int32_t startWorld() { return 0; }
void stopWorld() {  }
