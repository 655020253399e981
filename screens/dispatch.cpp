#include "screens/screens.h"
void drawScreen() {  }
