// Helpers the steps of the download job share.
#pragma once

#include <cstdint>

#include "app/ChipSeries.h"
#include "app/DownloadItem.h"
#include "core/HexText.h"
#include "framework/Format.h"

namespace download_steps {

inline constexpr uint32_t kRed = 0x0000DC;

// The security chip keeps no USER partitions of this kind either.
inline bool HasNoUserPartitions(ChipSeriesCode series) { return SeriesHasNoUserPartitions(series) || series == 10; }

using ::IsOneOf;

// A 16-byte key from hex text; false unless the text holds exactly 16 bytes of hex digits.
inline bool KeyBytes(const fw::Text& hex, uint8_t (&key)[16]) {
    if (hex.size() != 32 || !IsHexText(hex)) return false;
    return HexToBytes(hex, key, sizeof key);
}

// Lines of one item carry its partition's name when more than the first item downloads.
inline fw::Text Label(const DownloadItems& items, int index) {
    if (items[1].enabled || items[2].enabled) return fw::Format(u"USER%d ", index + 1);
    return {};
}

}  // namespace download_steps
