#include "offline/AddStarAddressDlg.h"

#include "core/Translation.h"
#include "framework/DataExchange.h"
#include "framework/Format.h"
#include "resources/ui/add_start_address.h"

const fw::MessageMap<CAddStarAddressDlg> CAddStarAddressDlg::kMessages{
    fw::OnClick(IDC_ADDSTART_OK, &CAddStarAddressDlg::OnBnClickedOk),
    fw::OnSelChange(IDC_ADDSTART_PARTITION, &CAddStarAddressDlg::OnCbnSelchangePartition),
};

CAddStarAddressDlg::CAddStarAddressDlg(uint32_t defaultAddress, fw::Window* owner)
    : fw::Dialog(IDD_ADD_START_ADDRESS, owner), m_default(defaultAddress) {}

void CAddStarAddressDlg::DoDataExchange(fw::DataExchange& dx) { dx.Text(IDC_ADDSTART_ADDRESS, m_addressText); }

bool CAddStarAddressDlg::OnInitDialog() {
    const OfflineProjectSettings& settings = ProjectSettings();
    m_addressText = fw::Format(u"%08X", m_default);
    fw::Dialog::OnInitDialog();
    m_bases = PartitionBasesOf(settings, m_default);
    fw::Control list = GetDlgItem(IDC_ADDSTART_PARTITION);
    for (int i = 0; i < 3; ++i) {
        if (m_bases.offered[i]) list.AddString(fw::Format(u"USER%d", i + 1));
    }
    list.SetCurSel(0);
    if (!settings.partitionMode) {
        list.ShowWindow(fw::SW_HIDE);
        GetDlgItem(IDC_ADDSTART_PARTITION_LABEL).ShowWindow(fw::SW_HIDE);
    }
    GetDlgItem(IDC_ADDSTART_ADDRESS).SetFocus();
    return true;
}

int CAddStarAddressDlg::ChosenPartition() const {
    const fw::Control list = GetDlgItem(IDC_ADDSTART_PARTITION);
    const int selected = list.GetCurSel();
    if (selected < 0) return 0;
    const fw::Text text = list.GetLBText(selected);
    return text.size() == 5 && text[4] >= u'1' && text[4] <= u'3' ? text[4] - u'1' : 0;
}

void CAddStarAddressDlg::OnCbnSelchangePartition() {
    SetDlgItemText(IDC_ADDSTART_ADDRESS, fw::Format(u"%08X", m_bases.base[ChosenPartition()]));
}

void CAddStarAddressDlg::OnBnClickedOk() {
    UpdateData(true);
    const OfflineProjectSettings& settings = ProjectSettings();
    const int partition = settings.partitionMode ? ChosenPartition() : 0;
    if (const fw::Text refusal = StartAddressRefusal(m_addressText, partition, m_bases, settings, m_default);
        !refusal.empty()) {
        m_msgBox.MessageBox(this, refusal, fw::MB_OK);
        return;
    }
    m_partition = partition;
    EndDialog(fw::IDOK);
}
