#include "app/DownloadJob.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "app/DownloadAreas.h"
#include "app/DownloadCounters.h"
#include "app/DownloadJobSteps.h"
#include "app/InterfaceSpeeds.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "framework/Sync.h"

using download_steps::IsOneOf;
using download_steps::kRed;

namespace {

constexpr int kReconnectAttempts = 11;

}  // namespace

void DownloadHost::Pause(uint32_t milliseconds) { fw::Sleep(milliseconds); }

int DownloadProgressCallback(void* context) {
    auto* progress = static_cast<ProgressContext*>(context);
    progress->host->ProgressStep(*progress->slot);
    return 1;
}

DownloadJob::DownloadJob(DownloadHost& host, DownloadItems& items, const DownloadJobSettings& settings,
                         ChannelSlot& slot)
    : m_host(host),
      m_items(items),
      m_settings(settings),
      m_slot(slot),
      m_partitions(settings.partitions),
      m_partitionRead(settings.partitionRead),
      m_chipInfo(settings.chipInfo) {}

void DownloadJob::Report(const fw::Text& text, int kind) { m_host.ReportStatus(&m_slot, text, kind); }

void DownloadJob::StatusLine(StatusCode status) {
    Report(StatusCodeToText(static_cast<int32_t>(status)), kStatusFailure);
}

void DownloadJob::StatusLineRed(StatusCode status) {
    m_host.AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kRed);
}

bool DownloadJob::Reconnect() {
    for (int attempt = 0; attempt < kReconnectAttempts; ++attempt) {
        m_host.DisconnectDevice(m_slot);
        if (m_host.ConnectDevice(m_slot)) return true;
        m_host.Pause(500);
    }
    return false;
}

int DownloadJob::ResetAndReconnect(uint32_t settleMs) {
    m_host.Pause(500);
    Report(TranslateText(u"正在复位..."), kStatusPlain);
    const StatusCode status = OV_CMD_SYS_RESET(m_slot.handle);
    if (status != CMD_STATUS_OK) {
        StatusLineRed(status);
        ReportFailure(TranslateText(u"复位失败！"));
        return 0;
    }
    Report(TranslateText(u"复位成功，重新连接设备..."), kStatusPlain);
    m_host.Pause(settleMs);
    if (!Reconnect()) {
        ReportFailure(TranslateText(u"重新连接设备失败！"));
        return 0;
    }
    Report(TranslateText(u"重新连接设备成功！"), kStatusSuccess);
    return 1;
}

void DownloadJob::ProtectAfterDownload(uint8_t level, const fw::Text& step, const fw::Text& done) {
    Report(step, kStatusPlain);
    const StatusCode status = OV_CMD_READ_PROTECT(m_slot.handle, level, m_settings.chipSeries);
    if (status != CMD_STATUS_OK) {
        StatusLineRed(status);
        return;
    }
    m_slot.rdpLevel = level;
    Report(done, kStatusSuccess);
}

int DownloadJob::ProgramDevice() {
    if (m_host.ComputeProgressSteps(m_slot) == 0) {
        ReportFailure(TranslateText(u"计算进度条长度失败！"));
        return 1;
    }
    m_host.ProgressRange(m_slot, m_slot.progressTotal);

    if (m_settings.productionMode || !m_slot.connected) {
        Report(TranslateText(u"连接设备..."), kStatusPlain);
        if (!m_host.ConnectDevice(m_slot)) {
            ReportFailure(TranslateText(u"连接设备失败！"));
            return 1;
        }
        Report(TranslateText(u"读取芯片信息..."), kStatusPlain);
        if (!m_host.GetChipInfo(m_chipInfo, m_slot)) {
            ReportFailure(TranslateText(u"获取芯片信息失败！"));
            return 1;
        }
        Report(TranslateText(u"读取分区信息..."), kStatusPlain);
        if (!m_host.ReadPartitions(m_partitions, m_partitionRead, &m_slot)) {
            ReportFailure(TranslateText(u"读取分区信息失败！"));
            return 1;
        }
        // The file's option bytes live apart from the chip's, so this read cannot replace them.
        Report(TranslateText(u"读取选项字节..."), kStatusPlain);
        if (!m_host.ReadOptionBytes(m_optionBytes, &m_slot)) {
            ReportFailure(TranslateText(u"读取选项字节失败！"));
            return 1;
        }
    }

    if (!TakeOptionImage() || !LiftProtection()) return 1;
    if (m_slot.chipSeries == 10 && !ConfigureDualCoreOptions()) return 1;

    if (m_slot.ucidNow != m_slot.ucidConfigured) {
        if (!WritePartitions(m_partitions) || !UpdatePartitionKeys()) return 1;
        const bool configured =
            std::any_of(m_items.begin(), m_items.end(), [](const DownloadItem& item) { return item.configure != 0; });
        if (configured && (m_settings.iface == 0 || m_settings.iface == 1)) {
            Report(TranslateText(u"复位..."), kStatusPlain);
            const StatusCode status = OV_CMD_SYS_RESET(m_slot.handle);
            if (status != CMD_STATUS_OK) {
                StatusLineRed(status);
                ReportFailure(TranslateText(u"复位失败！"));
                return 1;
            }
            m_host.Pause(2000);
            Report(TranslateText(u"重新连接设备..."), kStatusPlain);
            if (!Reconnect()) {
                ReportFailure(TranslateText(u"重新连接设备失败！"));
                return 1;
            }
            Report(TranslateText(u"连接设备成功！"), kStatusSuccess);
            Report(TranslateText(u"读取芯片信息..."), kStatusPlain);
            if (!m_host.GetChipInfo(m_chipInfo, m_slot)) {
                ReportFailure(TranslateText(u"获取芯片信息失败！"));
                return 1;
            }
        }
        m_slot.ucidConfigured = m_slot.ucidNow;
    }

    if (m_slot.chipSeries == 10 && m_settings.safeModule) {
        Report(TranslateText(u"正在下载安全模块") + u"...", kStatusPlain);
        if (!DownloadSafeModule()) {
            ReportFailure(TranslateText(u"下载安全模块失败！"));
            return 1;
        }
        Report(TranslateText(u"下载安全模块成功！"), kStatusSuccess);
    }

    const bool skipImages = !m_settings.productionMode && m_slot.chipSeries == 10 && !m_settings.firmwareFile;
    if (!skipImages && !DownloadItemImages(m_partitions)) return 1;

    if (m_settings.crcAfterDownload && IsSwd(m_settings.iface)) {
        Report(TranslateText(u"正在读取整个FLASH..."), kStatusPlain);
        if (!ReadBackFlashCrc()) {
            ReportFailure(TranslateText(u"读取整个FLASH失败！"));
            return 1;
        }
        Report(TranslateText(u"读取整个FLASH成功！"), kStatusSuccess);
    }

    if (m_settings.writeOptionBytes && !WriteOptionBytes()) return 1;

    if (m_slot.chipSeries == 7 && m_settings.writeDownloadFlag) {
        Report(TranslateText(u"正在写下载标志..."), kStatusPlain);
        const uint8_t command[8] = {0x31, 0xF0, 0, 0, 0, 0, 0, 0};
        uint8_t reply[256] = {};
        uint32_t replyLength = 0;
        const StatusCode status = OV_CMD_SEND_COMMAND(m_slot.handle, command, sizeof command, reply, &replyLength);
        if (status != CMD_STATUS_OK) {
            StatusLineRed(status);
            ReportFailure(TranslateText(u"写下载标志失败！"));
            return 1;
        }
        Report(TranslateText(u"写下载标志成功！"), kStatusSuccess);
    }

    // Read protection after the download: a failure is logged and the job still passes.
    if (m_settings.l1AfterDownload)
        ProtectAfterDownload(1, TranslateText(u"使能读保护等级L1..."),
                             TranslateText(u"使能读保护等级L1成功，复位后生效！"));
    if (m_settings.l2AfterDownload)
        ProtectAfterDownload(2, TranslateText(u"使能读保护等级L2..."),
                             TranslateText(u"使能读保护等级L2成功，复位后生效！"));

    if (m_slot.chipSeries == 10) {
        // The channel's own handle: in production each job talks to its own chip.
        if (m_settings.infoPackMode == 1) {
            Report(TranslateText(u"设置REK和IDKey..."), kStatusPlain);
            StatusCode status = OV_CMD_SET_KEY(m_slot.handle, 0, m_settings.rek.data(), 16);
            if (status != CMD_STATUS_OK) {
                StatusLine(status);
                ReportFailure(TranslateText(u"设置REK失败！"));
                return 1;
            }
            status = OV_CMD_SET_KEY(m_slot.handle, 1, m_settings.idKey.data(), 16);
            if (status != CMD_STATUS_OK) {
                StatusLine(status);
                ReportFailure(TranslateText(u"设置IDKey失败！"));
                return 1;
            }
            Report(TranslateText(u"设置REK和IDKey成功！"), kStatusSuccess);
        }
        if (m_settings.jtagMode) {
            uint8_t jtagKey[4];
            for (int i = 0; i < 4; ++i)
                jtagKey[i] = static_cast<uint8_t>(m_settings.jtagKey >> (8 * i));
            uint8_t data[16];
            std::memcpy(data, jtagKey, 4);
            std::memcpy(data + 4, m_settings.rek.data(), 12);
            const uint8_t mode =
                m_settings.encOptionSelection < 0 ? 0xFF : static_cast<uint8_t>(m_settings.encOptionSelection);
            Report(TranslateText(u"修改JTAG模式..."), kStatusPlain);
            StatusCode status = OV_CMD_SET_JTAG_MODE(m_slot.handle, mode, data, sizeof data);
            if (status != CMD_STATUS_OK) {
                StatusLine(status);
                ReportFailure(TranslateText(u"设置JTAG模式失败！"));
                return 1;
            }
            Report(TranslateText(u"设置JTAG模式成功！"), kStatusSuccess);
            Report(TranslateText(u"修改JTAG密钥..."), kStatusPlain);
            status = OV_CMD_SET_KEY(m_slot.handle, 2, jtagKey, sizeof jtagKey);
            if (status != CMD_STATUS_OK) {
                StatusLine(status);
                ReportFailure(TranslateText(u"修改JTAG密钥失败！"));
                return 1;
            }
            Report(TranslateText(u"修改JTAG密钥成功！"), kStatusSuccess);
        }
    }
    return 0;
}

bool DownloadJob::CheckRange(uint32_t start, uint64_t last) {
    RangeCheckInput in;
    in.iface = m_settings.iface;
    in.series = m_slot.chipSeries;
    in.downloadArea = m_settings.downloadArea;
    in.flashSizeKB = m_slot.flashSizeKB;
    in.flashAreaLimit = m_settings.flashAreaLimit;
    if (const std::optional<fw::Text> refusal = CheckDownloadRange(in, start, last)) {
        ReportFailure(*refusal);
        return false;
    }
    return true;
}

void RunDownloadJob(DownloadHost& host, DownloadItems& items, const DownloadJobSettings& settings, ChannelSlot& slot,
                    std::span<ChannelSlot, 8> slots) {
    host.UpdateMenuState(0);
    host.EnableControls(0);
    const bool usesMutex = !settings.productionMode && IsOneOf(settings.iface, {0, 1, 3, 5});
    fw::NamedMutex* mutex = usesMutex ? host.DeviceMutex() : nullptr;
    if (mutex) mutex->Wait(5000);  // the job goes on whether or not it got the device
    host.ClearChannelMessage(slot);
    const auto started = std::chrono::steady_clock::now();

    DownloadJob job(host, items, settings, slot);
    const int result = job.ProgramDevice();
    if (result == 0) {
        {
            fw::ScopedLock lock(g_csCounters);
            ++g_passCount;
        }
        if (!settings.productionMode) {
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
            host.ReportStatus(&slot, fw::Format(TranslateText(u"下载用时：%.2fms"), ms), kStatusPlain);
        }
        host.ReportStatus(&slot, TranslateText(u"程序下载完成！"), kStatusSuccess);
    } else {
        fw::ScopedLock lock(g_csCounters);
        ++g_failCount;
    }

    bool last;
    {
        fw::ScopedLock lock(g_csCounters);
        --g_activeWorkers;
        last = g_activeWorkers == 0;
    }
    if (last) {
        host.UpdateMenuState(1);
        host.EnableControls(1);
        for (ChannelSlot& s : slots)
            s.worker = nullptr;
        if (mutex) mutex->Release();
        host.LastWorkerEnded();
    }
    host.UpdateCounters();
}
