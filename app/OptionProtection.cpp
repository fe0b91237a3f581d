#include "app/OptionProtection.h"

#include <array>

namespace {

struct ProtectionLayout {
    int marker;
    std::array<int, 4> wrp;  // offsets; -1 ends the list
};

ProtectionLayout LayoutOf(ChipSeriesCode series) {
    switch (series) {
        case 3:
        case 4:
        case 5:
        case 6:
            return {12, {8, 10, -1, -1}};
        case 7:
            // Bytes 8 to 11 of this image are USER2 and USER3: the series has no write protection to judge.
            return {12, {-1, -1, -1, -1}};
        case 12:
            return {12, {10, 11, -1, -1}};
        case 11:
            return {13, {9, 10, 11, 12}};
        case 9:
            return {2, {16, 18, 20, 22}};
        default:
            return {16, {8, 10, 12, 14}};
    }
}

}  // namespace

uint8_t OptionImageReadLength(ChipSeriesCode series) {
    switch (series) {
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
            return 16;
        case 8:
        case 9:
            return 32;
        case 11:
            return 14;
        case 12:
            return 17;
        default:
            return 20;
    }
}

uint8_t OptionImageWriteLength(ChipSeriesCode series) { return series == 12 ? 13 : OptionImageReadLength(series); }

ProtectionState ProtectionOfImage(ChipSeriesCode series, std::span<const uint8_t, 64> data) {
    const ProtectionLayout layout = LayoutOf(series);
    ProtectionState state;
    if (data[static_cast<size_t>(layout.marker)] == 0xCC) {
        state.level = 2;
    } else {
        state.level = data[0] == 0xA5 ? 0 : 1;
    }
    for (int offset : layout.wrp) {
        if (offset >= 0 && data[static_cast<size_t>(offset)] != 0xFF) state.writeProtected = true;
    }
    return state;
}

bool SecurityChipWriteProtected(std::span<const uint8_t, 64> wrpData, double flashSizeKB) {
    const bool firstFree = wrpData[0] == 0xFE || wrpData[0] == 0xFF;
    if (flashSizeKB == 4096.0) return !(firstFree && wrpData[1] == 0xFF && wrpData[2] == 0xFF && wrpData[3] == 0xFF);
    return !(firstFree && wrpData[1] == 0xFF);
}

std::optional<ProtectionState> EditorProtectionOfImage(ChipSeriesCode series, std::span<const uint8_t, 64> data) {
    const ProtectionState state = ProtectionOfImage(series, data);
    // Series 11 knows two level-1 encodings only; anything else in RDP is no image of a sound chip.
    if (series == 11 && state.level != 2 && data[0] != 0xA5 && data[0] != 0xFF) return std::nullopt;
    return state;
}
