// The two ".enc" formats against OpenSSL's AES and SHA-256 and a bitwise CRC, the plaintext reader and the key
// checks both makers share.
#include <gtest/gtest.h>

#include "core/HexText.h"
#include "tests/core/FileOracle.h"
#include "tests/core/TestBytes.h"
#include "tests/framework/TempFolder.h"
#include "tools/EncFiles.h"

namespace {

using namespace fileoracle;

const Key16 kKey = {0x2B, 0x7E, 0x15, 0x16, 0x28, 0xAE, 0xD2, 0xA6, 0xAB, 0xF7, 0x15, 0x88, 0x09, 0xCF, 0x4F, 0x3C};

std::vector<uint8_t> Padded(std::vector<uint8_t> v, size_t to) {
    v.resize(to, 0xFF);
    return v;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(DigestHeaderEncFile, MatchesTheReferenceForShortAndLongPlaintexts) {
    struct Case {
        size_t size;
        uint32_t pageSize;
        size_t n;
        size_t crcBlock;
    };
    const Case cases[] = {
        {100, 0x800, 112, 0x800},   // short: CRC over one page, the file bytes then 0xFF
        {2047, 0x800, 2048, 2048},  // the padded length decides: no page needed
        {2048, 0, 2048, 2048},
        {1000, 512, 1008, 1008},  // larger than the page: the block holds the whole padded plaintext
        {3000, 0, 3008, 3008},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const std::vector<uint8_t> plain = testbytes::Random(c.size, static_cast<uint32_t>(c.size));
        EXPECT_EQ(DigestHeaderNeedsPageSize(c.size), c.n < 2048);
        const std::vector<uint8_t> file = MakeDigestHeaderEncFile(plain, kKey, c.pageSize);
        const std::vector<uint8_t> padded = Padded(plain, c.n);
        const std::vector<uint8_t> expected =
            Cat({Be32(static_cast<uint32_t>(c.n)), oracle::Sha256(padded), Be32(ChipCrc(Padded(plain, c.crcBlock))),
                 EcbEncrypt(Vec(kKey), padded)});
        EXPECT_EQ(file, expected);
    }
    const std::vector<uint8_t> hundred = MakeDigestHeaderEncFile(testbytes::Random(100, 1), kKey, 0x800);
    EXPECT_EQ(hundred.size(), 152u);
    EXPECT_EQ(std::vector<uint8_t>(hundred.begin(), hundred.begin() + 4), (std::vector<uint8_t>{0, 0, 0, 0x70}));
}

TEST(DigestHeaderEncFile, OnlyWholeWordPagesAreUsable) {
    EXPECT_FALSE(PageSizeUsable(0));
    EXPECT_FALSE(PageSizeUsable(0x802));
    EXPECT_TRUE(PageSizeUsable(0x200));
}

TEST(CrcPrefixedEncFile, MatchesTheReference) {
    for (size_t size : {size_t{0}, size_t{100}, size_t{4096}}) {
        SCOPED_TRACE(size);
        const std::vector<uint8_t> plain = testbytes::Random(size, 9);
        const std::vector<uint8_t> padded = Padded(plain, (size + 15) / 16 * 16);
        EXPECT_EQ(MakeCrcPrefixedEncFile(plain, kKey), Cat({Be32(ChipCrc(padded)), EcbEncrypt(Vec(kKey), padded)}));
    }
    EXPECT_EQ(MakeCrcPrefixedEncFile({}, kKey), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(MakeCrcPrefixedEncFile(testbytes::Random(100, 1), kKey).size(), 116u);
}

TEST(EncPlaintext, ReadsBinAndHexAndRefusesTheRest) {
    fw::testing::TempFolder dir;
    dir.Write("a.bin", std::string("\x01\x02\x03", 3));
    dir.Write("empty.bin", "");
    // Two data records with a gap: the image fills it with 0xFF and rounds up to 16 bytes.
    dir.Write("a.HEX", ":020000040800F2\r\n:020000001122CB\r\n:02000400334483\r\n:00000001FF\r\n");
    dir.Write("a.txt", "x");
    std::vector<uint8_t> out{9};
    EXPECT_EQ(ReadPlaintext(dir.Wide("a.bin"), u"bin", out), PlaintextRead::Ok);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(ReadPlaintext(dir.Wide("a.HEX"), u"HEX", out), PlaintextRead::Ok);
    std::vector<uint8_t> image(16, 0xFF);
    image[0] = 0x11, image[1] = 0x22, image[4] = 0x33, image[5] = 0x44;
    EXPECT_EQ(out, image);
    out = {9};
    EXPECT_EQ(ReadPlaintext(dir.Wide("missing.bin"), u"bin", out), PlaintextRead::BinOpenFailed);
    EXPECT_EQ(ReadPlaintext(dir.Wide("empty.bin"), u"BIN", out), PlaintextRead::OpenFailed);
    EXPECT_EQ(ReadPlaintext(dir.Wide("a.txt"), u"txt", out), PlaintextRead::OpenFailed);
    EXPECT_EQ(ReadPlaintext(dir.Wide("a.bin"), u"", out), PlaintextRead::OpenFailed);
    EXPECT_EQ(out, std::vector<uint8_t>{9});  // a refusal leaves the buffer alone
}

TEST(EncKeyText, HexIsTestedBeforeLength) {
    struct Case {
        const char16_t* text;
        KeyTextCheck check;
    };
    const Case cases[] = {
        {u"", KeyTextCheck::Empty},
        {u"2b7e151628aed2a6abf7158809cf4f3c", KeyTextCheck::Ok},
        {u"2B7E151628AED2A6ABF7158809CF4F3g", KeyTextCheck::NotHex},
        {u"2B7E151628AED2A6ABF7158809CF4F", KeyTextCheck::WrongLength},
        {u"2B7E151628AED2A6ABF7158809CF4F3C0", KeyTextCheck::WrongLength},
        {u"2B7E1516 28AED2A6ABF7158809CF4F3", KeyTextCheck::NotHex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fw::TextToUtf8(c.text));
        EXPECT_EQ(CheckKeyText(c.text), c.check);
        EXPECT_EQ(KeyFromText(c.text).has_value(), c.check == KeyTextCheck::Ok);
    }
    EXPECT_EQ(*KeyFromText(u"2b7e151628aed2a6abf7158809cf4f3c"), kKey);
}

TEST(EncOutputName, TakesTheNameWithoutBinOrHexInAnyCase) {
    EXPECT_EQ(EncOutputPath(u"/w/EncFile", u"FIRMWARE.HEX"), fw::Text(u"/w/EncFile/FIRMWARE.enc"));
    EXPECT_EQ(EncOutputPath(u"/w/EncFile", u"app.Bin"), fw::Text(u"/w/EncFile/app.enc"));
    EXPECT_FALSE(EncOutputPath(u"/w", u"app.txt"));
    EXPECT_FALSE(EncOutputPath(u"/w", u"bin"));
}

}  // namespace
