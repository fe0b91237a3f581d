#include "tools/SelectChipSeriesDlg.h"

#include "app/MainWindow.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "resources/ui/select_chip_series.h"

namespace {

constexpr int kModelKeys = 260;
constexpr size_t kModelNameRoom = 260;  // 259 characters and the terminator

}  // namespace

const fw::MessageMap<CSelectChipSeriesDlg> CSelectChipSeriesDlg::kMessages{
    fw::OnClick(IDC_CHIP_SERIES_OK, &CSelectChipSeriesDlg::OnBnClickedOk),
};

CSelectChipSeriesDlg::CSelectChipSeriesDlg(CQXDownloadToolDlg* owner)
    : fw::Dialog(IDD_SELECT_CHIP_SERIES, owner), m_owner(owner) {}

bool CSelectChipSeriesDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    fw::Control combo = GetDlgItem(IDC_CHIP_SERIES_COMBO);
    combo.ResetContent();
    for (int n = 1; n <= kModelKeys; ++n) {
        const fw::Text model = fw::GetPrivateProfileString(u"dlparam", fw::Format(u"device %d", n), u"", kModelNameRoom,
                                                           m_owner->m_sysConfigPath);
        if (!model.empty()) combo.AddString(model);
    }
    combo.SetCurSel(0);
    return true;
}

void CSelectChipSeriesDlg::OnBnClickedOk() {
    fw::Control combo = GetDlgItem(IDC_CHIP_SERIES_COMBO);
    // With no model listed the command would go on with whatever series the window held before.
    if (combo.GetCurSel() < 0) {
        m_msgBox.MessageBox(this, TranslateText(u"请选择芯片系列！"), fw::MB_OK);
        return;
    }
    m_owner->SeriesFromChipName(combo.GetWindowText());
    EndDialog(fw::IDOK);
}
