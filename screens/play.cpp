#include "screens/screens.h"
int32_t cameraX, cameraY;
uint8_t panelShown;
#include "screens/screens.h"
void drawPlayView() {  }
void updateCamera() {  }
void drawMonsters() {  }
void drawLevelBanner() {  }
