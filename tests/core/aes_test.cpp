#include "core/Aes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CryptoPaths.h"
#include "OpenSslOracle.h"
#include "TestBytes.h"
#include "core/AesCtr.h"
#include "core/AesRounds.h"

namespace {

using testbytes::FromHex;
using testbytes::Random;

using AesPaths = CryptoPaths;

TEST_P(AesPaths, Fips197AppendixVectorsBothWays) {
    struct Case {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Case cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32"},
    };
    for (const Case& c : cases) {
        const auto key = FromHex(c.key);
        const AES aes(key.data());
        auto block = FromHex(c.plain);
        aes.EncryptBlock(block.data());
        EXPECT_EQ(block, FromHex(c.cipher));
        aes.DecryptBlock(block.data());
        EXPECT_EQ(block, FromHex(c.plain));
    }
}

TEST_P(AesPaths, EcbMatchesOpenSslOnRandomKeysAndBlocks) {
    for (uint32_t seed = 0; seed < 64; ++seed) {
        const auto key = Random(16, seed);
        const auto plain = Random(16 * 4, seed + 1000);
        const auto expected = oracle::Cipher("AES-128-ECB", key, {}, plain, true);
        ASSERT_EQ(expected.size(), plain.size());
        const AES aes(key.data());
        auto data = plain;
        for (size_t i = 0; i < data.size(); i += 16)
            aes.EncryptBlock(data.data() + i);
        EXPECT_EQ(data, expected) << seed;
        for (size_t i = 0; i < data.size(); i += 16)
            aes.DecryptBlock(data.data() + i);
        EXPECT_EQ(data, plain) << seed;

        uint8_t second[16];
        CtrAesEncryptBlock(plain.data(), key.data(), second);
        EXPECT_EQ(std::vector<uint8_t>(second, second + 16),
                  std::vector<uint8_t>(expected.begin(), expected.begin() + 16));
    }
}

TEST_P(AesPaths, CounterModeMatchesOpenSslForEveryCounterChoice) {
    const auto key = Random(16, 1);
    const auto nonce = Random(12, 2);
    uint8_t builtin[16];
    BuiltinInitialCounter(builtin);
    const std::vector<uint8_t> builtinIv(builtin, builtin + 16);
    std::vector<uint8_t> nonceIv = nonce;
    nonceIv.insert(nonceIv.end(), {0x01, 0x50, 0x00, 0x00});

    struct Case {
        const uint8_t* nonce;
        int useNonce;
        uint32_t address;
        const std::vector<uint8_t>& iv;
    };
    const Case cases[] = {
        {nonce.data(), 1, 0x15000000u, nonceIv},  // nonce || address in 16-byte blocks, big-endian
        {nonce.data(), 1, 0x1500000Fu, nonceIv},  // the low four address bits do not count
        {nonce.data(), 1, 0, builtinIv},          // a zero address selects the built-in block
        {nonce.data(), 0, 0x15000000u, builtinIv}, {nullptr, 1, 0x15000000u, builtinIv},
    };
    for (size_t length : {size_t{1}, size_t{16}, size_t{20}, size_t{127}, size_t{128}, size_t{129}, size_t{1000}}) {
        const auto plain = Random(length, static_cast<uint32_t>(length));
        for (const Case& c : cases) {
            auto data = plain;
            AesCtrCrypt(data.data(), static_cast<int>(data.size()), key.data(), nullptr, c.nonce, c.useNonce,
                        c.address);
            EXPECT_EQ(data, oracle::Cipher("AES-128-CTR", key, c.iv, plain, true))
                << length << " bytes, address " << c.address;
            AesCtrCrypt(data.data(), static_cast<int>(data.size()), key.data(), nullptr, c.nonce, c.useNonce,
                        c.address);
            EXPECT_EQ(data, plain);
        }
    }
}

TEST_P(AesPaths, CounterCarriesAcrossBytesAndWrapsAtTheTop) {
    const auto key = Random(16, 5);
    const auto plain = Random(16 * 20, 6);
    for (const char* start : {"000102030405060708090a0bfffffffe",     // carries into byte 11
                              "00000000000000fffffffffffffffffc",     // carries across the 64-bit halves
                              "fffffffffffffffffffffffffffffffe"}) {  // all bytes wrap to zero
        auto counter = FromHex(start);
        uint32_t roundKeys[aes_detail::kRoundKeyWords];
        aes_detail::ExpandKey(key.data(), roundKeys);
        auto data = plain;
        aes_detail::CtrXor(roundKeys, counter.data(), data.data(), data.size());
        EXPECT_EQ(data, oracle::Cipher("AES-128-CTR", key, FromHex(start), plain, true)) << start;
    }
}

INSTANTIATE_TEST_SUITE_P(Aes, AesPaths, ::testing::Values(true, false), CryptoPathName);

TEST(AesCtr, TouchesExactlyTheGivenBytes) {
    const auto key = Random(16, 3);
    std::vector<uint8_t> data(48, 0x00);
    AesCtrCrypt(data.data(), 20, key.data(), nullptr, nullptr, 0, 0);
    for (size_t i = 20; i < data.size(); ++i)
        EXPECT_EQ(data[i], 0x00) << i;
    EXPECT_NE(std::vector<uint8_t>(data.begin() + 16, data.begin() + 20), std::vector<uint8_t>(4, 0x00));

    std::vector<uint8_t> untouched(16, 0x77);
    AesCtrCrypt(untouched.data(), 0, key.data(), nullptr, nullptr, 0, 0);
    EXPECT_EQ(untouched, std::vector<uint8_t>(16, 0x77));
}

}  // namespace
