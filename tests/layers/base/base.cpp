#include "tests/layers/base/base.h"

int layerBase() { return 1; }

int (*layerBaseHook())(int) { return &layerBaseInline; }
