#include "tools/EraseSectorsCommands.h"

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "tools/FlashEraseDlg.h"

void OnEraseSectors(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Connected()) return;
    cmd.LockDevice();
    CFlashEraseDlg dialog(&window);
    dialog.DoModal();
}

void OnEraseSectorsAfterUnlock(CQXDownloadToolDlg& window) {
    window.UpdateData(true);
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Connected()) return;
    cmd.LockDevice();
    if (!cmd.LiftProtection()) return;
    CFlashEraseDlg dialog(&window);
    dialog.DoModal();
}
