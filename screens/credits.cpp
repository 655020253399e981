#include "screens/screens.h"
const CreditLine CreditLines[] = {{1, ""}};
const int32_t CreditLineCount = 1;
int32_t creditsScroll;
#include "screens/screens.h"
void drawCredits() {  }
int32_t drawCreditLine(int32_t i) { return 0; }
