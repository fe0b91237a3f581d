// The security series' key files, firmware image, information package and module image, each compared with a
// reference built from OpenSSL's AES and SHA-256, and read back by the readers the main window uses.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/SecurityFiles.h"
#include "tests/core/FileOracle.h"
#include "tests/core/TestBytes.h"

namespace {

using namespace fileoracle;

const Key16 kBuiltin = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
constexpr uint32_t kLimit = 0x151DFFFF;

std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, size_t from, size_t n) {
    return {v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

Key16 ToKey(const std::vector<uint8_t>& v) {
    Key16 k{};
    std::copy_n(v.begin(), 16, k.begin());
    return k;
}

SecurityInputs Inputs() {
    return {ToKey(testbytes::Random(16, 1)), ToKey(testbytes::Random(16, 2)), ToKey(testbytes::Random(16, 3))};
}

// A program with the security header: magic, and the execution address + 0x100 at 0x50.
std::vector<uint8_t> Program(size_t size, uint32_t entry) {
    std::vector<uint8_t> p = testbytes::Random(size, 7);
    std::copy_n("FSVO", 4, p.begin());
    const uint32_t word = entry + 0x100;
    for (int i = 0; i < 4; ++i)
        p[0x50 + i] = static_cast<uint8_t>(word >> (8 * i));
    return p;
}

TEST(KeyFiles, PlainAndEncipheredFilesHoldTheDrawAsTheReadersExpect) {
    const std::vector<uint8_t> draw = testbytes::Random(48, 11);
    const std::span<const uint8_t, 48> drawSpan(draw.data(), 48);
    const RekIdKeyFiles plain = MakeRekIdKeyFiles(drawSpan, false, kBuiltin);
    EXPECT_EQ(std::vector<uint8_t>(plain.rekIdKey.begin(), plain.rekIdKey.end()), Slice(draw, 0, 32));
    EXPECT_EQ(Slice(Vec(plain.nonce), 0, 12), Slice(draw, 32, 12));
    EXPECT_EQ(Slice(Vec(plain.nonce), 12, 4), std::vector<uint8_t>(4, 0));

    const RekIdKeyFiles enc = MakeRekIdKeyFiles(drawSpan, true, kBuiltin);
    const std::vector<uint8_t> key = Vec(kBuiltin);
    // Each piece is its own call from the built-in counter: all three share one key-stream block.
    EXPECT_EQ(Slice({enc.rekIdKey.begin(), enc.rekIdKey.end()}, 0, 16), Ctr(key, BuiltinCounter(), Slice(draw, 0, 16)));
    EXPECT_EQ(Slice({enc.rekIdKey.begin(), enc.rekIdKey.end()}, 16, 16),
              Ctr(key, BuiltinCounter(), Slice(draw, 16, 16)));
    EXPECT_EQ(Slice(Vec(enc.nonce), 0, 12), Slice(Ctr(key, BuiltinCounter(), Slice(draw, 32, 16)), 0, 12));
    EXPECT_EQ(Slice(Vec(enc.nonce), 12, 4), std::vector<uint8_t>(4, 0));

    const auto keys = ReadRekIdKeyFile(enc.rekIdKey, true, kBuiltin);
    ASSERT_TRUE(keys);
    EXPECT_EQ(Vec(keys->rek), Slice(draw, 0, 16));
    EXPECT_EQ(Vec(keys->idKey), Slice(draw, 16, 16));
    // The enciphered nonce file deciphers to the nonce and four bytes that are the stream's, not zero.
    const auto nonce = ReadNonceFile(enc.nonce, true, kBuiltin);
    ASSERT_TRUE(nonce);
    EXPECT_EQ(Slice(Vec(*nonce), 0, 12), Slice(draw, 32, 12));
    EXPECT_NE(Slice(Vec(*nonce), 12, 4), std::vector<uint8_t>(4, 0));

    EXPECT_FALSE(ReadRekIdKeyFile(Slice(draw, 0, 16), false, kBuiltin));
    EXPECT_FALSE(ReadNonceFile(Slice(draw, 0, 12), false, kBuiltin));
}

TEST(KeyFiles, JtagKeyFilesRoundTripAndMatchTheReference) {
    const uint8_t key[4] = {0x78, 0x56, 0x34, 0x12};
    const auto plain = MakeJtagKeyFile(key, false, kBuiltin);
    EXPECT_EQ(std::vector<uint8_t>(plain.begin(), plain.end()),
              (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    const auto enc = MakeJtagKeyFile(key, true, kBuiltin);
    std::vector<uint8_t> four;
    for (int i = 0; i < 4; ++i)
        four.insert(four.end(), std::begin(key), std::end(key));
    EXPECT_EQ(std::vector<uint8_t>(enc.begin(), enc.end()), Ctr(Vec(kBuiltin), BuiltinCounter(), four));

    EXPECT_EQ(ReadJtagKeyFile(plain, false, kBuiltin), 0x12345678u);
    EXPECT_EQ(ReadJtagKeyFile(enc, true, kBuiltin), 0x12345678u);
    EXPECT_FALSE(ReadJtagKeyFile(std::span(enc).first(15), true, kBuiltin));
}

TEST(SecurityFirmware, ImageMatchesTheReferenceFieldByField) {
    const SecurityInputs in = Inputs();
    const uint32_t start = 0x15000000;
    const std::vector<uint8_t> program = Program(0x100 + 80, 0x15000000);
    for (bool bound : {false, true}) {
        SCOPED_TRACE(bound);
        std::vector<uint8_t> image = program;
        ASSERT_EQ(BuildSecurityFirmwareImage(image, in, start, bound, kLimit, kBuiltin), FirmwareImageResult::Ok);
        ASSERT_EQ(image.size(), program.size());

        std::vector<uint8_t> header = Slice(program, 0, 0x100);
        std::copy(in.nonce.begin(), in.nonce.end(), header.begin() + 0x10);
        std::copy(in.rek.begin(), in.rek.end(), header.begin() + 0x20);
        const std::vector<uint8_t> body = Slice(program, 0x100, program.size() - 0x100);
        const std::vector<uint8_t> digest = oracle::Sha256(body);
        std::copy(digest.begin(), digest.end(), header.begin() + 0x30);
        std::vector<uint8_t> headerEnc = Ctr(Vec(kBuiltin), BuiltinCounter(), Slice(header, 0x10, 0xF0));
        if (bound) {
            const std::vector<uint8_t> again = Ctr(Vec(in.idKey), BuiltinCounter(), Slice(headerEnc, 0x20, 32));
            std::copy(again.begin(), again.end(), headerEnc.begin() + 0x20);
        }
        EXPECT_EQ(Slice(image, 0, 0x10), Slice(program, 0, 0x10));
        EXPECT_EQ(Slice(image, 0x10, 0xF0), headerEnc);
        // The first body block's counter ends in 08 00 20 10 for a start of 0x15000000.
        EXPECT_EQ(Slice(BodyCounter(Vec(in.nonce), start + 0x6B020100), 12, 4),
                  (std::vector<uint8_t>{0x08, 0x00, 0x20, 0x10}));
        EXPECT_EQ(Slice(image, 0x100, body.size()), BodyCipher(Vec(in.rek), Vec(in.nonce), start + 0x6B020100, body));
    }
}

TEST(SecurityFirmware, RefusesProgramsWithoutHeaderOrWithAnEntryOutsideTheWindows) {
    struct Case {
        const char* name;
        size_t size;
        uint32_t entry;
        bool magic;
        FirmwareImageResult result;
    };
    const Case cases[] = {
        {"entry at the flash start", 0x110, 0x15000000, true, FirmwareImageResult::Ok},
        {"entry at the flash limit", 0x110, kLimit, true, FirmwareImageResult::Ok},
        {"entry in the low window", 0x110, 0xFFFFF, true, FirmwareImageResult::Ok},
        {"entry above the limit", 0x110, kLimit + 1, true, FirmwareImageResult::ExecutionAddressOutOfRange},
        {"entry just above the SRAM window", 0x110, 0x24120000, true, FirmwareImageResult::ExecutionAddressOutOfRange},
        {"entry in the last window", 0x110, 0x30057FFF, true, FirmwareImageResult::Ok},
        {"no magic", 0x110, 0x15000000, false, FirmwareImageResult::NoSecurityHeader},
        {"shorter than the header", 0xFF, 0x15000000, true, FirmwareImageResult::NoSecurityHeader},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> program = Program(c.size, c.entry);
        if (!c.magic) program[0] = 'X';
        const std::vector<uint8_t> before = program;
        EXPECT_EQ(BuildSecurityFirmwareImage(program, Inputs(), 0x15000000, false, kLimit, kBuiltin), c.result);
        if (c.result != FirmwareImageResult::Ok) {
            EXPECT_EQ(program, before);
        }
    }
}

TEST(SecurityFirmware, ModuleImageIsTheWholeProgramUnderTheBodyCounterFromItsFirstByte) {
    const SecurityInputs in = Inputs();
    const std::vector<uint8_t> program = testbytes::Random(96, 5);
    std::vector<uint8_t> image = program;
    BuildSecurityModuleImage(image, in.rek, in.nonce, 0x15000000);
    EXPECT_EQ(Slice(BodyCounter(Vec(in.nonce), 0x15000000u + 0x6B020000u), 12, 4),
              (std::vector<uint8_t>{0x08, 0x00, 0x20, 0x00}));
    EXPECT_EQ(image, BodyCipher(Vec(in.rek), Vec(in.nonce), 0x15000000u + 0x6B020000u, program));
}

TEST(SecurityInfoPackage, LayoutAndLimits) {
    const SecurityInputs in = Inputs();
    const auto plain = EncodeSecurityInfoPack(in, false, {}, kBuiltin);
    ASSERT_TRUE(plain);
    ASSERT_EQ(plain->size(), 49u);
    EXPECT_EQ((*plain)[0], 0xAA);
    std::vector<uint8_t> nonceBlock = Slice(Vec(in.nonce), 0, 12);
    nonceBlock.resize(16, 0);
    const std::vector<uint8_t> key = Vec(kBuiltin);
    EXPECT_EQ(Slice(*plain, 1, 16), Ctr(key, BuiltinCounter(), nonceBlock));
    EXPECT_EQ(Slice(*plain, 17, 16), Ctr(key, BuiltinCounter(), Vec(in.rek)));
    EXPECT_EQ(Slice(*plain, 33, 16), Ctr(key, BuiltinCounter(), Vec(in.idKey)));

    const std::vector<uint8_t> options(73, 0x42);
    const auto bound = EncodeSecurityInfoPack(in, true, options, kBuiltin);
    ASSERT_TRUE(bound);
    ASSERT_EQ(bound->size(), 122u);
    EXPECT_EQ((*bound)[0], 0x55);
    EXPECT_EQ(Slice(*bound, 1, 48), Slice(*plain, 1, 48));  // the packages differ only in byte 0 and the options
    EXPECT_FALSE(EncodeSecurityInfoPack(in, true, std::vector<uint8_t>(74, 1), kBuiltin));

    const auto decoded = DecodeSecurityInfoPack(*bound);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->mode, 0x55);
    EXPECT_EQ(decoded->options, options);
    EXPECT_FALSE(DecodeSecurityInfoPack(std::vector<uint8_t>(48, 0)));
    EXPECT_FALSE(DecodeSecurityInfoPack(std::vector<uint8_t>(123, 0)));
}

TEST(SecurityInfoPackage, VerifiesTheImageItWasMadeWithAndNoOther) {
    const SecurityInputs in = Inputs();
    const uint32_t start = 0x15010000;
    for (bool bound : {false, true}) {
        SCOPED_TRACE(bound);
        std::vector<uint8_t> image = Program(0x100 + 64, 0x15000000);
        ASSERT_EQ(BuildSecurityFirmwareImage(image, in, start, bound, kLimit, kBuiltin), FirmwareImageResult::Ok);
        const auto pack = DecodeSecurityInfoPack(*EncodeSecurityInfoPack(in, bound, {}, kBuiltin));
        ASSERT_TRUE(pack);
        EXPECT_TRUE(VerifySecurityFirmware(image, start, *pack, kBuiltin));
        EXPECT_FALSE(VerifySecurityFirmware(image, start + 16, *pack, kBuiltin));
        std::vector<uint8_t> changed = image;
        changed[0x120] ^= 1;
        EXPECT_FALSE(VerifySecurityFirmware(changed, start, *pack, kBuiltin));
        SecurityInfoPack otherMode = *pack;
        otherMode.mode = bound ? 0xAA : 0x55;
        EXPECT_FALSE(VerifySecurityFirmware(image, start, otherMode, kBuiltin));
    }
    EXPECT_FALSE(VerifySecurityFirmware(std::vector<uint8_t>(0xFF, 0), start,
                                        *DecodeSecurityInfoPack(*EncodeSecurityInfoPack(in, false, {}, kBuiltin)),
                                        kBuiltin));
}

}  // namespace
