// One download file of an offline project as the project page lists it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/Text.h"

struct ProjectFileRow {
    fw::Text name;       // with extension, as listed
    fw::Text path;       // the source file, for its last-write time
    fw::Text startText;  // start address in the chip, hex text
    uint8_t partitionId = 0;
    std::vector<uint8_t> data;  // the image, or the ciphertext of an enciphered file (without its header)
    uint32_t length = 0;        // bytes of data that belong to the file
    // From the header of an enciphered file: the plaintext's length, digest and CRC-32.
    uint32_t plainLength = 0;
    std::array<uint8_t, 32> plainSha256{};
    uint32_t plainCrc32 = 0;
};
