#include "core/Des.h"

#include <gtest/gtest.h>

#include <vector>

#include "OpenSslOracle.h"
#include "TestBytes.h"
#include "core/BuiltinKeys.h"
#include "core/HexText.h"

namespace {

using testbytes::FromHex;
using testbytes::Random;

fw::Text Hex(const std::vector<uint8_t>& bytes) { return BytesToHex(bytes); }

TEST(Des, BlockMatchesTheClassicVectorAndOpenSsl) {
    auto block = FromHex("0123456789abcde7");
    const auto key = FromHex("0123456789abcdef");
    DesBlock(block.data(), key.data(), 0);
    EXPECT_EQ(block, FromHex("c95744256a5ed31d"));
    DesBlock(block.data(), key.data(), 1);
    EXPECT_EQ(block, FromHex("0123456789abcde7"));

    for (uint32_t seed = 0; seed < 32; ++seed) {
        const auto k = Random(8, seed);
        const auto plain = Random(8, seed + 100);
        auto data = plain;
        DesBlock(data.data(), k.data(), 0);
        EXPECT_EQ(data, oracle::Cipher("DES-ECB", k, {}, plain, true)) << seed;
    }
}

TEST(Des, TwoKeyTripleDesMatchesOpenSslEde) {
    for (uint32_t seed = 0; seed < 32; ++seed) {
        const auto key = Random(16, seed);
        const auto plain = Random(8 * (1 + seed % 5), seed + 200);
        const fw::Text encrypted = DesCryptHex(kDesEncrypt, Hex(plain), Hex(key));
        EXPECT_EQ(encrypted, Hex(oracle::Cipher("DES-EDE-ECB", key, {}, plain, true))) << seed;
        EXPECT_EQ(DesDecryptHexWhole(encrypted, Hex(key)), Hex(plain)) << seed;
    }
}

TEST(Des, KeyLengthSelectsTheCipher) {
    const auto key16 = Random(16, 9);
    const auto plain = Random(16, 10);
    const std::vector<uint8_t> k1(key16.begin(), key16.begin() + 8);
    const fw::Text single = Hex(oracle::Cipher("DES-ECB", k1, {}, plain, true));

    EXPECT_EQ(DesCryptHex(kDesEncrypt, Hex(plain), Hex(k1)), single);         // 16 digits: single DES
    EXPECT_EQ(DesCryptHex(kDesEncrypt, Hex(plain), Hex(k1) + u"0"), single);  // 17 digits too
    std::vector<uint8_t> sameHalves = k1;
    sameHalves.insert(sameHalves.end(), k1.begin(), k1.end());
    EXPECT_EQ(DesCryptHex(kDesEncrypt, Hex(plain), Hex(sameHalves)), single);  // K1 = K2 is single DES
    EXPECT_NE(DesCryptHex(kDesEncrypt, Hex(plain), Hex(key16)), single);
    EXPECT_EQ(DesCryptHex(kDesEncrypt, u"0102030405060708", u"0123456789ABCDEF0123"), u"0102030405060708");
}

TEST(Des, PaddingAndUnpaddingTable) {
    const fw::Text key = u"0123456789ABCDEFFEDCBA9876543210";
    // Three bytes are padded to AA BB CC 80 00 00 00 00 before enciphering.
    const fw::Text encrypted = DesCryptHex(kDesEncrypt, u"AABBCC", key);
    EXPECT_EQ(encrypted.size(), 16u);
    EXPECT_EQ(DesDecryptHexWhole(encrypted, key), u"AABBCC8000000000");
    EXPECT_EQ(DesCryptHex(kDesDecrypt, encrypted, key), u"AABBCC");
    EXPECT_EQ(DesCryptHex(kDesDecrypt, u"AABBCC", key), u"");

    struct Case {
        fw::TextView plain;
        fw::TextView decrypted;
    };
    const Case cases[] = {
        {u"1122334441800000", u"1122334441"},        // 41 80 00 00 loses the final three bytes
        {u"1122334455804100", u"1122334455804100"},  // 80 41 00: another byte ends the search
        {u"1122334455667780", u"11223344556677"},
        {u"0011223344556677", u"0011223344556677"},
    };
    for (const Case& c : cases) {
        const fw::Text e = DesCryptHex(kDesEncrypt, c.plain, key);
        EXPECT_EQ(e.size(), 16u);
        EXPECT_EQ(DesCryptHex(kDesDecrypt, e, key), c.decrypted) << fw::TextToUtf8(c.plain);
    }
}

TEST(Des, ProfileKeysEndingIn80SurviveTheWholeDecryption) {
    // A 16-byte chip key whose last bytes look like padding: the plain decryption cuts them, the profile's
    // decryption gives every byte back.
    for (fw::TextView chipKey : {u"00112233445566778899AABBCCDDEE80", u"00112233445566778899AABB80000000",
                                 u"80000000000000000000000000000000"}) {
        const fw::Text stored = DesCryptHex(kDesEncrypt, chipKey, g_strProfileKeyCipherKey);
        EXPECT_EQ(stored.size(), 32u);
        EXPECT_NE(DesCryptHex(kDesDecrypt, stored, g_strProfileKeyCipherKey), chipKey);
        EXPECT_EQ(DesDecryptHexWhole(stored, g_strProfileKeyCipherKey), chipKey);
    }
    EXPECT_EQ(DesDecryptHexWhole(u"AABBCC", g_strProfileKeyCipherKey), u"");
}

}  // namespace
