#include "world/cipher.h"

void storeCipherKeyTail(uint8_t key[8]) {
    // Derived rather than written out, so they do not show up as one run in the image.
    uint8_t seed = cipherKeyData[0] ^ cipherKeyData[4];  // 0x37
    key[1] = static_cast<uint8_t>(seed * 5 + 0x11);      // 0x24
    key[4] = static_cast<uint8_t>(seed ^ 0xC8);          // 0xFF
    key[6] = static_cast<uint8_t>(seed + 0x5A);          // 0x91
}

void buildCipherKey(uint8_t key[8]) {
    key[0] = cipherKeyData[0];
    key[2] = cipherKeyData[1];
    key[3] = cipherKeyData[2];
    key[5] = cipherKeyData[3];
    key[7] = cipherKeyData[4];
    storeCipherKeyTail(key);
}

// The counters are signed 32-bit in the game's records; the arithmetic is done unsigned so
// that a very long stream wraps instead of overflowing.
uint8_t cipherDecodeStep(const uint8_t key[8], int32_t& pos, int32_t& sum, uint8_t stored) {
    uint32_t p = static_cast<uint32_t>(pos);
    uint32_t s = static_cast<uint32_t>(sum);
    uint8_t out = static_cast<uint8_t>((stored ^ key[p & 7]) - (key[(p >> 3) & 7] + s));
    sum = static_cast<int32_t>(s + key[stored & 7]);
    pos = static_cast<int32_t>(p + 1);
    return out;
}

uint8_t cipherEncodeStep(const uint8_t key[8], int32_t& pos, int32_t& sum, uint8_t plain) {
    uint32_t p = static_cast<uint32_t>(pos);
    uint32_t s = static_cast<uint32_t>(sum);
    uint8_t stored = static_cast<uint8_t>((plain + key[(p >> 3) & 7] + s) ^ key[p & 7]);
    sum = static_cast<int32_t>(s + key[stored & 7]);
    pos = static_cast<int32_t>(p + 1);
    return stored;
}
