// The simulated downloaders as link devices.
#include <algorithm>

#include "linksim/LinkSim.h"
#include "offline/LinkTransport.h"

namespace {

class SimLinkDevice : public LinkDevice {
public:
    explicit SimLinkDevice(std::shared_ptr<linksim::Downloader> d)
        : m_downloader(std::move(d)), m_generation(m_downloader->Generation()) {}
    int OutputReportLength() const override { return m_downloader->Spec().outputReportLength; }
    int InputReportLength() const override { return m_downloader->Spec().inputReportLength; }
    bool Write(std::span<const uint8_t> report) override {
        return !Stale() && !report.empty() && report[0] == 0 && m_downloader->Write(report.subspan(1));
    }
    int Read(std::span<uint8_t> buffer, int timeoutMs) override {
        if (Stale()) return -1;
        const auto bytes = m_downloader->Read(std::chrono::milliseconds(std::max(0, timeoutMs)));
        if (!bytes) return m_downloader->Plugged() ? 0 : -1;
        const size_t n = std::min(bytes->size(), buffer.size());
        std::copy_n(bytes->begin(), n, buffer.begin());
        return static_cast<int>(n);
    }
    bool Alive() override { return !Stale() && m_downloader->Plugged(); }

private:
    // A downloader that left the bus and came back is a new device: what was opened before does not reach it.
    bool Stale() const { return m_downloader->Generation() != m_generation; }

    std::shared_ptr<linksim::Downloader> m_downloader;
    uint64_t m_generation;
};

class SimLinkBackend : public LinkBackend {
public:
    std::vector<LinkDeviceInfo> Enumerate() override {
        std::vector<LinkDeviceInfo> found;
        for (const auto& d : linksim::Downloaders()) {
            found.push_back({d->Path(), d->Spec().vendorId, d->Spec().productId});
        }
        return found;
    }
    std::unique_ptr<LinkDevice> Open(const LinkDeviceInfo& info) override {
        auto d = linksim::Find(info.path);
        if (!d) return nullptr;
        return std::make_unique<SimLinkDevice>(std::move(d));
    }
};

}  // namespace

LinkBackend& SimulatedLinkBackend() {
    static SimLinkBackend backend;
    return backend;
}
