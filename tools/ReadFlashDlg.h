// The range of a flash read-out: start and end address, checked against the chip's flash and the system-memory
// windows its series lets a read reach, kept in the main window and in the configuration file.
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"

class CQXDownloadToolDlg;

class CReadFlashDlg : public fw::Dialog {
public:
    explicit CReadFlashDlg(CQXDownloadToolDlg* owner);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedRead();
    static const fw::MessageMap<CReadFlashDlg> kMessages;

    CQXDownloadToolDlg* m_owner;
    CMessageBoxEx m_msgBox;
    fw::Text m_startText, m_endText;
};
