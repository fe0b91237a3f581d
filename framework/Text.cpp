#include "framework/Text.h"

#include <algorithm>

namespace fw {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

int Length(TextView s) { return static_cast<int>(s.size()); }

bool IsWhite(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }
char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(Text& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

}  // namespace

Text Mid(TextView s, int first) { return Mid(s, first, Length(s)); }

Text Mid(TextView s, int first, int count) {
    first = std::clamp(first, 0, Length(s));
    count = std::clamp(count, 0, Length(s) - first);
    return Text(s.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

Text Left(TextView s, int count) { return Mid(s, 0, count); }

Text Right(TextView s, int count) {
    count = std::clamp(count, 0, Length(s));
    return Text(s.substr(s.size() - static_cast<size_t>(count)));
}

int Find(TextView s, TextView what, int start) {
    if (start < 0 || start > Length(s)) return -1;
    const size_t pos = s.find(what, static_cast<size_t>(start));
    return pos == TextView::npos ? -1 : static_cast<int>(pos);
}

int Find(TextView s, char16_t ch, int start) { return Find(s, TextView(&ch, 1), start); }

int ReverseFind(TextView s, char16_t ch) {
    const size_t pos = s.rfind(ch);
    return pos == TextView::npos ? -1 : static_cast<int>(pos);
}

int Replace(Text& s, TextView from, TextView to) {
    if (from.empty()) return 0;
    int count = 0;
    Text out;
    size_t begin = 0;
    for (size_t pos = s.find(from); pos != Text::npos; pos = s.find(from, begin)) {
        out.append(s, begin, pos - begin);
        out.append(to);
        begin = pos + from.size();
        ++count;
    }
    if (count == 0) return 0;
    out.append(s, begin);
    s = std::move(out);
    return count;
}

int Replace(Text& s, char16_t from, char16_t to) {
    int count = 0;
    for (char16_t& c : s) {
        if (c == from) {
            c = to;
            ++count;
        }
    }
    return count;
}

int Remove(Text& s, char16_t ch) {
    const auto removed = std::erase(s, ch);
    return static_cast<int>(removed);
}

Text& TrimLeft(Text& s) {
    const auto it = std::find_if_not(s.begin(), s.end(), IsWhite);
    s.erase(s.begin(), it);
    return s;
}

Text& TrimRight(Text& s) {
    const auto it = std::find_if_not(s.rbegin(), s.rend(), IsWhite);
    s.erase(it.base(), s.end());
    return s;
}

Text& Trim(Text& s) { return TrimLeft(TrimRight(s)); }

Text& TrimLeft(Text& s, char16_t ch) {
    const size_t pos = s.find_first_not_of(ch);
    s.erase(0, pos == Text::npos ? s.size() : pos);
    return s;
}

Text& TrimRight(Text& s, char16_t ch) {
    const size_t pos = s.find_last_not_of(ch);
    s.erase(pos == Text::npos ? 0 : pos + 1);
    return s;
}

Text& Trim(Text& s, char16_t ch) { return TrimLeft(TrimRight(s, ch), ch); }

Text& MakeUpper(Text& s) {
    std::transform(s.begin(), s.end(), s.begin(), AsciiUpper);
    return s;
}

Text& MakeLower(Text& s) {
    std::transform(s.begin(), s.end(), s.begin(), AsciiLower);
    return s;
}

Text ToUpper(TextView s) {
    Text copy(s);
    return MakeUpper(copy);
}

Text ToLower(TextView s) {
    Text copy(s);
    return MakeLower(copy);
}

int CompareNoCase(TextView a, TextView b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t ca = AsciiLower(a[i]);
        const char16_t cb = AsciiLower(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(TextView a, TextView b) { return a.size() == b.size() && CompareNoCase(a, b) == 0; }

Text Utf8ToText(std::string_view utf8) {
    Text out;
    out.reserve(utf8.size());
    size_t i = 0;
    const size_t n = utf8.size();
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            extra = 1, cp = b0 & 0x1F, min = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            extra = 2, cp = b0 & 0x0F, min = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            extra = 3, cp = b0 & 0x07, min = 0x10000;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        // A truncated or broken sequence yields one replacement and resumes at the first byte that did not fit.
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= n || (static_cast<unsigned char>(utf8[j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement);
            i = ok ? j : std::max(j, i + 1);
            continue;
        }
        AppendUtf16(out, cp);
        i = j;
    }
    return out;
}

std::string TextToUtf8(TextView text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

}  // namespace fw
