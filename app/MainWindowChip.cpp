// The main window's chip identity and series: information, partitions, protection, sizes of a download.
#include <algorithm>

#include "app/ChipIdentity.h"
#include "app/ControlRules.h"
#include "app/MainWindow.h"
#include "app/OptionProtection.h"
#include "app/PartitionLayout.h"
#include "app/ProgressSteps.h"
#include "app/ReadAnswer.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "framework/Profile.h"

using fw::Text;

bool CQXDownloadToolDlg::GetChipInfo(ChipInfoBlock info, ChannelSlot* channel) {
    ChannelSlot& slot = channel ? *channel : g_channels[0];
    // A production worker reads its own chip into its channel only: the window's chip is the series the operator
    // chose, and up to eight workers read at once.
    const bool windowsChip = !m_productionMode || channel == nullptr;
    if (windowsChip) {
        m_chipModel.clear();
        m_bootVersionText.clear();
        m_bootSubVersionText.clear();
        m_ucid.clear();
        m_uidText.clear();
        m_capacityText.clear();
        m_flashSizeKB = 0.0;
        m_partitionUnitKB = 0;
        m_pageSize = 0;
    }
    if (OV_CMD_GET_INF(slot.handle, &info) != CMD_STATUS_OK) return false;

    const ChipIdentity id = DecodeChipInfo(info);
    slot.chipSeries = id.series;
    if (!id.ucid.empty()) slot.ucidNow = id.ucid;
    slot.flashSizeKB = id.flashSizeKB;
    slot.partitionUnitKB = id.partitionUnitKB;
    slot.pageSize = id.pageSize;
    if (!windowsChip) return true;

    m_chipSeries = id.series;
    m_chipModel = id.model;
    m_bootVersionText = id.bootVersionText;
    m_bootSubVersionText = id.bootSubVersionText;
    if (!id.ucid.empty()) m_ucid = id.ucid;
    m_uidText = id.uid;
    m_flashSizeKB = id.flashSizeKB;
    m_partitionUnitKB = id.partitionUnitKB;
    m_pageSize = id.pageSize;
    m_chipInfoFresh = true;
    return true;
}

void CQXDownloadToolDlg::ApplyChipInfo() {
    const ChipSeriesCode series = m_chipSeries;
    m_capacityText = CapacityText(series, m_flashSizeKB);

    // Only a chip that just answered can be a new chip; a loaded file or a chosen series says nothing about it.
    if (m_chipInfoFresh && m_ucid != m_profileUcid) {
        for (int i = 0; i < 32; ++i)
            fw::WriteProfileString(u"Settings", fw::Format(u"Key%d", i), u"");
        LoadKeyTable();
        m_profileUcid = m_ucid;
        m_chipMark = m_chipModel;
        fw::WriteProfileString(u"Settings", u"UCID", m_ucid);
        fw::WriteProfileString(u"Settings", u"ChipMark", m_chipModel);
    }
    m_chipInfoFresh = false;

    fw::Control area = GetDlgItem(IDC_COMBO_DOWNLOAD_AREA);
    auto fill = [&area, this](const std::vector<Text>& entries) {
        if (area.GetCount() != static_cast<int>(entries.size())) {
            area.ResetContent();
            for (const Text& e : entries)
                area.AddString(e);
        }
        area.SetCurSel(m_downloadArea < area.GetCount() ? m_downloadArea : 0);
    };
    if (SeriesHasNoUserPartitions(series)) {
        for (DownloadItem& item : m_items) {
            item.readSize = item.readAuthentication = item.readEncryption = 0;
            item.configure = 0;
        }
        for (int i = 1; i <= 3; ++i) {
            WriteSysConfig(fw::Format(u"enablepartition%d", i), u"00");
            WriteSysConfig(fw::Format(u"encfile%d", i), u"00");
        }
        if (series == 12) fill({u"Flash", u"SRAM"});
    } else if (series == 8 || series == 9) {
        fill({TranslateText(u"内部Flash"), u"SRAM"});
    } else if (series == 10) {
        fill({u"ITCM", u"AXISRAM", u"AHBSRAM", u"FLASH"});
        m_flashAreaLimit = m_flashSizeKB == 4096.0 ? 0x153DFFFF : 0x151DFFFF;
    } else if (series == 11) {
        fill({u"Main Flash", u"Data Flash", u"SRAM Flash"});
    }

    const ChipControlRules rules = ChipInfoControlRules(series, m_downloadArea, m_bootSubVersionText == u"V1.0");
    if (rules.eraseModeSelection) GetDlgItem(IDC_COMBO_ERASE_MODE).SetCurSel(*rules.eraseModeSelection);
    for (const ControlAction& a : rules.actions) {
        fw::Control c = GetDlgItem(a.id);
        c.EnableWindow(a.enabled);
        if (a.untick) c.SetCheck(0);
    }
}

void CQXDownloadToolDlg::ShowChipInfo() {
    if (!m_chipModel.empty()) {
        if (m_chipModel == u"Unknown") {
            AppendLog(TranslateText(u"芯片型号:未知"), kLogBlack);
        } else if (m_chipSeries == 5 && m_chipModel.size() > 7) {
            AppendLog(TranslateText(u"芯片型号:") + m_chipModel, kLogBlack);
        } else {
            AppendLog(TranslateText(u"芯片型号:") + m_chipModel + TranslateText(u"系列"), kLogBlack);
        }
    }
    if (!IsSwd(m_interface)) {
        AppendLog(TranslateText(u"BOOT命令集版本:") + m_bootVersionText, kLogBlack);
        AppendLog(TranslateText(u"BOOT子版本:") + m_bootSubVersionText, kLogBlack);
    }
    if (!m_capacityText.empty()) AppendLog(TranslateText(u"Flash容量:") + m_capacityText + u"KB", kLogBlack);
    if (!m_ucid.empty()) AppendLog(u"UCID:0x" + m_ucid, kLogBlack);
    if (!m_uidText.empty()) AppendLog(u"UID:0x" + m_uidText, kLogBlack);
}

void CQXDownloadToolDlg::SeriesFromChipName(Text name) {
    if (const auto series = ChipSeriesOfModelName(name)) m_chipSeries = *series;
}

int CQXDownloadToolDlg::ComputeProgressSteps(ChannelSlot* channel) {
    ChannelSlot& slot = channel ? *channel : g_channels[0];
    uint64_t total = 0;
    const bool testModeSecurityWithoutFirmware =
        !m_productionMode && m_chipSeries == 10 && !IsDlgButtonChecked(IDC_CHECK_FIRMWARE_FILE);
    if (!testModeSecurityWithoutFirmware) {
        for (const DownloadItem& item : m_items) {
            if (!item.enabled) continue;
            for (uint32_t j = 0; j < UsedSegments(item); ++j)
                total += item.length[j];
        }
    }
    if (slot.chipSeries == 10 && IsDlgButtonChecked(IDC_CHECK_SAFE_MODULE)) total += m_safeModuleSize;

    ProgressInput in;
    in.totalBytes = total;
    in.iface = m_interface;
    in.productionMode = m_productionMode != 0;
    in.mainSeries = m_chipSeries;
    in.bootSubVersionIsV10 = m_bootSubVersionText == u"V1.0";
    in.channelPageSize = slot.pageSize;
    const ProgressPlan plan = PlanProgressSteps(in);
    slot.pageSize = plan.channelPageSize;
    if (plan.failure == ProgressFailure::ZeroLength) {
        AppendLog(TranslateText(u"下载数据长度不能为0！"), kLogRed);
        return 0;
    }
    if (plan.failure == ProgressFailure::ZeroPageSize) {
        AppendLog(TranslateText(u"页大小为0！"), kLogRed);
        return 0;
    }
    m_packetSize = plan.packetSize;
    slot.packetSize = plan.packetSize;
    slot.progressTotal = plan.steps;
    return 1;
}

int CQXDownloadToolDlg::ReadPartitions(UserPartitionRecord* records, ChannelSlot* channel, PartitionRead* jobRead) {
    ChannelSlot& slot = channel ? *channel : g_channels[0];
    for (int i = 0; i < 3; ++i)
        records[i] = UserPartitionRecord{};
    slot.user1Units = 0;
    const ChipSeriesCode series = slot.chipSeries;
    if (SeriesHasNoUserPartitions(series) || series == 10 || IsSwd(m_interface)) return 1;

    // Production workers read their chips' partitions at once: they take turns for the profile's key ids.
    std::unique_lock<std::mutex> turn(m_partitionReadMutex, std::defer_lock);
    if (m_productionMode && channel) turn.lock();
    const bool windowsChip = !m_productionMode || channel == nullptr;
    // A partition the series does not have keeps what was known of it.
    PartitionRead windowRead = jobRead ? PartitionRead{} : WindowPartitionRead();
    PartitionRead& read = jobRead ? *jobRead : windowRead;
    read.starts.reset();
    for (int i = 0; i < 3; ++i) {
        if (series == 5 && i == 1) continue;
        UserPartitionRecord& r = records[i];
        r.operation = 0;
        r.index = static_cast<uint8_t>(i);
        const StatusCode status = OV_CMD_USERX_OP(slot.handle, &r);
        if (status != CMD_STATUS_OK) {
            AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
            return 0;
        }
        if (r.keyId == 0xFF) {
            read.held[i] = 0xFF;
        } else {
            // The chip answers only whether an id is set: a series that fixes it says which, else the id last
            // configured from this program.
            const std::optional<uint8_t> fixed = FixedPartitionKeyId(series, i);
            read.held[i] =
                fixed ? uint32_t{*fixed}
                      : static_cast<uint32_t>(fw::GetProfileInt(u"Settings", fw::Format(u"user%d_id", i + 1), 0));
            fw::Sleep(5);
        }
        read.texts[i] = PartitionKeyTextOfId(series, read.held[i]);
    }

    PartitionLayoutInput in;
    in.series = series;
    in.flashSizeKB = slot.flashSizeKB;
    in.mainFlashSizeKB = m_flashSizeKB;
    in.partitionUnitKB = slot.partitionUnitKB;
    for (int i = 0; i < 3; ++i) {
        in.sizes[i] = records[i].size;
        in.itemStarts[i] = m_items[i].addressText[0];
    }
    in.flashBase = m_flashBase;
    in.downloadArea = m_downloadArea;
    const PartitionLayout layout = PlanPartitionLayout(in);
    if (layout.failure == PartitionFailure::ZeroFlashSize) {
        AppendLog(TranslateText(u"Flash大小为0 ！"), kLogRed);
        return 0;
    }
    if (layout.failure == PartitionFailure::BadSize) {
        AppendLog(TranslateText(u"分区大小不正确！"), kLogRed);
        return 0;
    }
    for (int i = 0; i < 3; ++i)
        records[i].size = layout.sizes[i];
    slot.user1Units = layout.user1Units;
    if (layout.resetStarts && !windowsChip) {
        // Another channel's chip may lay its partitions out otherwise: this one's starts are its job's.
        read.starts = layout.starts;
    } else if (layout.resetStarts) {
        for (int i = 0; i < 3; ++i)
            m_items[i].addressText[0] = layout.starts[i];
        SetDlgItemText(IDC_EDIT_START_ADDR, layout.starts[0]);
        GetDlgItem(IDC_EDIT_START_ADDR).EnableWindow(true);
        GetDlgItem(IDC_BTN_BROWSE).EnableWindow(true);
    }
    if (windowsChip) {
        TakePartitionRead(read);
        for (int i = 0; i < 3; ++i) {
            m_items[i].readSize = records[i].size;
            m_items[i].readAuthentication = static_cast<uint8_t>(records[i].flags >> 4);
            m_items[i].readEncryption = static_cast<uint8_t>(records[i].flags & 0x0F);
        }
    }
    if (records[1].size != 0 || records[2].size != 0) {
        AppendLog(TranslateText(u"当前已配置分区"), kLogBlack);
        const Text labels[3] = {TranslateText(u"分区1大小："), TranslateText(u"分区2大小："),
                                TranslateText(u"分区3大小：")};
        for (int i = 0; i < 3; ++i) {
            if (records[i].size == 0) continue;
            const int kb = static_cast<int>(records[i].size * slot.partitionUnitKB);
            AppendLog(labels[i] + fw::Format(u"%dKB", kb), kLogBlack);
        }
    }
    return 1;
}

Text CQXDownloadToolDlg::PartitionKeyText(int partition) const {
    if (partition < 0 || partition >= static_cast<int>(m_partitionKeyIds.size())) return {};
    return PartitionKeyTextOfId(m_chipSeries, m_partitionKeyIds[static_cast<size_t>(partition)]);
}

Text CQXDownloadToolDlg::PartitionKeyTextOfId(ChipSeriesCode series, uint32_t keyId) const {
    const int entry = keyId <= 31 ? PartitionKeyEntry(series, static_cast<uint8_t>(keyId)) : -1;
    std::lock_guard<std::mutex> lock(m_keyTableLock);
    if (entry < 0 || entry >= static_cast<int>(m_keyTable.size())) return {};
    return m_keyTable[static_cast<size_t>(entry)];
}

PartitionRead CQXDownloadToolDlg::WindowPartitionRead() const {
    PartitionRead keys;
    for (size_t i = 0; i < 3; ++i) {
        keys.held[i] = i < m_partitionKeyIds.size() ? m_partitionKeyIds[i] : 0;
        keys.texts[i] = m_items[i].partitionKeyText;
    }
    return keys;
}

void CQXDownloadToolDlg::TakePartitionRead(const PartitionRead& keys) {
    m_partitionKeyIds.assign(keys.held.begin(), keys.held.end());
    for (size_t i = 0; i < 3; ++i) {
        m_items[i].partitionKeyText = keys.texts[i];
    }
}

void CQXDownloadToolDlg::RememberPartitionKeyId(int partition, uint8_t keyId) {
    if (partition < 0 || partition > 2) return;
    if (m_partitionKeyIds.size() < 3) m_partitionKeyIds.resize(3);
    m_partitionKeyIds[static_cast<size_t>(partition)] = keyId;
    fw::WriteProfileString(u"Settings", fw::Format(u"user%d_id", partition + 1), fw::Format(u"%d", keyId));
}

void CQXDownloadToolDlg::TakeConfiguredPartitions(const PartitionRecords& records) {
    for (size_t i = 0; i < records.size(); ++i) {
        m_partitions[i].keyId = records[i].keyId;
        m_partitions[i].flags = records[i].flags;
        DownloadItem& item = m_items[i];
        item.readAuthentication = static_cast<uint8_t>(records[i].flags >> 4);
        item.readEncryption = static_cast<uint8_t>(records[i].flags & 0x0F);
        item.partitionKeyText = PartitionKeyText(static_cast<int>(i));
    }
}

int CQXDownloadToolDlg::ReadOptionBytes(OptionRwBlock* block, ChannelSlot* channel) {
    ChannelSlot& slot = channel ? *channel : g_channels[0];
    *block = OptionRwBlock{};
    const ChipSeriesCode series = slot.chipSeries;
    int level = 0;
    bool writeProtected = false;
    if (series == 10) {
        block->item = 1;
        block->length = 1;
        StatusCode status = OV_CMD_OPT_RW(slot.handle, block);
        if (status == CMD_STATUS_OK) {
            level = block->data[0];
            OptionRwBlock wrp{};
            wrp.item = 2;
            wrp.length = 4;
            status = OV_CMD_OPT_RW(slot.handle, &wrp);
            if (status == CMD_STATUS_OK) writeProtected = SecurityChipWriteProtected(wrp.data, slot.flashSizeKB);
        }
        if (status != CMD_STATUS_OK) {
            AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
            return 0;
        }
    } else {
        block->operation = 0;
        block->item = 0;
        block->length = OptionImageReadLength(series);
        const StatusCode status = OV_CMD_OPT_RW(slot.handle, block);
        if (status != CMD_STATUS_OK) {
            AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
            return 0;
        }
        const ProtectionState state = ProtectionOfImage(series, block->data);
        level = state.level;
        writeProtected = state.writeProtected;
    }
    slot.rdpLevel = level;
    slot.writeProtected = writeProtected ? 1 : 0;
    if (level == 2) AppendLog(TranslateText(u"当前芯片处于读保护等级L2"), kLogBlack);
    if (level == 1) AppendLog(TranslateText(u"当前芯片处于读保护等级L1"), kLogBlack);
    if (level == 0) AppendLog(TranslateText(u"当前芯片处于读保护等级L0"), kLogBlack);
    if (writeProtected) AppendLog(TranslateText(u"当前芯片处于写保护状态"), kLogBlack);
    return 1;
}

CQXDownloadToolDlg::OptionTransfer CQXDownloadToolDlg::ReadWriteOptionBytes(DeviceHandle device,
                                                                            std::array<uint8_t, 64>& image,
                                                                            int operation, uint8_t /*unused*/,
                                                                            size_t* answered) {
    const ChipSeriesCode series = m_chipSeries;
    const InterfaceIndex iface = m_interface;
    ChannelSlot& slot = g_channels[0];
    // Its own block: neither the chip image the connection read nor a hex file's option bytes change here.
    OptionRwBlock block{};
    if (operation == 0) {
        // The offline downloader answers no option reads, and a chip whose information could not be read over
        // SWD answers none that can be trusted: that is "not read", never an image of zeros.
        const bool swd = iface == kIfaceSwdJlink || iface == kIfaceSwdCmsisDap;
        if (iface == kIfaceOfflineLink || (swd && slot.rdpLevel == 0xFF)) return OptionTransfer::NotRead;
        block.operation = 0;
        block.length = OptionImageReadLength(series);
        const StatusCode status = OV_CMD_OPT_RW(device, &block);
        if (status != CMD_STATUS_OK) {
            AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
            return OptionTransfer::Failed;
        }
        image.fill(0);
        const size_t brought = std::min<size_t>(block.length, image.size());
        std::copy_n(block.data, brought, image.begin());
        if (answered) *answered = brought;
        if (!OptionAnswerIsWhole(block, series)) return OptionTransfer::Short;
    } else {
        block.operation = static_cast<uint8_t>(operation);
        block.length = OptionImageWriteLength(series);
        std::copy_n(image.begin(), block.length, block.data);
        const StatusCode status = OV_CMD_OPT_RW(device, &block);
        if (status != CMD_STATUS_OK) {
            AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
            return OptionTransfer::Failed;
        }
    }
    const std::optional<ProtectionState> state = EditorProtectionOfImage(series, image);
    if (!state) {
        slot.rdpLevel = 0xFF;
        return OptionTransfer::Failed;
    }
    slot.rdpLevel = state->level;
    slot.writeProtected = state->writeProtected ? 1 : 0;
    return OptionTransfer::Done;
}
