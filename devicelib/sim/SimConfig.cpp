#include "devicelib/sim/SimConfig.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "devicelib/sim/Simulator.h"

namespace ovsim {
namespace {

using Section = std::map<std::string, std::string>;  // keys in lower case

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string TrimBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::pair<std::string, Section>> ReadSections(std::istream& in) {
    std::vector<std::pair<std::string, Section>> sections;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        first = false;
        line = TrimBlanks(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.emplace_back(Lower(TrimBlanks(line.substr(1, line.size() - 2))), Section{});
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || sections.empty()) continue;
        sections.back().second.emplace(Lower(TrimBlanks(line.substr(0, eq))), TrimBlanks(line.substr(eq + 1)));
    }
    return sections;
}

std::string Value(const Section& s, const char* key) {
    auto it = s.find(key);
    return it == s.end() ? std::string() : it->second;
}

long Number(const std::string& text, long fallback) {
    if (text.empty()) return fallback;
    try {
        return std::stol(text, nullptr, 0);
    } catch (...) {
        return fallback;
    }
}

std::vector<uint8_t> HexBytes(std::string text) {
    std::erase_if(text, [](unsigned char c) { return std::isspace(c); });
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
            return {};
        }
        bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
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

uint8_t VersionByte(const std::string& text, uint8_t fallback) {
    // "V1.0" -> 0x10
    if (text.size() != 4 || (text[0] != 'V' && text[0] != 'v') || !std::isdigit(static_cast<unsigned char>(text[1])) ||
        text[2] != '.' || !std::isdigit(static_cast<unsigned char>(text[3]))) {
        return fallback;
    }
    return static_cast<uint8_t>(((text[1] - '0') << 4) | (text[3] - '0'));
}

}  // namespace

bool LoadConfigFile(const std::string& path, Simulator& sim) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (const auto& [name, section] : ReadSections(in)) {
        if (name == "simulator") {
            sim.SetLinkSpeed(static_cast<uint32_t>(std::max(0L, Number(Value(section, "linkspeed"), 0))));
        } else if (name == "factorykeys") {
            for (int entry = 0; entry < 32; ++entry) {
                const auto bytes = HexBytes(Value(section, ("key" + std::to_string(entry)).c_str()));
                Key128 key;
                if (bytes.size() != key.size()) continue;
                std::copy(bytes.begin(), bytes.end(), key.begin());
                sim.SetFactoryKey(entry, key);
            }
        } else if (name.rfind("device", 0) == 0) {
            const int iface = InterfaceIndex(Value(section, "interface"));
            const std::string deviceName = Value(section, "name");
            const long series = Number(Value(section, "series"), -1);
            if (iface < 0 || deviceName.empty() || FindSeries(static_cast<unsigned>(series)) == nullptr) continue;
            ChipSpec spec;
            spec.series = static_cast<uint8_t>(series);
            spec.model = Value(section, "model");
            spec.flashKB = std::max(0.0, std::atof(Value(section, "flashkb").c_str()));
            spec.readProtection = ProtectionLevel(Value(section, "protection"));
            const auto wrp = HexBytes(Value(section, "writeprotection"));
            std::copy_n(wrp.begin(), std::min<size_t>(wrp.size(), 4), spec.writeProtection.begin());
            spec.bootSubVersion = VersionByte(Value(section, "bootsubversion"), spec.bootSubVersion);
            spec.ucid = HexBytes(Value(section, "ucid"));
            if (const std::string file = Value(section, "flashfile"); !file.empty()) {
                std::ifstream image(folder / file, std::ios::binary | std::ios::ate);
                const std::streamoff size = image ? static_cast<std::streamoff>(image.tellg()) : 0;
                spec.flash.resize(static_cast<size_t>(std::max<std::streamoff>(size, 0)));
                image.seekg(0);
                image.read(reinterpret_cast<char*>(spec.flash.data()), static_cast<std::streamsize>(spec.flash.size()));
            }
            sim.AddDevice(static_cast<uint8_t>(iface), deviceName, spec);
        }
    }
    return true;
}

}  // namespace ovsim
