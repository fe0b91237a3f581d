// The report lengths a HID report descriptor declares, as the system's HID capabilities give them: per direction
// the longest report's data bytes plus the report id byte. The descriptor comes from the device and is read with
// its bounds checked; what cannot be parsed gives nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

struct HidReportLengths {
    int input = 0;
    int output = 0;
};

std::optional<HidReportLengths> ParseHidReportLengths(std::span<const uint8_t> descriptor);
