#include "core/HexText.h"

#include <cstring>
#include <limits>

namespace {

constexpr char16_t kUpperDigits[] = u"0123456789ABCDEF";

// 0-15 for a hex digit, -1 for anything else.
int HexDigitValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

bool IsSpaceChar(char32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void AppendHexByte(fw::Text& out, unsigned value) {
    out.push_back(kUpperDigits[(value >> 4) & 0xF]);
    out.push_back(kUpperDigits[value & 0xF]);
}

// "%02X": at least two digits, more when the value needs them.
void AppendHex02(fw::Text& out, uint32_t value) {
    char16_t digits[8];
    int n = 0;
    do {
        digits[n++] = kUpperDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    if (n < 2) digits[n++] = u'0';
    while (n > 0)
        out.push_back(digits[--n]);
}

// Skips leading white space and an optional sign, as the C library's number readers do; answers the sign.
bool SkipSpaceAndSign(fw::TextView text, size_t& i) {
    while (i < text.size() && IsSpaceChar(text[i]))
        ++i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) return text[i++] == u'-';
    return false;
}

fw::Text BitsOf(uint64_t value) {
    fw::Text bits;
    // The first division works on the 64-bit value, the following ones on its 32-bit quotient.
    bits.insert(bits.begin(), static_cast<char16_t>(u'0' + (value & 1)));
    for (uint32_t q = static_cast<uint32_t>(value >> 1); q != 0; q >>= 1) {
        bits.insert(bits.begin(), static_cast<char16_t>(u'0' + (q & 1)));
    }
    if (bits.size() < 8) bits.insert(0, 8 - bits.size(), u'0');
    return bits;
}

}  // namespace

void BytesToHex(const uint8_t* bytes, int length, fw::Text& dest) {
    dest.clear();
    if (bytes == nullptr || length <= 0) return;
    dest.reserve(static_cast<size_t>(length) * 2);
    for (int i = 0; i < length; ++i)
        AppendHexByte(dest, bytes[i]);
}

fw::Text BytesToHex(std::span<const uint8_t> bytes) {
    fw::Text out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes)
        AppendHexByte(out, b);
    return out;
}

bool HexToBytes(fw::TextView text, uint8_t* dest, size_t destSize) {
    size_t written = 0;
    int high = -1;
    for (char16_t c : text) {
        if (c == u' ') continue;
        int v = HexDigitValue(c);
        if (v < 0) v = 0xFF;
        if (high < 0) {
            high = v;
            continue;
        }
        if (written >= destSize || dest == nullptr) return false;
        dest[written++] = static_cast<uint8_t>(high * 16 + v);
        high = -1;
    }
    return true;
}

std::string HexStringToBytes(std::string_view text) {
    std::string out;
    if (text.size() < 2) return out;
    out.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        size_t k = i;
        const size_t end = i + 2;
        while (k < end && IsSpaceChar(static_cast<unsigned char>(text[k])))
            ++k;
        unsigned value = 0;
        for (; k < end; ++k) {
            const int v = HexDigitValue(static_cast<unsigned char>(text[k]));
            if (v < 0) break;
            value = value * 16 + static_cast<unsigned>(v);
        }
        out.push_back(static_cast<char>(value));
    }
    return out;
}

void UInt32ToBytesBE(uint32_t value, uint8_t dest[4]) {
    dest[0] = static_cast<uint8_t>(value >> 24);
    dest[1] = static_cast<uint8_t>(value >> 16);
    dest[2] = static_cast<uint8_t>(value >> 8);
    dest[3] = static_cast<uint8_t>(value);
}

bool AddressTextToBytes(fw::TextView text, uint8_t dest[4]) {
    fw::Text padded(text);
    const size_t at = padded.size() < 2 ? padded.size() : 2;
    if (padded.size() < 10) padded.insert(at, 10 - padded.size(), u'0');
    fw::MakeUpper(padded);
    if (fw::Find(padded, u"0X") < 0) return false;
    return HexToBytes(fw::Right(padded, 8), dest, 4);
}

fw::Text HexTextToByteString(fw::TextView hex) {
    fw::Text out;
    out.reserve(hex.size() / 2);
    int high = -1;
    for (char16_t c : hex) {
        if (IsSpaceChar(c)) continue;
        int v = HexDigitValue(c);
        if (v < 0) v = 0;
        if (high < 0) {
            high = v;
            continue;
        }
        const auto byte = static_cast<int8_t>(high * 16 + v);
        out.push_back(static_cast<char16_t>(static_cast<int16_t>(byte)));
        high = -1;
    }
    return out;
}

fw::Text ByteStringToHex(fw::TextView text) {
    fw::Text out;
    out.reserve(text.size() * 2);
    for (char16_t c : text)
        AppendHex02(out, c);
    return out;
}

int64_t HexToInt(fw::TextView text) {
    if (text.empty()) return 0;
    fw::Text s = fw::ToLower(text);
    if (fw::Find(s, u"0x") < 0) s.insert(0, u"0x");

    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    uint32_t value = 0;
    if (i + 1 < s.size() && s[i] == u'0' && s[i + 1] == u'x') {
        for (i += 2; i < s.size(); ++i) {
            const int v = HexDigitValue(s[i]);
            if (v < 0) break;
            value = value * 16 + static_cast<uint32_t>(v);
        }
    } else {
        for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
            value = value * 10 + (s[i] - u'0');
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

uint32_t HexToUInt32(fw::TextView text) {
    uint32_t value = 0;
    for (char16_t c : text) {
        if (c == u' ') continue;
        const int v = HexDigitValue(c);
        if (v < 0) return 0xFFFFFFFFu;
        value = value * 16 + static_cast<uint32_t>(v);
    }
    return value;
}

bool IsHexText(fw::TextView text) {
    for (char16_t c : text) {
        if (HexDigitValue(c) < 0) return false;
    }
    return true;
}

fw::Text ComplementHexBytes(fw::TextView hex) {
    fw::Text out;
    out.reserve(hex.size() + 1);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const uint32_t value = HexToUInt32(hex.substr(i, 2));
        AppendHexByte(out, (255u - value) & 0xFFu);
    }
    return out;
}

fw::Text SwapHexByteOrder(fw::TextView hex) {
    fw::Text out;
    out.reserve(hex.size());
    // Pieces are cut from the left, so an odd last digit is a piece of its own and comes first.
    size_t end = hex.size();
    if (end % 2 != 0) {
        out.push_back(hex[end - 1]);
        --end;
    }
    while (end >= 2) {
        out.append(hex.substr(end - 2, 2));
        end -= 2;
    }
    return out;
}

fw::Text BinaryTextToHex(fw::TextView bits) {
    uint32_t value = 0;
    const size_t n = bits.size();
    for (size_t k = 0; k < n && k < 32; ++k) {
        if (bits[n - 1 - k] != u'0') value |= 1u << k;
    }
    fw::Text out;
    AppendHex02(out, value);
    return out;
}

fw::Text HexToBinaryText(fw::TextView hex) {
    // wcstoul with base 16 and a 32-bit unsigned long: white space, a sign and "0x" may lead; overflow saturates.
    size_t i = 0;
    const bool negative = SkipSpaceAndSign(hex, i);
    if (i + 2 < hex.size() && hex[i] == u'0' && (hex[i + 1] == u'x' || hex[i + 1] == u'X') &&
        HexDigitValue(hex[i + 2]) >= 0) {
        i += 2;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; i < hex.size(); ++i) {
        const int v = HexDigitValue(hex[i]);
        if (v < 0) break;
        value = value * 16 + static_cast<uint64_t>(v);
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value = 0xFFFFFFFFu;
        }
    }
    uint32_t result = overflow ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
    if (negative && !overflow) result = 0u - result;
    return BitsOf(result);
}

fw::Text DecimalToBinaryText(fw::TextView decimal) {
    // _wtoi64: white space and a sign may lead; reading stops at the first non-digit; overflow saturates.
    size_t i = 0;
    const bool negative = SkipSpaceAndSign(decimal, i);
    uint64_t magnitude = 0;
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    for (; i < decimal.size() && decimal[i] >= u'0' && decimal[i] <= u'9'; ++i) {
        const uint64_t digit = decimal[i] - u'0';
        magnitude = (magnitude > (limit - digit) / 10) ? limit : magnitude * 10 + digit;
    }
    const uint64_t value = negative ? 0 - magnitude : magnitude;
    return BitsOf(value);
}

std::string WideToAnsi(fw::TextView text) {
    const size_t nul = text.find(u'\0');
    return fw::TextToUtf8(nul == fw::TextView::npos ? text : text.substr(0, nul));
}

std::unique_ptr<char[]> WideToAnsiAlloc(fw::TextView text) {
    const std::string narrow = WideToAnsi(text);
    auto out = std::make_unique<char[]>(narrow.size() + 1);  // value-initialised: zero-filled
    std::memcpy(out.get(), narrow.data(), narrow.size());
    return out;
}

fw::Text NarrowToWide(std::string_view text) { return fw::Utf8ToText(text); }
