#include <array>
#include <cstring>
#include <optional>

#include "app/DownloadJob.h"
#include "app/DownloadJobSteps.h"
#include "app/InterfaceSpeeds.h"
#include "core/Translation.h"

using download_steps::IsOneOf;
using download_steps::kRed;

int DownloadJob::LiftProtection() {
    const uint8_t series = m_slot.chipSeries;
    const uint8_t iface = m_settings.iface;
    const bool lowItem = std::any_of(m_items.begin(), m_items.end(), [](const DownloadItem& item) {
        return item.enabled && item.address[0] < 0x08001000;
    });
    bool go;
    if (!IsOneOf(series, {5, 8, 9, 10, 11, 12}) && iface != 3 && lowItem)
        go = true;
    else if (iface == 2)
        go = true;
    else if (iface == 3)
        go = m_settings.downloadArea != 1 && m_settings.downloadArea != 2;
    else
        go = m_settings.unlockL1Before;
    if (!go) return 1;

    // In test mode the user decides; in production a protected chip fails its job.
    const auto agreed = [&](const fw::Text& refusal, const fw::Text& question) {
        if (!m_settings.productionMode && m_host.AskYesNo(question)) return true;
        ReportFailure(refusal);
        return false;
    };
    const auto liftWriteProtection = [&] {
        const StatusCode status = OV_CMD_WRITE_PROTECT(m_slot.handle, 0xFF, 0xFF, 0xFF, 0xFF);
        if (status != CMD_STATUS_OK) {
            StatusLineRed(status);
            ReportFailure(TranslateText(u"解除写保护失败！"));
            return false;
        }
        m_slot.writeProtected = 0;
        return true;
    };
    const auto liftReadProtection = [&] {
        const StatusCode status = OV_CMD_READ_PROTECT(m_slot.handle, 0, m_settings.chipSeries);
        if (status != CMD_STATUS_OK) {
            StatusLineRed(status);
            ReportFailure(TranslateText(u"解除读保护等级L1失败！"));
            return false;
        }
        m_slot.rdpLevel = 0;
        return true;
    };

    const bool writeProtectedOverSwd = m_slot.writeProtected && IsSwd(iface);
    if (m_slot.rdpLevel == 0) {
        if (!writeProtectedOverSwd) return 1;
        if (!agreed(TranslateText(u"芯片处于写保护状态！"), TranslateText(u"芯片处于写保护状态，是否解除？"))) return 0;
        Report(TranslateText(u"解除写保护..."), kStatusPlain);
        if (!liftWriteProtection()) return 0;
        Report(TranslateText(u"解除写保护成功！"), kStatusSuccess);
    } else if (m_slot.rdpLevel == 1 && writeProtectedOverSwd) {
        if (!agreed(TranslateText(u"芯片处于读保护等级L1及写保护状态！"),
                    TranslateText(u"芯片处于读保护等级L1及写保护状态，是否解除？")))
            return 0;
        Report(TranslateText(u"解除读保护等级L1及写保护..."), kStatusPlain);
        if (!liftWriteProtection() || !liftReadProtection()) return 0;
        Report(TranslateText(u"解除读保护等级L1及写保护成功！"), kStatusSuccess);
    } else if (m_slot.rdpLevel == 1) {
        if (!m_settings.unlockL1Before && !agreed(TranslateText(u"芯片处于读保护等级L1状态！"),
                                                  TranslateText(u"芯片处于读保护等级L1状态，是否解除？")))
            return 0;
        Report(TranslateText(u"解除读保护等级L1..."), kStatusPlain);
        if (!liftReadProtection()) return 0;
        Report(TranslateText(u"解除读保护等级L1成功！"), kStatusSuccess);
    } else {
        return 1;
    }
    return ResetAndReconnect(2000);
}

StatusCode DownloadJob::OptionItem(OptionRwBlock& block, uint8_t operation, uint8_t item, uint8_t length,
                                   const uint8_t* data) {
    block = OptionRwBlock{};
    block.operation = operation;
    block.length = length;
    block.item = item;
    if (data != nullptr) std::memcpy(block.data, data, length);
    return OV_CMD_OPT_RW(m_slot.handle, &block);
}

int DownloadJob::ConfigureDualCoreOptions() {
    constexpr uint8_t kCryption = 8, kBootAddressM7 = 3;
    // A failed step shows the status and its own line in red in the log.
    const auto failed = [&](StatusCode status, const fw::Text& line) {
        StatusLineRed(status);
        m_host.AppendLog(line, kRed);
        return 0;
    };
    OptionRwBlock block;
    StatusCode status = OptionItem(block, 0, kCryption, 2);
    if (status != CMD_STATUS_OK) return failed(status, TranslateText(u"读取加密等级失败！"));
    const uint8_t held[2] = {block.data[0], block.data[1]};
    const auto holds = [&](uint8_t a, uint8_t b) { return held[0] == a && held[1] == b; };
    std::optional<std::array<uint8_t, 2>> wanted;
    switch (m_settings.infoPackMode) {
        case 0:
            if (holds(0x0B, 0xE0)) return 1;
            wanted = {0x0B, 0xE0};
            break;
        case 1:
            if (!holds(0xEB, 0xEB)) wanted = {0xEB, 0xEB};
            break;
        case 2:
            if (!holds(0x0B, 0xEB) && !holds(0xEB, 0xE0)) return 1;
            wanted = {0x00, 0x00};
            break;
        default:
            return 1;
    }

    bool wrote = false;
    if (wanted) {
        Report(TranslateText(u"修改加密等级..."), kStatusPlain);
        status = OptionItem(block, 1, kCryption, 2, wanted->data());
        if (status != CMD_STATUS_OK) return failed(status, TranslateText(u"修改加密等级失败！"));
        Report(TranslateText(u"修改加密等级成功！"), kStatusSuccess);
        wrote = true;
    }

    if (m_settings.infoPackMode == 1) {
        status = OptionItem(block, 0, kBootAddressM7, 0);
        if (status != CMD_STATUS_OK) return failed(status, TranslateText(u"读取M7代码执行地址失败！"));
        const uint32_t held32 =
            block.data[0] | block.data[1] << 8 | block.data[2] << 16 | static_cast<uint32_t>(block.data[3]) << 24;
        const uint32_t firmware = m_items[0].address[0];
        if (held32 == firmware && !wrote) return 1;
        if (held32 != firmware) {
            uint8_t address[4];
            for (int i = 0; i < 4; ++i)
                address[i] = static_cast<uint8_t>(firmware >> (8 * i));
            Report(TranslateText(u"修改M7代码执行地址..."), kStatusPlain);
            status = OptionItem(block, 1, kBootAddressM7, 4, address);
            if (status != CMD_STATUS_OK) return failed(status, TranslateText(u"修改M7代码执行地址失败！"));
            Report(TranslateText(u"修改M7代码执行地址成功！"), kStatusSuccess);
        }
    }
    return ResetAndReconnect(3000);
}
