#include "screens/screens.h"
Image MapBar;
#include "screens/screens.h"
int32_t loadMapView() { return 0; }
void freeMapView() {  }
void drawMapView() {  }
void drawMapTile(int32_t x, int32_t y, uint32_t tile) {  }
