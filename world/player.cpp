#include "world/world.h"
void placePlayer() {  }
void removePlayer() {  }
void playerInput() {  }
void tryMove() {  }
int32_t isBlocked(uint8_t t) { return 0; }
int32_t pushObject(int32_t x, int32_t y, uint8_t dir) { return 0; }
void playerStep() {  }
void finishMove() {  }
void openSafes() {  }
void idleStep() {  }
void deathStep() {  }
void checkLevelDone() {  }
void nextLevel() {  }
