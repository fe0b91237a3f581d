#include "app/ChipIdentity.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "core/HexText.h"
#include "framework/Format.h"

namespace {

fw::Text VersionText(uint8_t packed) { return fw::Format(u"V%d.%d", packed >> 4, packed & 0x0F); }

template <size_t N>
fw::Text HexOfUsedBytes(const uint8_t (&field)[N], uint8_t used) {
    return BytesToHex(std::span<const uint8_t>(field, std::min<size_t>(used, N)));
}

}  // namespace

ChipIdentity DecodeChipInfo(const ChipInfoBlock& block) {
    ChipIdentity id;
    id.series = block.seriesCode;
    const size_t modelLength = std::min<size_t>(block.modelLength, sizeof(block.model));
    for (size_t i = 0; i < modelLength; ++i) id.model.push_back(static_cast<unsigned char>(block.model[i]));
    id.bootVersionText = VersionText(block.bootVersion);
    id.bootSubVersionText = VersionText(block.bootSubVersion);
    id.ucid = HexOfUsedBytes(block.ucid, block.ucidLength);
    id.uid = HexOfUsedBytes(block.uid, block.uidLength);
    id.flashSizeKB = std::isfinite(block.flashSizeKB) && block.flashSizeKB > 0.0 ? block.flashSizeKB : 0.0;
    id.partitionUnitKB = block.partitionUnitKB;
    id.pageSize = block.pageSize;
    return id;
}
