#include "tools/PartitionCommands.h"

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "tools/SetParttionDlg.h"

void OnConfigurationPartition(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Begin()) return;
    CSetParttionDlg dialog(&window);
    dialog.DoModal();
}
