#include "game/state.h"
void moveCursor(int8_t lo, int8_t hi) {  }
void continueOnFire(uint8_t target) {  }
void startGame(int8_t level) {  }
void mainMenuHandler() {  }
void pauseMenuHandler() {  }
void levelCompleteHandler() {  }
void mapViewHandler() {  }
void levelSelectHandler() {  }
void practiceMenuHandler() {  }
void splashHandler() {  }
void gameCompleteHandler() {  }
void creditsHandler() {  }
