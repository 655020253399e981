#include "gfx/resources.h"
const EmbeddedFile embeddedFiles[] = {{0, nullptr, nullptr}};
const uint8_t* findResource(ResourceId, uint32_t*) { return nullptr; }
const EmbeddedArray& findEmbeddedFile(const char*) { static EmbeddedArray e{nullptr, 0}; return e; }
