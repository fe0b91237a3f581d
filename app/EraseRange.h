// Which flash an erase covers: a segment rounded to pages (erase by file size) or the whole range of a chip.
#pragma once

#include <cstdint>
#include <optional>

struct EraseRange {
    uint32_t first = 0;
    uint32_t last = 0;  // inclusive
    bool operator==(const EraseRange&) const = default;
};

// The pages a segment [start, last] touches. frontKeepsPage: a start inside a page begins at the next page (box
// "The front cross page does not erase the current page"); behindKeepsPage: an end inside a page stops before
// that page. nullopt when nothing is left to erase. A page size of 0 leaves the range as it is.
std::optional<EraseRange> RoundToPages(uint32_t start, uint32_t last, uint32_t pageSize, bool frontKeepsPage,
                                       bool behindKeepsPage);

struct WholeEraseInput {
    uint8_t series = 0;  // the channel's
    uint8_t iface = 0;
    uint8_t downloadArea = 0;
    double flashSizeKB = 0.0;  // the channel's
    uint32_t segmentStart = 0;
};

// The range of a whole-chip erase (erase mode 1) for the segment being downloaded.
EraseRange WholeChipRange(const WholeEraseInput& in);

// The security chip's flash window for a whole erase: it ends earlier on the 2 MB part.
uint32_t SecurityFlashEraseEnd(double flashSizeKB);
