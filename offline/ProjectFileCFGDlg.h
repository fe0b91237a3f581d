// The project setup every build of an offline project asks for: whether the project may run only on one offline
// downloader, given by its serial number, and whether it may run only once. The answers go into the binding fields
// of the program-wide offline settings; Cancel stops the build.
#pragma once

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/ovlink_project_dialogs.h"

class CProjectFileCFGDlg : public fw::Dialog {
public:
    explicit CProjectFileCFGDlg(fw::Window* owner = nullptr) : fw::Dialog(IDD_PROJECT_FILE_CFG, owner) {}

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedSpecifiedDownloader();
    void OnBnClickedOk();
    static const fw::MessageMap<CProjectFileCFGDlg> kMessages;

    CMessageBoxEx m_msgBox;
};
