// The lower of two small libraries that the layer check is tried on.
#pragma once

int layerBase();
int (*layerBaseHook())(int);

// Inline code of the lower library that the upper one uses too: each library carries a copy
// (its address is taken, so it is not folded away); the upper one's copy is a use of this
// library, and this one's copy no use of the upper one.
inline int layerBaseInline(int n) { return n + 1; }
