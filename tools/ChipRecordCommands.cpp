#include "tools/ChipRecordCommands.h"

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "tools/ExtOptDlg.h"
#include "tools/SetOtpDlg.h"

void OnSetExternalOptionsBytes(CQXDownloadToolDlg& window) {
    // The mutex stays with `cmd` while the dialog reads and writes the record.
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Begin()) return;
    CExtOPTDlg dialog(&window);
    dialog.DoModal();
}

void OnSetOtp(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Begin()) return;
    CSetOTPDlg dialog(&window);
    dialog.DoModal();
}
