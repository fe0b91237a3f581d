// The flash viewer: a worker reads the range the main window holds, the bytes appear sixteen to a row as they
// arrive, the CRC-32 shows when the whole range was read, and Save writes the bytes shown to a ".bin" file.
// Closing (title bar, Esc) stops the worker and waits for it while serving its requests, so the dialog never
// goes before its worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/MessageBoxEx.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Control.h"
#include "framework/Dialog.h"
#include "framework/Sync.h"
#include "tools/ReadFlashRange.h"

class CQXDownloadToolDlg;

class CFlashDlg : public fw::Dialog {
public:
    explicit CFlashDlg(CQXDownloadToolDlg* owner);
    ~CFlashDlg() override;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    void OnCancel() override;

private:
    uint32_t ReadFlashThread();
    uint32_t ReadFlash();
    // Fills `count` bytes at buffer offset `offset`; one retry after a pause, a short count counts as a failure.
    bool ReadPiece(uint32_t offset, uint32_t count);
    StatusCode ReadOnce(uint32_t address, uint8_t* dest, uint32_t count, uint32_t& received);
    void ReportReadFailure();
    // UI thread: the bytes [offset, offset + count) of the buffer into the table, then one progress step.
    void ShowBytes(uint32_t offset, uint32_t count);
    void StopWorker();

    void OnBnClickedSave();
    void OnSysCommand(unsigned command, fw::LParam lParam);
    static const fw::MessageMap<CFlashDlg> kMessages;

    CQXDownloadToolDlg* m_owner;
    CMessageBoxEx m_msgBox;
    fw::Control m_list, m_startEdit, m_crcEdit, m_progress, m_saveButton;

    // Taken from the window when the dialog opens; the worker reads only these.
    uint32_t m_start = 0, m_end = 0, m_pageSize = 0;
    uint8_t m_series = 0;
    InterfaceIndex m_interface = 0;
    DeviceHandle m_device = 0;

    std::unique_ptr<fw::WorkerThread> m_worker;
    std::atomic<bool> m_cancel{false};
    ReadPlan m_plan;
    std::vector<uint8_t> m_buffer;
    // Bytes at the start of the buffer that were read and shown; what Save writes. Written by the worker, read by
    // the UI thread only once the worker has ended.
    uint32_t m_shown = 0;
    bool m_readEnded = false;  // UI thread
};
