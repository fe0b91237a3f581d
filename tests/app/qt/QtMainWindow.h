// A main window of one language drawn by the Qt host, for the pictures the tests take of it and of the dialogs it
// owns. The members end in the order the host needs: the window first, then the host's installation, then the host.
#pragma once

#include <cstdint>

#include "app/MainWindow.h"
#include "framework/Host.h"
#include "framework/Resources.h"
#include "framework/host/qt/QtHost.h"

class QtHostInstalled {
public:
    QtHostInstalled(fw::qt::QtHost& host, uint32_t languageId) {
        fw::InstallHost(&host);
        fw::SetResourceLanguage(static_cast<int>(languageId));
    }
    ~QtHostInstalled() { fw::InstallHost(nullptr); }
    QtHostInstalled(const QtHostInstalled&) = delete;
    QtHostInstalled& operator=(const QtHostInstalled&) = delete;
};

struct QtMainWindow {
    explicit QtMainWindow(uint32_t languageId) : installed(host, languageId), window(languageId) {}

    fw::qt::QtHost host;
    QtHostInstalled installed;
    CQXDownloadToolDlg window;
};
