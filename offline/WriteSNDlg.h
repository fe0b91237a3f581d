// The serial number the offline downloader writes into every chip it programs: the address in the chip, the first
// number and the step, or the downloader's own serial number. Works on the serial-number fields of the program-wide
// offline settings, which the project page fills from its project before and takes back after OK.
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/ovlink_project_dialogs.h"

class CWriteSNDlg : public fw::Dialog {
public:
    explicit CWriteSNDlg(fw::Window* owner = nullptr) : fw::Dialog(IDD_WRITE_SN, owner) {}

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedOk();
    static const fw::MessageMap<CWriteSNDlg> kMessages;

    CMessageBoxEx m_msgBox;
};
