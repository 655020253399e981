#include "app/app.h"
void SndInit() {  }
void SndPlay(int number, uint8_t loops) {  }
