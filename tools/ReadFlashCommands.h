// The main window's "Read flash" commands: the whole chip, or a range asked for first; both open the viewer.
#pragma once

class CQXDownloadToolDlg;

void OnReadFlashEntireChip(CQXDownloadToolDlg& window);
void OnReadFlashRange(CQXDownloadToolDlg& window);
