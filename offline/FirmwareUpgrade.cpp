#include "offline/FirmwareUpgrade.h"

#include <algorithm>
#include <array>
#include <atomic>

#include "core/Translation.h"
#include "framework/Files.h"
#include "framework/Format.h"

namespace {

constexpr uint8_t kEnterUpdateProgram[] = {0xA0, 0x03, 0x00, 0x00, 0x00, 0x00};
constexpr uint8_t kBootIdentity[] = {0xA0, 0x01, 0x01, 0x00, 0x00, 0x00};
constexpr uint8_t kHeaderPacket = 0x01, kDataPacket = 0x02, kLastPacket = 0x03;
constexpr uint32_t kBarLimit = 0xFFFF;
constexpr size_t kAesBlockBytes = 16;

std::atomic<uint32_t> g_reconnectPauseMs{500};

uint32_t Be32(std::span<const uint8_t> b) {
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 |
           b[3];
}

}  // namespace

uint32_t FirmwareReconnectPauseMs() { return g_reconnectPauseMs; }

void SetFirmwareReconnectPauseMs(uint32_t milliseconds) { g_reconnectPauseMs = milliseconds; }

fw::Text FirmwareTooLargeText() {
    return fw::Format(TranslateText(u"固件文件过大，下载器只接受不超过%dKB的固件！"),
                      static_cast<int>(kMaxLinkFirmwareImageBytes / 1024));
}

std::optional<std::vector<uint8_t>> ReadFirmwareFile(fw::TextView path, fw::Text& refusal) {
    fw::ReadResult file = fw::ReadWholeFile(path, kMaxLinkFirmwareFileBytes);
    if (!file) {
        refusal = file.status == fw::ReadStatus::TooLarge ? FirmwareTooLargeText() : TranslateText(u"文件打开失败！");
        return std::nullopt;
    }
    const std::vector<uint8_t>& bytes = file.bytes;
    // The image is AES-128 ciphertext: whole blocks, exactly as many bytes as the header says.
    if (bytes.size() <= kLinkFirmwareImageOffset || Be32(bytes) != bytes.size() - kLinkFirmwareImageOffset ||
        (bytes.size() - kLinkFirmwareImageOffset) % kAesBlockBytes != 0) {
        refusal = TranslateText(u"固件文件格式不正确！");
        return std::nullopt;
    }
    return std::move(file.bytes);
}

FirmwareProgress PlanFirmwareProgress(size_t imageBytes) {
    FirmwareProgress plan;
    plan.packets = static_cast<uint32_t>((imageBytes + kLinkFirmwarePacketBytes - 1) / kLinkFirmwarePacketBytes);
    const uint32_t whole = static_cast<uint32_t>(imageBytes / kLinkFirmwarePacketBytes);
    // The bar's range is 16 bits: beyond that, one step stands for several packets.
    plan.packetsPerStep = std::max<uint32_t>(1, (whole + kBarLimit - 1) / kBarLimit);
    plan.upper = whole / plan.packetsPerStep;
    return plan;
}

fw::Text FirmwareUpgrade::ProgressCaption(uint32_t sent, uint32_t packets) {
    const int percent = packets == 0 ? 100 : static_cast<int>(uint64_t{100} * sent / packets);
    return fw::Format(TranslateText(u" 正在升级固件，请勿关闭窗口... %d%%"), percent);
}

bool FirmwareUpgrade::Fail(const fw::Text& text) {
    m_host.ShowMessage(text);
    return false;
}

bool FirmwareUpgrade::Run() {
    if (m_path.empty()) return Fail(TranslateText(u"固件文件不能为空！"));
    // The file is read and checked before the downloader leaves its application: a bad file changes nothing.
    fw::Text refusal;
    const std::optional<std::vector<uint8_t>> file = ReadFirmwareFile(m_path, refusal);
    if (!file) {
        m_host.ShowMessage(refusal);
        return false;
    }
    if (!m_host.OpenLink()) return Fail(TranslateText(u"设备没有连接！"));
    if (!m_host.Exchange(kEnterUpdateProgram)) return Fail(TranslateText(u"跳转Boot更新应用程序失败！"));
    if (!m_host.Reconnect()) return Fail(TranslateText(u"重新连接失败！"));
    if (!m_host.Exchange(kBootIdentity)) return Fail(TranslateText(u"获取BOOT信息失败！"));

    std::array<uint8_t, 6 + kLinkFirmwareHeaderBytes> header = {
        0xA0, 0x04, 0x00, kHeaderPacket, 0x00, static_cast<uint8_t>(kLinkFirmwareHeaderBytes)};
    std::copy_n(file->begin(), kLinkFirmwareHeaderBytes, header.begin() + 6);
    if (!m_host.Exchange(header)) return Fail(TranslateText(u"固件更新失败！"));
    if (!SendPackets(*file)) return Fail(TranslateText(u"固件更新失败！"));

    if (!m_host.Reconnect()) return Fail(TranslateText(u"重新连接失败！"));
    m_host.ReadLinkInfo();
    m_host.ShowMessage(TranslateText(u"固件更新成功！"));
    return true;
}

bool FirmwareUpgrade::SendPackets(const std::vector<uint8_t>& file) {
    const size_t imageBytes = file.size() - kLinkFirmwareImageOffset;
    const FirmwareProgress plan = PlanFirmwareProgress(imageBytes);
    m_host.ProgressRange(plan.upper);
    std::array<uint8_t, 6 + kLinkFirmwarePacketBytes> packet{};
    for (uint32_t k = 0; k < plan.packets; ++k) {
        const size_t offset = kLinkFirmwareImageOffset + size_t{k} * kLinkFirmwarePacketBytes;
        const size_t length = std::min(kLinkFirmwarePacketBytes, file.size() - offset);
        const bool last = k + 1 == plan.packets;
        packet.fill(0);
        packet[0] = 0xA0;
        packet[1] = 0x04;
        packet[3] = last ? kLastPacket : kDataPacket;
        packet[5] = static_cast<uint8_t>(length);
        std::copy_n(file.begin() + static_cast<long>(offset), length, packet.begin() + 6);
        if (!m_host.Exchange(std::span<const uint8_t>(packet.data(), 6 + length))) return false;
        if ((k + 1) % plan.packetsPerStep == 0) m_host.ProgressStep(plan.upper);
        m_host.SetCaption(ProgressCaption(k + 1, plan.packets));
    }
    return true;
}
