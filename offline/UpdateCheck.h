// One kind of update check (the tool's or the downloader firmware's): a worker fetches the server folder's
// "Update.ini" into a local file of the kind's own and compares the version it names with the running one. The
// result is handed to the UI thread under a lock, whole, once the worker has written everything.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "framework/Sync.h"
#include "framework/Text.h"
#include "offline/FirmwareUpgrade.h"
#include "offline/HttpSocket.h"

// The largest file of each kind the update fetches take. A fetch is given time by the length the server announces,
// so these limits are what keep a server from holding a check or a download for days.
inline constexpr std::int64_t kMaxUpdateIniBytes = std::int64_t{64} << 10;  // a description of a few lines
inline constexpr std::int64_t kMaxUpdaterBytes = std::int64_t{64} << 20;
// No larger than the upgrade would send.
inline constexpr std::int64_t kMaxFirmwareFetchBytes = kMaxLinkFirmwareFileBytes;

enum UpdateCheckStatus {
    kUpdateCheckRunning = -1,
    kUpdateUpToDate = 0,         // the server names the running version
    kUpdateServerOlder = 1,      // the server's version is older than the running one
    kUpdateAvailable = 2,        // a newer version is on the server
    kUpdateNoConfiguration = 3,  // no server, or "Update.ini" could not be fetched
    kUpdateBadConfiguration = 4  // "Update.ini" names no version
};

struct UpdateCheckResult {
    int status = kUpdateCheckRunning;
    fw::Text folderUrl;      // where the kind's files are; empty when no server was chosen
    fw::Text latestVersion;  // what "Update.ini" named
};

// The folder of a kind on the update server: the public server when the machine has internet, the internal one
// when its address starts with an internal prefix, none (empty) otherwise. `folder` ends with "/".
fw::Text UpdateFolderUrl(bool internetConnected, fw::TextView hostAddress, fw::TextView folder);

// Fetches folderUrl + "Update.ini" into localIni and compares its latestversion with `current`: status 0, 1 or 2
// with the version in `latest`; 3 when the fetch failed; 4 (and the local file deleted) when it names none.
// whileWaiting: see HttpGetFile.
int CheckUpdateIni(fw::TextView current, const fw::Text& folderUrl, const fw::Text& localIni, fw::Text& latest,
                   const HttpWaitHook& whileWaiting = {});

class UpdateCheck {
public:
    // `folder` on the server ("QXDownloadTool/", "Firware/"); `localIni` the full path of the kind's own copy.
    UpdateCheck(fw::Text folder, fw::Text localIni);
    ~UpdateCheck();  // cancels a running worker and waits for it
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // UI thread. Starts a worker for `current` unless one runs or the check was cancelled; false then. The status
    // goes to -1.
    bool Start(fw::Text current, fw::Text hostAddress, bool automatic);
    // Any thread: a running fetch ends within a wait slice (with status 3) and no check starts any more. The
    // window does this when it closes, so the program never waits for a slow server on its way out.
    void Cancel() { m_cancelled.store(true, std::memory_order_release); }
    bool Cancelled() const { return m_cancelled.load(std::memory_order_acquire); }
    bool Running() const { return m_running.load(std::memory_order_acquire); }
    bool Automatic() const { return m_automatic; }
    UpdateCheckResult Result() const;
    const fw::Text& LocalIni() const { return m_localIni; }

    // Whether the machine has internet; tests decide it.
    static std::function<bool()> s_internetConnected;

private:
    fw::Text m_folder, m_localIni;
    bool m_automatic = true;  // UI thread
    mutable std::mutex m_mutex;
    UpdateCheckResult m_result;  // under m_mutex
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_cancelled{false};
    std::unique_ptr<fw::WorkerThread> m_worker;
};
