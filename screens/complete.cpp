#include "screens/screens.h"
Image GameCompleteBack, GameCompletePic1, GameCompletePic2, GameCompletePic3;
#include "screens/screens.h"
int32_t loadGameComplete() { return 0; }
void freeGameComplete() {  }
void drawGameComplete() {  }
