#include "core/Sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CryptoPaths.h"
#include "OpenSslOracle.h"
#include "TestBytes.h"

namespace {

// Every case runs with the processor's instructions and with the portable rounds.
using Sha256Paths = CryptoPaths;

std::vector<uint8_t> Digest(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out(32);
    EXPECT_EQ(Sha256Buffer(data.data(), static_cast<int>(data.size()), out.data()), 0);
    return out;
}

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST_P(Sha256Paths, NistVectors) {
    EXPECT_EQ(Digest(Bytes("abc")),
              testbytes::FromHex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    EXPECT_EQ(Digest(Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              testbytes::FromHex("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"));
    EXPECT_EQ(Digest(std::vector<uint8_t>(1000000, 'a')),
              testbytes::FromHex("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"));
    const auto empty = testbytes::FromHex("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    std::vector<uint8_t> out(32);
    EXPECT_EQ(Sha256Buffer(nullptr, 5, out.data()), 0);
    EXPECT_EQ(out, empty);
    EXPECT_EQ(Digest({}), empty);
}

TEST_P(Sha256Paths, MatchesOpenSslAroundEveryPaddingBoundary) {
    for (size_t length = 0; length < 200; ++length) {
        const auto data = testbytes::Random(length, static_cast<uint32_t>(length) + 7);
        EXPECT_EQ(Digest(data), oracle::Sha256(data)) << length;
    }
    const auto big = testbytes::Random(100003, 99);
    EXPECT_EQ(Digest(big), oracle::Sha256(big));
}

INSTANTIATE_TEST_SUITE_P(Sha256, Sha256Paths, ::testing::Values(true, false), CryptoPathName);

TEST(Sha256, NullOutputWritesNothing) {
    const uint8_t data[] = {1, 2, 3};
    EXPECT_EQ(Sha256Buffer(data, 3, nullptr), 1);
}

}  // namespace
