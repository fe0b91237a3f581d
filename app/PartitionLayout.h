// The USER partitions a chip reports, checked against its flash, and where the three download items may start.
#pragma once

#include <array>
#include <cstdint>

#include "app/ChipSeries.h"
#include "framework/Text.h"

struct PartitionLayoutInput {
    ChipSeriesCode series = 0;
    double flashSizeKB = 0.0;        // the channel's flash size F
    double mainFlashSizeKB = 0.0;    // the main window's flash size (USER3 is placed from it)
    uint32_t partitionUnitKB = 0;    // u
    std::array<uint8_t, 3> sizes{};  // as read, in units
    uint32_t flashBase = 0x08000000;
    int downloadArea = 0;
    std::array<fw::Text, 3> itemStarts;  // segment-0 address texts of the three items
};

enum class PartitionFailure { None, ZeroFlashSize, BadSize };

struct PartitionLayout {
    PartitionFailure failure = PartitionFailure::None;
    std::array<uint8_t, 3> sizes{};  // USER1 takes what USER2 and USER3 leave when it reads 0
    // USER1 in units as the chip holds it. The byte of sizes[0] stops at 255, which also reads "not partitioned":
    // a flash of 256 units or more needs this one.
    uint32_t user1Units = 0;
    bool resetStarts = false;        // the item starts were outside their partitions
    std::array<fw::Text, 3> starts;  // "%08X" of the partition starts, when resetStarts
};

// Series 3 and 11 count USER1 one unit short of what it holds: the chip answers it so and is told it so. Reading,
// checking and verifying a configuration all go through these, so that what is written is judged as it is read.
inline bool CountsUser1Short(ChipSeriesCode series) { return series == 3 || series == 11; }
inline int User1UnitsHeld(ChipSeriesCode series, int reported) {
    return reported != 0 && CountsUser1Short(series) ? reported + 1 : reported;
}
inline int User1UnitsOfWanted(ChipSeriesCode series, int wanted) { return User1UnitsHeld(series, wanted); }

// A partition unit of 0 cannot place anything: every non-empty partition is then refused as too large, and USER2
// and USER3 sizes that together exceed the flash are refused too, so no size ever wraps.
PartitionLayout PlanPartitionLayout(const PartitionLayoutInput& in);
