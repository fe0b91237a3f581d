// The main window's menu, the control rules by series and job, the key table, the language and the help items.
#include "app/ControlRules.h"
#include "app/LanguageFile.h"
#include "app/MainWindow.h"
#include "app/MenuRules.h"
#include "core/BuiltinKeys.h"
#include "core/Des.h"
#include "core/Translation.h"
#include "framework/Files.h"
#include "framework/Format.h"
#include "framework/Profile.h"
#include "framework/System.h"

using fw::Text;

namespace {

// Position of "Read Flash" in the operations popup.
constexpr int kReadFlashPosition = 23;

// The manual of the interface language.
Text UserManualPath() {
    const Text name =
        g_uiLanguage == 0 ? u"Orvane MCU 下载工具使用手册.pdf" : u"Orvane MCU Download Tool User manual.pdf";
    return fw::JoinPath(fw::JoinPath(fw::GetWorkingDirectory(), u"doc"), name);
}

}  // namespace

void CQXDownloadToolDlg::UpdateMenuState(int enable) {
    fw::Menu menu = GetMenu();
    const int topLevel = menu.GetMenuItemCount();
    if (enable == 0) {
        // A job runs: everything but the last three top-level entries (offline downloader, language, help).
        for (int p = 0; p < topLevel - 3; ++p) {
            fw::Menu popup = menu.GetSubMenu(p);
            for (int i = 0; i < popup.GetMenuItemCount(); ++i) {
                popup.EnableMenuItem(static_cast<unsigned>(i), fw::MF_BYPOSITION | fw::MF_GRAYED);
            }
        }
        WithholdUnhandledCommands();
        return;
    }
    MenuContext ctx;
    ctx.series = m_chipSeries;
    ctx.iface = m_interface;
    ctx.productionMode = m_productionMode != 0;
    ctx.bootSubVersionIsV10 = m_bootSubVersionText == u"V1.0";
    const MenuStates states = ComputeMenuStates(ctx);
    for (const auto& [id, enabled] : states.items) {
        menu.EnableMenuItem(static_cast<unsigned>(id), fw::MF_BYCOMMAND | (enabled ? fw::MF_ENABLED : fw::MF_GRAYED));
    }
    menu.CheckMenuItem(ID_TEST_MODE, fw::MF_BYCOMMAND | fw::MF_UNCHECKED);
    menu.CheckMenuItem(ID_PRODUCTION_MODE, fw::MF_BYCOMMAND | fw::MF_UNCHECKED);
    if (states.readFlashRuleApplies) {
        menu.GetSubMenu(2).EnableMenuItem(kReadFlashPosition, fw::MF_BYPOSITION |
                                                                  (states.readFlashEnabled ? fw::MF_ENABLED : fw::MF_GRAYED));
    }
    WithholdUnhandledCommands();
}

void CQXDownloadToolDlg::WithholdUnhandledCommands() {
    WithholdUnhandledItems(GetMenu());
    for (const fw::ControlState& c : Controls()) {
        if (c.kind == fw::ControlKind::PushButton && c.enabled && !HandlesCommand(c.id)) {
            GetControl(c.index).EnableWindow(false);
        }
    }
}

// Answers whether anything in `popup` has a handler; a popup holding nothing handled is greyed as a whole.
bool CQXDownloadToolDlg::WithholdUnhandledItems(fw::Menu popup) {
    bool anyHandled = false;
    for (int i = 0; i < popup.GetMenuItemCount(); ++i) {
        const int id = popup.GetMenuItemID(i);
        bool handled = false;
        if (id == -1) {
            handled = WithholdUnhandledItems(popup.GetSubMenu(i));
        } else if (id > 0) {
            handled = HandlesCommand(id);
        } else {
            continue;  // separator
        }
        if (!handled) popup.EnableMenuItem(static_cast<unsigned>(i), fw::MF_BYPOSITION | fw::MF_GRAYED);
        anyHandled = anyHandled || handled;
    }
    return anyHandled;
}

void CQXDownloadToolDlg::LoadKeyTable() {
    m_keyTable.clear();
    for (int i = 0; i < 32; ++i) {
        const Text stored = fw::GetProfileString(u"Settings", fw::Format(u"Key%d", i));
        m_keyTable.push_back(stored.empty() ? Text(g_defaultChipKeys[static_cast<size_t>(i)])
                                            : DesDecryptHexWhole(stored, g_strProfileKeyCipherKey));
    }
}

void CQXDownloadToolDlg::OnCbnSelchangeEraseMode() {
    m_eraseMode = static_cast<uint8_t>(std::max(0, GetDlgItem(IDC_COMBO_ERASE_MODE).GetCurSel()));
    for (int id : {IDC_CHECK_FRONT_PAGE, IDC_CHECK_BEHIND_PAGE}) {
        GetDlgItem(id).EnableWindow(m_eraseMode == 0);
        if (m_eraseMode != 0) GetDlgItem(id).SetCheck(0);
    }
}

void CQXDownloadToolDlg::AdaptLayoutToSeries() {
    const ChipSeriesCode s = m_chipSeries;
    auto show = [this](int id, bool visible) { GetDlgItem(id).ShowWindow(visible ? fw::SW_SHOW : fw::SW_HIDE); };
    static constexpr int kSecurityShown[] = {IDC_STATIC_SAFE_MODULE_ADDR, IDC_EDIT_SAFE_MODULE_ADDR,
                                             IDC_CHECK_SAFE_MODULE,       IDC_EDIT_SAFE_MODULE,
                                             IDC_BTN_BROWSE_SAFE_MODULE,  IDC_STATIC_INFO_PACKAGE,
                                             IDC_EDIT_INFO_PACKAGE,       IDC_BTN_BROWSE_INFO_PACKAGE,
                                             IDC_CHECK_FIRMWARE_FILE};
    static constexpr int kSecurityMore[] = {IDC_COMBO_JTAG_MODE, IDC_STATIC_JTAG_KEY,  IDC_CHECK_JTAG_MODE,
                                            IDC_EDIT_JTAG_KEY,   IDC_BTN_BROWSE_JTAG_KEY, IDC_STATIC_ENC_OPTION,
                                            IDC_COMBO_ENC_OPTION};
    if (s == 10) {
        SetDlgItemText(IDC_EDIT_SAFE_MODULE_ADDR, u"15000000");
        GetDlgItem(IDC_EDIT_SAFE_MODULE_ADDR).EnableWindow(false);
        for (int id : kSecurityShown) show(id, true);
        show(IDC_STATIC_FILE, false);
        m_downloadArea = static_cast<uint8_t>(SysConfigInt(u"DownloadArea", 0));
        GetDlgItem(IDC_COMBO_DOWNLOAD_AREA).SetCurSel(m_downloadArea);
        show(IDC_STATIC_DOWNLOAD_AREA, true);
        show(IDC_COMBO_DOWNLOAD_AREA, true);
        const Text start = SysConfigString(u"startaddr1", u"08000000", 20);
        SetDlgItemText(IDC_EDIT_START_ADDR, start);
        m_items[0].addressText[0] = start;
    } else {
        if (s != 11 && s != 12) {
            if (m_downloadArea != 0) {
                m_downloadArea = 0;
                WriteSysConfig(u"DownloadArea", u"0");
                m_items[0].addressText[0] = u"08000000";
                WriteSysConfig(u"startaddr1", u"08000000");
                SetDlgItemText(IDC_EDIT_START_ADDR, u"08000000");
            }
            GetDlgItem(IDC_COMBO_DOWNLOAD_AREA).SetCurSel(0);
            GetDlgItem(IDC_COMBO_ERASE_MODE).SetCurSel(0);
        } else {
            GetDlgItem(IDC_COMBO_DOWNLOAD_AREA).SetCurSel(m_downloadArea);
        }
        show(IDC_STATIC_ERASE_MODE, true);
        show(IDC_COMBO_ERASE_MODE, true);
        if (s == 11 && m_fileAreaCount > 1) {
            GetDlgItem(IDC_COMBO_ERASE_MODE).SetCurSel(0);
            GetDlgItem(IDC_COMBO_ERASE_MODE).EnableWindow(false);
            m_eraseMode = 0;
            m_downloadArea = 0;
        }
        for (int id : kSecurityShown) show(id, false);
        for (int id : kSecurityMore) show(id, false);
        show(IDC_STATIC_FILE, true);
    }

    const bool downloadFlag = s == 7 && m_interface == kIfaceUsart;
    show(IDC_CHECK_DOWNLOAD_FLAG, downloadFlag);
    show(IDC_STATIC_DOWNLOAD_FLAG, downloadFlag);
    m_flashBase = downloadFlag ? 0x08000C00 : s == 10 ? 0x15000000 : 0x08000000;

    const bool areaGroup = s == 8 || s == 9 || s == 10 || s == 11 || s == 12;
    show(IDC_STATIC_DOWNLOAD_AREA, areaGroup);
    show(IDC_COMBO_DOWNLOAD_AREA, areaGroup);
    for (int id : {IDC_STATIC_EXT_ID, IDC_COMBO_EXT_ID, IDC_STATIC_EXT_TYPE, IDC_COMBO_EXT_TYPE}) show(id, false);
    if (!areaGroup || s == 10 || s == 11 || s == 12) {
        show(IDC_STATIC_ENC_OPTION, false);
        show(IDC_COMBO_ENC_OPTION, false);
    }

    show(IDC_CHECK_CRC, s == 12);
    show(IDC_STATIC_CRC, s == 12);

    m_eraseMode = static_cast<uint8_t>(std::max(0, GetDlgItem(IDC_COMBO_ERASE_MODE).GetCurSel()));
    OnCbnSelchangeEraseMode();
}

void CQXDownloadToolDlg::EnableControls(bool enable) {
    JobControlInput in;
    in.enable = enable;
    in.series = m_chipSeries;
    in.downloadArea = m_downloadArea;
    in.eraseMode = m_eraseMode;
    in.fileAreaCount = m_fileAreaCount;
    in.bootSubVersionIsV10 = m_bootSubVersionText == u"V1.0";
    in.fileExt = m_fileExt;
    in.productionMode = m_productionMode != 0;
    in.firmwareFileTicked = IsDlgButtonChecked(IDC_CHECK_FIRMWARE_FILE) != 0;
    in.safeModuleTicked = IsDlgButtonChecked(IDC_CHECK_SAFE_MODULE) != 0;
    in.jtagModeTicked = IsDlgButtonChecked(IDC_CHECK_JTAG_MODE) != 0;
    in.infoPackMode = m_infoPackMode;
    for (const ControlAction& a : JobControlActions(in)) {
        fw::Control c = GetDlgItem(a.id);
        c.EnableWindow(a.enabled);
        if (a.untick) c.SetCheck(0);
    }
    WithholdUnhandledCommands();
}

void CQXDownloadToolDlg::OnFlashCrcAfterDownloading() {
    m_crcAfterDownload = m_crcAfterDownload ? 0 : 1;
    GetMenu().CheckMenuItem(ID_FLASH_CRC_AFTER_DOWNLOADING,
                            fw::MF_BYCOMMAND | (m_crcAfterDownload ? fw::MF_CHECKED : fw::MF_UNCHECKED));
}

void CQXDownloadToolDlg::OnLanguageChinese() { SwitchLanguage(0); }

void CQXDownloadToolDlg::OnLanguageEnglish() { SwitchLanguage(1); }

void CQXDownloadToolDlg::SwitchLanguage(int language) {
    if (g_uiLanguage == language) {
        const Text already = language == 0 ? TranslateText(u"当前语言已是中文！") : TranslateText(u"当前语言已是英文！");
        m_msgBox.MessageBox(this, already, fw::MB_OK);
        return;
    }
    if (RefuseWhileJobRuns()) return;
    if (g_stopMonitor == 0) {
        StopMonitor();
        for (ChannelSlot& slot : g_channels) {
            if (slot.connected) {
                OV_CMD_DISCONNECT_DEV(&slot.handle);
                slot.connected = 0;
            }
        }
    }
    for (ChannelSlot& slot : g_channels) slot.present = 0;
    g_bEnglishUi = language;
    SetLanguageFile(language);
    g_uiLanguage = language;
    WriteLanguageFile(fw::JoinPath(m_workDir, u"Language.ini"), language == 1 ? kLanguageIdEnglish : kLanguageIdChinese);
    m_restartRequested = 1;
    SendMessage(fw::WM_CLOSE);
}

void CQXDownloadToolDlg::OnUserManual() {
    const Text path = UserManualPath();
    if (!fw::FileExists(path)) {
        m_msgBox.MessageBox(this, TranslateText(u"使用手册不存在"), fw::MB_OK);
        return;
    }
    if (!fw::OpenDocument(path, *this, WM_MANUAL_OPENED)) TellManualNotOpened();
}

// The handler's verdict can come seconds after the menu item returned: xdg-open looks for a viewer first.
fw::LResult CQXDownloadToolDlg::OnManualOpened(fw::WParam opened, fw::LParam) {
    if (opened == 0) TellManualNotOpened();
    return 0;
}

// No desktop handler for PDF (a bare X server, say): tell where the manual is, so it can be opened by hand.
void CQXDownloadToolDlg::TellManualNotOpened() {
    m_msgBox.MessageBox(this, fw::Format(TranslateText(u"无法打开使用手册，请手动打开：\n%s"), UserManualPath()),
                        fw::MB_OK);
}

void CQXDownloadToolDlg::OnAboutVersion() {
    CAboutDlg about;
    about.DoModal();
}

bool CAboutDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    fw::Control history = GetDlgItem(IDC_ABOUT_HISTORY);
    if (g_uiLanguage == 0) history.AppendText(g_strVersionHistoryZh, fw::Rgb(0, 0, 0));
    if (g_uiLanguage == 1) history.AppendText(g_strVersionHistoryEn, fw::Rgb(0, 0, 0));
    return true;
}

// Releases are set apart by a blank line (line feed, carriage return, line feed).
const Text g_strVersionHistoryZh =
    u"版本变更历史：\n"
    u"V1.3.7\n2025-06-18\n1. Linux 版：主窗口、设备连接与芯片信息；\n2. 连接监视：设备断开后自动重新连接。\n\r\n"
    u"V1.3.6\n2025-03-02\n支持 VK26x 系列的 Data Flash 与 SRAM 下载区域。\n\r\n"
    u"V1.3.5\n2024-11-20\n1. 增加分区下载配置；\n2. 修正读保护等级 L2 的提示。";
const Text g_strVersionHistoryEn =
    u"Version Change History:\n"
    u"V1.3.7\n2025-06-18\n1. Linux edition: main window, device connection and chip information;\n"
    u"2. Connection monitor: a lost device is reconnected automatically.\n\r\n"
    u"V1.3.6\n2025-03-02\nData Flash and SRAM download areas of the VK26x series.\n\r\n"
    u"V1.3.5\n2024-11-20\n1. Partition download configuration;\n2. Clearer message for read protection level L2.";
