#include "framework/Ini.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <mutex>

#include "framework/Files.h"

namespace fw {
namespace {

std::mutex& WriteLock() {
    static std::mutex lock;
    return lock;
}

// A CR counts as a blank so that a last line without LF reads the same as it does once a line is added after it.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool HasLineBreak(TextView s) { return s.find_first_of(u"\r\n") != TextView::npos; }

std::string_view AsChars(const Bytes& bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The file's text, or nothing when it exists but cannot be taken as an INI file of ours.
std::optional<IniText> Load(TextView file) {
    const ReadResult read = ReadWholeFile(file, kMaxIniFileBytes);
    if (read.status == ReadStatus::Missing) return IniText::Parse({});
    if (!read) return std::nullopt;
    return IniText::Parse(AsChars(read.bytes));
}

template <class Change>
bool ChangeFile(TextView file, Change change) {
    const std::lock_guard<std::mutex> hold(WriteLock());
    std::optional<IniText> ini = Load(file);
    if (!ini) return false;
    bool changed = false;
    if (!change(*ini, changed)) return false;
    return !changed || WriteFileAtomic(file, std::string_view(ini->Serialize()));
}

// Blanks around a value and matching quotes are lost on reading, so such values are written in quotes.
std::string StoredValue(TextView value) {
    const std::string text = TextToUtf8(value);
    const bool blankEdge = !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
    const bool quoted =
        text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
    return blankEdge || quoted ? "\"" + text + "\"" : text;
}

}  // namespace

IniText::Line IniText::ParseLine(std::string raw, std::string end) {
    Line line;
    const std::string_view text = TrimBlanks(raw);
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        line.kind = Kind::Section;
        line.name = Utf8ToText(TrimBlanks(text.substr(1, close == std::string_view::npos ? text.npos : close - 1)));
    } else if (!text.starts_with(';')) {
        const std::size_t equals = text.find('=');
        if (equals != std::string_view::npos && equals > 0) {
            line.kind = Kind::Key;
            line.name = Utf8ToText(TrimBlanks(text.substr(0, equals)));
            std::string_view value = TrimBlanks(text.substr(equals + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            line.value = Utf8ToText(value);
        }
    }
    line.raw = std::move(raw);
    line.end = std::move(end);
    return line;
}

IniText IniText::Parse(std::string_view utf8) {
    IniText ini;
    if (utf8.starts_with("\xEF\xBB\xBF")) {
        ini.m_bom = utf8.substr(0, 3);
        utf8.remove_prefix(3);
    }
    while (!utf8.empty()) {
        const std::size_t newline = utf8.find('\n');
        std::string_view raw = utf8.substr(0, newline);
        std::string end;
        if (newline != std::string_view::npos) {
            end = "\n";
            if (raw.ends_with('\r')) {
                raw.remove_suffix(1);
                end = "\r\n";
            }
        }
        ini.m_lines.push_back(ParseLine(std::string(raw), std::move(end)));
        if (newline == std::string_view::npos) break;
        utf8.remove_prefix(newline + 1);
    }
    return ini;
}

std::optional<Text> IniText::Find(TextView section, TextView key) const {
    bool inSection = false;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section) {
            inSection = EqualsNoCase(line.name, section);
        } else if (inSection && line.kind == Kind::Key && EqualsNoCase(line.name, key)) {
            return line.value;
        }
    }
    return std::nullopt;
}

std::string IniText::NewLineEnd() const {
    for (const Line& line : m_lines) {
        if (!line.end.empty()) return line.end;
    }
    return "\n";
}

bool IniText::Set(TextView section, TextView key, TextView value) {
    Text name(key);
    Trim(name, u' ');
    Trim(name, u'\t');
    if (name.empty() || name.front() == u'[' || name.front() == u';' || name.find(u'=') != Text::npos ||
        HasLineBreak(key) || HasLineBreak(section) || HasLineBreak(value) || section.find(u']') != TextView::npos) {
        return false;
    }

    bool inSection = false;
    for (Line& line : m_lines) {
        if (line.kind == Kind::Section) {
            inSection = EqualsNoCase(line.name, section);
        } else if (inSection && line.kind == Kind::Key && EqualsNoCase(line.name, key)) {
            // The key keeps its spelling in the file; only its value changes.
            line = ParseLine(TextToUtf8(line.name) + "=" + StoredValue(value), line.end);
            return true;
        }
    }

    const std::string end = NewLineEnd();
    std::size_t insertAt = m_lines.size();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != Kind::Section || !EqualsNoCase(m_lines[i].name, section)) continue;
        // After the last key of the section's first occurrence, so that comments and blank lines that separate
        // it from the next section stay where they are.
        insertAt = i + 1;
        for (std::size_t j = i + 1; j < m_lines.size() && m_lines[j].kind != Kind::Section; ++j) {
            if (m_lines[j].kind == Kind::Key) insertAt = j + 1;
        }
        break;
    }
    std::vector<Line> added;
    if (!HasSection(section)) {
        added.push_back(ParseLine("[" + TextToUtf8(section) + "]", end));
    }
    added.push_back(ParseLine(TextToUtf8(name) + "=" + StoredValue(value), end));
    if (insertAt > 0 && m_lines[insertAt - 1].end.empty()) m_lines[insertAt - 1].end = end;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), added.begin(), added.end());
    return true;
}

bool IniText::HasSection(TextView section) const {
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section && EqualsNoCase(line.name, section)) return true;
    }
    return false;
}

bool IniText::RemoveKey(TextView section, TextView key) {
    bool inSection = false;
    bool removed = false;
    for (std::size_t i = 0; i < m_lines.size();) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Section) inSection = EqualsNoCase(line.name, section);
        if (inSection && line.kind == Kind::Key && EqualsNoCase(line.name, key)) {
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
            removed = true;
        } else {
            ++i;
        }
    }
    return removed;
}

bool IniText::RemoveSection(TextView section) {
    bool inSection = false;
    bool removed = false;
    for (std::size_t i = 0; i < m_lines.size();) {
        if (m_lines[i].kind == Kind::Section) inSection = EqualsNoCase(m_lines[i].name, section);
        if (inSection) {
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
            removed = true;
        } else {
            ++i;
        }
    }
    return removed;
}

std::string IniText::Serialize() const {
    std::string out = m_bom;
    for (const Line& line : m_lines)
        out.append(line.raw).append(line.end);
    return out;
}

bool IniCanHold(TextView section, TextView key, TextView value) {
    IniText ini = IniText::Parse({});
    return ini.Set(section, key, value) && ini.Find(section, key) == value;
}

Text GetPrivateProfileString(TextView section, TextView key, TextView defaultValue, std::size_t bufferSize,
                             TextView file) {
    if (bufferSize == 0) return Text();
    const std::optional<IniText> ini = Load(file);
    std::optional<Text> value = ini ? ini->Find(section, key) : std::nullopt;
    Text result = value ? std::move(*value) : Text(defaultValue);
    if (result.size() > bufferSize - 1) result.resize(bufferSize - 1);
    return result;
}

int GetPrivateProfileInt(TextView section, TextView key, int defaultValue, TextView file) {
    const std::optional<IniText> ini = Load(file);
    const std::optional<Text> value = ini ? ini->Find(section, key) : std::nullopt;
    if (!value) return defaultValue;
    std::size_t i = 0;
    bool negative = false;
    if (i < value->size() && ((*value)[i] == u'-' || (*value)[i] == u'+')) negative = (*value)[i++] == u'-';
    std::int64_t magnitude = 0;
    for (; i < value->size() && (*value)[i] >= u'0' && (*value)[i] <= u'9'; ++i) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + ((*value)[i] - u'0'), std::int64_t{INT_MAX} + 1);
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<std::int64_t>(signedValue, INT_MIN, INT_MAX));
}

bool WritePrivateProfileString(TextView section, TextView key, TextView value, TextView file) {
    return ChangeFile(file, [&](IniText& ini, bool& changed) { return changed = ini.Set(section, key, value); });
}

bool DeletePrivateProfileKey(TextView section, TextView key, TextView file) {
    return ChangeFile(file, [&](IniText& ini, bool& changed) {
        changed = ini.RemoveKey(section, key);
        return true;
    });
}

bool DeletePrivateProfileSection(TextView section, TextView file) {
    return ChangeFile(file, [&](IniText& ini, bool& changed) {
        changed = ini.RemoveSection(section);
        return true;
    });
}

}  // namespace fw
