#include "world/world.h"
void clearMonsters() {  }
void spawnMonster(int32_t x, int32_t y) {  }
void killMonstersAt(int32_t x, int32_t y) {  }
void hatchMonsters() {  }
void moveMonsters() {  }
