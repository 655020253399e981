// Planted in the lower library: a call up into the library above it.
int layerTop();
int layerReachUp();
int layerReachUp() { return layerTop(); }
