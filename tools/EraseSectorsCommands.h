// The page erase of the Operations menu, and the same after a protection lift (a command without a menu item).
#pragma once

class CQXDownloadToolDlg;

void OnEraseSectors(CQXDownloadToolDlg& window);
void OnEraseSectorsAfterUnlock(CQXDownloadToolDlg& window);
