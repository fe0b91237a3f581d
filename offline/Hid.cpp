#include "offline/Hid.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "framework/Window.h"

namespace {

// Clears buffer[from, 256) in fixed 32-byte strides, the last one ending at 256 and overlapping only bytes already
// cleared. A memset of variable length becomes a `rep stos`, whose start-up costs more than these few stores, and
// every report read pays it.
void ZeroTail(uint8_t* buffer, size_t from) {
    constexpr size_t kBuffer = 256, kStride = 32;
    if (from + kStride > kBuffer) {
        std::fill(buffer + from, buffer + kBuffer, uint8_t{0});
        return;
    }
    for (size_t at = from; at + kStride <= kBuffer; at += kStride)
        std::memset(buffer + at, 0, kStride);
    std::memset(buffer + kBuffer - kStride, 0, kStride);
}

}  // namespace

CHid::CHid(std::vector<LinkBackend*> backends) : m_backends(std::move(backends)) {}

CHid::~CHid() = default;

bool CHid::FindDevice(uint16_t vendorId, uint16_t productId) {
    Close();
    for (LinkBackend* backend : m_backends) {
        for (const LinkDeviceInfo& info : backend->Enumerate()) {
            if (info.vendorId != vendorId || info.productId != productId) continue;
            if (auto device = backend->Open(info)) {
                m_device = std::move(device);
                m_path = info.path;
                m_outputLength = m_device->OutputReportLength();
                m_inputLength = m_device->InputReportLength();
                return true;
            }
        }
    }
    return false;
}

bool CHid::RegisterNotification(fw::Window& window) { return window.RegisterDeviceChange(fw::DeviceKind::Hid); }

int CHid::WriteReport(const uint8_t* frame, uint8_t length) {
    if (!m_isOpen || !m_device) return 0;
    const int reportLength = m_outputLength;
    if (reportLength < 1 || length > reportLength - 1) return 0;
    // Every report of a transfer passes here: no allocation for the report lengths devices have.
    std::array<uint8_t, 256> small;
    std::vector<uint8_t> large;
    std::span<uint8_t> report(small.data(), static_cast<size_t>(reportLength));
    if (static_cast<size_t>(reportLength) > small.size()) {
        large.resize(static_cast<size_t>(reportLength));
        report = large;
    }
    // Report id 0, the frame, zeros up to the report's length (for a full frame one byte or none).
    report[0] = 0;
    std::copy_n(frame, length, report.begin() + 1);
    std::fill(report.begin() + 1 + length, report.end(), uint8_t{0});
    return m_device->Write(report) ? 1 : 0;
}

int CHid::ReadReport(uint8_t* buffer, uint8_t& length, int timeoutMs) {
    length = 0;
    if (!m_isOpen || !m_device) {
        std::fill_n(buffer, 256, uint8_t{0});
        return 0;
    }
    // An input report never holds more data bytes than its length less the report id, nor more than the
    // caller's buffer, whatever the device sends.
    const int dataLength = std::clamp(m_inputLength - 1, 0, 255);
    const int got = m_device->Read(std::span<uint8_t>(buffer, static_cast<size_t>(dataLength)), timeoutMs);
    // Only what the device did not fill is cleared: the buffer reads as zeros past the data either way.
    const int kept = std::clamp(got, 0, dataLength);
    ZeroTail(buffer, static_cast<size_t>(kept));
    if (got <= 0) return 0;
    length = static_cast<uint8_t>(kept);
    return 1;
}

int CHid::DrainInput() {
    if (!m_isOpen || !m_device) return 0;
    std::array<uint8_t, 256> scratch;  // never read
    int drained = 0;
    // Bounded, so a device that streams reports cannot hold the caller here.
    while (drained < 64 && m_device->Read(std::span<uint8_t>(scratch.data(), 255), 0) > 0)
        ++drained;
    return drained;
}

bool CHid::DevicePresent() {
    if (!m_device || !m_device->Alive()) return false;
    for (LinkBackend* backend : m_backends) {
        for (const LinkDeviceInfo& info : backend->Enumerate()) {
            if (info.path == m_path) return true;
        }
    }
    return false;
}

void CHid::Close() {
    m_device.reset();
    m_path.clear();
    m_outputLength = 0;
    m_inputLength = 0;
    m_isOpen = 0;
}
