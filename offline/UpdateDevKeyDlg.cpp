#include "offline/UpdateDevKeyDlg.h"

#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/DataExchange.h"
#include "offline/KeyTextCheck.h"
#include "offline/OfflineProjectSettings.h"

const fw::MessageMap<CUpdateDevKeyDlg> CUpdateDevKeyDlg::kMessages{
    fw::OnClick(IDC_DEVKEY_OK, &CUpdateDevKeyDlg::OnBnClickedOk),
    fw::OnClick(IDC_DEVKEY_SHOW, &CUpdateDevKeyDlg::OnBnClickedShowKey),
};

void CUpdateDevKeyDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Text(IDC_DEVKEY_OLD, m_oldKeyText);
    dx.Text(IDC_DEVKEY_NEW, m_newKeyText);
    dx.Check(IDC_DEVKEY_SHOW, m_showKey);
}

void CUpdateDevKeyDlg::OnBnClickedOk() {
    UpdateData(true);
    const KeyTextMessages newKey{TranslateText(u"设备新密钥不能为空！"),
                                 TranslateText(u"设备新密钥必须是十六进制字符！"),
                                 TranslateText(u"设备新密钥应为16字节长度！")};
    const KeyTextMessages oldKey{TranslateText(u"设备旧密钥不能为空！"),
                                 TranslateText(u"设备旧密钥必须是十六进制字符！"),
                                 TranslateText(u"设备旧密钥应为16字节长度！")};
    if (!KeyTextAccepted(m_newKeyText, newKey, m_msgBox, this)) return;
    if (!KeyTextAccepted(m_oldKeyText, oldKey, m_msgBox, this)) return;
    OfflineProjectSettings& settings = ProjectSettings();
    HexToBytes(m_oldKeyText, settings.deviceKeyOld.data(), settings.deviceKeyOld.size());
    HexToBytes(m_newKeyText, settings.deviceKeyNew.data(), settings.deviceKeyNew.size());
    EndDialog(fw::IDOK);
}

void CUpdateDevKeyDlg::OnBnClickedShowKey() {
    const char16_t mask = IsDlgButtonChecked(IDC_DEVKEY_SHOW) ? u'\0' : u'*';
    GetDlgItem(IDC_DEVKEY_OLD).SetPasswordChar(mask);
    GetDlgItem(IDC_DEVKEY_NEW).SetPasswordChar(mask);
    GetDlgItem(IDC_DEVKEY_NEW).SetFocus();
    GetDlgItem(IDC_DEVKEY_OLD).SetFocus();
}
