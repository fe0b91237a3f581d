#include "framework/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace fw {
namespace {

// A catalog text such as "%999999999d" must not make us allocate gigabytes.
constexpr int kMaxWidth = 4096;
constexpr int kMaxPrecision = 340;

enum class Length { None, Char, Short, Long, LongLong, LongDouble, PointerSized, Int32, Int64, Wide };

struct Spec {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool zero = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;  // -1: not given
    Length length = Length::None;
    char16_t conversion = 0;
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsIntegerKind(const FormatArg& a) {
    return a.kind == FormatArg::Kind::Signed || a.kind == FormatArg::Kind::Unsigned || a.kind == FormatArg::Kind::Char;
}

std::uint64_t RawBits(const FormatArg& a) {
    return a.kind == FormatArg::Kind::Signed ? static_cast<std::uint64_t>(a.signedValue) : a.unsignedValue;
}

// The integer conversions see the argument the way the C runtime would: as an int unless a length prefix says
// otherwise ("long" is 32 bits there).
int IntegerBits(Length length) {
    switch (length) {
        case Length::Char:
            return 8;
        case Length::Short:
            return 16;
        case Length::LongLong:
        case Length::PointerSized:
        case Length::Int64:
            return 64;
        default:
            return 32;
    }
}

void AppendAscii(Text& out, std::string_view s) {
    for (char c : s)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
}

// Lays out prefix (sign, "0x") and body in the field: left-justified, zero-filled after the prefix, or
// right-justified with blanks.
void AppendField(Text& out, const Spec& spec, std::u16string_view prefix, std::u16string_view body, bool zeroFill) {
    const std::size_t length = prefix.size() + body.size();
    const std::size_t pad = spec.width > 0 && static_cast<std::size_t>(spec.width) > length
                                ? static_cast<std::size_t>(spec.width) - length
                                : 0;
    if (spec.left) {
        out.append(prefix).append(body).append(pad, u' ');
    } else if (zeroFill) {
        out.append(prefix).append(pad, u'0').append(body);
    } else {
        out.append(pad, u' ').append(prefix).append(body);
    }
}

bool AppendInteger(Text& out, const Spec& spec, const FormatArg& arg) {
    if (!IsIntegerKind(arg)) return false;
    const int bits = IntegerBits(spec.length);
    std::uint64_t raw = RawBits(arg);
    if (bits < 64) raw &= (std::uint64_t{1} << bits) - 1;

    const bool isSigned = spec.conversion == u'd' || spec.conversion == u'i';
    bool negative = false;
    std::uint64_t magnitude = raw;
    if (isSigned && bits < 64 && (raw >> (bits - 1)) != 0) {
        negative = true;
        magnitude = (std::uint64_t{1} << bits) - raw;
    } else if (isSigned && bits == 64 && static_cast<std::int64_t>(raw) < 0) {
        negative = true;
        magnitude = ~raw + 1;
    }

    int base = 10;
    if (spec.conversion == u'x' || spec.conversion == u'X') base = 16;
    if (spec.conversion == u'o') base = 8;
    const char* digitSet = spec.conversion == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";

    Text digits;
    for (std::uint64_t v = magnitude; v != 0; v /= static_cast<std::uint64_t>(base)) {
        digits.push_back(static_cast<char16_t>(digitSet[v % static_cast<std::uint64_t>(base)]));
    }
    const int minimumDigits = spec.precision >= 0 ? spec.precision : 1;
    while (static_cast<int>(digits.size()) < minimumDigits)
        digits.push_back(u'0');
    if (base == 8 && spec.alternate && (digits.empty() || digits.back() != u'0')) digits.push_back(u'0');
    std::reverse(digits.begin(), digits.end());

    Text prefix;
    if (isSigned) {
        if (negative) {
            prefix = u"-";
        } else if (spec.plus) {
            prefix = u"+";
        } else if (spec.space) {
            prefix = u" ";
        }
    }
    if (base == 16 && spec.alternate && magnitude != 0) prefix = spec.conversion == u'X' ? u"0X" : u"0x";

    AppendField(out, spec, prefix, digits, spec.zero && spec.precision < 0);
    return true;
}

Text FixedOrScientific(double magnitude, std::chars_format style, int precision) {
    char buffer[1024];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, style, precision);
    Text text;
    AppendAscii(text, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
    return text;
}

int ExponentOf(const Text& scientific) {
    const std::size_t e = scientific.find(u'e');
    int exponent = 0;
    bool negative = false;
    for (std::size_t i = e + 1; i < scientific.size(); ++i) {
        if (scientific[i] == u'-') negative = true;
        if (IsDigit(scientific[i])) exponent = exponent * 10 + (scientific[i] - u'0');
    }
    return negative ? -exponent : exponent;
}

void StripTrailingZeros(Text& number) {
    const std::size_t point = number.find(u'.');
    if (point == Text::npos) return;
    std::size_t end = number.find(u'e');
    if (end == Text::npos) end = number.size();
    std::size_t cut = end;
    while (cut > point + 1 && number[cut - 1] == u'0')
        --cut;
    if (cut == point + 1) cut = point;
    number.erase(cut, end - cut);
}

bool AppendFloating(Text& out, const Spec& spec, const FormatArg& arg) {
    if (arg.kind != FormatArg::Kind::Floating) return false;
    const double value = arg.floatingValue;
    const bool upper = spec.conversion == u'E' || spec.conversion == u'G' || spec.conversion == u'F';
    const char16_t kind = static_cast<char16_t>(spec.conversion | 0x20);
    const int precision = std::min(spec.precision >= 0 ? spec.precision : 6, kMaxPrecision);

    Text prefix;
    if (std::signbit(value)) {
        prefix = u"-";
    } else if (spec.plus) {
        prefix = u"+";
    } else if (spec.space) {
        prefix = u" ";
    }

    Text body;
    if (!std::isfinite(value)) {
        body = std::isnan(value) ? u"nan" : u"inf";
    } else {
        const double magnitude = std::fabs(value);
        if (kind == u'f') {
            body = FixedOrScientific(magnitude, std::chars_format::fixed, precision);
        } else if (kind == u'e') {
            body = FixedOrScientific(magnitude, std::chars_format::scientific, precision);
        } else {
            const int significant = precision == 0 ? 1 : precision;
            body = FixedOrScientific(magnitude, std::chars_format::scientific, significant - 1);
            const int exponent = ExponentOf(body);
            if (exponent >= -4 && exponent < significant) {
                body = FixedOrScientific(magnitude, std::chars_format::fixed, significant - 1 - exponent);
            }
            if (!spec.alternate) StripTrailingZeros(body);
        }
        if (spec.alternate && body.find(u'.') == Text::npos) {
            const std::size_t e = body.find(u'e');
            body.insert(e == Text::npos ? body.size() : e, 1, u'.');
        }
    }
    if (upper) MakeUpper(body);
    AppendField(out, spec, prefix, body, spec.zero && std::isfinite(value));
    return true;
}

bool AppendString(Text& out, const Spec& spec, const FormatArg& arg) {
    if (arg.kind != FormatArg::Kind::String) return false;
    TextView s = arg.nullString ? TextView(u"(null)") : arg.string;
    if (spec.precision >= 0 && static_cast<std::size_t>(spec.precision) < s.size()) s = s.substr(0, spec.precision);
    AppendField(out, spec, {}, s, spec.zero);
    return true;
}

bool AppendChar(Text& out, const Spec& spec, const FormatArg& arg) {
    if (!IsIntegerKind(arg)) return false;
    const char16_t c = static_cast<char16_t>(RawBits(arg) & 0xFFFF);
    AppendField(out, spec, {}, std::u16string_view(&c, 1), spec.zero);
    return true;
}

// Pointers are written as the 64-bit runtime writes them: 16 upper-case hex digits.
bool AppendPointer(Text& out, const Spec& spec, const FormatArg& arg) {
    if (arg.kind != FormatArg::Kind::Pointer) return false;
    auto value = reinterpret_cast<std::uintptr_t>(arg.pointer);
    char16_t digits[16];
    for (int i = 15; i >= 0; --i, value >>= 4)
        digits[i] = static_cast<char16_t>("0123456789ABCDEF"[value & 0xF]);
    AppendField(out, spec, {}, std::u16string_view(digits, 16), false);
    return true;
}

class Formatter {
public:
    Formatter(TextView format, const FormatArg* args, std::size_t count)
        : m_format(format), m_args(args), m_count(count) {}

    Text Run() {
        Text out;
        out.reserve(m_format.size() + 16);
        while (m_pos < m_format.size()) {
            const char16_t c = m_format[m_pos];
            if (c != u'%') {
                out.push_back(c);
                ++m_pos;
                continue;
            }
            Conversion(out);
        }
        return out;
    }

private:
    const FormatArg* NextArg() { return m_next < m_count ? &m_args[m_next++] : nullptr; }

    // Width or precision from the argument list; nullopt-like false when there is no integer argument.
    bool StarValue(int& value) {
        const FormatArg* arg = NextArg();
        if (arg == nullptr || !IsIntegerKind(arg)) return false;
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(RawBits(*arg)));
        return true;
    }

    static bool IsIntegerKind(const FormatArg* arg) { return fw::IsIntegerKind(*arg); }

    int Number() {
        int value = 0;
        while (m_pos < m_format.size() && IsDigit(m_format[m_pos])) {
            value = std::min(value * 10 + (m_format[m_pos] - u'0'), kMaxWidth);
            ++m_pos;
        }
        return value;
    }

    bool Accept(std::u16string_view token) {
        if (m_format.substr(m_pos, token.size()) != token) return false;
        m_pos += token.size();
        return true;
    }

    void ParseLength(Spec& spec) {
        if (Accept(u"hh")) {
            spec.length = Length::Char;
        } else if (Accept(u"h")) {
            spec.length = Length::Short;
        } else if (Accept(u"ll")) {
            spec.length = Length::LongLong;
        } else if (Accept(u"l")) {
            spec.length = Length::Long;
        } else if (Accept(u"L")) {
            spec.length = Length::LongDouble;
        } else if (Accept(u"I64")) {
            spec.length = Length::Int64;
        } else if (Accept(u"I32")) {
            spec.length = Length::Int32;
        } else if (Accept(u"I") || Accept(u"z") || Accept(u"j") || Accept(u"t")) {
            spec.length = Length::PointerSized;
        } else if (Accept(u"w")) {
            spec.length = Length::Wide;
        }
    }

    void Conversion(Text& out) {
        const std::size_t start = m_pos++;
        if (Accept(u"%")) {
            out.push_back(u'%');
            return;
        }
        Spec spec;
        bool usable = true;
        for (bool more = true; more && m_pos < m_format.size();) {
            switch (m_format[m_pos]) {
                case u'-':
                    spec.left = true;
                    break;
                case u'+':
                    spec.plus = true;
                    break;
                case u' ':
                    spec.space = true;
                    break;
                case u'0':
                    spec.zero = true;
                    break;
                case u'#':
                    spec.alternate = true;
                    break;
                default:
                    more = false;
                    continue;
            }
            ++m_pos;
        }
        if (Accept(u"*")) {
            int width = 0;
            usable = StarValue(width) && usable;
            if (width < 0) {
                spec.left = true;
                width = width == INT32_MIN ? kMaxWidth : -width;
            }
            spec.width = std::min(width, kMaxWidth);
        } else {
            spec.width = Number();
        }
        if (Accept(u".")) {
            int precision = 0;
            if (Accept(u"*")) {
                usable = StarValue(precision) && usable;
                if (precision < 0) precision = -1;
            } else {
                precision = Number();
            }
            spec.precision = std::min(precision, kMaxWidth);
        }
        ParseLength(spec);
        if (m_pos >= m_format.size()) {
            out.append(m_format.substr(start));
            return;
        }
        spec.conversion = m_format[m_pos++];
        const TextView asWritten = m_format.substr(start, m_pos - start);

        bool (*append)(Text&, const Spec&, const FormatArg&) = nullptr;
        switch (spec.conversion) {
            case u'd':
            case u'i':
            case u'u':
            case u'x':
            case u'X':
            case u'o':
                append = AppendInteger;
                break;
            case u'f':
            case u'F':
            case u'e':
            case u'E':
            case u'g':
            case u'G':
                append = AppendFloating;
                break;
            case u's':
            case u'S':
                append = AppendString;
                break;
            case u'c':
            case u'C':
                append = AppendChar;
                break;
            case u'p':
                append = AppendPointer;
                break;
            default:
                break;
        }
        if (append == nullptr) {
            out.append(asWritten);
            return;
        }
        const FormatArg* arg = NextArg();
        if (!usable || arg == nullptr || !append(out, spec, *arg)) out.append(asWritten);
    }

    TextView m_format;
    const FormatArg* m_args;
    std::size_t m_count;
    std::size_t m_pos = 0;
    std::size_t m_next = 0;
};

}  // namespace

Text FormatArgs(TextView format, const FormatArg* args, std::size_t count) {
    return Formatter(format, args, count).Run();
}

}  // namespace fw
