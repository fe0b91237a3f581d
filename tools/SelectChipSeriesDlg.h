// Asks which chip model is connected when the chip cannot tell (its information is unreadable).
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"

class CQXDownloadToolDlg;

class CSelectChipSeriesDlg : public fw::Dialog {
public:
    explicit CSelectChipSeriesDlg(CQXDownloadToolDlg* owner);

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedOk();
    static const fw::MessageMap<CSelectChipSeriesDlg> kMessages;

    CQXDownloadToolDlg* m_owner;
    CMessageBoxEx m_msgBox;
};
