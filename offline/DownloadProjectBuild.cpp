#include "offline/DownloadProjectBuild.h"

#include <algorithm>

#include "app/ChipSeries.h"
#include "core/AppServices.h"
#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "offline/ByteStringName.h"
#include "offline/LinkProject.h"

namespace {

// Chips whose partitions have no keys of their own: the key record stays 0xFF.
bool SeriesWithoutPartitionKeys(fw::TextView series) {
    for (const char16_t* name : {u"VK232", u"VK632", u"VK230", u"VK231", u"VK220", u"VK203", u"VK233"}) {
        if (fw::Find(series, name) >= 0) return true;
    }
    return false;
}

void PutCut(fw::TextView text, std::array<uint8_t, kProjectTextMax>& field, uint8_t& length) {
    std::vector<uint8_t> bytes = NameToByteString(text);
    bytes.resize(std::min(bytes.size(), kProjectTextMax));
    std::ranges::copy(bytes, field.begin());
    length = static_cast<uint8_t>(bytes.size());
}

class Builder {
public:
    Builder(const DownloadProjectChoices& c, std::span<const ProjectFileRow> r, const CChipSeriesTable& t,
            const OfflineProjectSettings& s, ProjectBuildUi& u)
        : choices(c), rows(r), table(t), settings(s), ui(u) {}

    std::optional<ProjectConfig> Run() {
        if (!CheckChoices() || !FillFiles()) return std::nullopt;
        FillChip();
        if (!FillOptions() || !FillKeys()) return std::nullopt;
        return record;
    }

private:
    bool Refuse(const fw::Text& text) {
        ui.ShowMessage(text);
        return false;
    }
    bool CheckChoices();
    bool FillFiles();
    void FillChip();
    bool FillOptions();
    bool FillKeys();

    const DownloadProjectChoices& choices;
    std::span<const ProjectFileRow> rows;
    const CChipSeriesTable& table;
    const OfflineProjectSettings& settings;
    ProjectBuildUi& ui;

    fw::Text series;
    int row = 0;
    ProjectConfig record = ProjectConfig::Blank();
};

bool Builder::CheckChoices() {
    if (!choices.seriesSelected) return Refuse(TranslateText(u"请先选择MCU类型！"));
    if (!choices.modelSelected) return Refuse(TranslateText(u"请先选择MCU型号！"));
    if (choices.seriesText.empty()) return Refuse(TranslateText(u"MCU类型不能为空！"));
    series = SeriesNameForRecord(choices.seriesText);
    if (choices.modelText.empty()) return Refuse(TranslateText(u"MCU型号不能为空！"));
    for (int i = 0; i < table.m_rowCount; ++i) {
        if (table.m_rows[i].CHIPMARK == choices.modelText) {
            row = i;
            break;
        }
    }
    if (rows.empty()) return Refuse(TranslateText(u"请先添加下载文件！"));
    if (rows.size() > kProjectFileSlots) return Refuse(TranslateText(u"下载文件数量超过8个！"));
    return true;
}

bool Builder::FillFiles() {
    HexToBytes(RandomSerial16(), record.serial.data(), record.serial.size());
    record.fileCount = static_cast<uint8_t>(rows.size());
    // A page size of 0 from the table leaves every image to the multiple-of-16 rule: no page window to divide by.
    const uint32_t pageSize = static_cast<uint32_t>(HexToInt(table.m_rows[row].PAGESIZE));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!FillProjectFileRecord(rows[i], i, pageSize, record.files[i], ui)) return false;
    }
    return true;
}

void Builder::FillChip() {
    ProjectChipRecord& chip = record.chip;
    const ChipSeriesRow& model = table.m_rows[row];
    chip.marker.Set(kProjectMarkerValid);
    PutCut(series, chip.series, chip.seriesLength);
    PutCut(choices.modelText, chip.model, chip.modelLength);
    FillChipValues(model, chip);
    if (choices.partitionsChecked) FillPartitionEntries(settings, chip);
}

bool Builder::FillOptions() {
    if (!choices.optionBytesChecked)
        return ui.Ask(TranslateText(u"没有配置选项字节，下载程序安全性无法保障！是否继续？"));
    record.chip.option.marker.Set(kProjectMarkerValid);
    record.chip.option.optionBytes = choices.optionBytes;
    return true;
}

bool Builder::FillKeys() {
    if (SeriesWithoutPartitionKeys(series)) return true;
    ProjectKeyRecord& keys = record.keys;
    const auto& partitions = record.chip.partitions;
    if (choices.partitionsChecked) {
        for (std::size_t i = 0; i < kProjectPartitions; ++i) {
            if (partitions[i].marker.Get() != kProjectMarkerValid) continue;
            const uint8_t keyId = partitions[i].keyId;
            const int entry = PartitionKeyEntry(choices.seriesCode, keyId);
            if (!PartitionKeyIdAllowed(choices.seriesCode, static_cast<int>(i), keyId) || entry < 0) {
                ui.ShowMessage(fw::Format(TranslateText(u"分区USER%d的密钥ID无效！"), static_cast<int>(i) + 1));
                return false;
            }
            keys.newKey[i] = keys.oldKey[i] = WrapDefaultChipKey(g_defaultChipKeys[static_cast<std::size_t>(entry)]);
            keys.keyMode[i] = 0;
            keys.keyId[i] = keyId;
        }
    }
    if (!choices.chipKeyUpdateChecked) return true;
    return FillChipKeyUpdates(record.chip, settings, keys, ui);
}

}  // namespace

std::optional<ProjectConfig> BuildDownloadProjectRecord(const DownloadProjectChoices& choices,
                                                        std::span<const ProjectFileRow> rows,
                                                        const CChipSeriesTable& table,
                                                        const OfflineProjectSettings& settings, ProjectBuildUi& ui) {
    return Builder(choices, rows, table, settings, ui).Run();
}
