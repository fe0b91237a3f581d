#include "tools/AppGoDlg.h"

#include "app/MainWindow.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "resources/ui/app_go.h"

namespace {

struct RunWindow {
    uint32_t first, last;
};

std::optional<RunWindow> RunWindowOf(uint8_t series) {
    if (series == 11) return RunWindow{0x20001000, 0x20003FFF};
    if (series == 8 || series == 9) return RunWindow{0x2000A000, 0x20030FFF};
    return std::nullopt;
}

fw::TextView DefaultAddress(uint8_t series) {
    if (series == 11) return u"20001000";
    if (series == 12) return u"20000500";
    if (series == 8 || series == 9) return u"2000A000";
    return u"08000000";
}

}  // namespace

const fw::MessageMap<AppGoDlg> AppGoDlg::kMessages{
    fw::OnClick(IDC_APP_GO_OK, &AppGoDlg::OnBnClickedOk),
};

AppGoDlg::AppGoDlg(CQXDownloadToolDlg* owner) : fw::Dialog(IDD_APP_GO, owner), m_owner(owner) {}

void AppGoDlg::DoDataExchange(fw::DataExchange& dx) { dx.Text(IDC_APP_GO_ADDRESS, m_addressText); }

bool AppGoDlg::OnInitDialog() {
    m_addressText = fw::Text(DefaultAddress(m_owner->m_chipSeries));
    fw::Dialog::OnInitDialog();
    return true;
}

void AppGoDlg::OnBnClickedOk() {
    UpdateData(true);
    // An empty text would otherwise read as address 0, and more than eight digits would lose the leading ones.
    if (m_addressText.empty() || !IsHexText(m_addressText)) {
        m_msgBox.MessageBox(this, TranslateText(u"输入地址应为十六进制数！"), fw::MB_OK);
        return;
    }
    const uint32_t address = HexToUInt32(m_addressText);
    const std::optional<RunWindow> window = RunWindowOf(m_owner->m_chipSeries);
    if (m_addressText.size() > 8 || (window && (address < window->first || address > window->last))) {
        m_msgBox.MessageBox(this, TranslateText(u"输入地址不正确！"), fw::MB_OK);
        return;
    }
    m_address = address;
    EndDialog(fw::IDOK);
}
