// The lower of two small libraries that the layer check is tried on.
int layerBase();
int layerBase() { return 1; }
