// Build step: writes the language INI file (section "dlparam", key = Chinese source text, value = the text to
// show) from the compiled catalog of the same language, so the INI mode and the catalog mode never drift apart.
// Usage: LanguageIniFromCatalog <catalog.mo> <language.ini>
//
// A text the INI format cannot hold (a line break, "=" in the key, blanks at the ends of the key, a key starting
// with "[" or ";") is left out and named on stderr: in INI mode the program takes it from the catalog.
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/Files.h"
#include "framework/Ini.h"
#include "framework/Text.h"
#include "lexmira/MsgCatalogFile.h"

namespace {

constexpr char16_t kSection[] = u"dlparam";

// One line per text in the build's output, whatever the text holds.
std::string Printable(const fw::Text& text) {
    std::string out;
    for (const char c : fw::TextToUtf8(text)) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <catalog.mo> <language.ini>\n", argv[0]);
        return 2;
    }
    const fw::Text catalogPath = fw::Utf8ToText(argv[1]);
    const fw::Text iniPath = fw::Utf8ToText(argv[2]);

    lexmira::wxMsgCatalogFile catalog;
    std::vector<std::pair<fw::Text, fw::Text>> pairs;
    const bool read = catalog.ReadWholeFile(catalogPath) && catalog.Open() &&
                      catalog.ForEachPair([&pairs](std::string_view source, std::string_view translation) {
                          // The header entry and entries with a context are not texts the program looks up.
                          if (source.empty() || source.find('\x04') != std::string_view::npos) return;
                          pairs.emplace_back(fw::Utf8ToText(source), fw::Utf8ToText(translation));
                      });
    if (!read) {
        std::fprintf(stderr, "%s: not a readable catalog\n", argv[1]);
        return 1;
    }

    // The texts the format cannot hold stay out; the program's INI mode takes those from the catalog instead, by
    // the same test.
    fw::IniText ini = fw::IniText::Parse({});
    std::vector<fw::Text> dropped;
    for (const auto& [key, value] : pairs) {
        if (fw::IniCanHold(kSection, key, value)) {
            ini.Set(kSection, key, value);
        } else {
            dropped.push_back(key);
        }
    }
    // Keys that differ only in ASCII case share one line: whatever does not read back exactly as the program will
    // look it up is dropped too, so that INI mode shows the Chinese text rather than a wrong one.
    for (const auto& [key, value] : pairs) {
        const std::optional<fw::Text> stored = ini.Find(kSection, key);
        if (stored.has_value() && *stored != value) dropped.push_back(key);
    }
    for (const fw::Text& key : dropped) {
        ini.RemoveKey(kSection, key);
        std::fprintf(stderr, "%s: left out of the INI file: \"%s\"\n", argv[2], Printable(key).c_str());
    }
    if (!fw::WriteFileAtomic(iniPath, std::string_view(ini.Serialize()))) {
        std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
