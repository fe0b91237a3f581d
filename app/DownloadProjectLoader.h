// Reading a download project (".dlpf") chosen with Browse. The offline subsystem owns the file's format and installs
// the reader at program start (RegisterOfflineCommands); without it a project is not loaded.
#pragma once

#include <functional>

#include "framework/Text.h"

class CQXDownloadToolDlg;

// Reads the whole file and, only when all of it is good, puts it into the window: the download items, the project's
// series name, its option bytes and m_writeOptionBytes. false leaves the window as it was.
using DownloadProjectLoader = std::function<bool(CQXDownloadToolDlg& window, fw::TextView path)>;

void SetDownloadProjectLoader(DownloadProjectLoader loader);
bool LoadDownloadProject(CQXDownloadToolDlg& window, fw::TextView path);
