// The three launchers of the security chip's set-key dialog: secure mode (a command without a menu item), JTAG
// mode and JTAG key.
#pragma once

class CQXDownloadToolDlg;

void OnSetSecureMode(CQXDownloadToolDlg& window);
void OnSetJtagMode(CQXDownloadToolDlg& window);
void OnSetJtagKey(CQXDownloadToolDlg& window);
