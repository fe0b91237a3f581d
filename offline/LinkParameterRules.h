// What the parameter page shows and sends for the downloader's operating parameters, apart from any window.
#pragma once

#include <array>
#include <cstdint>

#include "framework/Text.h"

// The baud rates the downloader offers, in list order; the rate travels as its value.
inline constexpr std::array<uint32_t, 21> kLinkBaudRates = {
    2400,   4800,   9600,    14400,   19200,   38400,   57600,   115200,  128000,  256000, 576000,
    921600, 923076, 1000000, 1500000, 2000000, 2250000, 2500000, 3000000, 4000000, 4500000};
// A rate the list does not hold shows as 115200.
int BaudRateIndex(uint32_t rate);

// Sliders move in steps of 20 ms: a position is stored rounded down to one.
inline int RoundedSliderMs(int position) { return position - position % 20; }

// The power-off time as the page shows it: the number up to 5000 ms, "无限制" above.
fw::Text PowerOffText(uint32_t ms);

// The write of one control line or the supply: level (or voltage) index and the time in ms.
fw::Text PinWriteRequest(uint8_t command, int index, uint32_t ms);
