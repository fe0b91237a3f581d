#include "offline/UpdateBootDlg.h"

#include <chrono>
#include <thread>

#include "app/MainWindow.h"
#include "app/MainWindowState.h"
#include "core/FileFilters.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Files.h"
#include "framework/Styles.h"
#include "framework/UiThread.h"
#include "offline/LinkSession.h"
#include "resources/ui/update_boot.h"

namespace {

constexpr uintptr_t kCloseTimer = 1;
constexpr unsigned kCloseTimerMs = 100;

}  // namespace

const fw::MessageMap<CUpdateBootDlg> CUpdateBootDlg::kMessages{
    fw::OnClick(IDC_UPDATE_BOOT_BROWSE, &CUpdateBootDlg::OnBnClickedBrowse),
    fw::OnClick(IDC_UPDATE_BOOT_UPDATE, &CUpdateBootDlg::OnBnClickedUpdate),
    fw::OnTimer(&CUpdateBootDlg::OnTimer),
    fw::OnSysCommand(&CUpdateBootDlg::OnSysCommand),
    fw::OnMessage(WM_PROGRESS_RANGE, &CUpdateBootDlg::OnProgressRange),
    fw::OnMessage(WM_PROGRESS_STEP, &CUpdateBootDlg::OnProgressStep),
};

CUpdateBootDlg::CUpdateBootDlg(CQXDownloadToolDlg* mainDlg)
    : fw::Dialog(IDD_UPDATE_BOOT, mainDlg), m_pMainDlg(mainDlg) {}

CUpdateBootDlg::~CUpdateBootDlg() { WaitForWorker(); }

void CUpdateBootDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Control(IDC_UPDATE_BOOT_FILE, m_fileEdit);
    dx.Control(IDC_UPDATE_BOOT_BROWSE, m_browseButton);
    dx.Control(IDC_UPDATE_BOOT_UPDATE, m_updateButton);
    dx.Control(IDC_UPDATE_BOOT_PROGRESS, m_progress);
    dx.Control(IDC_UPDATE_BOOT_INFO, m_info);
}

bool CUpdateBootDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    if (m_pMainDlg->m_firmwareUpdateOnline != 1) return true;
    for (int id : {IDC_UPDATE_BOOT_FILE_LABEL, IDC_UPDATE_BOOT_FILE, IDC_UPDATE_BOOT_BROWSE, IDC_UPDATE_BOOT_UPDATE})
        GetDlgItem(id).ShowWindow(fw::SW_HIDE);
    m_info.ShowWindow(fw::SW_SHOW);
    const fw::Text& current = m_pMainDlg->m_linkFirmwareVersion;
    const fw::Text& latest = m_pMainDlg->m_latestVersion;
    if (!current.empty() && !latest.empty()) {
        m_info.SetWindowText(TranslateText(u"大小：") + m_pMainDlg->m_fetchedSizeText + u"\n\n" +
                             TranslateText(u"版本：") + current + u" >> " + latest + u"\n");
    }
    StartWorker();
    return true;
}

void CUpdateBootDlg::OnBnClickedBrowse() {
    fw::FileDialog dialog(true, {}, {}, fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT, EncFilesEntry() + u"|", this);
    if (dialog.DoModal() != fw::IDOK) return;
    const fw::Text path = dialog.GetPathName();
    if (!path.empty()) m_fileEdit.SetWindowText(path);
}

void CUpdateBootDlg::OnBnClickedUpdate() {
    const fw::Text path = m_fileEdit.GetWindowText();
    if (path.empty()) {
        m_msgBox.MessageBox(this, TranslateText(u"固件文件不能为空！"), fw::MB_OK);
        return;
    }
    m_filePath = path;
    StartWorker();
}

void CUpdateBootDlg::StartWorker() {
    if (m_running) return;
    // A worker that ended but was not collected yet is collected first.
    WaitForWorker();
    m_running = true;
    m_succeeded = false;
    m_pWorker = std::make_unique<fw::WorkerThread>([this] { return UpgradeThread(); }, true);
    m_pWorker->Resume();
    SetTimer(kCloseTimer, kCloseTimerMs);
}

uint32_t CUpdateBootDlg::UpgradeThread() {
    {
        // The downloader leaves the bus and comes back twice: the window takes that for no unplug until the
        // upgrade lets go, and then looks whether it is still there.
        OfflineLink::Hold hold(*m_pMainDlg);
        fw::Text caption;
        fw::RunOnUi([&] {
            caption = GetWindowText();
            m_updateButton.EnableWindow(false);
            m_browseButton.EnableWindow(false);
        });
        m_succeeded = UpgradeFirmware();
        fw::RunOnUi([&] {
            m_updateButton.EnableWindow(true);
            m_browseButton.EnableWindow(true);
            SetWindowText(caption);
        });
    }
    m_running = false;
    return 0;
}

bool CUpdateBootDlg::UpgradeFirmware() {
    FirmwareUpgrade upgrade(*this, m_filePath.empty() ? m_pMainDlg->m_linkFirmwareFile : m_filePath);
    return upgrade.Run();
}

bool CUpdateBootDlg::Reconnect() {
    if (OfflineLink* link = m_pMainDlg->GetOfflineLink()) link->Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(FirmwareReconnectPauseMs()));
    m_pMainDlg->m_connected = 0;
    if (::OpenLink(*m_pMainDlg) == 0) return false;
    m_pMainDlg->m_connected = 1;
    return true;
}

void CUpdateBootDlg::WaitForWorker() {
    if (m_pWorker == nullptr) return;
    // On the UI thread the join serves the worker's requests, so a worker waiting for the window cannot hang it.
    m_pWorker->Join();
    m_pWorker.reset();
}

void CUpdateBootDlg::OnTimer(uintptr_t) {
    if (m_running) return;
    KillTimer(kCloseTimer);
    WaitForWorker();
    EndDialog(fw::IDOK);
}

void CUpdateBootDlg::OnOK() {
    // Enter presses Update, the default button, which is where a user starts the upgrade.
    if (m_updateButton.IsWindowVisible() && m_updateButton.IsWindowEnabled()) OnBnClickedUpdate();
}

void CUpdateBootDlg::OnCancel() {
    // The worker uses the dialog and the main window to the end: while it runs, nothing closes the dialog.
    if (m_running) return;
    WaitForWorker();
    fw::Dialog::OnCancel();
}

void CUpdateBootDlg::OnSysCommand(unsigned command, fw::LParam lParam) {
    if (command == fw::SC_CLOSE) {
        OnCancel();
        return;
    }
    DefaultSysCommand(command, lParam);
}

fw::LResult CUpdateBootDlg::OnProgressRange(fw::WParam wParam, fw::LParam) {
    m_progress.SetPos(0);
    m_progress.SetRange(0, static_cast<int>(wParam & 0xFFFF));
    m_progress.SetStep(1);
    return 0;
}

fw::LResult CUpdateBootDlg::OnProgressStep(fw::WParam wParam, fw::LParam) {
    if (m_progress.GetPos() != static_cast<int>(wParam)) m_progress.StepIt();
    return 0;
}

bool CUpdateBootDlg::OpenLink() {
    // A window that lost its downloader before the upgrade began (while its firmware was fetched, say) is not
    // connected behind the user's back to whatever downloader is found now.
    return m_pMainDlg->m_connected != 0 && ::OpenLink(*m_pMainDlg) != 0;
}

bool CUpdateBootDlg::Exchange(std::span<const uint8_t> request) {
    LinkReply reply;
    return ExchangeLinkRequest(*m_pMainDlg, request, reply);
}

bool CUpdateBootDlg::ReadLinkInfo() { return ::ReadLinkInfo(*m_pMainDlg) != 0; }

void CUpdateBootDlg::ShowMessage(const fw::Text& text) {
    fw::RunOnUi([&] { m_msgBox.MessageBox(this, text, fw::MB_OK); });
}

void CUpdateBootDlg::ProgressRange(uint32_t upper) { SendMessage(WM_PROGRESS_RANGE, upper); }

void CUpdateBootDlg::ProgressStep(uint32_t upper) { SendMessage(WM_PROGRESS_STEP, upper); }

void CUpdateBootDlg::SetCaption(const fw::Text& caption) { SetWindowText(caption); }

void OnOfflineLinkFirmwareUpdate(CQXDownloadToolDlg& window) {
    if (window.m_connected == 0) {
        window.m_msgBox.MessageBox(&window, TranslateText(u"请先连接设备！"), fw::MB_OK);
        return;
    }
    window.m_firmwareUpdateOnline = 0;
    CUpdateBootDlg dialog(&window);
    dialog.DoModal();
}
