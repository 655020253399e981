#include "world/world.h"
void worldTick() {  }
uint8_t fallClass(int32_t x, int32_t y) { return 0; }
void fallScan() {  }
int32_t tryFall(int32_t x, int32_t y, uint8_t tile) { return 0; }
void landObject(int32_t x, int32_t y, uint8_t tile) {  }
