#include "devicelib/sim/SimConfig.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "core/HexText.h"
#include "devicelib/sim/Simulator.h"
#include "framework/Files.h"
#include "framework/Ini.h"

namespace ovsim {
namespace {

constexpr int kMaxDevices = 64;
constexpr std::size_t kMaxFlashFileBytes = 64u << 20;

class Config {
public:
    explicit Config(fw::IniText ini) : ini_(std::move(ini)) {}

    std::string Get(const std::string& section, const char* key) const {
        auto value = ini_.Find(fw::Utf8ToText(section), fw::Utf8ToText(key));
        return value ? fw::TextToUtf8(*value) : std::string();
    }
    bool Has(const std::string& section, const char* key) const { return !Get(section, key).empty(); }

private:
    fw::IniText ini_;
};

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

long Number(const std::string& text, long fallback) {
    if (text.empty()) return fallback;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    return end != text.c_str() && *end == 0 ? value : fallback;
}

// Hex digits, blanks allowed between them; empty when anything else is there or a digit is left over.
std::vector<uint8_t> HexBytes(const std::string& utf8) {
    fw::Text text = fw::Utf8ToText(utf8);
    fw::Remove(text, u' ');
    fw::Remove(text, u'\t');
    if (text.size() % 2 != 0 || !IsHexText(text)) return {};
    std::vector<uint8_t> bytes(text.size() / 2);
    HexToBytes(text, bytes.data(), bytes.size());
    return bytes;
}

int InterfaceIndex(const std::string& text) {
    const std::string t = Lower(text);
    if (t == "usart") return kIfaceUsart;
    if (t == "usb(dfu)" || t == "dfu") return kIfaceUsbDfu;
    if (t == "swd(j-link)" || t == "j-link") return kIfaceJLink;
    if (t == "swd(cmsis-dap)" || t == "cmsis-dap") return kIfaceCmsisDap;
    if (t == "i2c") return kIfaceI2c;
    const long n = Number(text, -1);
    return n >= 0 && n <= 5 && n != 4 ? static_cast<int>(n) : -1;
}

int ProtectionLevel(const std::string& text) {
    const std::string t = Lower(text);
    if (t == "l1" || t == "1") return 1;
    if (t == "l2" || t == "2") return 2;
    return 0;
}

// "V1.0" -> 0x10
uint8_t VersionByte(const std::string& text, uint8_t fallback) {
    if (text.size() != 4 || (text[0] != 'V' && text[0] != 'v') || !std::isdigit(static_cast<unsigned char>(text[1])) ||
        text[2] != '.' || !std::isdigit(static_cast<unsigned char>(text[3]))) {
        return fallback;
    }
    return static_cast<uint8_t>(((text[1] - '0') << 4) | (text[3] - '0'));
}

void AddDevice(const Config& config, const std::string& section, const std::filesystem::path& folder, Simulator& sim) {
    const int iface = InterfaceIndex(config.Get(section, "Interface"));
    const std::string name = config.Get(section, "Name");
    const long series = Number(config.Get(section, "Series"), -1);
    if (iface < 0 || name.empty() || series < 0 || FindSeries(static_cast<unsigned>(series)) == nullptr) return;
    ChipSpec spec;
    spec.series = static_cast<uint8_t>(series);
    spec.model = config.Get(section, "Model");
    spec.flashKB = std::max(0.0, std::atof(config.Get(section, "FlashKB").c_str()));
    spec.readProtection = ProtectionLevel(config.Get(section, "Protection"));
    const auto wrp = HexBytes(config.Get(section, "WriteProtection"));
    std::copy_n(wrp.begin(), std::min<size_t>(wrp.size(), 4), spec.writeProtection.begin());
    spec.bootSubVersion = VersionByte(config.Get(section, "BootSubVersion"), spec.bootSubVersion);
    spec.ucid = HexBytes(config.Get(section, "UCID"));
    if (const std::string file = config.Get(section, "FlashFile"); !file.empty()) {
        if (auto image = fw::ReadWholeFile(fw::Utf8ToText((folder / file).string()), kMaxFlashFileBytes)) {
            spec.flash.assign(image.bytes.begin(), image.bytes.end());
        }
    }
    sim.AddDevice(static_cast<uint8_t>(iface), name, spec);
}

}  // namespace

bool LoadConfigFile(const std::string& path, Simulator& sim) {
    auto file = fw::ReadWholeFile(fw::Utf8ToText(path), fw::kMaxIniFileBytes);
    if (!file) return false;
    const Config config(
        fw::IniText::Parse(std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size())));
    if (config.Has("Simulator", "LinkSpeed")) {
        sim.SetLinkSpeed(static_cast<uint32_t>(std::max(0L, Number(config.Get("Simulator", "LinkSpeed"), 0))));
    }
    for (int entry = 0; entry < 32; ++entry) {
        const auto bytes = HexBytes(config.Get("FactoryKeys", ("Key" + std::to_string(entry)).c_str()));
        Key128 key;
        if (bytes.size() != key.size()) continue;
        std::copy(bytes.begin(), bytes.end(), key.begin());
        sim.SetFactoryKey(entry, key);
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (int n = 1; n <= kMaxDevices; ++n)
        AddDevice(config, "Device" + std::to_string(n), folder, sim);
    return true;
}

}  // namespace ovsim
