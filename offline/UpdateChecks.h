// The update checks of the main window: the tool's (automatic at start-up, or from its menu entry) and the offline
// downloader firmware's (automatic after the downloader connected, or from its menu entry). The window's timers
// poll their results once a second on the UI thread; a newer tool fetches the updater, which takes over from the
// program, and a newer firmware is fetched and installed with the firmware upgrade dialog.
#pragma once

#include <functional>
#include <optional>

#include "app/UpdateService.h"
#include "framework/Text.h"
#include "offline/HttpGetFile.h"
#include "offline/UpdateCheck.h"

class CQXDownloadToolDlg;

class UpdateChecks : public UpdateService {
public:
    explicit UpdateChecks(CQXDownloadToolDlg& window);

    void WindowOpened() override;
    void LinkIdentified() override;
    void OnTimer(uintptr_t id) override;
    void StartUpdater() override;
    void WindowClosing() override;

    // Menu commands 32890 and 32866.
    void OnCheckToolUpdate();
    void OnCheckLinkFirmwareUpdate();

    // 1 when the updater was fetched and WM_START_UPDATER posted; 1 when the upgrade dialog ran.
    int UpgradeToolOnline();
    int UpgradeLinkFirmwareOnline();

    UpdateCheck& ToolCheck() { return m_tool; }
    UpdateCheck& FirmwareCheck() { return m_firmware; }
    bool FirmwareAutoCheckEnabled() const { return m_firmwareAutoCheckEnabled; }

    // How the fetched updater is started: program and working folder; 0 when it runs, an error number otherwise.
    // And how the program then ends at once. Tests record both.
    static std::function<int(const fw::Text& program, const fw::Text& folder)> s_launchUpdater;
    static std::function<void(int code)> s_exitProgram;

private:
    void StartToolCheck(bool automatic);
    void StartFirmwareCheck(bool automatic);
    void OnToolTimer();
    void OnFirmwareTimer();
    // Once per result: the messages of a check the user started, then the upgrade or the description deleted.
    void HandleResult(UpdateCheck& check, uintptr_t timer, int (UpdateChecks::*upgrade)());
    // The messages of a check the user started, for the statuses that end it.
    void ShowCheckOutcome(int status);
    void Show(const fw::Text& text);
    bool Ask(const fw::Text& question);
    fw::Text InWorkDir(fw::TextView name) const;
    // The downloads that follow a check, on the UI thread: the window is drawn and served between the waits of the
    // fetch, and closing it cancels the fetch. `busyText` is what the check commands say meanwhile.
    int FetchOnUi(const fw::Text& path, const fw::Text& url, std::int64_t maxBytes, const fw::Text& busyText,
                  HttpFetched& fetched);
    // A check command given while a download is served on the UI thread says what is being downloaded.
    bool RefuseWhileFetching();

    CQXDownloadToolDlg& m_window;
    UpdateCheck m_tool, m_firmware;
    bool m_firmwareAutoCheckEnabled = true;
    // While a download is served on the UI thread, the window's timers and menu entries start nothing of ours;
    // the menu entries say what is being downloaded.
    std::optional<fw::Text> m_fetchingOnUi;
    bool m_closing = false;
};

// The window's update checks; every window made while the offline subsystem is registered has them.
UpdateChecks* UpdateChecksOf(CQXDownloadToolDlg& window);

// A name the server gives for the firmware file: letters, digits, ".", "-" and "_", not starting with a dot and
// ending in ".enc", so it lands in the working directory under that name, nowhere else and never on one of the
// program's own files there.
bool IsPlainFirmwareFileName(fw::TextView name);
