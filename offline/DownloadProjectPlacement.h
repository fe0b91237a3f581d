// Where the download project maker lets a file go: the chosen model's flash (and the extra windows of the series
// that has them), the user partition the file was added for, clear of the files already listed, and within the
// flash size all files together.
#pragma once

#include <cstdint>
#include <span>

#include "framework/Text.h"

struct DownloadProjectChip {
    uint8_t seriesCode = 0;
    uint32_t flashStart = 0;
    uint32_t flashSize = 0;  // bytes
};

// The start-address step's answer beyond the address: the partition the file goes to and where USER2 and USER3
// begin (0 for one that is not configured). Looked at only while the project places files per partition.
struct DownloadProjectPlacement {
    bool partitionMode = false;
    uint8_t partition = 0;  // 0 USER1, 1 USER2, 2 USER3
    uint32_t user2Base = 0;
    uint32_t user3Base = 0;
};

// A file already listed, as the overlap and total tests see it; a row without a name is left out of the overlap
// test.
struct ListedFile {
    uint32_t start = 0;
    uint32_t length = 0;
    bool named = true;
};

// The refusal of a file of `length` bytes at `start` after the listed ones, already translated; empty when it may
// go there. length is at least 1.
fw::Text RefusalOfPlacement(const DownloadProjectChip& chip, const DownloadProjectPlacement& placement,
                            std::span<const ListedFile> listed, uint32_t start, uint32_t length);
