#include "offline/ProjectPageView.h"

#include <algorithm>

#include "framework/Format.h"
#include "offline/ByteStringName.h"
#include "offline/LinkProject.h"

namespace {

fw::Text NameOf(const std::array<uint8_t, kProjectTextMax>& field, uint8_t length) {
    return ByteStringToName(std::span<const uint8_t>(field.data(), std::min<std::size_t>(length, kProjectTextMax)));
}

}  // namespace

fw::Text SeriesNameFromRecord(fw::TextView series, fw::TextView model) {
    const auto holds = [](fw::TextView text, fw::TextView part) { return text.find(part) != fw::TextView::npos; };
    if (holds(model, u"VK422") && holds(series, u"VK425")) return u"VK422";
    if (holds(model, u"VK615") && holds(series, u"VK515")) return u"VK615";
    if (holds(model, u"VK231") && holds(series, u"VK230")) return u"VK231";
    return fw::Text(series);
}

std::optional<ProjectPageView> ViewOfProjectConfig(const ProjectConfig& record) {
    if (!IsShowableProjectConfig(record)) return std::nullopt;
    ProjectPageView view;
    view.interfaceIndex = record.targetInterface;
    view.eraseIndex = record.eraseMode;
    view.resetIndex = record.resetMode;
    view.limitChecked = record.limitOn != 0;
    if (view.limitChecked) view.limitText = fw::Format(u"%u", record.downloadLimit.Get());
    view.nameText = NameOf(record.name, record.nameLength);
    for (std::size_t i = 0; i < record.fileCount; ++i) {
        const ProjectFileRecord& f = record.files[i];
        ProjectPageView::Row row;
        row.name = NameOf(f.name, f.nameLength);
        row.enciphered = IsEncipheredFileName(row.name);
        row.length = RecordedFileLength(f);
        const uint32_t start = f.startAddress.Get();
        row.startText = fw::Format(u"%08X", start);
        row.sizeText = fw::Format(u"%u", row.length);
        row.rangeText = fw::Format(u"%08X-%08X", start, start + row.length - 1);
        row.partitionId = f.partitionId == 0xFF ? 0 : f.partitionId;
        view.rows.push_back(row);
    }
    view.modelText = NameOf(record.chip.model, record.chip.modelLength);
    view.seriesText = SeriesNameFromRecord(NameOf(record.chip.series, record.chip.seriesLength), view.modelText);
    for (const ProjectPartitionEntry& entry : record.chip.partitions)
        view.partitionsConfigured |= entry.marker.Get() == kProjectMarkerValid;
    view.optionBytesConfigured = record.chip.option.marker.Get() != kProjectMarkerAbsent;
    for (uint8_t mode : record.keys.keyMode)
        view.chipKeyUpdated |= mode == 1;
    view.writesSerialNumber = (record.snFlags & 1) != 0;
    return view;
}

std::vector<ProjectFileRow> RowsOfProject(const ProjectConfig& record, std::span<const std::vector<uint8_t>> files) {
    std::vector<ProjectFileRow> rows;
    const std::size_t count = std::min({std::size_t{record.fileCount}, kProjectFileSlots, files.size()});
    for (std::size_t i = 0; i < count; ++i) {
        const ProjectFileRecord& f = record.files[i];
        ProjectFileRow row;
        row.name = NameOf(f.name, f.nameLength);
        row.startText = fw::Format(u"%08X", f.startAddress.Get());
        row.partitionId = f.partitionId == 0xFF ? 0 : f.partitionId;
        row.data = files[i];
        row.length = static_cast<uint32_t>(std::min<std::size_t>(RecordedFileLength(f), files[i].size()));
        if (IsEncipheredFileName(row.name)) {
            row.plainLength = f.plainSize.Get();
            row.plainCrc32 = f.plainCrc.Get();
            row.plainSha256 = f.plainSha256;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}
