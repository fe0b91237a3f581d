// The main window's way to the offline downloader on interface 4. The offline subsystem builds on app/, so the
// window knows the link only through this interface; RegisterOfflineCommands installs the factory that makes it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "framework/Text.h"

class CQXDownloadToolDlg;

class OfflineLink {
public:
    virtual ~OfflineLink() = default;
    // Finds and opens the downloader with the ids typed in the window; false after the window was told why.
    virtual bool Open() = 0;
    // Reads and logs the downloader's identity; false after logging which part failed.
    virtual bool ReadInfo() = 0;
    virtual void Close() = 0;
    // False once the opened downloader has gone away, even when it is back on the bus since.
    virtual bool DevicePresent() = 0;
    // The configuration window, modal.
    virtual void RunConfiguration() = 0;

    // While a hold lives, its holder (the firmware upgrade's worker) owns the link: it closes and opens it again
    // as the downloader restarts, so the window takes no departure for an unplug meanwhile and leaves the link
    // alone. Released, the window looks at the downloader once more: one that has gone (even when it came back on
    // the bus meanwhile), or was not opened again, is disconnected as an unplug is.
    class Hold {
    public:
        explicit Hold(CQXDownloadToolDlg& window);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        CQXDownloadToolDlg& m_window;
        OfflineLink* m_link;
        bool m_wasConnected;
    };
    bool Held() const { return m_holds.load(std::memory_order_acquire) > 0; }

    // While a reservation lives, long work that keeps the window answering relies on the link as it stands (the
    // firmware fetched for an upgrade); a hold is one too. The window refuses the commands that would change the
    // link or reach the downloader until it ends, saying why with `busyText` (translated). Made and ended on the
    // UI thread.
    class Reservation {
    public:
        Reservation(OfflineLink* link, fw::Text busyText);
        ~Reservation();
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;

    private:
        OfflineLink* m_link;
        fw::Text m_previousText;
    };
    bool Reserved() const { return Held() || m_reservations.load(std::memory_order_acquire) > 0; }
    // Why the link is reserved, for the refused commands; empty under a hold alone. UI thread.
    const fw::Text& BusyText() const { return m_busyText; }

private:
    std::atomic<int> m_holds{0};
    std::atomic<int> m_reservations{0};
    fw::Text m_busyText;
};

using OfflineLinkFactory = std::function<std::unique_ptr<OfflineLink>(CQXDownloadToolDlg&)>;

// Installed once at program start; without one, interface 4 cannot connect.
void SetOfflineLinkFactory(OfflineLinkFactory factory);
const OfflineLinkFactory& GetOfflineLinkFactory();
