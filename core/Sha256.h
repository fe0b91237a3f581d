// SHA-256 (FIPS 180-4).
#pragma once

#include <cstdint>

// Writes the 32-byte digest to out and answers 0; answers 1 and writes nothing when out is null. A null data
// pointer or a length of 0 or less gives the digest of the empty message.
int Sha256Buffer(const uint8_t* data, int length, uint8_t* out);
