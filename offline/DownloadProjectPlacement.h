// Where the download project maker lets a file go: the chosen model's flash (and the extra windows of the series
// that has them), the user partition the file was added for, clear of the files already listed, and within the
// flash size all files together.
#pragma once

#include <cstdint>
#include <span>

#include "framework/Text.h"
#include "offline/FilePlacement.h"

struct DownloadProjectChip {
    uint8_t seriesCode = 0;
    uint32_t flashStart = 0;
    uint32_t flashSize = 0;  // bytes
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
fw::Text RefusalOfPlacement(const DownloadProjectChip& chip, const FilePlacementPartition& placement,
                            std::span<const ListedFile> listed, uint32_t start, uint32_t length);
