// Assets compiled into the executable, found by number or by file name.
#pragma once
#include <cstdint>
#include <string_view>

using ResourceId = uint32_t;

struct EmbeddedFile {
    uint32_t size;
    const uint8_t* data;
    const char* name;
};

// Sorted by name in byte order, closed by an all-zero record (generated at build time).
extern const EmbeddedFile embeddedFiles[];

const uint8_t* findResource(ResourceId id, uint32_t* size);

// A read-only view of embedded bytes; the same object is returned for the same name.
struct EmbeddedArray {
    const uint8_t* data;
    uint32_t size;
};
const EmbeddedArray& findEmbeddedFile(const char* name);
