#include "offline/DownloadProjectFile.h"

#include "framework/Files.h"
#include "offline/ByteStringName.h"
#include "offline/LinkProject.h"
#include "offline/ProjectFileContainer.h"

namespace {

constexpr uint8_t kHighestKeyId = 31;
constexpr uint8_t kNoPartition = 0xFF;
constexpr uint8_t kNoKey = 0xFF;

bool KeyIdsInRange(const ProjectConfig& record) {
    for (const ProjectPartitionEntry& entry : record.chip.partitions) {
        if (entry.marker.Get() == kProjectMarkerValid && entry.keyId > kHighestKeyId) return false;
    }
    for (std::size_t i = 0; i < kProjectPartitions; ++i) {
        if (record.keys.keyMode[i] != kNoKey && record.keys.keyId[i] > kHighestKeyId) return false;
    }
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeDownloadProjectFile(const ProjectConfig& record,
                                               std::span<const std::vector<uint8_t>> rowData) {
    std::vector<ProjectSection> sections;
    sections.reserve(1 + rowData.size());
    const auto bytes = record.Bytes();
    sections.emplace_back(bytes.begin(), bytes.end());
    for (const auto& data : rowData)
        sections.push_back(data);
    return EncodeProjectFileContainer(sections);
}

bool ParseDownloadProjectFile(std::span<const uint8_t> file, DownloadProject& out) {
    std::optional<std::vector<ProjectSection>> sections = DecodeProjectFileContainer(file);
    if (!sections || sections->size() < 2 || sections->size() > 1 + kProjectFileSlots) return false;
    // The older, shorter record is a link project's; a download project has only ever carried the whole one.
    if ((*sections)[0].size() != ProjectConfig::kSize) return false;
    DownloadProject project;
    if (!ProjectConfig::FromBytes((*sections)[0], project.record)) return false;
    ProjectConfig& record = project.record;
    if (record.recordSize.Get() == 0 || !KeyIdsInRange(record)) return false;

    const std::size_t fileCount = sections->size() - 1;
    if (record.fileCount != fileCount) return false;
    for (std::size_t i = 0; i < kProjectFileSlots; ++i) {
        ProjectFileRecord& slot = record.files[i];
        const bool used = slot.marker.Get() == kProjectMarkerValid;
        if (used != (i < fileCount)) return false;
        if (!used) continue;
        ProjectSection& data = (*sections)[1 + i];
        if (slot.nameLength > kProjectTextMax || data.size() > kMaxDownloadProjectSection) return false;
        if (data.size() != RecordedFileLength(slot) || !RecordedFileDecipherable(slot)) return false;
        if (slot.partitionId == kNoPartition) slot.partitionId = 0;
        project.rows.push_back({.name = ByteStringToName(std::span<const uint8_t>(slot.name.data(), slot.nameLength)),
                                .start = slot.startAddress.Get(),
                                .partition = slot.partitionId,
                                .data = std::move(data)});
    }
    out = std::move(project);
    return true;
}

ProjectFileOpen OpenDownloadProjectFile(fw::TextView path, DownloadProject& out) {
    const fw::ReadResult file = fw::ReadWholeFile(path, kMaxLinkProjectFileBytes);
    if (file.status == fw::ReadStatus::TooLarge) return ProjectFileOpen::Rejected;
    if (!file) return ProjectFileOpen::CannotOpen;
    if (ParseDownloadProjectFile(file.bytes, out)) return ProjectFileOpen::Opened;
    // Intact, but its first section is not a download project's record: a link project, most likely.
    const std::optional<std::vector<ProjectSection>> sections = DecodeProjectFileContainer(file.bytes);
    const bool otherKind = sections && !sections->empty() && (*sections)[0].size() != ProjectConfig::kSize;
    return otherKind ? ProjectFileOpen::OtherKind : ProjectFileOpen::Rejected;
}

bool WriteDownloadProjectFile(fw::TextView path, const ProjectConfig& record,
                              std::span<const std::vector<uint8_t>> rowData) {
    return fw::WriteFileAtomic(path, std::span<const uint8_t>(EncodeDownloadProjectFile(record, rowData)));
}
