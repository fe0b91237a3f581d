// Asks where the connected chip shall start running. The address windows of the series that run only from a part
// of their SRAM are enforced here, so that the chip is never sent somewhere it cannot run.
#pragma once

#include <cstdint>

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"

class CQXDownloadToolDlg;

class AppGoDlg : public fw::Dialog {
public:
    explicit AppGoDlg(CQXDownloadToolDlg* owner);

    uint32_t m_address = 0;  // accepted address, read after IDOK

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedOk();
    static const fw::MessageMap<AppGoDlg> kMessages;

    CQXDownloadToolDlg* m_owner;
    CMessageBoxEx m_msgBox;
    fw::Text m_addressText;
};
