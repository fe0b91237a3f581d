// Chip series codes (0 to 12) and what the main window derives from them alone.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "framework/Text.h"

using ChipSeriesCode = uint8_t;

// True when value is one of the codes listed (series and interface rules are written as such lists).
inline bool IsOneOf(uint8_t value, std::initializer_list<uint8_t> set) {
    return std::find(set.begin(), set.end(), value) != set.end();
}

// The series a model name belongs to: the names of the series table are tested in their fixed order and the first
// one found anywhere in the upper-cased text wins ("VK73X" is series 9 through the earlier "VK73"). nullopt when
// no name is found; the caller then keeps the series it had.
std::optional<ChipSeriesCode> ChipSeriesOfModelName(fw::TextView name);

// The flash a whole-flash erase and the security chip's USER1 cover: series 10 keeps its top 128 KB for itself.
double ErasableFlashKB(ChipSeriesCode series, double flashSizeKB);

// Series 4, 6, 7 and 12 have no USER partitions.
bool SeriesHasNoUserPartitions(ChipSeriesCode series);

// The key ids a USER partition (0 to 2) may be configured with. Series 8 and 9 open a partition with the key of its
// own index whatever id the chip holds for it, and series 5 opens USER1 with key 0 and USER3 with key 1 (it has no
// USER2), so any other id would make a partition the program can no longer erase or download: they take that one
// id; the other series ids 0 to 31.
std::vector<uint8_t> PartitionKeyIdChoices(ChipSeriesCode series, int partition);
// The one id of a series that leaves a partition no choice; nullopt where the id is the user's.
std::optional<uint8_t> FixedPartitionKeyId(ChipSeriesCode series, int partition);
bool PartitionKeyIdAllowed(ChipSeriesCode series, int partition, uint8_t keyId);

// The chip key table entry that holds the key of a key id, by series (5: ids 0 and 1 map to 30 and 31; 8 and 9:
// 28 + id, ids above 3 to 31; others: the id itself); -1 for an id the series has no key for. Every reader and
// writer of a partition's key goes through it, so a key stored after an update is the one found by the id.
int PartitionKeyEntry(ChipSeriesCode series, uint8_t keyId);

// The flash page size assumed for a production channel on SWD, where no chip tells it; 0 for unknown codes.
uint32_t ProductionPageSize(ChipSeriesCode series);

// The flash size as the log shows it: one decimal for series 7 (its flash is 29.5 KB), none otherwise.
fw::Text CapacityText(ChipSeriesCode series, double flashSizeKB);
