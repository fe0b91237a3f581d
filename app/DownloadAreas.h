// The memory windows a download may go to, by chip series, download area and interface.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "framework/Text.h"

// Download area codes. Series 8 and 9 have two combo entries (0 internal flash, 1 "SRAM" = code 5); codes 1, 2
// and 4 of those series come only from the saved "DownloadArea".
inline constexpr uint8_t kAreaInternal = 0;
inline constexpr uint8_t kAreaDriverNvr = 1;
inline constexpr uint8_t kAreaDriverOpt = 2;
inline constexpr uint8_t kAreaSecurityFlash = 3;  // series 10 "FLASH"
inline constexpr uint8_t kAreaExternalFlash = 4;
inline constexpr uint8_t kAreaSram = 5;

// The start text shown when the area is chosen; empty for series without a row.
fw::Text AreaDefaultStartText(uint8_t series, uint8_t area);

struct RangeCheckInput {
    uint8_t iface = 0;
    uint8_t series = 0;  // the channel's
    uint8_t downloadArea = 0;
    double flashSizeKB = 0.0;  // the channel's
    uint32_t flashAreaLimit = 0;
};

// The last byte of the internal flash: base 0x08000000 plus the flash size, computed without wrapping.
uint64_t InternalFlashEnd(double flashSizeKB);

// The refusal text (translated) when [start, last] may not be downloaded, nullopt when it may. last is the
// address of the last byte, in 64 bits so that a segment reaching past 4 GiB is refused rather than wrapped.
std::optional<fw::Text> CheckDownloadRange(const RangeCheckInput& in, uint32_t start, uint64_t last);

// The memory areas a series-11 file touches: main flash, 0x1FFF1000..0x1FFF2FFF, SRAM, 0x1FFF0000..0x1FFF0DFF, in
// that order; each segment counts for the first of them it lies in.
struct FileAreas {
    int count = 0;
    int first = -1;  // the last area counted (the only one when count is 1), -1 when none
};
FileAreas ClassifySeries11File(const std::array<uint32_t, 260>& addresses, const std::array<uint32_t, 260>& lengths,
                               uint32_t segmentCount);
