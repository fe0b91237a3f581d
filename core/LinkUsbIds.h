// The USB ids the program looks for when the user connects the offline downloader and has not typed others. The
// maker's own ids are not known here; these are the ones our simulated downloaders and udev rule use.
#pragma once

#include <cstdint>

inline constexpr uint16_t kLinkDefaultVendorId = 0x5158;
inline constexpr uint16_t kLinkDefaultProductId = 0x4C50;
