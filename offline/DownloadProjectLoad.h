// Puts a download project (".dlpf") chosen with Browse into the main window: its files as the download items'
// segments, its partitions and key updates, its option bytes and its chip's series name.
#pragma once

#include "framework/Text.h"

class CQXDownloadToolDlg;

// false when the file cannot be read or is not a good project, after a box that says which; the window is then
// unchanged.
bool LoadDownloadProjectIntoWindow(CQXDownloadToolDlg& window, fw::TextView path);
