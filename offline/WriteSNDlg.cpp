#include "offline/WriteSNDlg.h"

#include <array>

#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "offline/OfflineProjectSettings.h"

const fw::MessageMap<CWriteSNDlg> CWriteSNDlg::kMessages{
    fw::OnClick(IDC_WRITESN_OK, &CWriteSNDlg::OnBnClickedOk),
};

namespace {

constexpr std::array kEdits = {IDC_WRITESN_ADDRESS, IDC_WRITESN_INITIAL, IDC_WRITESN_STEP};

}  // namespace

bool CWriteSNDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    const OfflineProjectSettings& settings = ProjectSettings();
    const std::array values = {settings.snAddress, settings.snInitial, settings.snStep};
    for (std::size_t i = 0; i < kEdits.size(); ++i) {
        // Eight digits are the whole 32-bit number: a ninth would be cut off without a word.
        GetDlgItem(kEdits[i]).SetLimitText(8);
        SetDlgItemText(kEdits[i], fw::Format(u"%08X", values[i]));
    }
    CheckDlgButton(IDC_WRITESN_USE_DEVICE, settings.snUseDevice == 2 ? 1 : 0);
    if (settings.snEditable == 0) {
        for (int id : kEdits)
            GetDlgItem(id).EnableWindow(false);
        GetDlgItem(IDC_WRITESN_USE_DEVICE).EnableWindow(false);
    }
    return true;
}

void CWriteSNDlg::OnBnClickedOk() {
    OfflineProjectSettings& settings = ProjectSettings();
    if (settings.snEditable == 0) {
        EndDialog(fw::IDOK);
        return;
    }
    const std::array<fw::Text, 3> empty = {TranslateText(u"序列号(SN)烧写地址不能为空！"),
                                           TranslateText(u"序列号(SN)初始值不能为空！"),
                                           TranslateText(u"序列号(SN)步进值不能为空！")};
    const std::array<fw::Text, 3> notHex = {TranslateText(u"序列号(SN)烧写地址必须为十六进制字符！"),
                                            TranslateText(u"序列号(SN)初始值必须为十六进制字符！"),
                                            TranslateText(u"序列号(SN)步进值必须为十六进制字符！")};
    // Kept aside until all three are accepted, so that a refused entry leaves the settings as they were.
    std::array<uint32_t, 3> values{};
    for (std::size_t i = 0; i < kEdits.size(); ++i) {
        const fw::Text text = GetDlgItemText(kEdits[i]);
        const fw::Text* refusal = text.empty() ? &empty[i] : !IsHexText(text) ? &notHex[i] : nullptr;
        if (refusal) {
            m_msgBox.MessageBox(this, *refusal, fw::MB_OK);
            return;
        }
        values[i] = HexToUInt32(text);
    }
    settings.snAddress = values[0];
    settings.snInitial = values[1];
    settings.snStep = values[2];
    settings.snUseDevice = IsDlgButtonChecked(IDC_WRITESN_USE_DEVICE) ? 2 : 0;
    m_msgBox.MessageBox(this, TranslateText(u"序列号(SN)已确认！"), fw::MB_OK);
    EndDialog(fw::IDOK);
}
