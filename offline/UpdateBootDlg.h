// The downloader firmware upgrade dialog. Online mode (the firmware check fetched a newer file) shows the size and
// the two versions and starts at once; manual mode lets the user pick an ".enc" file and press Update. The upgrade
// runs on a worker; the dialog cannot be closed while it runs and closes by itself once it has ended.
#pragma once

#include <atomic>
#include <memory>

#include "core/MessageBoxEx.h"
#include "framework/Control.h"
#include "framework/Dialog.h"
#include "framework/Sync.h"
#include "offline/FirmwareUpgrade.h"

class CQXDownloadToolDlg;

class CUpdateBootDlg : public fw::Dialog, private FirmwareUpgradeHost {
public:
    explicit CUpdateBootDlg(CQXDownloadToolDlg* mainDlg);
    ~CUpdateBootDlg() override;

    bool WorkerRunning() const { return m_running; }
    // The upgrade's result once it has ended: true after "固件更新成功！".
    bool Succeeded() const { return m_succeeded; }

    fw::Text m_filePath;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void StartWorker();
    uint32_t UpgradeThread();
    // The upgrade of the chosen file (or the fetched one); true after "固件更新成功！".
    bool UpgradeFirmware();

    void WaitForWorker();

    void OnBnClickedBrowse();
    void OnBnClickedUpdate();
    void OnTimer(uintptr_t id);
    void OnSysCommand(unsigned command, fw::LParam lParam);
    fw::LResult OnProgressRange(fw::WParam wParam, fw::LParam lParam);
    fw::LResult OnProgressStep(fw::WParam wParam, fw::LParam lParam);
    static const fw::MessageMap<CUpdateBootDlg> kMessages;

    // FirmwareUpgradeHost, called by the worker.
    bool OpenLink() override;
    bool Reconnect() override;
    bool Exchange(std::span<const uint8_t> request) override;
    bool ReadLinkInfo() override;
    void ShowMessage(const fw::Text& text) override;
    void ProgressRange(uint32_t upper) override;
    void ProgressStep(uint32_t upper) override;
    void SetCaption(const fw::Text& caption) override;

    CQXDownloadToolDlg* m_pMainDlg;
    CMessageBoxEx m_msgBox;
    fw::Control m_fileEdit, m_browseButton, m_updateButton, m_progress, m_info;
    std::unique_ptr<fw::WorkerThread> m_pWorker;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_succeeded{false};
};

// Menu command "Offline downloader to check for offline updates": the dialog in manual mode over a connected
// downloader.
void OnOfflineLinkFirmwareUpdate(CQXDownloadToolDlg& window);
