// The upper library: it calls down, and carries a copy of the lower one's inline code, which
// the layer check allows when it is listed.
#include "tests/layers/top/top.h"
#include "tests/layers/base/base.h"

int layerTop() { return layerBase() + layerBaseHook()(1) + layerTopInline(++layerTopCount()); }

int (*layerTopHook())(int);
int (*layerTopHook())(int) { return &layerBaseInline; }
