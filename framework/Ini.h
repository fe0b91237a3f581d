// INI files with private-profile semantics: section and key names match without regard to ASCII case, blanks
// around names and values are ignored, a value in matching quotes loses them, the first occurrence wins, and a
// missing file or key gives the default. Every call reads the file anew. Writes change only the line they concern
// and rewrite the file atomically; all writes of the process take one lock, so workers writing different keys
// of one file at once lose nothing. Files are UTF-8; a BOM is skipped (and kept).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Text.h"

namespace fw {

// Files larger than this are not INI files of ours: reads give the default, writes refuse.
constexpr std::size_t kMaxIniFileBytes = 16 * 1024 * 1024;

// The value placed in a buffer of bufferSize characters: at most bufferSize - 1 of them (none for size 0).
// The default answers when the file, the section or the key is missing.
Text GetPrivateProfileString(TextView section, TextView key, TextView defaultValue, std::size_t bufferSize,
                             TextView file);

// The default when the key is missing; otherwise the value's optional sign and leading decimal digits, 0 when
// there are none (saturating at the limits of int).
int GetPrivateProfileInt(TextView section, TextView key, int defaultValue, TextView file);

// Sets the key, adding the section and the file as needed. False when the file could not be written, or when a
// name or the value could not be stored as written (empty key, a line break anywhere, "=" in the key, "]" in the
// section name).
bool WritePrivateProfileString(TextView section, TextView key, TextView value, TextView file);

// True when an INI file can hold `value` under `key` so that the key reads back exactly that value: not so for
// an empty key, a key with "=" or blanks at its ends or one starting with "[" or ";", or a line break anywhere.
bool IniCanHold(TextView section, TextView key, TextView value);

// Remove every occurrence; true also when there was nothing to remove (the file is then left as it was).
bool DeletePrivateProfileKey(TextView section, TextView key, TextView file);
bool DeletePrivateProfileSection(TextView section, TextView file);

// The text of one INI file, line by line; what the functions above read and change.
class IniText {
public:
    static IniText Parse(std::string_view utf8);

    std::optional<Text> Find(TextView section, TextView key) const;
    bool Set(TextView section, TextView key, TextView value);  // false when it cannot be stored as written
    bool RemoveKey(TextView section, TextView key);            // true when something was removed
    bool RemoveSection(TextView section);
    std::string Serialize() const;

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string raw;  // as in the file, without the line end
        std::string end;  // "\n", "\r\n" or "" (last line)
        Kind kind = Kind::Other;
        Text name;   // section or key name, trimmed
        Text value;  // key value, trimmed and unquoted
    };

    static Line ParseLine(std::string raw, std::string end);
    std::string NewLineEnd() const;
    bool HasSection(TextView section) const;

    std::string m_bom;
    std::vector<Line> m_lines;
};

}  // namespace fw
