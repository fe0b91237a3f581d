#include <array>

#include "core/IntelHex.h"

namespace {

// "0"-"9" are 0-9 and letters 10-35, as the record decoder has always read them; anything else is 0xFF. Letters
// beyond "f" make a byte that the checksum then refuses.
constexpr std::array<uint8_t, 256> MakeDigitTable() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        if (c >= '0' && c <= '9') {
            t[static_cast<size_t>(c)] = static_cast<uint8_t>(c - '0');
        } else if (c >= 'a' && c <= 'z') {
            t[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'Z') {
            t[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'A' + 10);
        } else {
            t[static_cast<size_t>(c)] = 0xFF;
        }
    }
    return t;
}

constexpr std::array<uint8_t, 256> kDigits = MakeDigitTable();

inline uint8_t DecodePair(const char* p) {
    return static_cast<uint8_t>((kDigits[static_cast<unsigned char>(p[0])] << 4) |
                                kDigits[static_cast<unsigned char>(p[1])]);
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
    record.count = DecodePair(p);
    const uint8_t addressHigh = DecodePair(p + 2);
    const uint8_t addressLow = DecodePair(p + 4);
    record.address = static_cast<uint16_t>(addressHigh << 8 | addressLow);
    record.type = DecodePair(p + 6);
    unsigned sum = record.count + addressHigh + addressLow + record.type;
    const size_t dataBytes = pairs - 4;  // the data and the checksum: at most 256 for 521 characters
    for (size_t i = 0; i < dataBytes; ++i) {
        record.data[i] = DecodePair(p + 8 + 2 * i);
        sum += record.data[i];
    }
    if (record.count != pairs - 5) return kHexLengthMismatch;
    if ((sum & 0xFF) != 0) return kHexBadChecksum;
    return kHexOk;
}
