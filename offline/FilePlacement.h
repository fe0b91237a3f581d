// Where the download files of an offline project may be placed: in the chip's flash (or the RAM windows some
// families also program), inside the chosen partition, clear of the files already listed and within the flash's
// size in total. One file may bring several rows (the address runs of a HEX file); they are checked as a whole,
// so a file is either listed complete or not at all.
#pragma once

#include <cstdint>
#include <span>

#include "offline/OfflineProjectSettings.h"
#include "offline/ProjectConfig.h"

inline constexpr std::size_t kProjectFileRows = 8;

struct FilePlacementChip {
    int family = -1;  // the page's option family
    uint32_t flashStart = 0;
    uint32_t flashSize = 0;  // bytes
    uint32_t sramSize = 0;   // bytes
};

// What the start-address dialog answered; the bases are 0 for a partition it did not offer.
struct FilePlacementPartition {
    bool partitionMode = false;
    uint8_t partition = 0;  // 0 USER1, 1 USER2, 2 USER3
    uint32_t user2Base = 0;
    uint32_t user3Base = 0;
};

// A row already in the list: its range and its length as stored (both rounded up to 16 bytes, as programmed).
struct PlacedFileRow {
    uint32_t start = 0;
    uint32_t end = 0;  // last address programmed
    uint32_t length = 0;
};

struct NewFileRun {
    uint32_t start = 0;
    uint32_t length = 0;  // bytes of the file, before rounding
};

// The message of the first rule the new runs break, translated; empty when all of them may be listed.
fw::Text FilePlacementRefusal(const FilePlacementChip& chip, const FilePlacementPartition& partition,
                              std::span<const PlacedFileRow> rows, std::span<const NewFileRun> runs);

// Partitions of the start-address dialog: the unit of the sizes by series code, and where each partition begins
// for a flash that starts at `flashStart`. USER3 ends where the flash ends, USER2 where USER3 begins; USER2 is
// never offered on series 5. Addresses wrap at 32 bits as the chip's do.
uint32_t PartitionUnitKB(uint8_t seriesCode);

struct PartitionBases {
    bool offered[3] = {true, false, false};
    uint32_t base[3] = {0, 0, 0};
};

PartitionBases PartitionBasesOf(const OfflineProjectSettings& settings, uint32_t flashStart);

// The refusal of a start-address text for the chosen partition (index 0 to 2), translated; empty when accepted.
fw::Text StartAddressRefusal(fw::TextView text, int partition, const PartitionBases& bases,
                             const OfflineProjectSettings& settings, uint32_t flashStart);
