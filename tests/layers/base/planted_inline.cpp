// Planted in the lower library: the upper one's inline function, its template and an inline
// function's static local, each through the upper library's header.
#include "tests/layers/top/top.h"

int (*layerReachInline())(int);
int (*layerReachInline())(int) { return &layerTopInline; }

long (*layerReachTemplate())(long);
long (*layerReachTemplate())(long) { return &layerTopTwice<long>; }

int layerReachCount();
int layerReachCount() { return ++layerTopCount(); }
