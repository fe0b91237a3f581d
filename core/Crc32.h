// CRC-32 as the microcontroller's CRC unit computes it: 32-bit words, most significant bit first, polynomial
// 0x04C11DB7, initial value 0xFFFFFFFF, no reflection, no final XOR (the CRC-32/MPEG-2 parameters).
#pragma once

#include <cstdint>

// Count 0 gives 0xFFFFFFFF.
uint32_t Crc32Words(const uint32_t* words, uint32_t count);

// The bytes are taken as length/4 little-endian words; a tail of 1 to 3 bytes is not covered (callers pad their
// buffers). When out is given, the CRC is also written there most significant byte first.
uint32_t Crc32Buffer(const uint8_t* data, int length, uint8_t* out);
