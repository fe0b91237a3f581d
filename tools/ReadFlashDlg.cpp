#include "tools/ReadFlashDlg.h"

#include "app/MainWindow.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "resources/ui/read_flash.h"
#include "tools/ReadFlashRange.h"

namespace {
constexpr fw::TextView kSection = u"dlparam";
}

const fw::MessageMap<CReadFlashDlg> CReadFlashDlg::kMessages{
    fw::OnClick(IDC_READ_FLASH_READ, &CReadFlashDlg::OnBnClickedRead),
};

CReadFlashDlg::CReadFlashDlg(CQXDownloadToolDlg* owner) : fw::Dialog(IDD_READ_FLASH_RANGE, owner), m_owner(owner) {}

void CReadFlashDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Text(IDC_READ_FLASH_START, m_startText);
    dx.Text(IDC_READ_FLASH_END, m_endText);
}

bool CReadFlashDlg::OnInitDialog() {
    m_startText = fw::GetPrivateProfileString(kSection, u"ReadStartAddr", {}, 100, m_owner->m_sysConfigPath);
    if (m_startText.empty()) m_startText = fw::Format(u"%08X", m_owner->m_readStart);
    m_endText = fw::GetPrivateProfileString(kSection, u"ReadEndAddr", {}, 100, m_owner->m_sysConfigPath);
    if (m_endText.empty()) m_endText = fw::Format(u"%08X", m_owner->m_readEnd);
    fw::Dialog::OnInitDialog();
    return true;
}

void CReadFlashDlg::OnBnClickedRead() {
    UpdateData(true);
    const FlashGeometry flash{m_owner->m_flashBase, m_owner->m_flashSizeKB, m_owner->m_chipSeries};
    const ReadRangeCheck check = CheckReadRange(m_startText, m_endText, flash);
    if (check.start) m_owner->m_readStart = *check.start;
    if (check.end) m_owner->m_readEnd = *check.end;
    if (check.startAccepted)
        fw::WritePrivateProfileString(kSection, u"ReadStartAddr", m_startText, m_owner->m_sysConfigPath);
    if (!check.refusal.empty()) {
        m_msgBox.MessageBox(this, check.refusal, fw::MB_OK);
        return;
    }
    fw::WritePrivateProfileString(kSection, u"ReadEndAddr", m_endText, m_owner->m_sysConfigPath);
    EndDialog(fw::IDOK);
}
