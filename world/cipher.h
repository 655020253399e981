// The level file scrambler. The game reads through it (decodeLevelByte) and the level
// compiler writes through it, so both always agree on the key and the byte stream.
#pragma once
#include <cstdint>

// The five key bytes that live in initialised data, for key positions 0, 2, 3, 5 and 7.
// The bytes at positions 1, 4 and 6 are only ever stored at run time (storeCipherKeyTail),
// so the whole key never sits in the program image in one piece.
inline constexpr uint8_t cipherKeyData[5] = {0x5C, 0xA7, 0x39, 0xE2, 0x6B};

// Stores the three run-time bytes into key[1], key[4], key[6].
void storeCipherKeyTail(uint8_t key[8]);
// The complete key, for the level compiler.
void buildCipherKey(uint8_t key[8]);

// One step of the stream in each direction. pos and sum are the running counters of the
// stream; both start at 0 wherever a stream starts (file start, record start).
uint8_t cipherDecodeStep(const uint8_t key[8], int32_t& pos, int32_t& sum, uint8_t stored);
uint8_t cipherEncodeStep(const uint8_t key[8], int32_t& pos, int32_t& sum, uint8_t plain);
