#include <array>

#include "core/IntelHex.h"

namespace {

// Hex digits only; every other character (a letter beyond "f" as much as a sign) is marked 0xFF. The checksum
// cannot catch such a character: "G0" would read as "00" and leave the sum as it was.
constexpr std::array<uint8_t, 256> MakeDigitTable() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        if (c >= '0' && c <= '9') {
            t[static_cast<size_t>(c)] = static_cast<uint8_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            t[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            t[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'A' + 10);
        } else {
            t[static_cast<size_t>(c)] = 0xFF;
        }
    }
    return t;
}

constexpr std::array<uint8_t, 256> kDigits = MakeDigitTable();

// A byte from two digits; bad collects the marks of characters that are no digit.
inline uint8_t DecodePair(const char* p, uint8_t& bad) {
    const uint8_t high = kDigits[static_cast<unsigned char>(p[0])];
    const uint8_t low = kDigits[static_cast<unsigned char>(p[1])];
    bad |= high | low;
    return static_cast<uint8_t>(high << 4 | low);
}

}  // namespace

int ParseHexRecord(std::string_view line, HexRecord& record) {
    const size_t length = line.size();
    if (length > kHexMaxLineLength) return kHexLineTooLong;
    if (length < 11) return kHexLineTooShort;
    if (line[0] != ':') return kHexNoColon;
    if (length % 2 == 0) return kHexLengthMismatch;

    const size_t pairs = (length - 1) / 2;
    const char* p = line.data() + 1;
    uint8_t bad = 0;
    record.count = DecodePair(p, bad);
    const uint8_t addressHigh = DecodePair(p + 2, bad);
    const uint8_t addressLow = DecodePair(p + 4, bad);
    record.address = static_cast<uint16_t>(addressHigh << 8 | addressLow);
    record.type = DecodePair(p + 6, bad);
    unsigned sum = record.count + addressHigh + addressLow + record.type;
    const size_t dataBytes = pairs - 4;  // the data and the checksum: at most 256 for 521 characters
    for (size_t i = 0; i < dataBytes; ++i) {
        record.data[i] = DecodePair(p + 8 + 2 * i, bad);
        sum += record.data[i];
    }
    if ((bad & 0xF0) != 0 || record.count != pairs - 5) return kHexLengthMismatch;
    if ((sum & 0xFF) != 0) return kHexBadChecksum;
    return kHexOk;
}
