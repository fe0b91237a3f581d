#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>
#include <vector>

#include "tessarand/DrbgAes.h"

namespace tessarand {
namespace {

std::vector<uint8_t> FromHex(const char* hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; hex[i] != 0 && hex[i + 1] != 0; i += 2) {
        const char pair[3] = {hex[i], hex[i + 1], 0};
        bytes.push_back(static_cast<uint8_t>(std::strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

std::vector<uint8_t> Encrypt(const std::vector<uint8_t>& key, const std::vector<uint8_t>& block) {
    DrbgAesSchedule schedule;
    EXPECT_EQ(DrbgAesSetKey(schedule, key.data(), static_cast<int>(key.size() * 8)), 0);
    std::vector<uint8_t> out(16);
    DrbgAesEncryptBlock(schedule, block.data(), out.data());
    return out;
}

std::vector<uint8_t> OpenSslEncrypt(const std::vector<uint8_t>& key, const std::vector<uint8_t>& block) {
    const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_ecb()
                               : key.size() == 24 ? EVP_aes_192_ecb()
                                                  : EVP_aes_256_ecb();
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    std::vector<uint8_t> out(32);
    int written = 0;
    EXPECT_EQ(EVP_EncryptInit_ex(context, cipher, nullptr, key.data(), nullptr), 1);
    EVP_CIPHER_CTX_set_padding(context, 0);
    EXPECT_EQ(EVP_EncryptUpdate(context, out.data(), &written, block.data(), 16), 1);
    EVP_CIPHER_CTX_free(context);
    out.resize(16);
    return out;
}

TEST(DrbgAes, MatchesTheFips197Examples) {
    struct Case {
        const char* key;
        const char* cipherText;
    };
    const Case cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "8ea2b7ca516745bfeafc49904b496089"},
    };
    const std::vector<uint8_t> plain = FromHex("00112233445566778899aabbccddeeff");
    for (const Case& c : cases) {
        EXPECT_EQ(Encrypt(FromHex(c.key), plain), FromHex(c.cipherText)) << c.key;
    }
}

TEST(DrbgAes, MatchesOpenSslOnRandomKeysAndBlocks) {
    for (size_t keyLength : {16u, 24u, 32u}) {
        for (int i = 0; i < 200; ++i) {
            std::vector<uint8_t> key(keyLength), block(16);
            ASSERT_EQ(RAND_bytes(key.data(), static_cast<int>(key.size())), 1);
            ASSERT_EQ(RAND_bytes(block.data(), 16), 1);
            ASSERT_EQ(Encrypt(key, block), OpenSslEncrypt(key, block)) << "key length " << keyLength;
        }
    }
}

TEST(DrbgAes, RefusesOtherKeySizesAndLeavesTheScheduleAlone) {
    const uint8_t key[64] = {};
    DrbgAesSchedule schedule;
    schedule.rounds = 99;
    schedule.roundKeys[0] = 0x12345678;
    for (int bits : {0, 64, 127, 129, 160, 255, 257, 512}) {
        EXPECT_EQ(DrbgAesSetKey(schedule, key, bits), -1) << bits;
    }
    EXPECT_EQ(schedule.rounds, 99);
    EXPECT_EQ(schedule.roundKeys[0], 0x12345678u);
}

TEST(DrbgAes, WipeClearsTheRoundKeys) {
    const std::vector<uint8_t> key = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    DrbgAesSchedule schedule;
    ASSERT_EQ(DrbgAesSetKey(schedule, key.data(), 256), 0);
    DrbgAesWipe(schedule);
    EXPECT_EQ(schedule.rounds, 0);
    for (uint32_t word : schedule.roundKeys)
        EXPECT_EQ(word, 0u);
}

}  // namespace
}  // namespace tessarand
