#include "tools/PartitionCommands.h"

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "tools/PartitionDownloadConfigDlg.h"
#include "tools/SetParttionDlg.h"
#include "tools/UpdateKeyDlg.h"

void OnConfigurationPartition(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Begin()) return;
    CSetParttionDlg dialog(&window);
    dialog.DoModal();
}

void OnUpdateKey(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Begin()) return;
    CUpdateKeyDlg dialog(&window);
    dialog.DoModal();
}

void OnPartitionDownloadConfiguration(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Begin()) return;
    CPartitionDownloadConfigDlg dialog(&window);
    if (dialog.DoModal() == fw::IDOK) window.StartDownload();
}
