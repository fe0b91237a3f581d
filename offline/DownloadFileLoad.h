// Reads a download file for a project's file list (the offline project page's and the download project maker's):
// a raw image, an Intel HEX file (one run per address-contiguous block) or an enciphered image with its 40-byte
// header. Nothing is kept of a file that is refused.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/Text.h"

struct DownloadFileRun {
    uint32_t start = 0;
    std::vector<uint8_t> data;  // exactly the file's bytes of the run
};

struct DownloadFile {
    fw::Text refusal;  // the message, translated; empty when the file was read
    std::vector<DownloadFileRun> runs;
    bool enciphered = false;
    // For an enciphered file, its header's values.
    uint32_t plainLength = 0;
    std::array<uint8_t, 32> plainSha256{};
    uint32_t plainCrc32 = 0;
};

// Whether a project's record can hold the file's name: it keeps 32 bytes of it, and a cut name would no longer
// say whether the file is enciphered.
bool DownloadFileNameFits(fw::TextView name);

// `name` is the file's name with its extension, which says how it is read; a raw or enciphered image starts at
// `start`, a HEX file at the addresses it names. An image of more than maxImageBytes (for an enciphered file, its
// ciphertext) is refused, and so are empty images, enciphered files whose header does not give their length or
// whose ciphertext is not whole AES blocks, unreadable HEX files and names whose extension and enciphered mark
// disagree.
DownloadFile ReadDownloadFile(fw::TextView path, fw::TextView name, uint32_t start, std::size_t maxImageBytes);
