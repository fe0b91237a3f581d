// The main window's start-up, settings, message map and shutdown.
#include "app/MainWindow.h"

#include "app/ControlRules.h"
#include "app/LanguageFile.h"
#include "app/MainWindowCommands.h"
#include "app/MainWindowJobHost.h"
#include "app/MenuRules.h"
#include "core/BuiltinKeys.h"
#include "core/Des.h"
#include "core/Translation.h"
#include "framework/Files.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "framework/MessageBox.h"
#include "framework/Profile.h"
#include "framework/Resources.h"
#include "framework/System.h"

using fw::Text;

ChannelSlot g_channels[kChannelCount];
std::atomic<int> g_stopMonitor{0};
int g_uiLanguage = 0;
fw::NamedMutex* g_hDeviceMutex = nullptr;
PanelRects g_panelRects;

std::function<bool()> CQXDownloadToolDlg::s_restartProgram = [] { return fw::RestartSelf(); };

namespace {

constexpr fw::TextView kDlParam = u"dlparam";
constexpr fw::TextView kSettings = u"Settings";

}  // namespace

const fw::MessageMap<CQXDownloadToolDlg> CQXDownloadToolDlg::kMessages{
    fw::OnSysCommand(&CQXDownloadToolDlg::OnSysCommand),
    fw::OnClose(&CQXDownloadToolDlg::OnClose),
    fw::OnDeviceChange(&CQXDownloadToolDlg::OnDeviceChange),
    fw::OnTimer(&CQXDownloadToolDlg::OnTimer),
    fw::OnMessage(WM_PROGRESS_STEP, &CQXDownloadToolDlg::OnProgressStep),
    fw::OnMessage(WM_PROGRESS_RANGE, &CQXDownloadToolDlg::OnProgressRange),
    fw::OnMessage(WM_STATUS_TOTAL, &CQXDownloadToolDlg::OnSetTotalPane),
    fw::OnMessage(WM_STATUS_PASS, &CQXDownloadToolDlg::OnSetPassPane),
    fw::OnMessage(WM_STATUS_FAIL, &CQXDownloadToolDlg::OnSetFailPane),
    fw::OnMessage(WM_START_UPDATER, &CQXDownloadToolDlg::OnStartUpdater),
    fw::OnSelChange(IDC_COMBO_INTERFACE, &CQXDownloadToolDlg::OnCbnSelchangeInterface),
    fw::OnSelChange(IDC_COMBO_DEVICE, &CQXDownloadToolDlg::OnCbnSelchangeDevice),
    fw::OnClick(IDC_BTN_CONNECT, &CQXDownloadToolDlg::OnBnClickedConnect),
    fw::OnClick(IDC_CHECK_CRC, &CQXDownloadToolDlg::OnBnClickedCrcCheck),
    fw::OnClick(IDC_BTN_BROWSE, &CQXDownloadToolDlg::OnBnClickedBrowse),
    fw::OnClick(IDC_BTN_DOWNLOAD, &CQXDownloadToolDlg::OnBnClickedDownload),
    fw::OnSelChange(IDC_COMBO_DOWNLOAD_AREA, &CQXDownloadToolDlg::OnCbnSelchangeDownloadArea),
    fw::OnSelChange(IDC_COMBO_ENC_OPTION, &CQXDownloadToolDlg::OnCbnSelchangeEncOption),
    fw::OnSelChange(IDC_COMBO_EXT_TYPE, &CQXDownloadToolDlg::OnCbnSelchangeExternalType),
    fw::OnClick(IDC_CHECK_L2_AFTER, &CQXDownloadToolDlg::OnBnClickedL2AfterDownload),
    fw::OnSelChange(IDC_COMBO_ERASE_MODE, &CQXDownloadToolDlg::OnCbnSelchangeEraseMode),
    fw::OnClick(IDC_BTN_CLEAR, &CQXDownloadToolDlg::OnBnClickedClear),
    fw::OnClick(IDC_BTN_HIDE, &CQXDownloadToolDlg::OnBnClickedHide),
    fw::OnClick(IDC_BTN_PRODUCTION_DOWNLOAD, &CQXDownloadToolDlg::OnBnClickedProductionDownload),
    fw::OnCommand(ID_TEST_MODE, &CQXDownloadToolDlg::OnTestMode),
    fw::OnCommand(ID_PRODUCTION_MODE, &CQXDownloadToolDlg::OnProductionMode),
    fw::OnClick(IDC_BTN_RECOUNT, &CQXDownloadToolDlg::OnBnClickedRecount),
    fw::OnCommand(ID_RECOUNT, &CQXDownloadToolDlg::OnBnClickedRecount),
    fw::OnCommand(ID_CLEAR_LOG, &CQXDownloadToolDlg::OnClearLog),
    fw::OnCommand(ID_LANGUAGE_CHINESE, &CQXDownloadToolDlg::OnLanguageChinese),
    fw::OnCommand(ID_LANGUAGE_ENGLISH, &CQXDownloadToolDlg::OnLanguageEnglish),
    fw::OnCommand(ID_USER_MANUAL, &CQXDownloadToolDlg::OnUserManual),
    fw::OnMessage(WM_MANUAL_OPENED, &CQXDownloadToolDlg::OnManualOpened),
    fw::OnCommand(ID_ABOUT_VERSION, &CQXDownloadToolDlg::OnAboutVersion),
    fw::OnCommand(ID_FLASH_CRC_AFTER_DOWNLOADING, &CQXDownloadToolDlg::OnFlashCrcAfterDownloading),
    fw::OnCommand(ID_GET_CHIP_INFORMATION, &CQXDownloadToolDlg::OnGetChipInformation),
    fw::OnCommand(ID_ERASE_ALL_FLASH, &CQXDownloadToolDlg::OnEraseAllFlash),
    fw::OnCommand(ID_ENABLE_READ_PROTECTION_L1, &CQXDownloadToolDlg::OnEnableReadProtectionL1),
    fw::OnCommand(ID_ENABLE_READ_PROTECTION_L2, &CQXDownloadToolDlg::OnEnableReadProtectionL2),
    fw::OnCommand(ID_DISABLE_READ_PROTECTION_L1, &CQXDownloadToolDlg::OnDisableReadProtectionL1),
    fw::OnCommand(ID_RESET, &CQXDownloadToolDlg::OnReset),
    fw::OnCommand(ID_FLASH_SEAL, &CQXDownloadToolDlg::OnFlashSeal),
    fw::OnCommand(ID_LOAD_API_FROM_NVR, &CQXDownloadToolDlg::OnLoadApiFromNvr),
    fw::OnCommand(ID_LOAD_API_FROM_OPT, &CQXDownloadToolDlg::OnLoadApiFromOpt),
    fw::OnCommand(ID_LOAD_API_AUTOLOAD, &CQXDownloadToolDlg::OnLoadApiAutoload),
    fw::OnCommand(ID_UPDATE_EXTERNAL_FLASH_KEY, &CQXDownloadToolDlg::OnUpdateExternalFlashKey),
    fw::OnClick(IDC_BTN_BROWSE_SAFE_MODULE, &CQXDownloadToolDlg::OnBnClickedBrowseSafeModule),
    fw::OnClick(IDC_BTN_BROWSE_INFO_PACKAGE, &CQXDownloadToolDlg::OnBnClickedBrowseInfoPackage),
    fw::OnClick(IDC_BTN_BROWSE_JTAG_KEY, &CQXDownloadToolDlg::OnBnClickedBrowseJtagKey),
    fw::OnClick(IDC_CHECK_JTAG_MODE, &CQXDownloadToolDlg::OnBnClickedJtagMode),
    fw::OnClick(IDC_CHECK_SAFE_MODULE, &CQXDownloadToolDlg::OnBnClickedSafeModule),
    fw::OnClick(IDC_CHECK_FIRMWARE_FILE, &CQXDownloadToolDlg::OnBnClickedFirmwareFile),
};

CQXDownloadToolDlg::CQXDownloadToolDlg(uint32_t languageId, fw::Window* owner)
    : fw::Dialog(IDD_QXDOWNLOADTOOL_DIALOG, owner), m_languageId(languageId) {
    ResetDownloadItems(m_items);
    m_seriesTable.SetMessageBox([this](const Text& text) { m_msgBox.MessageBox(this, text, fw::MB_OK); });
    m_jobHost = std::make_unique<MainWindowJobHost>(*this);
    g_stopMonitor = 0;
}

CQXDownloadToolDlg::~CQXDownloadToolDlg() {
    // Nothing the monitor, the download workers or the device events use may go before they have stopped.
    m_workers.JoinAll();
    StopMonitor();
    if (g_hDeviceMutex == m_deviceMutex.get()) g_hDeviceMutex = nullptr;
    // The window made the locale; nothing translates on its behalf once the workers and the monitor have ended.
    if (m_pLocale != nullptr) m_pLocale->Destroy();
}

void CQXDownloadToolDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Control(IDC_COMBO_DEVICE, m_deviceCombo);
    dx.Control(IDC_EDIT_VID, m_vidEdit);
    dx.Control(IDC_EDIT_PID, m_pidEdit);
    dx.Control(IDC_LOG, m_log);
    dx.Control(IDC_PROGRESS, m_progress);
}

Text CQXDownloadToolDlg::SysConfigString(fw::TextView key, fw::TextView def, size_t size) const {
    return fw::GetPrivateProfileString(kDlParam, key, def, size, m_sysConfigPath);
}

int CQXDownloadToolDlg::SysConfigInt(fw::TextView key, int def) const {
    return fw::GetPrivateProfileInt(kDlParam, key, def, m_sysConfigPath);
}

void CQXDownloadToolDlg::WriteSysConfig(fw::TextView key, fw::TextView value) const {
    fw::WritePrivateProfileString(kDlParam, key, value, m_sysConfigPath);
}

bool CQXDownloadToolDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();

    const Text about = fw::LoadResourceString(IDS_ABOUTBOX);
    if (!about.empty()) {
        GetSystemMenu().AppendMenu(fw::MF_SEPARATOR);
        GetSystemMenu().AppendMenu(fw::MF_STRING, IDM_ABOUTBOX, about);
    }
    SetIcon(m_hIcon);

    const bool english = (m_languageId & 0x3FF) == 9;
    g_bEnglishUi = english ? 1 : 0;
    LoadLanguageCatalog(m_pLocale, english ? 2 : 0);
    g_uiLanguage = english ? 1 : 0;
    SetLanguageFile(english ? 1 : 0);

    fw::Menu language = GetMenu().InsertPopup(4, TranslateText(u"语言"));
    language.AppendMenu(fw::MF_STRING, ID_LANGUAGE_CHINESE, u"简体中文");
    language.AppendMenu(fw::MF_STRING, ID_LANGUAGE_ENGLISH, u"English");
    GetMenu().CheckMenuItem(g_uiLanguage == 1 ? ID_LANGUAGE_ENGLISH : ID_LANGUAGE_CHINESE, fw::MF_CHECKED);

    CreateStatusBar();
    SetTimer(TIMER_CLOCK, 1000);
    InitChannelRows();

    fw::Control iface = GetDlgItem(IDC_COMBO_INTERFACE);
    for (const Text& name : InterfaceNames())
        iface.AddString(name);
    iface.SetCurSel(0);
    m_interface = 0;
    m_prevInterface = 0;

    m_workDir = fw::GetWorkingDirectory();
    m_sysConfigPath = fw::JoinPath(m_workDir, u"SysConfig.ini");
    m_seriesTablePath = fw::JoinPath(m_workDir, u"Series CFG Table.ini");

    fw::Control erase = GetDlgItem(IDC_COMBO_ERASE_MODE);
    erase.AddString(TranslateText(u"按文件大小擦除"));
    erase.AddString(TranslateText(u"全片擦除"));
    erase.AddString(TranslateText(u"不擦除"));
    erase.SetCurSel(0);
    m_eraseMode = 0;

    fw::Control area = GetDlgItem(IDC_COMBO_DOWNLOAD_AREA);
    area.AddString(TranslateText(u"内部Flash"));
    m_downloadArea = static_cast<uint8_t>(SysConfigInt(u"DownloadArea", 0));
    area.SetCurSel(m_downloadArea);
    // The external-flash lists: ids 0 to 3 and the two bus types; the area change refills them as it needs.
    for (const char16_t* id : {u"0", u"1", u"2", u"3"})
        GetDlgItem(IDC_COMBO_EXT_ID).AddString(id);
    for (const char16_t* type : {u"FEMC", u"XSPI"})
        GetDlgItem(IDC_COMBO_EXT_TYPE).AddString(type);
    for (int id : {IDC_COMBO_ENC_OPTION, IDC_COMBO_EXT_ID, IDC_COMBO_EXT_TYPE})
        GetDlgItem(id).SetCurSel(0);
    m_encOption = m_extId = m_extType = 0;

    m_extFlashDriverNames = fw::ListFilesByExtension(fw::JoinPath(m_workDir, u"External Flash Drive"), u"bin");

    if (g_panelRects.collapsed == fw::Rect{}) {
        g_panelRects.full = GetWindowRect();
        const fw::Rect frame = ControlScreenRect(IDC_FRAME_TEST_PANEL);
        g_panelRects.collapsed = g_panelRects.full;
        g_panelRects.collapsed.width = frame.Right() - g_panelRects.full.x;
    }

    RegisterDeviceEvents();
    m_connected = 0;
    m_productionMode = 0;
    LoadSettings();
    LoadProfileSettings();

    ResetDownloadItems(m_items);
    m_writeOptionBytes = 0;
    m_flashBase = 0x08000000;

    if (!g_hDeviceMutex) {
        m_deviceMutex = std::make_unique<fw::NamedMutex>(u"screen");
        g_hDeviceMutex = m_deviceMutex.get();
    }

    m_updateFilePath = u"Update.ini";
    m_updaterPath = u"Update.exe";
    for (const char16_t* name : {u"Update.exe", u"Update.ini", u"QXDownloadTool.zip"}) {
        fw::DeleteFile(fw::JoinPath(m_workDir, name));
    }
    m_toolVersion = fw::GetProgramVersion();
    if (const auto host = fw::GetHostName()) {
        m_hostIpText = fw::GetFirstIpv4Address(*host).value_or(u"IP检测失败");
    }
    if (UpdateService* updates = GetUpdateService()) updates->WindowOpened();

    GetDlgItem(IDC_CHECK_DOWNLOAD_FLAG).ShowWindow(fw::SW_HIDE);
    GetDlgItem(IDC_STATIC_DOWNLOAD_FLAG).ShowWindow(fw::SW_HIDE);

    m_safeModuleAddr = 0x15000000;
    m_safeModuleData.clear();
    m_safeModuleSize = 0;
    std::copy(kBuiltinAesKey.begin(), kBuiltinAesKey.end(), m_builtinKey.begin());
    m_infoPackMode = 2;
    m_chipSeries = 0;
    m_seriesIndex = 0;
    m_securityFileKind = 0xFF;
    m_fileAreaCount = 1;
    return true;
}

void CQXDownloadToolDlg::InitChannelRows() {
    CheckDlgButton(IDC_CHECK_ALL_ROWS, 1);
    for (int n = 0; n < kChannelCount; ++n) {
        ChannelSlot& slot = g_channels[n];
        slot.owner = this;
        slot.index = n;
        slot.worker = nullptr;
        RowControl(n, 0).SetWindowText(fw::Format(u"%d--", n + 1) + TranslateText(u"未连接设备"));
        RowControl(n, 1).SetWindowText(u"");
        RowControl(n, 2).SetRange(0, 100);
        RowControl(n, 2).SetPos(0);
        RowControl(n, 3).SetCheck(1);
        slot.present = 0;
        slot.rdpLevel = -1;
        slot.writeProtected = 0;
        for (int part = 0; part < 5; ++part)
            RowControl(n, part).ShowWindow(fw::SW_HIDE);
    }
    GetDlgItem(IDC_CHECK_ALL_ROWS).ShowWindow(fw::SW_HIDE);
}

// part: 0 text, 1 message edit, 2 bar, 3 tick box, 4 icon.
fw::Control CQXDownloadToolDlg::RowControl(int row, int part) const {
    static constexpr int kIds[5][kChannelCount] = {
        {IDC_ROW1_TEXT, IDC_ROW2_TEXT, IDC_ROW3_TEXT, IDC_ROW4_TEXT, IDC_ROW5_TEXT, IDC_ROW6_TEXT, IDC_ROW7_TEXT,
         IDC_ROW8_TEXT},
        {IDC_ROW1_EDIT, IDC_ROW2_EDIT, IDC_ROW3_EDIT, IDC_ROW4_EDIT, IDC_ROW5_EDIT, IDC_ROW6_EDIT, IDC_ROW7_EDIT,
         IDC_ROW8_EDIT},
        {IDC_ROW1_PROGRESS, IDC_ROW2_PROGRESS, IDC_ROW3_PROGRESS, IDC_ROW4_PROGRESS, IDC_ROW5_PROGRESS,
         IDC_ROW6_PROGRESS, IDC_ROW7_PROGRESS, IDC_ROW8_PROGRESS},
        {IDC_ROW1_CHECK, IDC_ROW2_CHECK, IDC_ROW3_CHECK, IDC_ROW4_CHECK, IDC_ROW5_CHECK, IDC_ROW6_CHECK, IDC_ROW7_CHECK,
         IDC_ROW8_CHECK},
        {IDC_ROW1_ICON, IDC_ROW2_ICON, IDC_ROW3_ICON, IDC_ROW4_ICON, IDC_ROW5_ICON, IDC_ROW6_ICON, IDC_ROW7_ICON,
         IDC_ROW8_ICON},
    };
    return GetDlgItem(kIds[part][row]);
}

void CQXDownloadToolDlg::LoadSettings() {
    const int saved = SysConfigInt(u"interface", 0);
    m_interface = static_cast<uint8_t>(saved);
    GetDlgItem(IDC_COMBO_INTERFACE).SetCurSel(saved);  // 5 has no entry: the combo shows nothing
    ApplyInterfaceControls(m_interface);
    ShowChannelRows();
    UpdateMenuState(1);
    RefreshDeviceList();

    Text start = SysConfigString(u"startaddr1", u"08000000", 20);
    m_items[0].addressText[0] = start;
    SetDlgItemText(IDC_EDIT_START_ADDR, start);

    for (int i = 0; i < 3; ++i) {
        m_items[i].enciphered = static_cast<uint8_t>(SysConfigInt(fw::Format(u"encfile%d", i + 1), 0));
        m_items[i].enabled = static_cast<uint8_t>(SysConfigInt(fw::Format(u"enablepartition%d", i + 1), i == 0));
    }
    CheckDlgButton(IDC_CHECK_CRC, SysConfigInt(u"crc_chk", 0));

    const int total = SysConfigInt(u"total", 0);
    {
        fw::ScopedLock lock(g_csCounters);
        g_passCount = SysConfigInt(u"pass", 0);
        g_failCount = SysConfigInt(u"fail", 0);
    }
    SetPaneText(1, fw::Format(TranslateText(u"总数:%d"), total));
    SetPaneText(2, fw::Format(TranslateText(u"成功:%d"), SysConfigInt(u"pass", 0)));
    SetPaneText(3, fw::Format(TranslateText(u"失败:%d"), SysConfigInt(u"fail", 0)));
}

void CQXDownloadToolDlg::LoadProfileSettings() {
    m_partitionKeyIds.clear();
    for (int i = 1; i <= 3; ++i) {
        m_partitionKeyIds.push_back(
            static_cast<uint32_t>(fw::GetProfileInt(kSettings, fw::Format(u"user%d_id", i), 0)));
    }
    LoadKeyTable();
    m_profileUcid = fw::GetProfileString(kSettings, u"UCID");
    m_chipMark = fw::GetProfileString(kSettings, u"ChipMark");
    const Text extKey = fw::GetProfileString(kSettings, u"ExtFlashKey");
    m_extFlashKey = extKey.empty() ? Text() : DesDecryptHexWhole(extKey, g_strProfileKeyCipherKey);
}

bool CQXDownloadToolDlg::RegisterDeviceEvents() {
    for (fw::DeviceKind kind : {fw::DeviceKind::SerialPort, fw::DeviceKind::Usb}) {
        if (!RegisterDeviceChange(kind)) {
            m_msgBox.MessageBox(this, u"Can't register USB device", fw::MB_OK);
            return false;
        }
    }
    return true;
}

void CQXDownloadToolDlg::OnBnClickedCrcCheck() {
    WriteSysConfig(u"crc_chk", fw::Format(u"%d", IsDlgButtonChecked(IDC_CHECK_CRC)));
}

bool CQXDownloadToolDlg::JobRunning() {
    fw::ScopedLock lock(g_csCounters);
    return g_activeWorkers > 0;
}

bool CQXDownloadToolDlg::RefuseWhileBusy(bool busy, const Text& why) {
    if (!busy) return false;
    m_msgBox.MessageBox(this, why.empty() ? TranslateText(u"正在下载，请等待下载结束！") : why,
                        fw::MB_OK | fw::MB_ICONWARNING);
    return true;
}

bool CQXDownloadToolDlg::RefuseWhileJobRuns() { return RefuseWhileBusy(JobRunning()); }

bool CQXDownloadToolDlg::RefuseWhileLinkReserved() {
    if (!m_offlineLink) return false;
    return RefuseWhileBusy(m_offlineLink->Reserved(), m_offlineLink->BusyText());
}

void CQXDownloadToolDlg::OnSysCommand(unsigned command, fw::LParam lParam) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        DefaultSysCommand(command, lParam);
        return;
    }
    if (command == fw::SC_CLOSE) {
        if (RefuseWhileJobRuns()) return;
        if (m_msgBox.MessageBox(this, TranslateText(u"确定退出?"), fw::MB_YESNO | fw::MB_ICONQUESTION) != fw::IDYES) {
            return;
        }
        // A job may have started while the question was open.
        if (RefuseWhileJobRuns()) return;
        StopMonitor();
        StopUpdates();
        for (DownloadItem& item : m_items)
            ClearSegments(item, kMaxSegments);
        EndDialog(fw::IDCANCEL);
        return;
    }
    DefaultSysCommand(command, lParam);
}

void CQXDownloadToolDlg::OnCancel() {
    if (RefuseWhileJobRuns()) return;
    StopMonitor();
    StopUpdates();
    fw::Dialog::OnCancel();
}

void CQXDownloadToolDlg::OnDefaultCommand(int id) {
    if (const MainWindowHandler* handler = FindMainWindowCommand(id)) {
        (*handler)(*this);
        return;
    }
    fw::Dialog::OnDefaultCommand(id);
}

bool CQXDownloadToolDlg::HandlesCommand(int id) const {
    if (id == fw::IDOK || id == fw::IDCANCEL) return true;  // the dialog's own defaults
    fw::Event command;
    command.type = fw::Event::Type::Command;
    command.message = fw::WM_COMMAND;
    command.id = id;
    const fw::MessageMapBase* map = GetMessageMap();
    return (map && map->Find(command)) || FindMainWindowCommand(id) != nullptr;
}

void CQXDownloadToolDlg::StopUpdates() {
    if (m_updateService) m_updateService->WindowClosing();
}

void CQXDownloadToolDlg::OnClose() {
    if (!m_restartRequested && RefuseWhileJobRuns()) return;
    StopMonitor();
    StopUpdates();
    if (m_restartRequested) s_restartProgram();
    DefaultClose();
}
