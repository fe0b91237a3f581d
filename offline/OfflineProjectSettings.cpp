#include "offline/OfflineProjectSettings.h"

#include <algorithm>

#include "core/Translation.h"
#include "framework/Window.h"
#include "offline/ProjectConfig.h"
#include "offline/ProjectFileRow.h"
#include "optionbytes/ProjectOptionTexts.h"

void OfflineProjectSettings::ForgetPartitionSteps() {
    chipKeyOld = {};
    chipKeyNew = {};
    chipKeyId = {};
    chipKeyUpdate = {};
    partitionConfigured = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    partitionIndex = {};
    partitionSize = {};
    partitionKeyId = {};
    partitionFlags = {};
    partitionMode = 0;
}

bool OfflineProjectSettings::HoldsPartitionSteps() const {
    return std::ranges::find(partitionConfigured, kProjectMarkerValid) != partitionConfigured.end() ||
           std::ranges::find(chipKeyUpdate, uint8_t{1}) != chipKeyUpdate.end();
}

void OfflineProjectSettings::ResetForNewProject(bool pageOpening) {
    ForgetPartitionSteps();
    partitionsEditable = 0;
    flashSizeKB = 0;
    seriesCode = 0;
    if (pageOpening) {
        g_projectOptionText.clear();
        g_projectOptionText2.clear();
        linkOptFamily = 0;
        linkOptEditable = 0;
        linkOpt2Family = 3;
        linkOpt2Editable = 0;
    } else {
        projectEditable = 1;
    }
}

fw::Text PartitionStepsDroppedText() {
    return TranslateText(u"芯片系列已更改，分区配置和芯片密钥更新已清除，请重新配置！");
}

bool ForgetPartitionStepsOf(fw::Window& dialog, int partitionBox, int chipKeyBox, std::span<ProjectFileRow> rows,
                            int fileList) {
    OfflineProjectSettings& settings = ProjectSettings();
    if (!dialog.IsDlgButtonChecked(partitionBox) && !dialog.IsDlgButtonChecked(chipKeyBox) &&
        !settings.HoldsPartitionSteps())
        return false;
    settings.ForgetPartitionSteps();
    dialog.CheckDlgButton(partitionBox, 0);
    dialog.CheckDlgButton(chipKeyBox, 0);
    fw::Control list = dialog.GetDlgItem(fileList);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].partitionId = 0;
        list.SetItemText(static_cast<int>(i), 4, u"0");
    }
    return true;
}

OfflineProjectSettings& ProjectSettings() {
    static OfflineProjectSettings settings;
    return settings;
}

void LoadPartitionSettings(const ProjectConfig& record, OfflineProjectSettings& settings) {
    for (std::size_t i = 0; i < kProjectPartitions; ++i) {
        const ProjectPartitionEntry& entry = record.chip.partitions[i];
        settings.partitionConfigured[i] = entry.marker.Get();
        settings.partitionIndex[i] = entry.index;
        settings.partitionSize[i] = entry.size;
        settings.partitionKeyId[i] = entry.keyId;
        settings.partitionFlags[i] = entry.flags;
    }
}

void StorePartitionSettings(const OfflineProjectSettings& settings, ProjectConfig& record) {
    for (std::size_t i = 0; i < kProjectPartitions; ++i) {
        ProjectPartitionEntry& entry = record.chip.partitions[i];
        entry.marker.Set(settings.partitionConfigured[i]);
        entry.index = settings.partitionIndex[i];
        entry.size = settings.partitionSize[i];
        entry.keyId = settings.partitionKeyId[i];
        entry.flags = settings.partitionFlags[i];
    }
}
