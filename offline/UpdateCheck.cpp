#include "offline/UpdateCheck.h"

#include "core/AppServices.h"
#include "framework/Files.h"
#include "framework/Ini.h"
#include "offline/HttpGetFile.h"
#include "offline/UpdateServers.h"

std::function<bool()> UpdateCheck::s_internetConnected = [] { return IsInternetConnected(); };

fw::Text UpdateFolderUrl(bool internetConnected, fw::TextView hostAddress, fw::TextView folder) {
    fw::Text server;
    if (internetConnected) {
        server = g_strUpdateServerPublic;
    } else if (IsInternalNetworkAddress(hostAddress, g_updateInternalPrefixes)) {
        server = g_strUpdateServerInternal;
    } else {
        return {};
    }
    return u"http://" + server + u"/files/" + fw::Text(folder);
}

int CheckUpdateIni(fw::TextView current, const fw::Text& folderUrl, const fw::Text& localIni, fw::Text& latest,
                   const HttpWaitHook& whileWaiting) {
    HttpFetched fetched;
    if (!HttpGetFile(localIni, folderUrl + u"Update.ini", kMaxUpdateIniBytes, fetched, whileWaiting))
        return kUpdateNoConfiguration;
    const fw::Text value = fw::GetPrivateProfileString(u"LATESTVERSION", u"latestversion", u"", 129, localIni);
    if (value.empty()) {
        fw::DeleteFile(localIni);
        return kUpdateBadConfiguration;
    }
    latest = value;
    return CompareVersion(current, value);
}

UpdateCheck::UpdateCheck(fw::Text folder, fw::Text localIni)
    : m_folder(std::move(folder)), m_localIni(std::move(localIni)) {}

UpdateCheck::~UpdateCheck() {
    Cancel();
    if (m_worker) m_worker->Join();
}

bool UpdateCheck::Start(fw::Text current, fw::Text hostAddress, bool automatic) {
    if (Running() || Cancelled()) return false;
    if (m_worker) m_worker->Join();
    m_automatic = automatic;
    {
        std::lock_guard lock(m_mutex);
        m_result = UpdateCheckResult{};
    }
    m_running.store(true, std::memory_order_release);
    // The worker gets its inputs by value: it reads nothing of the window while the user works on.
    m_worker = std::make_unique<fw::WorkerThread>(
        [this, current = std::move(current), hostAddress = std::move(hostAddress)]() -> uint32_t {
            UpdateCheckResult result;
            result.folderUrl = UpdateFolderUrl(s_internetConnected(), hostAddress, m_folder);
            result.status = result.folderUrl.empty()
                                ? kUpdateNoConfiguration
                                : CheckUpdateIni(current, result.folderUrl, m_localIni, result.latestVersion,
                                                 [this] { return !Cancelled(); });
            {
                std::lock_guard lock(m_mutex);
                m_result = std::move(result);
            }
            m_running.store(false, std::memory_order_release);
            return 0;
        },
        true);
    m_worker->Resume();
    return true;
}

UpdateCheckResult UpdateCheck::Result() const {
    std::lock_guard lock(m_mutex);
    return m_result;
}
