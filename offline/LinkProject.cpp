#include "offline/LinkProject.h"

#include <algorithm>

#include "core/EncipheredFileName.h"
#include "offline/ByteStringName.h"

bool IsEncipheredFileName(fw::TextView name) { return NameMarksEnciphered(name); }

namespace {

bool RecordedFileEnciphered(const ProjectFileRecord& file) {
    const std::size_t length = std::min<std::size_t>(file.nameLength, kProjectTextMax);
    return IsEncipheredFileName(ByteStringToName(std::span<const uint8_t>(file.name.data(), length)));
}

}  // namespace

uint32_t RecordedFileLength(const ProjectFileRecord& file) {
    return RecordedFileEnciphered(file) ? file.storedSize.Get() : file.plainSize.Get();
}

bool RecordedFileDecipherable(const ProjectFileRecord& file) {
    return !RecordedFileEnciphered(file) ||
           (IsWholeCipherBlocks(file.plainSize.Get()) && IsWholeCipherBlocks(file.storedSize.Get()));
}

fw::Text ProjectNameOf(const ProjectConfig& record) {
    return ByteStringToName(
        std::span<const uint8_t>(record.name.data(), std::min<std::size_t>(record.nameLength, kProjectTextMax)));
}

bool IsShowableProjectConfig(const ProjectConfig& record) {
    if (record.targetInterface > 1 || record.eraseMode > 2 || record.resetMode > 1) return false;
    if (record.nameLength < 1 || record.nameLength > kProjectTextMax) return false;
    if (record.fileCount < 1 || record.fileCount > kProjectFileSlots) return false;
    for (std::size_t i = 0; i < kProjectFileSlots; ++i) {
        const bool used = record.files[i].marker.Get() == kProjectMarkerValid;
        if (used != (i < record.fileCount)) return false;
        if (used && record.files[i].nameLength > kProjectTextMax) return false;
    }
    return true;
}
