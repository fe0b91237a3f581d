#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "core/HexTokens.h"
#include "core/IntelHex.h"

namespace {

int DigitValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Records laid out one after another at a fixed stride: colon, ten digits of count, address and type, the data
// digits, two checksum digits and CR LF.
struct FixedStrideRecord {
    size_t at = 0;  // position of the colon
    uint8_t count = 0;
    uint16_t address = 0;
    uint8_t type = 0;
    const uint8_t* data = nullptr;  // the data digits
};

constexpr size_t kRecordOverhead = 13;

// Reads the record at pos; answers 0, or the IntelHexToBinary code of its fault. Nothing is read beyond size.
int ReadFixedStrideRecord(const uint8_t* text, size_t size, size_t pos, FixedStrideRecord& record) {
    if (text[pos] != ':') return 2;
    if (size - pos < 11) return 2;
    uint8_t header[1];
    int rc = ParseHexDigits(text + pos + 1, 2, header, 1, false);
    if (rc != 0) return rc;
    record.count = header[0];
    if (size - pos < 11 + 2 * static_cast<size_t>(record.count)) return 2;
    uint8_t address[2];
    rc = ParseHexDigits(text + pos + 3, 4, address, 2, true);
    if (rc != 0) return rc;
    record.address = static_cast<uint16_t>(address[0] | address[1] << 8);
    rc = ParseHexDigits(text + pos + 7, 2, header, 1, false);
    if (rc != 0) return rc;
    record.type = header[0];
    if (record.type > 5) return 2;
    uint8_t checksum[1];
    rc = ParseHexDigits(text + pos + 9 + 2 * static_cast<size_t>(record.count), 2, checksum, 1, false);
    if (rc != 0) return rc;
    record.at = pos;
    record.data = text + pos + 9;
    return 0;
}

// The 16-bit value of a type 2 or 4 record, as the base it sets.
int AddressBase(const FixedStrideRecord& record, uint32_t& base) {
    if (record.count < 2) return 2;
    uint8_t value[2];
    const int rc = ParseHexDigits(record.data, 4, value, 2, true);
    if (rc != 0) return rc;
    const uint32_t v = static_cast<uint32_t>(value[0] | value[1] << 8);
    base = record.type == 2 ? v << 4 : v << 16;
    return 0;
}

}  // namespace

int ParseHexDigits(const uint8_t* digits, int digitCount, uint8_t* out, int outLength, bool reversed) {
    if (digits == nullptr || out == nullptr || digitCount <= 0 || outLength < 0) return 1;
    std::memset(out, 0, static_cast<size_t>(outLength));
    if (digitCount < 2 * outLength) return 1;
    for (int i = 0; i < outLength; ++i) {
        const int high = DigitValue(digits[2 * i]);
        const int low = DigitValue(digits[2 * i + 1]);
        if (high < 0 || low < 0) return 2;
        out[reversed ? outLength - 1 - i : i] = static_cast<uint8_t>(high << 4 | low);
    }
    return 0;
}

int IntelHexCheck(const uint8_t* text, int length) {
    if (length <= 0) return 0;
    if (text == nullptr) return 8;
    const size_t size = static_cast<size_t>(length);
    size_t pos = 0;
    while (pos < size) {
        if (text[pos] != ':') return 1;
        const void* lf = std::memchr(text + pos, '\n', size - pos);
        // The line counts without its LF and the CR before it; a last line without LF runs to the end.
        const size_t lineLength =
            lf != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(lf) - (text + pos)) - 1 : size - pos;
        if (lineLength < 11) return 8;
        for (size_t i = 1; i < lineLength; ++i) {
            if (DigitValue(text[pos + i]) < 0) return 8;
        }
        uint8_t bytes[4];
        ParseHexDigits(text + pos + 1, 8, bytes, 4, false);
        const size_t count = bytes[0];
        if (count * 2 + 11 != lineLength) return 8;
        if (bytes[3] > 5) return 2;
        unsigned sum = 0;
        for (size_t i = 0; i < count + 5; ++i) {
            sum += static_cast<unsigned>(DigitValue(text[pos + 1 + 2 * i]) << 4 | DigitValue(text[pos + 2 + 2 * i]));
        }
        if ((sum & 0xFF) != 0) return 5;
        pos += lineLength + 2;
    }
    return 0;
}

int IntelHexToBinary(const uint8_t* text, int textLength, uint8_t* out, uint32_t outLength, uint32_t lowestAddress) {
    if (text == nullptr || out == nullptr || textLength <= 0 || outLength == 0 || lowestAddress == 0xFFFFFFFFu) {
        return 1;
    }
    const size_t size = static_cast<size_t>(textLength);
    uint32_t base = 0;
    for (size_t pos = 0; pos < size;) {
        FixedStrideRecord record;
        int rc = ReadFixedStrideRecord(text, size, pos, record);
        if (rc != 0) return rc;
        if (record.type == 2 || record.type == 4) {
            rc = AddressBase(record, base);
            if (rc != 0) return rc;
        } else if (record.type == 0) {
            const uint64_t start = static_cast<uint64_t>(base) + record.address;
            if (start < lowestAddress || start - lowestAddress + record.count > outLength) return 2;
            rc = ParseHexDigits(record.data, 2 * record.count, out + (start - lowestAddress), record.count, false);
            if (record.count > 0 && rc != 0) return rc;
        }
        pos += 2 * static_cast<size_t>(record.count) + kRecordOverhead;
    }
    return 0;
}

namespace {

// Every data record with its absolute address, through the token walker the other HEX readers use; answers the
// walk's fault, kHexNoEndRecord for a file without its end record, or what onData answered for a record.
template <class OnData>
int WalkImageData(HexTokenReader& reader, OnData&& onData) {
    uint32_t base = 0;
    bool ended = false;
    const int rc = WalkHexRecords(reader, ended, [&](std::string_view, const HexRecord& record) {
        if (record.type == 2 || record.type == 4) {
            base = AddressRecordBase(record);
        } else if (record.type == 0 && record.count > 0) {
            return onData(static_cast<uint64_t>(base) + record.address, record.data.data(), record.count);
        }
        return static_cast<int>(kHexOk);
    });
    return rc == kHexOk && !ended ? kHexNoEndRecord : rc;
}

// Two walks over the same input: the first finds the address range, the second places the data. newReader gives a
// reader from the input's start.
template <class NewReader>
int BuildImage(NewReader&& newReader, std::vector<uint8_t>& out) {
    uint64_t lowest = UINT64_MAX;
    uint64_t highest = 0;
    int rc = WalkImageData(*newReader(), [&](uint64_t start, const uint8_t*, size_t count) {
        lowest = std::min(lowest, start);
        highest = std::max(highest, start + count);
        return static_cast<int>(kHexOk);
    });
    if (rc != kHexOk) return rc;
    if (lowest > highest) {  // no data
        out.clear();
        return kHexOk;
    }
    if (!HexSpanFitsAChip(lowest, highest)) return kHexSpanTooLarge;
    try {
        std::vector<uint8_t> image(static_cast<size_t>((highest - lowest + 15) / 16 * 16), 0xFF);
        // A file may change between the walks, so the second one checks the range again.
        rc = WalkImageData(*newReader(), [&](uint64_t start, const uint8_t* data, size_t count) {
            if (start < lowest || start - lowest + count > image.size()) return static_cast<int>(kHexAddressOutOfRange);
            std::copy(data, data + count, image.begin() + static_cast<ptrdiff_t>(start - lowest));
            return static_cast<int>(kHexOk);
        });
        if (rc != kHexOk) return rc;
        out = std::move(image);
        return kHexOk;
    } catch (const std::bad_alloc&) {
        return kHexWriteFailed;
    }
}

}  // namespace

int HexTextToImage(std::string_view text, std::vector<uint8_t>& image) {
    std::optional<HexTokenReader> reader;
    return BuildImage([&] { return &reader.emplace(text); }, image);
}

int HexFileToImage(fw::TextView path, std::vector<uint8_t>& image) {
    const HexInputFile file = OpenHexInput(path);
    if (!file) return kHexCannotOpenInput;
    std::optional<HexTokenReader> reader;
    return BuildImage(
        [&]() -> HexTokenReader* {
            std::rewind(file.get());
            return &reader.emplace(file.get());
        },
        image);
}
