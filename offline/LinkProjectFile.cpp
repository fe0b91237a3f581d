#include "offline/LinkProjectFile.h"

#include <algorithm>

#include "framework/Files.h"
#include "offline/ProjectFileContainer.h"

namespace {

constexpr std::size_t kFixedSections = 3;

}  // namespace

std::vector<uint8_t> EncodeLinkProjectFile(const LinkProject& project) {
    std::vector<ProjectSection> sections;
    sections.reserve(kFixedSections + project.files.size());
    const auto record = project.record.Bytes();
    sections.emplace_back(record.begin(), record.end());
    sections.emplace_back(project.descriptor.begin(), project.descriptor.end());
    sections.push_back(project.blob);
    for (const auto& file : project.files)
        sections.push_back(file);
    return EncodeProjectFileContainer(sections);
}

bool ParseLinkProjectFile(std::span<const uint8_t> file, LinkProject& out) {
    std::optional<std::vector<ProjectSection>> sections = DecodeProjectFileContainer(file);
    if (!sections || sections->size() < kFixedSections || sections->size() > kFixedSections + kProjectFileSlots)
        return false;
    LinkProject project;
    const ProjectSection& record = (*sections)[0];
    if (!ProjectConfig::FromBytes(record, project.record)) return false;
    if ((*sections)[1].size() != project.descriptor.size()) return false;
    if (project.record.recordSize.Get() == 0) return false;
    if (!IsShowableProjectConfig(project.record)) return false;

    const std::size_t fileCount = sections->size() - kFixedSections;
    if (fileCount != project.record.fileCount) return false;
    if ((*sections)[2].size() != project.record.algorithm.plainSize.Get()) return false;
    for (std::size_t i = 0; i < fileCount; ++i) {
        const ProjectFileRecord& recorded = project.record.files[i];
        if ((*sections)[kFixedSections + i].size() != RecordedFileLength(recorded) ||
            !RecordedFileDecipherable(recorded))
            return false;
    }

    std::ranges::copy((*sections)[1], project.descriptor.begin());
    project.blob = std::move((*sections)[2]);
    for (std::size_t i = 0; i < fileCount; ++i) {
        project.files.push_back(std::move((*sections)[kFixedSections + i]));
        if (project.record.files[i].partitionId == 0xFF) project.record.files[i].partitionId = 0;
    }
    out = std::move(project);
    return true;
}

ProjectFileOpen OpenLinkProjectFile(fw::TextView path, LinkProject& out) {
    const fw::ReadResult file = fw::ReadWholeFile(path, kMaxLinkProjectFileBytes);
    if (file.status == fw::ReadStatus::TooLarge) return ProjectFileOpen::Rejected;
    if (!file) return ProjectFileOpen::CannotOpen;
    return ParseLinkProjectFile(file.bytes, out) ? ProjectFileOpen::Opened : ProjectFileOpen::Rejected;
}

bool WriteLinkProjectFile(fw::TextView path, const LinkProject& project) {
    return fw::WriteFileAtomic(path, std::span<const uint8_t>(EncodeLinkProjectFile(project)));
}
