// Replaces one key of the connected chip's key table: the old key (or the built-in one of a chip whose key was
// never changed) authorises the new one. On success the new key becomes the program's own entry for that id.
#pragma once

#include <optional>

#include "core/MessageBoxEx.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Dialog.h"

class CQXDownloadToolDlg;

class CUpdateKeyDlg : public fw::Dialog {
public:
    explicit CUpdateKeyDlg(CQXDownloadToolDlg* window);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedOk();
    void OnBnClickedShowKey();
    void OnBnClickedFirstUpdate();
    void OnEnChangeOldKey();
    void OnEnChangeNewKey();
    // The edit's 32 hex digits without blanks, or nothing after the box that says what is wrong (texts translated).
    std::optional<fw::Text> KeyText(const fw::Control& edit, fw::Text emptyText, fw::Text lengthText);
    static const fw::MessageMap<CUpdateKeyDlg> kMessages;

    CQXDownloadToolDlg* m_window;
    CMessageBoxEx m_msgBox;
    fw::Control m_oldKeyEdit, m_newKeyEdit, m_keyIdCombo, m_showKeyCheck, m_firstUpdateCheck;
    fw::Control m_oldBytes, m_newBytes;
};
