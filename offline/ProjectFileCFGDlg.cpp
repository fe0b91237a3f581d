#include "offline/ProjectFileCFGDlg.h"

#include "core/HexText.h"
#include "core/Translation.h"
#include "offline/OfflineProjectSettings.h"

const fw::MessageMap<CProjectFileCFGDlg> CProjectFileCFGDlg::kMessages{
    fw::OnClick(IDC_PROJCFG_BIND, &CProjectFileCFGDlg::OnBnClickedSpecifiedDownloader),
    fw::OnClick(IDC_PROJCFG_OK, &CProjectFileCFGDlg::OnBnClickedOk),
};

bool CProjectFileCFGDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    // Every build starts from nothing: both boxes clear, no serial number.
    GetDlgItem(IDC_PROJCFG_SERIAL).EnableWindow(false);
    return true;
}

void CProjectFileCFGDlg::OnBnClickedSpecifiedDownloader() {
    GetDlgItem(IDC_PROJCFG_SERIAL).EnableWindow(IsDlgButtonChecked(IDC_PROJCFG_BIND) != 0);
}

void CProjectFileCFGDlg::OnBnClickedOk() {
    OfflineProjectSettings& settings = ProjectSettings();
    const bool bind = IsDlgButtonChecked(IDC_PROJCFG_BIND) != 0;
    if (bind) {
        const fw::Text serial = GetDlgItemText(IDC_PROJCFG_SERIAL);
        fw::Text refusal;
        if (serial.empty()) {
            refusal = TranslateText(u"序列号不能为空！");
        } else if (!IsHexText(serial)) {
            // The downloader's serial number shares its wording with the key dialogs.
            refusal = TranslateText(u"旧密钥必须是十六进制数！");
        } else if (serial.size() > 2 * settings.downloaderSn.size()) {
            refusal = TranslateText(u"序列号不能超过16字节！");
        } else if (serial.size() % 2 != 0) {
            refusal = TranslateText(u"序列号必须是成对的十六进制字符！");
        }
        if (!refusal.empty()) {
            m_msgBox.MessageBox(this, refusal, fw::MB_OK);
            return;
        }
        // Over the start of the field: a shorter number leaves the rest as it was.
        HexToBytes(serial, settings.downloaderSn.data(), settings.downloaderSn.size());
    }
    settings.bindToDownloader = bind ? 1 : 0;
    settings.onceOnly = IsDlgButtonChecked(IDC_PROJCFG_ONCE) ? 1 : 0;
    EndDialog(fw::IDOK);
}
