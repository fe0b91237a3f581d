#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HexFixtures.h"
#include "core/IntelHex.h"

namespace {

using hexfix::AsBytes;
using hexfix::Counting;
using hexfix::Data;

std::string Line(std::string record) { return record.substr(0, record.find('\r')); }

TEST(HexRecord, ParseTable) {
    const std::string sixteen = Line(Data(0, Counting(16)));
    std::string badSum = sixteen;
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    const std::string longest = Line(Data(0x1234, Counting(255)));
    // A record whose first data byte 00 is written as two other characters.
    const auto withDigit = [](const char* pair) { return Line(Data(0, {0x00, 0x01})).replace(9, 2, pair); };
    ASSERT_EQ(withDigit("00"), Line(Data(0, {0x00, 0x01})));
    ASSERT_EQ(longest.size(), 521u);
    struct Case {
        std::string line;
        int code;
    };
    const Case cases[] = {
        {sixteen, kHexOk},
        {sixteen + "0", kHexLengthMismatch},   // one digit more: an odd digit count
        {sixteen + "00", kHexLengthMismatch},  // the count no longer matches the pairs
        {badSum, kHexBadChecksum},
        {":00000001F", kHexLineTooShort},
        {"0000000001FF", kHexNoColon},
        {longest, kHexOk},
        {longest + "0", kHexLineTooLong},
        {":00000001FF", kHexOk},
        {":0000000G", kHexLineTooShort},
        // Any character that is no hex digit is a length fault, even where the checksum would still add up.
        {":0000000GFF", kHexLengthMismatch},
        {withDigit("G0"), kHexLengthMismatch},
        {withDigit("g0"), kHexLengthMismatch},
        {withDigit("0Z"), kHexLengthMismatch},
        {withDigit(" 0"), kHexLengthMismatch},
        {withDigit("a0"), kHexBadChecksum},  // a real digit changes the sum
    };
    for (const Case& c : cases) {
        HexRecord record;
        EXPECT_EQ(ParseHexRecord(c.line, record), c.code) << c.line;
    }

    HexRecord record;
    ASSERT_EQ(ParseHexRecord(longest, record), kHexOk);
    EXPECT_EQ(record.count, 255);
    EXPECT_EQ(record.address, 0x1234);
    EXPECT_EQ(record.type, 0);
    EXPECT_EQ(record.data[0], 0);
    EXPECT_EQ(record.data[254], 254);
    ASSERT_EQ(ParseHexRecord(Line(hexfix::Record(10, 0, Counting(4))), record),
              kHexOk);  // the type is the caller's to check
    EXPECT_EQ(record.type, 10);
}

TEST(HexRecord, ParseHexDigitsTable) {
    struct Case {
        const char* digits;
        int digitCount;
        int outLength;
        bool reversed;
        int code;
        std::vector<uint8_t> out;
    };
    const Case cases[] = {
        {"1234", 4, 2, false, 0, {0x12, 0x34}},
        {"1234", 4, 2, true, 0, {0x34, 0x12}},  // big-endian text to a little-endian value
        {"aBcD", 4, 2, false, 0, {0xAB, 0xCD}},
        {"12", 2, 2, false, 1, {0x00, 0x00}},  // fewer digits than the output needs
        {"12", 0, 1, false, 1, {0xEE}},
        {"1G", 2, 1, false, 2, {0x00}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(c.out.size(), 0xEE);
        EXPECT_EQ(ParseHexDigits(reinterpret_cast<const uint8_t*>(c.digits), c.digitCount, out.data(), c.outLength,
                                 c.reversed),
                  c.code)
            << c.digits;
        EXPECT_EQ(out, c.out) << c.digits;
    }
    uint8_t out[1];
    EXPECT_EQ(ParseHexDigits(nullptr, 2, out, 1, false), 1);
}

TEST(HexRecord, IntelHexCheckTable) {
    const std::string good = hexfix::Linear(0x0800) + Data(0, Counting(16)) + hexfix::End();
    std::string badSum = Data(0, Counting(4));
    badSum[badSum.size() - 3] = badSum[badSum.size() - 3] == '0' ? '1' : '0';
    struct Case {
        std::string text;
        int code;
    };
    const Case cases[] = {
        {good, 0},
        {good.substr(0, good.size() - 2), 0},  // a last line without line end
        {"", 0},
        {"x" + good, 1},
        {good + "\r\n", 1},  // an empty line is no record
        {hexfix::Record(6, 0, {}), 2},
        {badSum, 5},
        {Data(0, Counting(4), "\n"), 8},  // LF alone: the line comes out one character short
        {":10000000ZZ\r\n", 8},
        {":0400000001F7\r\n", 8},  // four bytes announced, one there
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IntelHexCheck(AsBytes(c.text).data(), static_cast<int>(c.text.size())), c.code) << c.text;
    }
    EXPECT_EQ(IntelHexCheck(nullptr, 0), 0);
}

TEST(HexRecord, IntelHexToBinaryPlacesDataByAddressAndStaysInBounds) {
    const std::string text = Data(0x0020, Counting(4, 0xA0)) + Data(0x0010, Counting(4, 0xB0)) + hexfix::End();
    std::vector<uint8_t> out(0x20, 0xFF);
    const auto bytes = AsBytes(text);
    ASSERT_EQ(IntelHexToBinary(bytes.data(), static_cast<int>(bytes.size()), out.data(), 0x20, 0x0010), 0);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 4), Counting(4, 0xB0));
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 0x10, out.begin() + 0x14), Counting(4, 0xA0));
    EXPECT_EQ(out[4], 0xFF);

    std::vector<uint8_t> small(0x12, 0xFF);
    EXPECT_EQ(IntelHexToBinary(bytes.data(), static_cast<int>(bytes.size()), small.data(), 0x12, 0x0010), 2);
    EXPECT_EQ(IntelHexToBinary(bytes.data(), static_cast<int>(bytes.size()), out.data(), 0x20, 0xFFFFFFFFu), 1);
    EXPECT_EQ(IntelHexToBinary(bytes.data(), 0, out.data(), 0x20, 0), 1);
    EXPECT_EQ(IntelHexToBinary(bytes.data(), static_cast<int>(bytes.size()), out.data(), 0x20, 0x0011), 2);

    // A record cut short: the walker must stop at the end of the exactly sized buffer (ASan watches).
    const std::string cut = Data(0, Counting(16)).substr(0, 20);
    const std::vector<uint8_t> exact(cut.begin(), cut.end());
    EXPECT_EQ(IntelHexToBinary(exact.data(), static_cast<int>(exact.size()), out.data(), 0x20, 0), 2);
}

}  // namespace
