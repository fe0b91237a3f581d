// The security chip's set-key dialog, in one of three uses chosen by the main window's m_setKeyMode: 0 sets the
// secure mode (ROOT or USER) with a token from the chip's last random challenge, 1 switches the JTAG mode off or
// on with a key, 2 stores the JTAG key.
#pragma once

#include <cstdint>

#include "core/MessageBoxEx.h"
#include "core/SecurityFiles.h"
#include "framework/Dialog.h"

class CQXDownloadToolDlg;

inline constexpr uint8_t kSetSecureMode = 0, kSetJtagMode = 1, kSetJtagKey = 2;

class CSetDlg : public fw::Dialog {
public:
    explicit CSetDlg(CQXDownloadToolDlg* owner);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedOk();
    void OnBnClickedBrowseOldKey();
    void OnBnClickedFirstModify();
    // Fills the key block from the key file at path for the dialog's use; false after the box that says why.
    bool ReadKeyFile(const fw::Text& path);
    void Box(const fw::Text& text);
    static const fw::MessageMap<CSetDlg> kMessages;

    CQXDownloadToolDlg* m_owner;
    CMessageBoxEx m_msgBox;
    fw::Control m_modeList, m_modeLabel, m_keyLabel, m_pathEdit, m_browseButton, m_defaultKeyBox;
    uint8_t m_choice = 0;
    Key16 m_keyBlock{};
};
