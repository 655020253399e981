#include "app/app.h"
int64_t nowMs() { return 0; }
void resyncClock() {  }
int32_t loopPass() { return 0; }
int tavrinMain(int argc, char** argv) { return 0; }
