// Read-protection level and write protection as a chip's option-byte image shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "app/ChipSeries.h"

// Bytes of the whole option image a read asks for, and a write sends, as the series' device layout holds them
// (series 10 reads items instead).
uint8_t OptionImageReadLength(ChipSeriesCode series);
uint8_t OptionImageWriteLength(ChipSeriesCode series);

struct ProtectionState {
    int level = 0;  // 0, 1 or 2
    bool writeProtected = false;
};

// From the image's data bytes (at least 23 of them: the data field of an option block). Level 2 when the
// series' marker byte holds 0xCC, else 0 when byte 0 holds 0xA5, else 1; write-protected unless every
// write-protection byte of the series is 0xFF (series 7 has none).
ProtectionState ProtectionOfImage(ChipSeriesCode series, std::span<const uint8_t, 64> data);
// As the option-byte editors' transport judges an image: series 11 with RDP neither 0xA5 nor 0xFF (and no level 2)
// is refused.
std::optional<ProtectionState> EditorProtectionOfImage(ChipSeriesCode series, std::span<const uint8_t, 64> data);

// Series 10 keeps write protection in item 2 (four bytes): unprotected when byte 0 is 0xFE or 0xFF and the bytes
// that cover the flash are 0xFF (bytes 1 to 3 for a 4096 KB flash, byte 1 otherwise).
bool SecurityChipWriteProtected(std::span<const uint8_t, 64> wrpData, double flashSizeKB);
