#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/HexText.h"

namespace {

TEST(HexText, BytesToHexWritesTwoUpperCaseDigitsPerByte) {
    const uint8_t bytes[] = {0x00, 0xAB, 0x7F};
    fw::Text out = u"stale";
    BytesToHex(bytes, 3, out);
    EXPECT_EQ(out, u"00AB7F");
    BytesToHex(bytes, 0, out);
    EXPECT_EQ(out, u"");
    EXPECT_EQ(BytesToHex(std::span<const uint8_t>(bytes, 2)), u"00AB");
}

TEST(HexText, HexToBytesTable) {
    struct Case {
        fw::TextView text;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {u"0a B1", {0x0A, 0xB1}},  // blanks are dropped before pairing
        {u"ABC", {0xAB}},          // an unpaired last digit is ignored
        {u"G1", {0xF1}},           // a bad digit counts as 0xFF; 0xFF * 16 + 1 wraps to 0xF1
        {u"", {}},
        {u"\t1", {0xF1}},  // tabs stay and are no digit
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 8> out{};
        out.fill(0xEE);
        EXPECT_TRUE(HexToBytes(c.text, out.data(), out.size())) << fw::TextToUtf8(c.text);
        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + c.bytes.size()), c.bytes);
        EXPECT_EQ(out[c.bytes.size()], 0xEE) << "wrote beyond the bytes of " << fw::TextToUtf8(c.text);
    }
}

TEST(HexText, HexToBytesNeverWritesPastTheDestination) {
    uint8_t out[4] = {0, 0, 0, 0x5A};
    EXPECT_FALSE(HexToBytes(u"11223344", out, 3));
    EXPECT_EQ(out[0], 0x11);
    EXPECT_EQ(out[2], 0x33);
    EXPECT_EQ(out[3], 0x5A);
}

TEST(HexText, HexStringToBytesReadsPairs) {
    EXPECT_EQ(HexStringToBytes("41ff00"), std::string("\x41\xFF\x00", 3));
    EXPECT_EQ(HexStringToBytes("414"), "A");
    EXPECT_EQ(HexStringToBytes("4"), "");
    EXPECT_EQ(HexStringToBytes(" 5"), "\x05");
}

TEST(HexText, UInt32ToBytesBEStoresMostSignificantFirst) {
    uint8_t out[4];
    UInt32ToBytesBE(0x08007600u, out);
    EXPECT_EQ(out[0], 0x08);
    EXPECT_EQ(out[1], 0x00);
    EXPECT_EQ(out[2], 0x76);
    EXPECT_EQ(out[3], 0x00);
}

TEST(HexText, AddressTextToBytesTable) {
    struct Case {
        fw::TextView text;
        bool ok;
        std::array<uint8_t, 4> bytes;
    };
    const Case cases[] = {
        {u"0x8007600", true, {0x08, 0x00, 0x76, 0x00}},   {u"0X20000000", true, {0x20, 0x00, 0x00, 0x00}},
        {u"0x1", true, {0x00, 0x00, 0x00, 0x01}},         {u"0xab", true, {0x00, 0x00, 0x00, 0xAB}},
        {u"0x112233445", true, {0x12, 0x23, 0x34, 0x45}},  // longer texts use their last eight characters
        {u"8007600", false, {0xEE, 0xEE, 0xEE, 0xEE}},    {u"", false, {0xEE, 0xEE, 0xEE, 0xEE}},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 4> out;
        out.fill(0xEE);
        EXPECT_EQ(AddressTextToBytes(c.text, out.data()), c.ok) << fw::TextToUtf8(c.text);
        EXPECT_EQ(out, c.bytes) << fw::TextToUtf8(c.text);
    }
}

TEST(HexText, ByteStringsSignExtendAndRoundTrip) {
    EXPECT_EQ(HexTextToByteString(u"414243"), u"ABC");
    EXPECT_EQ(HexTextToByteString(u"4142434"), u"ABC");
    EXPECT_EQ(HexTextToByteString(u"80"), fw::Text(1, char16_t{0xFF80}));
    EXPECT_EQ(HexTextToByteString(u"41 00 42"), fw::Text(u"A\0B", 3));
    EXPECT_EQ(ByteStringToHex(fw::Text(1, char16_t{0xFF80})), u"FF80");
    EXPECT_EQ(ByteStringToHex(u"A\x7F"), u"417F");
    EXPECT_EQ(ByteStringToHex(u"\x0123"), u"123");
    const fw::Text hex = u"00017F80FEFF";
    EXPECT_EQ(ByteStringToHex(HexTextToByteString(hex)), u"00017FFF80FFFEFFFF");
}

TEST(HexText, HexToIntTable) {
    struct Case {
        fw::TextView text;
        int64_t value;
    };
    const Case cases[] = {
        {u"FF", 255},
        {u"0x10", 16},
        {u"0X10", 16},
        {u"FFFFFFFF", -1},
        {u"", 0},
        {u"80000000", -2147483648LL},
        {u"7FFFFFFF", 2147483647},
        {u"12 34", 0x12},
        {u"zz", 0},
        {u"08000000", 0x08000000},
        {u"1x0x5", 1},  // holds "0x": read as it stands, decimal
        {u"0x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexToInt(c.text), c.value) << fw::TextToUtf8(c.text);
}

TEST(HexText, HexToUInt32Table) {
    struct Case {
        fw::TextView text;
        uint32_t value;
    };
    const Case cases[] = {
        {u"12 34", 0x1234},         {u"12G", 0xFFFFFFFFu},      {u"", 0},
        {u"ffffffff", 0xFFFFFFFFu}, {u"123456789", 0x23456789}, {u"\t1", 0xFFFFFFFFu},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexToUInt32(c.text), c.value) << fw::TextToUtf8(c.text);
}

TEST(HexText, IsHexTextTestsEveryCodeUnit) {
    EXPECT_TRUE(IsHexText(u""));
    EXPECT_TRUE(IsHexText(u"0123456789abcdefABCDEF"));
    EXPECT_FALSE(IsHexText(u"12 34"));
    EXPECT_FALSE(IsHexText(u"12G"));
    EXPECT_FALSE(IsHexText(u"12中"));
    EXPECT_FALSE(IsHexText(fw::Text(1, char16_t{0x0141})));  // low byte 'A', but no hex digit
}

TEST(HexText, ComplementAndSwap) {
    EXPECT_EQ(ComplementHexBytes(u"00FF5A"), u"FF00A5");
    EXPECT_EQ(ComplementHexBytes(u"A"), u"F5");
    EXPECT_EQ(ComplementHexBytes(u""), u"");
    EXPECT_EQ(SwapHexByteOrder(u"A1B2C3D4"), u"D4C3B2A1");
    EXPECT_EQ(SwapHexByteOrder(u"A1"), u"A1");
    EXPECT_EQ(SwapHexByteOrder(u""), u"");
}

TEST(HexText, BinaryDigitTextTable) {
    EXPECT_EQ(BinaryTextToHex(u"101"), u"05");
    EXPECT_EQ(BinaryTextToHex(u"1x1"), u"07");
    EXPECT_EQ(BinaryTextToHex(u""), u"00");
    EXPECT_EQ(BinaryTextToHex(u"111111111"), u"1FF");
    EXPECT_EQ(BinaryTextToHex(fw::Text(32, u'1')), u"FFFFFFFF");

    EXPECT_EQ(HexToBinaryText(u"5"), u"00000101");
    EXPECT_EQ(HexToBinaryText(u"1FF"), u"111111111");
    EXPECT_EQ(HexToBinaryText(u"0"), u"00000000");
    EXPECT_EQ(HexToBinaryText(u" 0xA5"), u"10100101");
    EXPECT_EQ(HexToBinaryText(u"FFFFFFFF"), fw::Text(32, u'1'));
    EXPECT_EQ(HexToBinaryText(u"1FFFFFFFF"), fw::Text(32, u'1'));  // saturates at 32 bits

    EXPECT_EQ(DecimalToBinaryText(u"0"), u"00000000");
    EXPECT_EQ(DecimalToBinaryText(u"255"), u"11111111");
    EXPECT_EQ(DecimalToBinaryText(u"256"), u"100000000");
    EXPECT_EQ(DecimalToBinaryText(u"4294967295"), fw::Text(32, u'1'));
}

TEST(HexText, BinaryRoundTripOverEveryByte) {
    for (unsigned v = 0; v < 256; ++v) {
        const uint8_t b = static_cast<uint8_t>(v);
        fw::Text hex;
        BytesToHex(&b, 1, hex);
        EXPECT_EQ(BinaryTextToHex(HexToBinaryText(hex)), hex);
        EXPECT_EQ(ComplementHexBytes(ComplementHexBytes(hex)), hex);
    }
}

TEST(HexText, NarrowConversionsStopAtNulAndKeepUtf8) {
    EXPECT_EQ(WideToAnsi(fw::Text(u"ab\0cd", 5)), "ab");
    EXPECT_EQ(WideToAnsi(u"固件.hex"), "\xE5\x9B\xBA\xE4\xBB\xB6.hex");
    const auto copy = WideToAnsiAlloc(u"fw.bin");
    EXPECT_STREQ(copy.get(), "fw.bin");
    EXPECT_EQ(NarrowToWide("fw.bin"), u"fw.bin");
    EXPECT_EQ(NarrowToWide("\xE5\x9B\xBA"), u"固");
}

}  // namespace
