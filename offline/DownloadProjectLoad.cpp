#include "offline/DownloadProjectLoad.h"

#include <algorithm>
#include <vector>

#include "app/ChipSeries.h"
#include "app/DownloadFiles.h"
#include "app/MainWindow.h"
#include "app/MainWindowState.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "framework/Styles.h"
#include "offline/ByteStringName.h"
#include "offline/DownloadProjectFile.h"
#include "offline/LinkProject.h"

namespace {

uint32_t PaddedTo16(std::size_t size) { return static_cast<uint32_t>((size + 15) / 16 * 16); }

}  // namespace

bool LoadDownloadProjectIntoWindow(CQXDownloadToolDlg& window, fw::TextView path) {
    DownloadProject project;
    const ProjectFileOpen opened = OpenDownloadProjectFile(path, project);
    if (opened != ProjectFileOpen::Opened) {
        const fw::Text why = opened == ProjectFileOpen::CannotOpen  ? TranslateText(u"项目文件打开失败！")
                             : opened == ProjectFileOpen::OtherKind ? TranslateText(u"不是下载项目文件！")
                                                                    : TranslateText(u"项目文件已损坏！");
        window.m_msgBox.MessageBox(&window, why, fw::MB_OK);
        return false;
    }
    const ProjectConfig& record = project.record;
    const std::size_t seriesLength = std::min<std::size_t>(record.chip.seriesLength, record.chip.series.size());
    const fw::Text seriesName = ByteStringToName(std::span(record.chip.series.data(), seriesLength));

    // A key id the series cannot use would configure a partition that no later download can open.
    const ChipSeriesCode series = ChipSeriesOfModelName(seriesName).value_or(window.m_chipSeries);
    for (std::size_t i = 0; i < record.chip.partitions.size(); ++i) {
        const ProjectPartitionEntry& entry = record.chip.partitions[i];
        if (entry.marker.Get() != kProjectMarkerValid || entry.keyId == 0xFF) continue;
        const std::vector<uint8_t> ids = PartitionKeyIdChoices(series, static_cast<int>(i));
        if (std::ranges::find(ids, entry.keyId) == ids.end()) {
            const fw::Text why = fw::Format(TranslateText(u"项目文件中USER%d的密钥ID %d不适用于该芯片系列！"),
                                            static_cast<int>(i + 1), static_cast<int>(entry.keyId));
            window.m_msgBox.MessageBox(&window, why, fw::MB_OK);
            window.AppendLog(why, kLogRed);
            return false;
        }
    }

    // The whole file was good: from here on nothing can fail.
    DownloadItems& items = window.m_items;
    ClearItemsForProject(items);
    for (DownloadItem& item : items) {
        item.segmentCount = 0;
        std::fill(item.length.begin(), item.length.end(), 0u);
    }
    uint64_t fileBytes = 0;
    for (std::size_t k = 0; k < project.rows.size(); ++k) {
        const DownloadProjectRow& row = project.rows[k];
        // A row of a partition joins that item's segments in slot order, so every row is programmed once.
        DownloadItem& item = items[std::min<std::size_t>(row.partition, items.size() - 1)];
        const int j = static_cast<int>(item.segmentCount++);
        std::vector<uint8_t> data = row.data;
        data.resize(PaddedTo16(data.size()), 0xFF);
        const bool enciphered = IsEncipheredFileName(row.name);
        // An enciphered file is programmed as long as it was stored, never past the bytes that came with it.
        const uint32_t length =
            enciphered ? std::min<uint32_t>(record.files[k].storedSize.Get(), static_cast<uint32_t>(data.size()))
                       : static_cast<uint32_t>(data.size());
        SetSegment(item, j, std::move(data), length);
        item.fileName = row.name;
        item.enciphered = enciphered ? 1 : 0;
        item.address[j] = row.start;
        item.addressText[j] = fw::Format(u"%08X", row.start);
        // The lines tell where the file's own bytes go, as for any other file; the padding is the job's.
        fileBytes += row.data.size();
        window.AppendLog(FileRangeLine(static_cast<int>(k + 1), row.start, static_cast<uint32_t>(row.data.size())),
                         kLogBlack);
    }
    for (DownloadItem& item : items)
        item.segmentCount = std::max<uint32_t>(item.segmentCount, 1);
    window.AppendLog(FileSizeLine(fileBytes), kLogBlack);

    for (std::size_t i = 0; i < items.size(); ++i) {
        const ProjectPartitionEntry& entry = record.chip.partitions[i];
        DownloadItem& item = items[i];
        if (entry.marker.Get() == kProjectMarkerValid) {
            item.enabled = 1;
            item.configure = 1;
            item.wantedSize = entry.size;
            item.wantedKeyId = entry.keyId;
            item.wantedAuthentication = static_cast<uint8_t>(entry.flags >> 4);
            item.wantedEncryption = static_cast<uint8_t>(entry.flags & 0x0F);
        } else if (entry.marker.Get() == kProjectMarkerAbsent) {
            item.enabled = item.configure = item.wantedSize = item.wantedKeyId = 0;
            item.wantedAuthentication = item.wantedEncryption = 0;
        }
        if (record.keys.keyMode[i] == 1) {
            item.keyUpdate = 1;
            item.newKeyHex = BytesToHex(record.keys.newKey[i]);
            item.oldKeyHex = BytesToHex(record.keys.oldKey[i]);
        }
    }

    const bool options = record.chip.option.marker.Get() == kProjectMarkerValid;
    window.m_writeOptionBytes = options ? 1 : 0;
    if (options) {
        window.m_projectOptionBytes = record.chip.option.optionBytes;
    } else {
        window.m_projectOptionBytes.reset();
    }
    window.m_projectSeriesName = seriesName;
    return true;
}
