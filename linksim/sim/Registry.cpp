// The simulated downloaders that are plugged in, and their INI description.
#include <algorithm>
#include <cstdlib>

#include "core/HexText.h"
#include "framework/DeviceNotification.h"
#include "framework/Files.h"
#include "framework/Ini.h"
#include "linksim/CommandTable.h"

namespace linksim {
namespace {

constexpr int kMaxIniDownloaders = 16;

struct Registry {
    std::mutex mutex;
    bool configured = false;  // by a test, or by reading the working directory's INI
    std::vector<std::shared_ptr<Downloader>> plugged;
    int named = 0;
};

Registry& Instance() {
    static Registry registry;
    return registry;
}

void RaiseChange(bool arrival, const std::string& path) {
    fw::InjectDeviceChange(fw::DeviceKind::Hid, arrival, fw::Utf8ToText(path));
}

std::shared_ptr<Downloader> PlugLocked(Registry& r, DownloaderSpec spec) {
    if (spec.path.empty()) spec.path = "linksim:" + std::to_string(++r.named);
    auto downloader = std::make_shared<Downloader>(std::move(spec));
    r.plugged.push_back(downloader);
    return downloader;
}

std::optional<std::vector<uint8_t>> HexField(const fw::IniText& ini, const fw::Text& section, const char16_t* key) {
    const auto value = ini.Find(section, key);
    if (!value) return std::nullopt;
    fw::Text text = *value;
    fw::Remove(text, u' ');
    if (text.empty() || text.size() % 2 != 0 || !IsHexText(text)) return std::nullopt;
    std::vector<uint8_t> bytes(text.size() / 2);
    HexToBytes(text, bytes.data(), bytes.size());
    return bytes;
}

int LoadIniLocked(Registry& r, const fw::Text& path) {
    const fw::ReadResult file = fw::ReadWholeFile(path, fw::kMaxIniFileBytes);
    if (!file) return 0;
    const fw::IniText ini =
        fw::IniText::Parse(std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()));
    int added = 0;
    for (int n = 1; n <= kMaxIniDownloaders; ++n) {
        const fw::Text section = fw::Utf8ToText("Downloader" + std::to_string(n));
        DownloaderSpec spec;
        bool any = false;
        auto text = [&](const char16_t* key, std::string& out) {
            if (auto v = ini.Find(section, key)) {
                out = fw::TextToUtf8(*v);
                any = true;
            }
        };
        auto id = [&](const char16_t* key, uint16_t& out) {
            if (auto v = ini.Find(section, key)) {
                out = static_cast<uint16_t>(std::strtoul(fw::TextToUtf8(*v).c_str(), nullptr, 16));
                any = true;
            }
        };
        text(u"Path", spec.path);
        id(u"VID", spec.vendorId);
        id(u"PID", spec.productId);
        text(u"Name", spec.moduleName);
        text(u"Firmware", spec.firmwareVersion);
        text(u"Hardware", spec.hardwareText);
        if (auto serial = HexField(ini, section, u"Serial")) {
            spec.serial = *serial;
            spec.serial.resize(std::min<size_t>(spec.serial.size(), 57));
            any = true;
        }
        if (auto key = HexField(ini, section, u"DeviceKey"); key && key->size() == 16) {
            std::array<uint8_t, 16> k{};
            std::copy(key->begin(), key->end(), k.begin());
            spec.deviceKey = k;
            any = true;
        }
        if (auto v = ini.Find(section, u"ReportInterval")) {
            spec.reportInterval = std::chrono::milliseconds(std::clamp(std::atoi(fw::TextToUtf8(*v).c_str()), 0, 1000));
            any = true;
        }
        if (!any) continue;
        PlugLocked(r, std::move(spec));
        ++added;
    }
    return added;
}

void EnsureConfigured(Registry& r) {
    if (r.configured) return;
    r.configured = true;
    LoadIniLocked(r, fw::JoinPath(fw::GetWorkingDirectory(), u"OvLinkSim.ini"));
}

}  // namespace

void Reset() {
    Registry& r = Instance();
    std::vector<std::shared_ptr<Downloader>> gone;
    {
        std::lock_guard lock(r.mutex);
        gone.swap(r.plugged);
        r.configured = true;
        r.named = 0;
    }
    for (auto& d : gone)
        d->SetPlugged(false);
}

std::shared_ptr<Downloader> Plug(DownloaderSpec spec) {
    Registry& r = Instance();
    std::shared_ptr<Downloader> downloader;
    {
        std::lock_guard lock(r.mutex);
        r.configured = true;
        downloader = PlugLocked(r, std::move(spec));
    }
    RaiseChange(true, downloader->Path());
    return downloader;
}

void Unplug(const std::string& path) {
    Registry& r = Instance();
    std::shared_ptr<Downloader> downloader;
    {
        std::lock_guard lock(r.mutex);
        auto it = std::find_if(r.plugged.begin(), r.plugged.end(), [&](auto& d) { return d->Path() == path; });
        if (it == r.plugged.end()) return;
        downloader = *it;
        r.plugged.erase(it);
    }
    downloader->SetPlugged(false);
    RaiseChange(false, path);
}

void Replug(const std::shared_ptr<Downloader>& downloader) {
    Registry& r = Instance();
    {
        std::lock_guard lock(r.mutex);
        r.configured = true;
        if (std::find(r.plugged.begin(), r.plugged.end(), downloader) != r.plugged.end()) return;
        r.plugged.push_back(downloader);
    }
    Commands().PowerUp(*downloader);
    downloader->SetPlugged(true);
    RaiseChange(true, downloader->Path());
}

std::vector<std::shared_ptr<Downloader>> Downloaders() {
    Registry& r = Instance();
    std::lock_guard lock(r.mutex);
    EnsureConfigured(r);
    return r.plugged;
}

std::shared_ptr<Downloader> Find(const std::string& path) {
    for (auto& d : Downloaders()) {
        if (d->Path() == path) return d;
    }
    return nullptr;
}

int LoadIni(const std::string& path) {
    Registry& r = Instance();
    std::lock_guard lock(r.mutex);
    r.configured = true;
    return LoadIniLocked(r, fw::Utf8ToText(path));
}

}  // namespace linksim
