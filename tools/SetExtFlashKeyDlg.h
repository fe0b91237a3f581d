// Asks for the 16-byte key with which the chip enciphers its external flash.
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"

class CSetExtFlashKeyDlg : public fw::Dialog {
public:
    explicit CSetExtFlashKeyDlg(fw::Window* owner);

    fw::Text m_keyText;  // 32 hex digits, read after IDOK

protected:
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedOk();
    static const fw::MessageMap<CSetExtFlashKeyDlg> kMessages;

    CMessageBoxEx m_msgBox;
    fw::Text m_edit;
};
