// Reproducible data for the benchmarks: xorshift bytes, cheap to make and incompressible enough.
#pragma once

#include <cstdint>
#include <vector>

inline std::vector<uint8_t> PseudoRandomBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    uint32_t x = seed;
    for (uint8_t& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return out;
}
