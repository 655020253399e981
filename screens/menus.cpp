#include "screens/screens.h"
Image MainMenuHighlight, MainMenuBanner, PracticeHighlight, PauseHighlight;
#include "screens/screens.h"
int32_t loadMainMenu() { return 0; }
void freeMainMenu() {  }
int32_t loadPracticeMenu() { return 0; }
void freePracticeMenu() {  }
int32_t loadPauseMenu() { return 0; }
void freePauseMenu() {  }
void drawMainMenu() {  }
void drawPracticeMenu() {  }
void drawLevelSelect() {  }
void drawPauseMenu() {  }
void drawStatusBlock() {  }
void drawMenuLabel(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h, const char* text, uint32_t align) {  }
