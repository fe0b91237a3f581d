#include "offline/UpdateChecks.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "app/MainWindow.h"
#include "app/MainWindowState.h"
#include "core/Translation.h"
#include "framework/Files.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "framework/Styles.h"
#include "framework/System.h"
#include "framework/UiThread.h"
#include "offline/HttpGetFile.h"
#include "offline/UpdateBootDlg.h"

namespace {

constexpr unsigned kPollMs = 1000;
// The firmware check keeps its copy of the server's description apart from the tool check's "Update.ini", so
// the two checks can run at once without reading each other's file.
constexpr fw::TextView kFirmwareIniName = u"FirmwareUpdate.ini";

}  // namespace

std::function<int(const fw::Text&, const fw::Text&)> UpdateChecks::s_launchUpdater = [](const fw::Text& program,
                                                                                        const fw::Text& folder) {
    std::error_code error;
    // The fetched file arrives without the execute bit.
    std::filesystem::permissions(fw::TextToUtf8(program),
                                 std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec,
                                 std::filesystem::perm_options::add, error);
    errno = 0;
    if (fw::StartProgram(program, {}, folder)) return 0;
    return errno != 0 ? errno : -1;
};

std::function<void(int)> UpdateChecks::s_exitProgram = [](int code) { std::_Exit(code); };

bool IsPlainFirmwareFileName(fw::TextView name) {
    if (name.empty() || name.size() > 260 || name.front() == u'.') return false;
    for (char16_t c : name) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'.' || c == u'-' || c == u'_';
        if (!plain) return false;
    }
    return name.size() > 4 && fw::EqualsNoCase(fw::Right(name, 4), u".enc");
}

UpdateChecks* UpdateChecksOf(CQXDownloadToolDlg& window) {
    // The factory that RegisterOfflineCommands installs makes nothing but UpdateChecks.
    return static_cast<UpdateChecks*>(window.GetUpdateService());
}

UpdateChecks::UpdateChecks(CQXDownloadToolDlg& window)
    : m_window(window),
      m_tool(u"QXDownloadTool/", fw::JoinPath(window.m_workDir, window.m_updateFilePath)),
      m_firmware(u"Firware/", fw::JoinPath(window.m_workDir, kFirmwareIniName)) {}

fw::Text UpdateChecks::InWorkDir(fw::TextView name) const { return fw::JoinPath(m_window.m_workDir, name); }

void UpdateChecks::Show(const fw::Text& text) { m_window.m_msgBox.MessageBox(&m_window, text, fw::MB_OK); }

bool UpdateChecks::Ask(const fw::Text& question) {
    return m_window.m_msgBox.MessageBox(&m_window, question, fw::MB_YESNO | fw::MB_ICONQUESTION) == fw::IDYES;
}

void UpdateChecks::WindowOpened() {
    fw::DeleteFile(m_firmware.LocalIni());
    StartToolCheck(true);
}

void UpdateChecks::WindowClosing() {
    m_closing = true;
    m_tool.Cancel();
    m_firmware.Cancel();
}

int UpdateChecks::FetchOnUi(const fw::Text& path, const fw::Text& url, std::int64_t maxBytes, const fw::Text& busyText,
                            HttpFetched& fetched) {
    m_fetchingOnUi = busyText;
    const int result = HttpGetFile(path, url, maxBytes, fetched, [this] {
        fw::PumpMessages();
        return !m_closing;
    });
    m_fetchingOnUi.reset();
    return result;
}

bool UpdateChecks::RefuseWhileFetching() {
    if (!m_fetchingOnUi) return false;
    m_window.m_msgBox.MessageBox(&m_window, *m_fetchingOnUi, fw::MB_OK | fw::MB_ICONWARNING);
    return true;
}

void UpdateChecks::StartToolCheck(bool automatic) {
    if (m_fetchingOnUi) return;
    if (!m_tool.Start(m_window.m_toolVersion, m_window.m_hostIpText, automatic)) return;
    m_window.SetTimer(TIMER_TOOL_UPDATE, kPollMs);
}

void UpdateChecks::StartFirmwareCheck(bool automatic) {
    if (m_fetchingOnUi) return;
    if (!m_firmware.Start(m_window.m_linkFirmwareVersion, m_window.m_hostIpText, automatic)) return;
    m_window.SetTimer(TIMER_FIRMWARE_UPDATE, kPollMs);
}

void UpdateChecks::LinkIdentified() {
    if (m_firmwareAutoCheckEnabled) StartFirmwareCheck(true);
}

void UpdateChecks::OnCheckToolUpdate() {
    if (!RefuseWhileFetching()) StartToolCheck(false);
}

void UpdateChecks::OnCheckLinkFirmwareUpdate() {
    if (RefuseWhileFetching()) return;
    if (m_window.m_connected == 0) {
        Show(TranslateText(u"请先连接设备！"));
        return;
    }
    m_window.m_firmwareUpdateOnline = 1;
    StartFirmwareCheck(false);
}

void UpdateChecks::OnTimer(uintptr_t id) {
    // A result waits for the download on the UI thread to end; after closing, none is handled.
    if (m_fetchingOnUi || m_closing) return;
    if (id == TIMER_TOOL_UPDATE) OnToolTimer();
    if (id == TIMER_FIRMWARE_UPDATE) OnFirmwareTimer();
}

void UpdateChecks::ShowCheckOutcome(int status) {
    switch (status) {
        case kUpdateUpToDate:
            Show(TranslateText(u"当前版本为最新版本！"));
            break;
        case kUpdateServerOlder:
            Show(TranslateText(u"服务器端工具版本不对！"));
            break;
        case kUpdateNoConfiguration:
            Show(TranslateText(u"下载更新的配置文件失败，请检查当前网络是否可用!"));
            break;
        case kUpdateBadConfiguration:
            Show(TranslateText(u"更新配置文件不正确！"));
            break;
        default:
            break;
    }
}

void UpdateChecks::OnToolTimer() {
    // An automatic result waits while a device is connected, so it never interrupts work on a chip.
    if (m_window.m_connected != 0 && m_tool.Automatic()) return;
    if (m_tool.Running()) return;
    HandleResult(m_tool, TIMER_TOOL_UPDATE, &UpdateChecks::UpgradeToolOnline);
}

void UpdateChecks::OnFirmwareTimer() {
    // A firmware result waits for a connected downloader to install on.
    if (m_window.m_connected == 0 || m_firmware.Running()) return;
    HandleResult(m_firmware, TIMER_FIRMWARE_UPDATE, &UpdateChecks::UpgradeLinkFirmwareOnline);
}

void UpdateChecks::HandleResult(UpdateCheck& check, uintptr_t timer, int (UpdateChecks::*upgrade)()) {
    const int status = check.Result().status;
    m_window.KillTimer(timer);
    if (!check.Automatic()) ShowCheckOutcome(status);
    if (status == kUpdateAvailable) {
        (this->*upgrade)();
    } else {
        fw::DeleteFile(check.LocalIni());
    }
}

int UpdateChecks::UpgradeToolOnline() {
    const fw::Text ini = m_tool.LocalIni();
    if (!Ask(TranslateText(u"发现新版本工具，是否马上升级?"))) {
        fw::DeleteFile(ini);
        return 0;
    }
    HttpFetched fetched;
    if (!FetchOnUi(InWorkDir(m_window.m_updaterPath), m_tool.Result().folderUrl + u"Update.exe", kMaxUpdaterBytes,
                   TranslateText(u"正在下载更新程序，请等待下载结束！"), fetched)) {
        if (!m_closing) Show(TranslateText(u"下载更新程序失败！"));
        fw::DeleteFile(ini);
        return 0;
    }
    m_window.m_fetchedSizeText = fetched.sizeText;
    // The updater learns from here which version it replaces.
    fw::WritePrivateProfileString(u"CURRENTVERSION", u"currentversion", m_window.m_toolVersion, ini);
    m_window.PostMessage(WM_START_UPDATER);
    return 1;
}

void UpdateChecks::StartUpdater() {
    const int error = s_launchUpdater(InWorkDir(m_window.m_updaterPath), m_window.m_workDir);
    if (error == 0) {
        // The updater replaces the program's files: nothing is saved or asked on the way out.
        s_exitProgram(0);
        return;
    }
    fw::DeleteFile(m_tool.LocalIni());
    Show(TranslateText(u"启动更新程序失败！") + fw::Format(u"ErrorCode:%d", error));
}

int UpdateChecks::UpgradeLinkFirmwareOnline() {
    const fw::Text ini = m_firmware.LocalIni();
    if (!Ask(TranslateText(u"离线下载器发现新版本，是否马上升级?"))) {
        fw::DeleteFile(ini);
        // Declined once, the question is not asked again after every connection of this run.
        m_firmwareAutoCheckEnabled = false;
        return 0;
    }
    const fw::Text name = fw::GetPrivateProfileString(u"FILENAME", u"filename", u"", 261, ini);
    if (name.empty()) {
        fw::DeleteFile(ini);
        Show(TranslateText(u"下载固件文件名称为空！"));
        return 0;
    }
    // A file of that name that is there already is not ours: the fetch would replace it and the upgrade delete it.
    if (!IsPlainFirmwareFileName(name) || fw::FileExists(InWorkDir(name))) {
        fw::DeleteFile(ini);
        Show(TranslateText(u"下载固件文件名称不正确！"));
        return 0;
    }
    const fw::Text file = InWorkDir(name);
    const fw::Text downloading = TranslateText(u"正在下载离线下载器固件，请等待下载结束！");
    // The window answers while the file comes, but the upgrade is to go over the connection it has now.
    OfflineLink::Reservation reservation(m_window.GetOfflineLink(), downloading);
    HttpFetched fetched;
    if (!FetchOnUi(file, m_firmware.Result().folderUrl + name, kMaxFirmwareFetchBytes, downloading, fetched)) {
        fw::DeleteFile(ini);
        // A firmware the downloader would not take is not waited for, and the user is told why.
        if (!m_closing)
            Show(fetched.TooLarge(kMaxFirmwareFetchBytes) ? FirmwareTooLargeText()
                                                          : TranslateText(u"下载固件文件失败！"));
        return 0;
    }
    m_window.m_linkFirmwareFile = file;
    m_window.m_firmwareUpdateOnline = 1;
    m_window.m_latestVersion = m_firmware.Result().latestVersion;
    m_window.m_fetchedSizeText = fetched.sizeText;
    {
        CUpdateBootDlg dialog(&m_window);
        dialog.DoModal();
    }
    fw::DeleteFile(ini);
    fw::DeleteFile(file);
    return 1;
}
