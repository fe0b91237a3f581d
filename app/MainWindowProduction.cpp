// The main window's two modes: test mode on one device, production mode with a row per device on up to eight
// channels, the settings panel that folds away, the production Download and the chip-series list.
#include <algorithm>

#include "app/MainWindow.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "framework/Profile.h"

using fw::Text;

namespace {

// The "Operations" popup of the menu bar.
constexpr unsigned kOperationsMenuPosition = 2;

}  // namespace

InterfaceIndex CQXDownloadToolDlg::SelectedInterface() const {
    const int selection = GetDlgItem(IDC_COMBO_INTERFACE).GetCurSel();
    // Interface 5 has no entry: a saved 5 leaves the combo without a selection.
    return static_cast<InterfaceIndex>(selection >= 0 ? selection : SysConfigInt(u"interface", 0));
}

void CQXDownloadToolDlg::OnTestMode() {
    if (!m_productionMode) {
        m_msgBox.MessageBox(this, TranslateText(u"当前已是测试模式！"), fw::MB_OK);
        return;
    }
    m_productionMode = 0;
    fw::WriteProfileInt(u"Settings", u"mode", 0);
    fw::Menu menu = GetMenu();
    menu.CheckMenuItem(ID_TEST_MODE, fw::MF_BYCOMMAND | fw::MF_CHECKED);
    menu.CheckMenuItem(ID_PRODUCTION_MODE, fw::MF_BYCOMMAND | fw::MF_UNCHECKED);
    menu.EnableMenuItem(kOperationsMenuPosition, fw::MF_BYPOSITION | fw::MF_ENABLED);

    GetDlgItem(IDC_LOG).SetWindowText(u"");
    m_progress.SetRange(0, 100);
    m_progress.SetPos(0);

    m_interface = SelectedInterface();
    ApplyInterfaceControls(m_interface);
    ShowChannelRows();
    UpdateMenuState(1);
    SetDlgItemText(IDC_STATIC_DEVICE, TranslateText(u"设备："));
    RefreshDeviceList();
    m_deviceCombo.EnableWindow(true);
}

void CQXDownloadToolDlg::OnProductionMode() {
    if (m_productionMode) {
        m_msgBox.MessageBox(this, TranslateText(u"当前已是量产模式！"), fw::MB_OK);
        return;
    }
    m_interface = SelectedInterface();
    if (RefusedInProduction(m_interface)) {
        m_msgBox.MessageBox(this, TranslateText(u"当前接口暂不支持量产模式！"), fw::MB_OK);
        return;
    }
    if (m_connected) OnBnClickedConnect();  // its Disconnect branch: channel 0 is let go
    m_productionMode = 1;
    fw::WriteProfileInt(u"Settings", u"mode", 1);
    fw::Menu menu = GetMenu();
    menu.CheckMenuItem(ID_TEST_MODE, fw::MF_BYCOMMAND | fw::MF_UNCHECKED);
    menu.CheckMenuItem(ID_PRODUCTION_MODE, fw::MF_BYCOMMAND | fw::MF_CHECKED);
    menu.EnableMenuItem(kOperationsMenuPosition, fw::MF_BYPOSITION | fw::MF_GRAYED);

    ApplyInterfaceControls(m_interface);
    ShowChannelRows();
    UpdateMenuState(1);
    RefreshDeviceList();
    SetDlgItemText(IDC_STATIC_DEVICE, TranslateText(u"芯片系列："));

    // A download project fixes the chip series: its own entry, not the one last chosen, and no other.
    const bool project = fw::EqualsNoCase(m_fileExt, u"dlpf");
    const Text& wanted = project ? m_projectSeriesName : m_chipModel;
    std::vector<Text> names;
    FillChipSeriesList(names);
    m_deviceCombo.ResetContent();
    for (size_t n = 0; n < names.size(); ++n) {
        m_deviceCombo.AddString(names[n]);
        if (!wanted.empty() && fw::EqualsNoCase(wanted, names[n])) m_seriesIndex = static_cast<int>(n);
    }
    m_deviceCombo.SetCurSel(m_seriesIndex);
    if (project) m_deviceCombo.EnableWindow(false);
    OnCbnSelchangeDevice();
}

void CQXDownloadToolDlg::FillChipSeriesList(std::vector<Text>& names) {
    names.clear();
    if (!m_seriesTable.Load()) return;
    for (const ChipSeriesRow& row : m_seriesTable.m_rows) {
        if (!row.CLASS.empty() && std::find(names.begin(), names.end(), row.CLASS) == names.end())
            names.push_back(row.CLASS);
    }
}

void CQXDownloadToolDlg::ResizeToPanel(bool folded) {
    const fw::Rect& size = folded ? g_panelRects.collapsed : g_panelRects.full;
    fw::Rect rect = GetWindowRect();
    rect.width = size.width;
    rect.height = size.height;
    MoveWindow(rect);
}

void CQXDownloadToolDlg::OnBnClickedHide() {
    fw::Control button = GetDlgItem(IDC_BTN_HIDE);
    const bool shown = button.GetWindowText() != TranslateText(u"设置>>");
    button.SetWindowText(shown ? TranslateText(u"设置>>") : TranslateText(u"隐藏<<"));
    ResizeToPanel(shown);
}

void CQXDownloadToolDlg::OnBnClickedProductionDownload() {
    OnBnClickedDownload();
    // The rows are what the operator watches now, whether or not a channel started.
    ResizeToPanel(true);
    SetDlgItemText(IDC_BTN_HIDE, TranslateText(u"设置>>"));
}
