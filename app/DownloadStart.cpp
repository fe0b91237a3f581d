#include "app/DownloadStart.h"

#include <algorithm>
#include <utility>

#include "app/DownloadAreas.h"
#include "app/DownloadCounters.h"
#include "app/InterfaceSpeeds.h"
#include "core/HexText.h"
#include "core/Translation.h"

namespace {

DownloadSettingsResult Refuse(fw::Text text) { return {false, std::move(text), false, std::nullopt}; }

DownloadSettingsResult Accept() { return {true, {}, false, std::nullopt}; }

bool RefusesEncipheredFiles(uint8_t series) {
    return series == 3 || series == 4 || series == 6 || series == 7 || series == 10 || series == 12;
}

DownloadSettingsResult RefuseStartAddress() {
    return Refuse(TranslateText(u"下载起始地址无效，请输入不超过8位的十六进制数！"));
}

// The start address of a file without addresses goes to the item that downloads it.
void PlaceStartAddress(DownloadItem& item, const fw::Text& text) {
    item.addressText[0] = text;
    item.address[0] = HexToUInt32(text);
}

// Whether two byte ranges share a page: the erase of either, rounded to whole pages, would take bytes of the other.
bool SharePage(uint64_t first1, uint64_t last1, uint64_t first2, uint64_t last2, uint32_t pageSize) {
    const uint64_t page = pageSize == 0 ? 1 : pageSize;
    return first1 / page <= last2 / page && first2 / page <= last1 / page;
}

DownloadSettingsResult CheckSecurityChip(const DownloadSettingsInput& in, DownloadItems& items) {
    DownloadSettingsResult result = Accept();
    if (!in.safeModule && !in.firmwareFile) return Refuse(TranslateText(u"请选择下载的项目！"));
    if (in.safeModule) {
        if (in.safeModuleFile.empty()) return Refuse(TranslateText(u"请选择安全模块！"));
        if (in.safeModuleAddress.empty()) return Refuse(TranslateText(u"请输入安全模块起始地址！"));
        const uint32_t address = HexToUInt32(in.safeModuleAddress);
        if (address < 0x15000000 || address > in.flashAreaLimit)
            return Refuse(TranslateText(u"安全模块起始地址不正确！"));
        result.safeModuleAddr = address;
    }
    if (in.firmwareFile) {
        if (in.downloadFile.empty()) return Refuse(TranslateText(u"请选择固件文件！"));
        if (in.startAddress.empty()) return Refuse(TranslateText(u"请输入固件下载起始地址！"));
        if (!IsStartAddressText(in.startAddress)) return RefuseStartAddress();
        const uint32_t start = HexToUInt32(in.startAddress);
        bool inside = true;
        switch (in.downloadArea) {
            case 0:
                inside = start <= 0xFFFFF;
                break;
            case 1:
                inside = start >= 0x24000000 && start <= 0x2411FFFF;
                break;
            case 2:
                inside = start >= 0x30000000 && start <= 0x30057FFF;
                break;
            case 3:
                inside = start >= 0x15000000 && start <= in.flashAreaLimit;
                break;
            default:
                break;
        }
        if (!inside) return Refuse(TranslateText(u"固件下载起始地址不正确！"));
        PlaceStartAddress(items[0], in.startAddress);
        if (in.downloadArea == kAreaSecurityFlash && in.infoPackMode != 2) {
            if (in.infoPackageFile.empty()) return Refuse(TranslateText(u"请选择安全信息包！"));
            if (!in.verifyInfoPackage || !in.verifyInfoPackage())
                return Refuse(TranslateText(u"安全固件程序完整性校验不通过！"));
        }
        result.saveStartAddress = true;
        // The firmware is erased and written after the module: where they meet, it would take the module away.
        const uint64_t length = std::min<size_t>(items[0].length[0], items[0].data[0].size());
        if (in.safeModule && in.safeModuleSize != 0 && length != 0 &&
            SharePage(*result.safeModuleAddr, uint64_t{*result.safeModuleAddr} + in.safeModuleSize - 1, start,
                      start + length - 1, in.pageSize))
            return Refuse(TranslateText(u"安全模块与固件的地址范围重叠！"));
    }
    if (in.jtagMode && in.jtagKeyFile.empty()) return Refuse(TranslateText(u"请选择JTAG Key文件！"));
    return result;
}

}  // namespace

bool IsStartAddressText(fw::TextView text) {
    size_t digits = 0;
    for (char16_t c : text) {
        if (c == u' ') continue;
        if (!IsHexText(fw::TextView(&c, 1))) return false;
        ++digits;
    }
    return digits >= 1 && digits <= 8;
}

bool SelectMainDownloadItem(DownloadItems& items, fw::TextView fileExt) {
    if (fw::EqualsNoCase(fileExt, u"dlpf")) return false;
    items[0].enabled = 1;
    items[1].enabled = 0;
    items[2].enabled = 0;
    return true;
}

DownloadSettingsResult CheckDownloadSettings(const DownloadSettingsInput& in, DownloadItems& items) {
    if (!in.productionMode) {
        if (!in.connected) return Refuse(TranslateText(u"请先连接设备！"));
        if (in.deviceName.empty()) return Refuse(TranslateText(u"无可用设备！"));
    }
    const bool externalMemoryChip = in.series == 8 || in.series == 9;
    if (externalMemoryChip && (in.downloadArea == kAreaDriverNvr || in.downloadArea == kAreaDriverOpt)) {
        if (!in.loadExternalFlashDriver || !in.loadExternalFlashDriver()) return {false, {}, false, std::nullopt};
    }
    if (!items[0].enabled && !items[1].enabled && !items[2].enabled) items[0].enabled = 1;

    const bool fileHasAddresses = fw::EqualsNoCase(in.fileExt, u"hex") || fw::EqualsNoCase(in.fileExt, u"dlpf");
    if (externalMemoryChip && in.downloadArea == kAreaExternalFlash) {
        if (in.encOption == 1 && in.extFlashKey.empty()) return Refuse(TranslateText(u"外设FLASH密钥为空！"));
        // The typed start address is where a plain file goes in the external flash too.
        if (!fileHasAddresses) {
            if (in.startAddress.empty()) return Refuse(TranslateText(u"未填写程序下载起始地址！"));
            if (!IsStartAddressText(in.startAddress)) return RefuseStartAddress();
            PlaceStartAddress(items[2], in.startAddress);
        }
        items[0].enabled = 0;
        items[1].enabled = 0;
        items[2].enabled = 1;
        DownloadSettingsResult result = Accept();
        result.saveStartAddress = !fileHasAddresses;
        return result;
    }
    if (!items[0].enabled || items[1].enabled || items[2].enabled) return Accept();
    const bool enciphered = fw::EqualsNoCase(in.fileExt, u"ENC");
    if (enciphered && RefusesEncipheredFiles(in.series)) return Refuse(TranslateText(u"当前芯片不支持下载加密文件！"));
    if (enciphered && IsSwd(in.iface)) return Refuse(TranslateText(u"当前接口不支持下载加密文件！"));
    if (!in.productionMode && in.series == 10) return CheckSecurityChip(in, items);

    if (in.downloadFile.empty()) return Refuse(TranslateText(u"请选择下载文件！"));
    if (fileHasAddresses) return Accept();
    if (in.startAddress.empty()) return Refuse(TranslateText(u"未填写程序下载起始地址！"));
    if (!IsStartAddressText(in.startAddress)) return RefuseStartAddress();
    PlaceStartAddress(items[0], in.startAddress);
    DownloadSettingsResult result = Accept();
    result.saveStartAddress = true;
    return result;
}

DownloadWorkers::StartResult DownloadWorkers::Start(std::span<ChannelSlot, 8> slots, bool productionMode,
                                                    const std::function<bool(int)>& ticked, const Job& job) {
    StartResult result;
    if (!productionMode && slots[0].worker.load() != nullptr) {
        result.busy = true;
        return result;
    }
    // Every worker of this start is counted before any runs: a job that ends before the next channel is counted
    // would take itself for the last one and restore the window while the others still program.
    std::array<bool, 8> starting{};
    for (int n = 0; n < 8; ++n) {
        ChannelSlot& slot = slots[n];
        if (productionMode && (slot.worker.load() != nullptr || !ticked(n) || !slot.present)) continue;
        slot.number = n;
        if (m_threads[n]) m_threads[n]->Join();
        m_threads[n] = std::make_unique<fw::WorkerThread>([&slot, job] { job(slot); }, true);
        slot.worker = m_threads[n].get();
        {
            fw::ScopedLock lock(g_csCounters);
            ++g_activeWorkers;
        }
        starting[n] = true;
        ++result.started;
        if (!productionMode) break;
    }
    for (int n = 0; n < 8; ++n) {
        if (starting[n]) m_threads[n]->Resume();
    }
    return result;
}

void DownloadWorkers::JoinAll() {
    for (auto& thread : m_threads) {
        if (thread) thread->Join();
    }
}
