// The download road of the main window: Browse, the download-area, encryption, external-type and L2 handlers,
// the Download button with its settings check, and the start of the workers.
#include <algorithm>
#include <memory>

#include "app/DownloadAreas.h"
#include "app/DownloadFiles.h"
#include "app/DownloadJob.h"
#include "app/DownloadProjectLoader.h"
#include "app/DownloadStart.h"
#include "app/MainWindow.h"
#include "app/MainWindowJobHost.h"
#include "app/MainWindowState.h"
#include "core/FileFilters.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Files.h"
#include "framework/Format.h"
#include "framework/Styles.h"

bool CQXDownloadToolDlg::LoadHexFile(const fw::Text& path, int item) {
    return ::LoadHexFile(path, m_chipSeries, m_items[item], m_writeOptionBytes, m_fileOptionBytes,
                         [this](const fw::Text& text, uint32_t colour) { AppendLog(text, colour); });
}

bool CQXDownloadToolDlg::LoadBinFile(const fw::Text& path, int item) {
    return ::LoadBinFile(path, m_items[item],
                         [this](const fw::Text& text, uint32_t colour) { AppendLog(text, colour); });
}

bool CQXDownloadToolDlg::LoadExternalFlashDriver() {
    if (!LoadBinFile(m_items[2].path, 2)) {
        AppendLog(TranslateText(u"加载外设Flash驱动文件失败！"), kLogRed);
        return false;
    }
    AppendLog(TranslateText(u"加载外设Flash驱动文件成功！"), kLogBlack);
    return true;
}

bool CQXDownloadToolDlg::CheckDownloadRange(uint32_t start, uint64_t last, ChannelSlot* slot) {
    ChannelSlot& channel = slot ? *slot : g_channels[0];
    RangeCheckInput in;
    in.iface = m_interface;
    in.series = channel.chipSeries;
    in.downloadArea = m_downloadArea;
    in.flashSizeKB = channel.flashSizeKB;
    in.flashAreaLimit = m_flashAreaLimit;
    if (const auto refusal = ::CheckDownloadRange(in, start, last)) {
        ReportStatus(&channel, *refusal, kStatusFailure);
        return false;
    }
    return true;
}

void CQXDownloadToolDlg::OnBnClickedBrowse() {
    m_fileExt = SysConfigString(u"FileExt", u"", 260);
    m_fileAreaCount = 1;
    const int target = m_downloadArea == kAreaExternalFlash ? 2 : 0;
    DownloadItem& item = m_items[target];
    fw::FileDialog dialog(true, {}, {}, fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT | fw::OFN_NOCHANGEDIR,
                          BuildProjectFileFilter(m_fileExt), this);
    if (dialog.DoModal() != fw::IDOK) return;
    const fw::Text path = dialog.GetPathName();
    item.fileName = dialog.GetFileName();
    if (path.empty()) return;
    m_fileExt = dialog.GetFileExt();
    m_writeOptionBytes = 0;
    m_projectOptionBytes.reset();
    const uint8_t series = m_chipSeries;
    const bool project = fw::EqualsNoCase(m_fileExt, u"dlpf");
    if (project) {
        ClearItemsForProject(m_items);
    } else {
        if (series == 10) {
            GetDlgItem(IDC_COMBO_DOWNLOAD_AREA).EnableWindow(true);
            GetDlgItem(IDC_CHECK_FIRMWARE_FILE).EnableWindow(true);
            const bool flash = m_downloadArea == kAreaSecurityFlash;
            if (!flash) {
                CheckDlgButton(IDC_CHECK_SAFE_MODULE, 0);
                SetDlgItemText(IDC_EDIT_INFO_PACKAGE, u"");
            }
            GetDlgItem(IDC_CHECK_SAFE_MODULE).EnableWindow(flash);
            GetDlgItem(IDC_BTN_BROWSE_INFO_PACKAGE).EnableWindow(flash);
        }
        if (series == 11) GetDlgItem(IDC_COMBO_DOWNLOAD_AREA).EnableWindow(true);
        GetDlgItem(IDC_COMBO_ERASE_MODE).EnableWindow(true);
    }

    const bool hex = fw::EqualsNoCase(m_fileExt, u"hex");
    const bool bin = fw::EqualsNoCase(m_fileExt, u"bin");
    const bool enc = fw::EqualsNoCase(m_fileExt, u"enc");
    if (hex || bin || enc) {
        const bool loaded = hex ? LoadHexFile(path, target) : LoadBinFile(path, target);
        if (!loaded) {
            AppendLog(TranslateText(u"文件加载失败！"), kLogRed);
            return;
        }
        if (hex) SetDlgItemText(IDC_EDIT_START_ADDR, item.addressText[0]);
        GetDlgItem(IDC_EDIT_START_ADDR).EnableWindow(!hex);
        if (m_productionMode) m_deviceCombo.EnableWindow(true);
    } else if (project) {
        // The previous file's data went when the project was chosen: the box no longer names it.
        if (!LoadProjectFile(path)) {
            AppendLog(TranslateText(u"文件加载失败！"), kLogRed);
            SetDlgItemText(IDC_EDIT_FILE, u"");
            return;
        }
        if (!ApplyProjectChip()) {
            // The project was loaded before the chip check refused it: none of it may reach the next Download.
            ClearItemsForProject(m_items);
            m_writeOptionBytes = 0;
            m_projectOptionBytes.reset();
            SetDlgItemText(IDC_EDIT_FILE, u"");
            return;
        }
    }

    if (series == 11) ApplySeries11FileAreas(bin || enc);
    if (!project) item.enciphered = enc ? 1 : 0;

    if (series == 10) {
        m_infoPackMode = 2;
        for (uint32_t j = 0; j < UsedSegments(item); ++j) {
            const auto& data = item.data[j];
            if (data.size() < 64 || data[0] != 'F' || data[1] != 'S' || data[2] != 'V' || data[3] != 'O') continue;
            if (std::any_of(data.begin() + 16, data.begin() + 64, [](uint8_t b) { return b != 0xFF; }))
                m_infoPackMode = 0;
        }
        const bool package = m_downloadArea == kAreaSecurityFlash && m_infoPackMode != 2;
        if (!package) SetDlgItemText(IDC_EDIT_INFO_PACKAGE, u"");
        GetDlgItem(IDC_BTN_BROWSE_INFO_PACKAGE).EnableWindow(package);
    } else {
        AppendLog(fw::Format(TranslateText(u"文件校验码：0x%08X"), FileChecksum(item)), kLogBlack);
    }
    AppendLog(TranslateText(u"文件加载成功！"), kLogBlack);
    WriteSysConfig(u"downloadfile1", path);
    SetDlgItemText(IDC_EDIT_FILE, path);
    item.path = path;
    WriteSysConfig(u"FileExt", m_fileExt);
}

bool CQXDownloadToolDlg::LoadProjectFile(const fw::Text& path) { return LoadDownloadProject(*this, path); }

bool CQXDownloadToolDlg::ApplyProjectChip() {
    if (!m_connected) {
        SeriesFromChipName(m_projectSeriesName);
    } else if (!m_chipModel.empty() && !fw::EqualsNoCase(m_projectSeriesName, m_chipModel)) {
        const fw::Text text = TranslateText(u"项目文件的芯片系列与当前芯片系列不一致！");
        m_msgBox.MessageBox(this, text, fw::MB_OK);
        AppendLog(text, kLogRed);
        return false;
    }
    ApplyChipInfo();
    AdaptLayoutToSeries();
    if (m_productionMode) {
        for (int i = 0; i < m_deviceCombo.GetCount(); ++i) {
            if (m_deviceCombo.GetLBText(i) != m_projectSeriesName) continue;
            m_deviceCombo.SetCurSel(i);
            m_deviceName = m_projectSeriesName;
            break;
        }
        m_deviceCombo.EnableWindow(false);
    }
    const DownloadItem& item = m_items[m_downloadArea == kAreaExternalFlash ? 2 : 0];
    if (item.address[0] != 0) SetDlgItemText(IDC_EDIT_START_ADDR, item.addressText[0]);
    GetDlgItem(IDC_EDIT_START_ADDR).EnableWindow(false);
    if (m_chipSeries == 10) {
        m_downloadArea = kAreaSecurityFlash;
        WriteSysConfig(u"DownloadArea", u"3");
        GetDlgItem(IDC_COMBO_DOWNLOAD_AREA).SetCurSel(kAreaSecurityFlash);
        for (int id : {IDC_COMBO_DOWNLOAD_AREA, IDC_CHECK_SAFE_MODULE, IDC_CHECK_FIRMWARE_FILE})
            GetDlgItem(id).EnableWindow(false);
    }
    return true;
}

// Series 11: the boxes and the erase mode follow the areas the file touches.
void CQXDownloadToolDlg::ApplySeries11FileAreas(bool plainFile) {
    const DownloadItem& item = m_items[0];
    const FileAreas areas = ClassifySeries11File(item.address, item.length, UsedSegments(item));
    m_fileAreaCount = static_cast<uint8_t>(areas.count);
    static constexpr int kBoxes[] = {IDC_CHECK_FRONT_PAGE, IDC_CHECK_BEHIND_PAGE, IDC_CHECK_UNLOCK_L1_BEFORE,
                                     IDC_CHECK_L1_AFTER, IDC_CHECK_L2_AFTER};
    const auto boxes = [&](int count, bool enable) {
        for (int k = 0; k < count; ++k) {
            GetDlgItem(kBoxes[k]).EnableWindow(enable);
            if (!enable) CheckDlgButton(kBoxes[k], 0);
        }
    };
    fw::Control erase = GetDlgItem(IDC_COMBO_ERASE_MODE);
    if (areas.count > 1) {
        boxes(5, true);
        erase.SetCurSel(0);
        erase.EnableWindow(false);
        m_eraseMode = 0;
        m_downloadArea = 0;
    } else {
        if (areas.count == 1) m_downloadArea = static_cast<uint8_t>(areas.first);
        erase.EnableWindow(true);
        if (areas.first == 0) boxes(5, true);
        if (areas.first == 1 || areas.first == 3) {
            boxes(2, true);
            for (int k = 2; k < 5; ++k) {
                GetDlgItem(kBoxes[k]).EnableWindow(false);
                CheckDlgButton(kBoxes[k], 0);
            }
        }
        if (areas.first == 2) {
            boxes(5, false);
            erase.SetCurSel(2);
            m_eraseMode = 2;
            erase.EnableWindow(false);
        } else if (areas.count == 1) {
            m_eraseMode = 0;
            erase.SetCurSel(0);
        }
    }
    WriteSysConfig(u"DownloadArea", u"0");
    fw::Control area = GetDlgItem(IDC_COMBO_DOWNLOAD_AREA);
    area.SetCurSel(m_downloadArea);
    area.EnableWindow(plainFile);
}

void CQXDownloadToolDlg::OnBnClickedL2AfterDownload() {
    const fw::Text question = TranslateText(u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?");
    if (m_msgBox.MessageBox(this, question, fw::MB_YESNO | fw::MB_ICONQUESTION) != fw::IDYES)
        CheckDlgButton(IDC_CHECK_L2_AFTER, 0);
}

void CQXDownloadToolDlg::OnCbnSelchangeExternalType() {
    m_extType = static_cast<uint8_t>(GetDlgItem(IDC_COMBO_EXT_TYPE).GetCurSel());
    fw::Control ids = GetDlgItem(IDC_COMBO_EXT_ID);
    if (m_extType == 0) {
        if (ids.GetCount() != 4) {
            ids.AddString(u"2");
            ids.AddString(u"3");
        }
    } else if (ids.GetCount() != 2) {
        ids.DeleteString(3);
        ids.DeleteString(2);
    }
    ids.SetCurSel(0);
}

void CQXDownloadToolDlg::OnCbnSelchangeEncOption() {
    fw::Control combo = GetDlgItem(IDC_COMBO_ENC_OPTION);
    if (m_downloadArea == kAreaExternalFlash) {
        m_encOption = static_cast<uint8_t>(combo.GetCurSel());
        if (m_encOption == 1 && m_extFlashKey.empty()) {
            if (!m_connected) {
                m_msgBox.MessageBox(this, TranslateText(u"请先连接设备！"));
            } else {
                SetExternalFlashKey();
            }
        }
        return;
    }
    SetDlgItemText(IDC_EDIT_FILE, u"");
    const fw::Text name = combo.GetWindowText();
    if (name.empty()) return;
    m_items[2].fileName = name + u".bin";
    m_items[2].path = fw::JoinPath(fw::JoinPath(m_workDir, u"External Flash Drive"), m_items[2].fileName);
    SetDlgItemText(IDC_EDIT_FILE, m_items[2].path);
}

void CQXDownloadToolDlg::OnBnClickedDownload() {
    if (SelectMainDownloadItem(m_items, m_fileExt)) {
        for (const char16_t* key : {u"enablepartition1", u"enablepartition2", u"enablepartition3"})
            WriteSysConfig(key, u"00");
    }
    StartDownload();
}

bool CQXDownloadToolDlg::CheckDownloadSettings() {
    DownloadSettingsInput in;
    in.productionMode = m_productionMode != 0;
    in.connected = m_connected != 0;
    m_deviceName = m_deviceCombo.GetWindowText();
    in.deviceName = m_deviceName;
    in.series = m_chipSeries;
    in.iface = m_interface;
    in.downloadArea = m_downloadArea;
    in.fileExt = m_fileExt;
    in.downloadFile = GetDlgItemText(IDC_EDIT_FILE);
    in.startAddress = GetDlgItemText(IDC_EDIT_START_ADDR);
    if ((m_chipSeries == 8 || m_chipSeries == 9) && m_downloadArea == kAreaExternalFlash) {
        m_extType = static_cast<uint8_t>(GetDlgItem(IDC_COMBO_EXT_TYPE).GetCurSel());
        m_extId = static_cast<uint8_t>(GetDlgItem(IDC_COMBO_EXT_ID).GetCurSel());
        m_encOption = static_cast<uint8_t>(GetDlgItem(IDC_COMBO_ENC_OPTION).GetCurSel());
    }
    in.encOption = m_encOption;
    in.extFlashKey = m_extFlashKey;
    in.safeModule = IsDlgButtonChecked(IDC_CHECK_SAFE_MODULE) != 0;
    in.firmwareFile = IsDlgButtonChecked(IDC_CHECK_FIRMWARE_FILE) != 0;
    in.jtagMode = IsDlgButtonChecked(IDC_CHECK_JTAG_MODE) != 0;
    in.safeModuleFile = GetDlgItemText(IDC_EDIT_SAFE_MODULE);
    in.safeModuleAddress = GetDlgItemText(IDC_EDIT_SAFE_MODULE_ADDR);
    in.safeModuleSize = m_safeModuleSize;
    in.pageSize = m_pageSize;
    in.infoPackageFile = GetDlgItemText(IDC_EDIT_INFO_PACKAGE);
    in.jtagKeyFile = GetDlgItemText(IDC_EDIT_JTAG_KEY);
    in.flashAreaLimit = m_flashAreaLimit;
    in.infoPackMode = m_infoPackMode;
    in.loadExternalFlashDriver = [this] { return LoadExternalFlashDriver(); };
    in.verifyInfoPackage = [this] { return VerifyInfoPackage() == 1; };
    const DownloadSettingsResult result = ::CheckDownloadSettings(in, m_items);
    if (!result.accepted) {
        if (!result.refusal.empty()) m_msgBox.MessageBox(this, result.refusal);
        return false;
    }
    if (result.safeModuleAddr) m_safeModuleAddr = *result.safeModuleAddr;
    if (result.saveStartAddress) WriteSysConfig(u"startaddr1", in.startAddress);
    return true;
}

std::shared_ptr<const DownloadJobSettings> CQXDownloadToolDlg::TakeJobSettings() const {
    auto s = std::make_shared<DownloadJobSettings>();
    s->productionMode = m_productionMode != 0;
    s->iface = m_interface;
    s->chipSeries = m_chipSeries;
    s->downloadArea = m_downloadArea;
    s->eraseMode = m_eraseMode;
    s->fileExt = m_fileExt;
    s->writeOptionBytes = m_writeOptionBytes != 0;
    if (fw::EqualsNoCase(m_fileExt, u"dlpf")) s->projectOptionBytes = m_projectOptionBytes;
    s->fileOptionBytes = m_fileOptionBytes;
    s->unlockL1Before = IsDlgButtonChecked(IDC_CHECK_UNLOCK_L1_BEFORE) != 0;
    s->l1AfterDownload = IsDlgButtonChecked(IDC_CHECK_L1_AFTER) != 0;
    s->l2AfterDownload = IsDlgButtonChecked(IDC_CHECK_L2_AFTER) != 0;
    s->writeDownloadFlag = IsDlgButtonChecked(IDC_CHECK_DOWNLOAD_FLAG) != 0;
    s->behindKeepsPage = IsDlgButtonChecked(IDC_CHECK_BEHIND_PAGE) != 0;
    s->frontKeepsPage = IsDlgButtonChecked(IDC_CHECK_FRONT_PAGE) != 0;
    s->writeCrc32 = IsDlgButtonChecked(IDC_CHECK_CRC) != 0;
    s->safeModule = IsDlgButtonChecked(IDC_CHECK_SAFE_MODULE) != 0;
    s->firmwareFile = IsDlgButtonChecked(IDC_CHECK_FIRMWARE_FILE) != 0;
    s->jtagMode = IsDlgButtonChecked(IDC_CHECK_JTAG_MODE) != 0;
    s->encOptionSelection = GetDlgItem(IDC_COMBO_ENC_OPTION).GetCurSel();
    s->crcAfterDownload = m_crcAfterDownload != 0;
    s->bootSubVersionText = m_bootSubVersionText;
    s->flashSizeKB = m_flashSizeKB;
    s->flashAreaLimit = m_flashAreaLimit;
    s->extType = m_extType;
    s->extId = m_extId;
    s->encOption = m_encOption;
    HexToBytes(m_extFlashKey, s->extFlashKeyBytes.data(), s->extFlashKeyBytes.size());
    s->infoPackMode = m_infoPackMode;
    s->safeModuleAddr = m_safeModuleAddr;
    s->safeModuleData = m_safeModuleData;
    s->optionTable = m_optionTable;
    s->rek = m_rek;
    s->idKey = m_idKey;
    s->jtagKey = m_jtagKey;
    s->chipInfo = m_chipInfo;
    std::copy(std::begin(m_partitions), std::end(m_partitions), s->partitions.begin());
    s->partitionRead = WindowPartitionRead();
    return s;
}

void CQXDownloadToolDlg::StartDownload() {
    if (!CheckDownloadSettings()) return;
    if (!m_productionMode && g_channels[0].worker.load() != nullptr) return;  // the job of channel 0 still runs
    TakeSegmentAddresses(m_items);
    // Greyed before any worker runs, so a second click cannot start a second job.
    EnableControls(false);
    std::shared_ptr<const DownloadJobSettings> settings = TakeJobSettings();
    const auto ticked = [this](int n) { return RowControl(n, 3).GetCheck() != 0; };
    const DownloadWorkers::StartResult result = m_workers.Start(
        g_channels, m_productionMode != 0, ticked,
        [this, settings](ChannelSlot& slot) { RunDownloadJob(*m_jobHost, m_items, *settings, slot, g_channels); });
    if (result.started == 0) {
        EnableControls(true);
        if (!result.busy) m_msgBox.MessageBox(this, TranslateText(u"未连接设备！"));
    }
}

void CQXDownloadToolDlg::OnCbnSelchangeDownloadArea() {
    fw::Control areaCombo = GetDlgItem(IDC_COMBO_DOWNLOAD_AREA);
    const int selection = areaCombo.GetCurSel();
    m_downloadArea = static_cast<uint8_t>(selection < 0 ? 0 : selection);
    WriteSysConfig(u"DownloadArea", fw::Format(u"%d", m_downloadArea));
    const uint8_t series = m_chipSeries;
    fw::Control erase = GetDlgItem(IDC_COMBO_ERASE_MODE);
    const auto setBox = [&](int id, bool enable) {
        GetDlgItem(id).EnableWindow(enable);
        if (!enable) CheckDlgButton(id, 0);
    };
    static constexpr int kFive[] = {IDC_CHECK_FRONT_PAGE, IDC_CHECK_BEHIND_PAGE, IDC_CHECK_UNLOCK_L1_BEFORE,
                                    IDC_CHECK_L1_AFTER, IDC_CHECK_L2_AFTER};
    const auto five = [&](bool enable) {
        for (int id : kFive)
            setBox(id, enable);
    };
    fw::Text start;
    if (series == 10 && m_downloadArea <= 3) {
        start = AreaDefaultStartText(series, m_downloadArea);
        SetDlgItemText(IDC_EDIT_START_ADDR, start);
        if (m_downloadArea == kAreaSecurityFlash) {
            GetDlgItem(IDC_CHECK_SAFE_MODULE).EnableWindow(true);
            GetDlgItem(IDC_BTN_BROWSE_INFO_PACKAGE).EnableWindow(m_infoPackMode != 2);
            const bool v10 = m_bootSubVersionText == u"V1.0";
            erase.EnableWindow(!v10);
            const bool pages = !v10 && erase.GetCurSel() == 0;
            GetDlgItem(IDC_CHECK_FRONT_PAGE).EnableWindow(pages);
            GetDlgItem(IDC_CHECK_BEHIND_PAGE).EnableWindow(pages);
            for (int id : {IDC_CHECK_UNLOCK_L1_BEFORE, IDC_CHECK_L1_AFTER, IDC_CHECK_L2_AFTER})
                GetDlgItem(id).EnableWindow(true);
        } else {
            setBox(IDC_CHECK_SAFE_MODULE, false);
            GetDlgItem(IDC_EDIT_SAFE_MODULE_ADDR).EnableWindow(false);
            GetDlgItem(IDC_BTN_BROWSE_SAFE_MODULE).EnableWindow(false);
            SetDlgItemText(IDC_EDIT_INFO_PACKAGE, u"");
            GetDlgItem(IDC_BTN_BROWSE_INFO_PACKAGE).EnableWindow(false);
            erase.EnableWindow(false);
            five(false);
        }
    } else if (series == 11) {
        start = AreaDefaultStartText(series, m_downloadArea);
        if (m_downloadArea == 2) {
            five(false);
            erase.SetCurSel(2);
            m_eraseMode = 2;
            erase.EnableWindow(false);
        } else {
            if (m_downloadArea == 0) five(true);
            if (m_downloadArea == 1) {
                setBox(IDC_CHECK_FRONT_PAGE, true);
                setBox(IDC_CHECK_BEHIND_PAGE, true);
                for (int id : {IDC_CHECK_UNLOCK_L1_BEFORE, IDC_CHECK_L1_AFTER, IDC_CHECK_L2_AFTER})
                    setBox(id, false);
            }
            erase.SetCurSel(0);
            m_eraseMode = 0;
            erase.EnableWindow(true);
        }
        SetDlgItemText(IDC_EDIT_START_ADDR, start);
    } else if (series == 12) {
        start = AreaDefaultStartText(series, m_downloadArea);
        const bool flash = m_downloadArea == 0;
        five(flash);
        setBox(IDC_CHECK_CRC, flash);
        erase.SetCurSel(flash ? 0 : 2);
        m_eraseMode = flash ? 0 : 2;
        erase.EnableWindow(flash);
        SetDlgItemText(IDC_EDIT_START_ADDR, start);
    } else if (series == 8 || series == 9) {
        if (m_downloadArea == kAreaDriverNvr) m_downloadArea = kAreaSram;  // the combo's "SRAM"; the profile keeps 1
        const bool externalFlash = m_downloadArea == kAreaExternalFlash;
        const bool driver = m_downloadArea == kAreaDriverOpt;
        static constexpr int kExternal[] = {IDC_STATIC_EXT_ID, IDC_COMBO_EXT_ID, IDC_STATIC_EXT_TYPE,
                                            IDC_COMBO_EXT_TYPE};
        fw::Control label = GetDlgItem(IDC_STATIC_ENC_OPTION);
        fw::Control options = GetDlgItem(IDC_COMBO_ENC_OPTION);
        if (m_downloadArea == kAreaSram) {
            start = u"2000A000";
            SetDlgItemText(IDC_EDIT_START_ADDR, start);
            five(false);
            if (IsSwd(m_interface)) erase.EnableWindow(false);
        } else if (externalFlash || driver) {
            label.ShowWindow(fw::SW_SHOW);
            options.ShowWindow(fw::SW_SHOW);
            SetDlgItemText(IDC_EDIT_FILE, u"");
            for (int id : kExternal)
                GetDlgItem(id).ShowWindow(externalFlash ? fw::SW_SHOW : fw::SW_HIDE);
            if (externalFlash) {
                start = u"00000000";
                SetDlgItemText(IDC_EDIT_START_ADDR, start);
                GetDlgItem(IDC_BTN_BROWSE).EnableWindow(true);
                const fw::Text encLabel = TranslateText(u"加密选择：");
                if (label.GetWindowText() != encLabel) {
                    label.SetWindowText(encLabel);
                    options.ResetContent();
                    options.AddString(TranslateText(u"不加密"));
                    options.AddString(TranslateText(u"加密"));
                    options.SetCurSel(0);
                }
            } else {
                start = u"1FFFE0C0";
                SetDlgItemText(IDC_EDIT_START_ADDR, start);
                GetDlgItem(IDC_BTN_BROWSE).EnableWindow(false);
                const fw::Text name = options.GetWindowText();
                if (!name.empty()) {
                    m_items[0].fileName = name + u".bin";
                    m_items[0].path =
                        fw::JoinPath(fw::JoinPath(m_workDir, u"External Flash Drive"), m_items[0].fileName);
                    SetDlgItemText(IDC_EDIT_FILE, m_items[0].path);
                }
                const fw::Text driverLabel = TranslateText(u"驱动选择：");
                if (label.GetWindowText() != driverLabel) {
                    label.SetWindowText(driverLabel);
                    options.ResetContent();
                    for (const fw::Text& driverName : m_extFlashDriverNames)
                        options.AddString(driverName);
                    options.SetCurSel(0);
                }
            }
        } else {
            if (m_downloadArea == kAreaInternal) {
                start = u"08000000";
                SetDlgItemText(IDC_EDIT_START_ADDR, start);
                five(true);
            }
            label.ShowWindow(fw::SW_HIDE);
            options.ShowWindow(fw::SW_HIDE);
            for (int id : kExternal)
                GetDlgItem(id).ShowWindow(fw::SW_HIDE);
            GetDlgItem(IDC_BTN_BROWSE).EnableWindow(true);
            erase.EnableWindow(true);
        }
    }
    WriteSysConfig(u"startaddr1", start);
}
