#include "tools/FlashDlg.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "app/MainWindow.h"
#include "app/MainWindowState.h"
#include "core/Crc32.h"
#include "core/StatusText.h"
#include "core/TextMatching.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Files.h"
#include "framework/Format.h"
#include "framework/Styles.h"
#include "framework/UiThread.h"
#include "resources/ui/read_flash.h"

namespace {

constexpr uint8_t kRawReadCommand = 0x33;
constexpr uint32_t kRawReplyFraming = 10, kRawReplyHeader = 4;
constexpr uint32_t kRetryPauseMs = 10;
constexpr int kCentred = 2;

fw::Text RowAddress(uint32_t address) { return fw::Format(u"0x%08X", address); }

fw::Text ByteText(uint8_t b) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    return fw::Text{kDigits[b >> 4], kDigits[b & 0xF]};
}

}  // namespace

const fw::MessageMap<CFlashDlg> CFlashDlg::kMessages{
    fw::OnClick(IDC_FLASH_VIEW_SAVE, &CFlashDlg::OnBnClickedSave),
    fw::OnSysCommand(&CFlashDlg::OnSysCommand),
};

CFlashDlg::CFlashDlg(CQXDownloadToolDlg* owner) : fw::Dialog(IDD_FLASH_VIEW, owner), m_owner(owner) {}

CFlashDlg::~CFlashDlg() { StopWorker(); }

void CFlashDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Control(IDC_FLASH_VIEW_LIST, m_list);
    dx.Control(IDC_FLASH_VIEW_START, m_startEdit);
    dx.Control(IDC_FLASH_VIEW_CRC, m_crcEdit);
    dx.Control(IDC_FLASH_VIEW_PROGRESS, m_progress);
    dx.Control(IDC_FLASH_VIEW_SAVE, m_saveButton);
}

bool CFlashDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    m_start = m_owner->m_readStart;
    m_end = m_owner->m_readEnd;
    m_pageSize = m_owner->m_pageSize;
    m_series = m_owner->m_chipSeries;
    m_interface = m_owner->m_interface;
    m_device = m_owner->m_hDevice;

    m_list.SetExtendedStyle(fw::LVS_EX_FULLROWSELECT | fw::LVS_EX_GRIDLINES);
    m_list.InsertColumn(0, TranslateText(u"地址"), kCentred, 84);
    for (int i = 0; i < 16; ++i)
        m_list.InsertColumn(i + 1, fw::Format(u"%X", i), kCentred, 30);
    for (int i = 0; i < 17; ++i)
        m_list.SetColumnWidth(i, i == 0 ? 84 : 30);
    m_startEdit.SetWindowText(fw::Format(u"%08X", m_start));

    m_cancel = false;
    if (m_worker == nullptr) {
        // Disabled before the worker runs, so that Save never offers a read that has not ended.
        m_saveButton.EnableWindow(false);
        m_worker = std::make_unique<fw::WorkerThread>([this] { return ReadFlashThread(); }, true);
        m_worker->Resume();
    }
    return true;
}

uint32_t CFlashDlg::ReadFlashThread() {
    const uint32_t result = ReadFlash();
    fw::RunOnUi([this] {
        m_readEnded = true;
        m_saveButton.EnableWindow(true);
    });
    return result;
}

uint32_t CFlashDlg::ReadFlash() {
    const std::optional<ReadPlan> plan = PlanRead(m_start, m_end, m_pageSize, m_series, m_interface);
    if (!plan) {
        ReportReadFailure();
        return 0;
    }
    m_plan = *plan;
    m_buffer.assign(m_plan.length, 0);
    fw::RunOnUi([this] {
        m_list.InsertItem(0, RowAddress(m_plan.RowBase()));
        m_progress.SetRange(0, static_cast<int>(std::min<uint32_t>(m_plan.steps, 0xFFFF)));
        m_progress.SetPos(0);
        m_progress.SetStep(1);
    });

    if (m_plan.head != 0) {
        if (!ReadPiece(0, m_plan.head)) return 0;
        fw::RunOnUi([this] { ShowBytes(0, m_plan.head); });
    }
    for (uint32_t offset = m_plan.head; offset < m_plan.length;) {
        if (m_cancel) return 0;
        uint32_t count = std::min(m_plan.length - offset, m_plan.chunk);
        const uint32_t address = m_plan.first + offset;
        if (m_plan.rawCommand) {
            // The boot loader's own area ends the read-out: what came before it is the result.
            if (address >= kSeries7ReadLimit) break;
            count = std::min(count, kSeries7ReadLimit - address);
        }
        if (!ReadPiece(offset, count)) return 0;
        fw::RunOnUi([this, offset, count] { ShowBytes(offset, count); });
        offset += count;
    }
    if (m_cancel) return 0;
    const uint32_t crc = Crc32Buffer(m_buffer.data(), static_cast<int>(m_shown), nullptr);
    fw::RunOnUi([this, crc] { m_crcEdit.SetWindowText(fw::Format(u"%08X", crc)); });
    return 1;
}

bool CFlashDlg::ReadPiece(uint32_t offset, uint32_t count) {
    StatusCode status = CMD_STATUS_OK;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt != 0) std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMs));
        uint32_t received = 0;
        status = ReadOnce(m_plan.first + offset, m_buffer.data() + offset, count, received);
        if (status == CMD_STATUS_OK && received == count) return true;
        if (m_cancel) return false;
    }
    if (m_plan.rawCommand && status != CMD_STATUS_OK) {
        m_owner->AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
    }
    ReportReadFailure();
    return false;
}

StatusCode CFlashDlg::ReadOnce(uint32_t address, uint8_t* dest, uint32_t count, uint32_t& received) {
    received = 0;
    if (!m_plan.rawCommand) {
        uint32_t length = count;
        const StatusCode status = OV_CMD_RECV_DATA(address, dest, &length);
        received = std::min(length, count);
        return status;
    }
    const std::array<uint8_t, 9> command{kRawReadCommand,
                                         0x00,
                                         0x01,
                                         0x00,
                                         static_cast<uint8_t>(address),
                                         static_cast<uint8_t>(address >> 8),
                                         static_cast<uint8_t>(address >> 16),
                                         static_cast<uint8_t>(address >> 24),
                                         static_cast<uint8_t>(count)};
    std::vector<uint8_t> reply(count + kRawReplyFraming);
    uint32_t replyLength = count;
    const StatusCode status = OV_CMD_SEND_COMMAND(m_device, command.data(), static_cast<uint32_t>(command.size()),
                                                  reply.data(), &replyLength);
    if (status != CMD_STATUS_OK) return status;
    // The count the library reports is not trusted beyond what was asked or what the buffer holds.
    const uint32_t framed = std::min<uint32_t>(replyLength, static_cast<uint32_t>(reply.size()));
    received = framed > kRawReplyFraming ? std::min(framed - kRawReplyFraming, count) : 0;
    std::memcpy(dest, reply.data() + kRawReplyHeader, received);
    return status;
}

void CFlashDlg::ReportReadFailure() {
    if (m_cancel) return;
    m_owner->AppendLog(TranslateText(u"读取FLASH失败！"), kLogRed);
    fw::RunOnUi([this] { m_msgBox.MessageBox(this, TranslateText(u"读取FLASH失败！"), fw::MB_OK); });
}

void CFlashDlg::ShowBytes(uint32_t offset, uint32_t count) {
    const uint32_t rowBase = m_plan.RowBase();
    std::vector<fw::Text> cells;
    // A row's cells go into the table together: one change for the host to draw instead of sixteen.
    for (uint32_t i = 0; i < count && !m_cancel;) {
        const uint32_t relative = m_plan.first + offset + i - rowBase;
        const int row = static_cast<int>(relative / 16);
        const uint32_t column = relative % 16;
        for (int rows = m_list.GetItemCount(); rows <= row; ++rows)
            m_list.InsertItem(rows, RowAddress(rowBase + 16u * static_cast<uint32_t>(rows)));
        const uint32_t run = std::min(count - i, 16 - column);
        cells.clear();
        for (uint32_t k = 0; k < run; ++k)
            cells.push_back(ByteText(m_buffer[offset + i + k]));
        m_list.SetItemTexts(row, static_cast<int>(column) + 1, cells);
        i += run;
    }
    m_shown = offset + count;
    if (m_progress.GetPos() < m_progress.GetRangeUpper()) m_progress.StepIt();
    if (m_list.GetItemCount() > 0) m_list.EnsureVisible(m_list.GetItemCount() - 1);
}

void CFlashDlg::StopWorker() {
    if (m_worker == nullptr) return;
    m_cancel = true;
    // On the UI thread the join serves the worker's requests, so a worker waiting for the window cannot hang it.
    m_worker->Join();
    m_worker.reset();
}

void CFlashDlg::OnCancel() {
    StopWorker();
    fw::Dialog::OnCancel();
}

void CFlashDlg::OnSysCommand(unsigned command, fw::LParam lParam) {
    if (command == fw::SC_CLOSE) {
        OnCancel();
        return;
    }
    DefaultSysCommand(command, lParam);
}

void CFlashDlg::OnBnClickedSave() {
    // The buffer is the worker's until it has handed it over, even if the button was reached meanwhile.
    if (!m_readEnded) return;
    if (m_shown == 0) {
        m_msgBox.MessageBox(this, TranslateText(u"没有读取到FLASH数据，无法保存！"), fw::MB_OK);
        return;
    }
    fw::FileDialog dialog(false, {}, {}, fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT,
                          TranslateText(u"Bin文件(*.bin)") + u"||", this);
    if (dialog.DoModal() != fw::IDOK) return;
    fw::Text path = dialog.GetPathName();
    if (!EndsWithNoCase(path, u".bin")) path += u".bin";
    if (!fw::WriteFileAtomic(path, std::span<const uint8_t>(m_buffer.data(), m_shown))) {
        m_msgBox.MessageBox(this, TranslateText(u"保存文件失败！"), fw::MB_OK);
        return;
    }
    m_msgBox.MessageBox(this, TranslateText(u"FLASH数据已保存！"), fw::MB_OK);
}
