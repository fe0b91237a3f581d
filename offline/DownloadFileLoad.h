// Reads a download file for the project page's list: a raw image, an Intel HEX file (one run per address-
// contiguous block) or an enciphered image with its 40-byte header. Nothing is kept of a file that is refused.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/Text.h"

// Larger files are no image of a chip: the biggest flash of the table is far below.
inline constexpr std::size_t kMaxDownloadFileBytes = 64u << 20;

struct DownloadFileRun {
    uint32_t start = 0;
    std::vector<uint8_t> data;  // exactly the file's bytes of the run
};

struct DownloadFile {
    fw::Text refusal;  // the message, translated; empty when the file was read
    std::vector<DownloadFileRun> runs;
    // For an enciphered file, from its header.
    uint32_t plainLength = 0;
    std::array<uint8_t, 32> plainSha256{};
    uint32_t plainCrc32 = 0;
};

// extension without the dot, in any case. A raw or enciphered image starts at `start`; a HEX file at the
// addresses it names. Empty files, enciphered files without a whole header and unreadable HEX files are refused.
DownloadFile ReadDownloadFile(fw::TextView path, fw::TextView extension, uint32_t start);
