// The Operations menu's jumps: App Go and SRAM App Go, which ask for the address with AppGoDlg.
#pragma once

class CQXDownloadToolDlg;

void OnAppGo(CQXDownloadToolDlg& window);
void OnSramAppGo(CQXDownloadToolDlg& window);
