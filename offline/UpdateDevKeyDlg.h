// Asks for the downloader's old and new device keys (32 hex digits each); on OK they are in the program-wide
// offline settings (deviceKeyOld, deviceKeyNew).
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/ovlink_config.h"

class CUpdateDevKeyDlg : public fw::Dialog {
public:
    explicit CUpdateDevKeyDlg(fw::Window* owner = nullptr) : fw::Dialog(IDD_UPDATE_DEV_KEY, owner) {}

protected:
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedOk();
    void OnBnClickedShowKey();
    static const fw::MessageMap<CUpdateDevKeyDlg> kMessages;

    fw::Text m_oldKeyText, m_newKeyText;
    bool m_showKey = false;
    CMessageBoxEx m_msgBox;
};
