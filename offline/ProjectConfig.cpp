#include "offline/ProjectConfig.h"

#include <algorithm>

ProjectConfig ProjectConfig::Blank() {
    ProjectConfig record;
    std::ranges::fill(record.MutableBytes(), uint8_t{0xFF});
    record.recordSize.Set(kSize);
    record.magic.Set(kProjectMarkerValid);
    record.version.Set(kProjectVersion);
    return record;
}

bool ProjectConfig::FromBytes(std::span<const uint8_t> bytes, ProjectConfig& out) {
    if (bytes.size() != kSize && bytes.size() != kLegacySize) return false;
    ProjectConfig record;
    std::ranges::fill(record.MutableBytes(), uint8_t{0xFF});
    std::ranges::copy(bytes, record.MutableBytes().begin());
    out = record;
    return true;
}
