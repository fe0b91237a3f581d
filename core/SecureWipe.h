// Clears key material and cipher state before the memory is given back, in a way the optimiser keeps.
#pragma once

#include <cstddef>

inline void SecureWipe(void* data, size_t size) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        p[i] = 0;
}
