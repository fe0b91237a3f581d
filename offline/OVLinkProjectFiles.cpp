// The project page's download-file list: adding a file at the address and partition the user gives, and removing
// rows.
#include <algorithm>

#include "core/FileFilters.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Format.h"
#include "offline/AddStarAddressDlg.h"
#include "offline/DownloadFileLoad.h"
#include "offline/FilePlacement.h"
#include "offline/OVLinkProjectDlg.h"
#include "offline/OfflineProjectSettings.h"

namespace {

// Larger files are no image of a chip: the biggest flash of the table is far below.
constexpr std::size_t kMaxDownloadFileBytes = 64u << 20;

// The type of the file chosen last comes first in the filter, for the whole process.
fw::Text& LastExtension() {
    static fw::Text extension;
    return extension;
}

PlacedFileRow PlacedOf(const ProjectFileRow& row) {
    const uint32_t start = HexToUInt32(row.startText);
    return {start, start + row.length - 1, row.length};
}

}  // namespace

void COVLinkProjectDlg::InsertFileRow(int index, const ProjectFileRow& row, uint32_t shownLength) {
    fw::Control list = GetDlgItem(IDC_OVPROJ_FILES);
    const uint32_t start = HexToUInt32(row.startText);
    const int item = list.InsertItem(index, fw::Format(u"%d", index + 1));
    list.SetItemText(item, 1, row.name);
    list.SetItemText(item, 2, fw::Format(u"%u", shownLength));
    list.SetItemText(item, 3, fw::Format(u"%08X-%08X", start, start + shownLength - 1));
    list.SetItemText(item, 4, fw::Format(u"%d", row.partitionId));
}

void COVLinkProjectDlg::ClearFileList() { GetDlgItem(IDC_OVPROJ_FILES).DeleteAllItems(); }

void COVLinkProjectDlg::OnBnClickedAdd() {
    fw::FileDialog dialog(true, {}, {}, fw::OFN_HIDEREADONLY, BuildFileFilter(LastExtension()), this);
    if (!ChipChosen(0)) return;
    const int row = ModelRow();
    FilePlacementChip chip;
    chip.family = m_optionFamily;
    if (row >= 0) {
        chip.flashStart = static_cast<uint32_t>(HexToInt(m_table.m_rows[row].FLASHSTARTADDR));
        chip.flashSize = static_cast<uint32_t>(HexToInt(m_table.m_rows[row].FLASHSIZE));
        chip.sramSize = static_cast<uint32_t>(HexToInt(m_table.m_rows[row].SRAMSIZE));
    }
    CAddStarAddressDlg startDialog(chip.flashStart, this);
    if (startDialog.DoModal() != fw::IDOK || dialog.DoModal() != fw::IDOK) return;
    if (m_rows.size() >= kProjectFileRows) {
        Say(TranslateText(u"最多可添加8个文件！"));
        return;
    }
    const fw::Text path = dialog.GetPathName();
    if (path.empty()) return;
    const fw::Text name = dialog.GetFileName();
    if (!DownloadFileNameFits(name)) {
        Say(TranslateText(u"文件名称长度超过32字节！"));
        return;
    }
    LastExtension() = dialog.GetFileExt();
    DownloadFile file = ReadDownloadFile(path, name, HexToUInt32(startDialog.m_addressText), kMaxDownloadFileBytes);
    if (!file.refusal.empty()) {
        Say(file.refusal);
        return;
    }
    const OfflineProjectSettings& settings = ProjectSettings();
    FilePlacementPartition partition;
    partition.partitionMode = settings.partitionMode != 0;
    partition.partition = static_cast<uint8_t>(startDialog.m_partition);
    partition.user2Base = startDialog.m_bases.base[1];
    partition.user3Base = startDialog.m_bases.base[2];
    std::vector<PlacedFileRow> placed;
    for (const ProjectFileRow& listed : m_rows)
        placed.push_back(PlacedOf(listed));
    std::vector<NewFileRun> runs;
    for (const DownloadFileRun& run : file.runs)
        runs.push_back({run.start, static_cast<uint32_t>(std::min<std::size_t>(run.data.size(), UINT32_MAX))});
    if (const fw::Text refusal = FilePlacementRefusal(chip, partition, placed, runs); !refusal.empty()) {
        Say(refusal);
        return;
    }
    for (DownloadFileRun& run : file.runs) {
        ProjectFileRow added;
        added.name = name;
        added.path = path;
        added.startText = fw::Format(u"%08X", run.start);
        added.partitionId = partition.partition;
        const uint32_t length = static_cast<uint32_t>(run.data.size());
        added.length = (length + 15) & ~15u;
        added.data = std::move(run.data);
        added.data.resize(added.length, 0xFF);
        added.plainLength = file.plainLength;
        added.plainSha256 = file.plainSha256;
        added.plainCrc32 = file.plainCrc32;
        InsertFileRow(static_cast<int>(m_rows.size()), added, length);
        m_rows.push_back(std::move(added));
    }
}

void COVLinkProjectDlg::OnBnClickedDelete() {
    fw::Control list = GetDlgItem(IDC_OVPROJ_FILES);
    std::vector<int> selected;
    for (int item = list.GetNextSelectedItem(); item >= 0; item = list.GetNextSelectedItem(item))
        selected.push_back(item);
    if (selected.empty()) {
        if (list.GetItemCount() == 0) {
            Say(TranslateText(u"没有可删除的文件！"));
            return;
        }
        selected.push_back(list.GetItemCount() - 1);
    }
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        list.DeleteItem(*it);
        if (*it < static_cast<int>(m_rows.size())) m_rows.erase(m_rows.begin() + *it);
    }
    for (int item = 0; item < list.GetItemCount(); ++item)
        list.SetItemText(item, 0, fw::Format(u"%d", item + 1));
}
