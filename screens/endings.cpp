#include "screens/screens.h"
void drawLevelComplete() {  }
void drawDied() {  }
void drawGameOver() {  }
