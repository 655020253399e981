#include "app/app.h"
int64_t nowUs() { return 0; }
int32_t rtcSleep(uint32_t us) { return 0; }
void onSigCont(int sig) {  }
