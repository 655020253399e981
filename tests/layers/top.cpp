// The upper library: it calls down, which the layer check allows when it is listed.
int layerBase();
int layerTop();
int layerTop() { return layerBase() + 1; }
