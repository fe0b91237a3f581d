#include "offline/HidapiBackend.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>

#include "offline/HidReportDescriptor.h"

namespace {

constexpr std::streamsize kMaxDescriptorBytes = 4096;

std::optional<std::vector<uint8_t>> SysfsReportDescriptor(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string node = slash == std::string::npos ? path : path.substr(slash + 1);
    if (node.rfind("hidraw", 0) != 0) return std::nullopt;
    std::ifstream in("/sys/class/hidraw/" + node + "/device/report_descriptor", std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(kMaxDescriptorBytes));
    in.read(reinterpret_cast<char*>(bytes.data()), kMaxDescriptorBytes);
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

class HidapiDevice : public LinkDevice {
public:
    HidapiDevice(const HidapiCalls& calls, hid_device* device, HidReportLengths lengths)
        : m_calls(calls), m_device(device), m_lengths(lengths) {}
    ~HidapiDevice() override { m_calls.close(m_device); }
    int OutputReportLength() const override { return m_lengths.output; }
    int InputReportLength() const override { return m_lengths.input; }
    bool Write(std::span<const uint8_t> report) override {
        return m_calls.write(m_device, report.data(), report.size()) == static_cast<int>(report.size());
    }
    int Read(std::span<uint8_t> buffer, int timeoutMs) override {
        const int got = m_calls.readTimeout(m_device, buffer.data(), buffer.size(), timeoutMs);
        return got < 0 ? -1 : std::min(got, static_cast<int>(buffer.size()));
    }
    // hidraw keeps the handle of a device that left the bus open and fails every read on it, even one that waits
    // for nothing. A reply taken here is one no request waits for any more: every exchange drops those first.
    bool Alive() override {
        std::array<unsigned char, 64> scratch;
        return m_calls.readTimeout(m_device, scratch.data(), scratch.size(), 0) >= 0;
    }

private:
    HidapiCalls m_calls;
    hid_device* m_device;
    HidReportLengths m_lengths;
};

}  // namespace

HidapiCalls SystemHidapiCalls() {
    HidapiCalls calls;
    calls.init = hid_init;
    calls.enumerate = hid_enumerate;
    calls.freeEnumeration = hid_free_enumeration;
    calls.openPath = hid_open_path;
    calls.write = hid_write;
    calls.readTimeout = hid_read_timeout;
    calls.close = hid_close;
    calls.reportDescriptor = SysfsReportDescriptor;
    return calls;
}

bool HidapiBackend::Ready() {
    if (m_init < 0 && m_calls.init) m_init = m_calls.init() == 0 ? 1 : 0;
    return m_init == 1;
}

std::vector<LinkDeviceInfo> HidapiBackend::Enumerate() {
    std::vector<LinkDeviceInfo> found;
    if (!Ready()) return found;
    hid_device_info* list = m_calls.enumerate(0, 0);
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        if (d->path == nullptr) continue;
        found.push_back({d->path, d->vendor_id, d->product_id});
    }
    if (list) m_calls.freeEnumeration(list);
    return found;
}

std::unique_ptr<LinkDevice> HidapiBackend::Open(const LinkDeviceInfo& info) {
    if (!Ready()) return nullptr;
    hid_device* device = m_calls.openPath(info.path.c_str());
    if (device == nullptr) return nullptr;
    HidReportLengths lengths{kHidDefaultReportLength, kHidDefaultReportLength};
    if (auto descriptor = m_calls.reportDescriptor ? m_calls.reportDescriptor(info.path) : std::nullopt) {
        if (auto parsed = ParseHidReportLengths(*descriptor)) {
            if (parsed->input > 0) lengths.input = parsed->input;
            if (parsed->output > 0) lengths.output = parsed->output;
        }
    }
    return std::make_unique<HidapiDevice>(m_calls, device, lengths);
}

LinkBackend& HidapiLinkBackend() {
    static HidapiBackend backend(SystemHidapiCalls());
    return backend;
}
