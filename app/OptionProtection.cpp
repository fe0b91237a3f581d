#include "app/OptionProtection.h"

#include "core/OptionLayouts.h"

uint8_t OptionImageReadLength(ChipSeriesCode series) {
    return static_cast<uint8_t>(DeviceLayoutOf(series).bytes.size());
}

uint8_t OptionImageWriteLength(ChipSeriesCode series) {
    return static_cast<uint8_t>(DeviceLayoutOf(series).writeLength);
}

ProtectionState ProtectionOfImage(ChipSeriesCode series, std::span<const uint8_t, 64> data) {
    const OptionLayout& layout = DeviceLayoutOf(series);
    ProtectionState state;
    const std::optional<size_t> marker = PlaceOf(layout, kFieldRdp2);
    if (marker && data[*marker] == 0xCC) {
        state.level = 2;
    } else {
        state.level = data[0] == 0xA5 ? 0 : 1;
    }
    for (size_t place : WriteProtectPlaces(series)) {
        if (data[place] != 0xFF) state.writeProtected = true;
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
