#include "tools/SetKeyCommands.h"

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "tools/SetDlg.h"

namespace {

void OpenSetKeyDialog(CQXDownloadToolDlg& window, uint8_t use) {
    ChipCommand cmd(window, kChipMutexInterfaces);
    if (!cmd.Connected()) return;
    cmd.LockDevice();
    window.m_setKeyMode = use;
    CSetDlg dialog(&window);
    dialog.DoModal();
}

}  // namespace

void OnSetSecureMode(CQXDownloadToolDlg& window) { OpenSetKeyDialog(window, kSetSecureMode); }
void OnSetJtagMode(CQXDownloadToolDlg& window) { OpenSetKeyDialog(window, kSetJtagMode); }
void OnSetJtagKey(CQXDownloadToolDlg& window) { OpenSetKeyDialog(window, kSetJtagKey); }
