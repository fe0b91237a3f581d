// The main window's way to the update checks. They belong to the offline subsystem, which builds on app/, so the
// window knows them only through this interface; RegisterOfflineCommands installs the factory that makes it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class CQXDownloadToolDlg;

class UpdateService {
public:
    virtual ~UpdateService() = default;
    // The window has opened: the automatic check of the tool.
    virtual void WindowOpened() = 0;
    // The offline downloader was connected and its identity read: the automatic check of its firmware.
    virtual void LinkIdentified() = 0;
    // TIMER_TOOL_UPDATE and TIMER_FIRMWARE_UPDATE of the window.
    virtual void OnTimer(uintptr_t id) = 0;
    // WM_START_UPDATER: the fetched updater takes over.
    virtual void StartUpdater() = 0;
    // The window is closing: whatever is being fetched is cancelled and nothing new starts.
    virtual void WindowClosing() = 0;
};

using UpdateServiceFactory = std::function<std::unique_ptr<UpdateService>(CQXDownloadToolDlg&)>;

// Installed once at program start; without one, the window checks for nothing.
void SetUpdateServiceFactory(UpdateServiceFactory factory);
const UpdateServiceFactory& GetUpdateServiceFactory();
