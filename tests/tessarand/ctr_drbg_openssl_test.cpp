// The generator against OpenSSL's CTR-DRBG with the same seed material: the first 32 seed bytes as entropy, the
// last 16 as nonce, an empty personalisation. Both run Block_Cipher_df over the same 48 bytes.
#include <gtest/gtest.h>
#include <openssl/rand.h>

#include <array>
#include <vector>

#include "OpenSslCtrDrbg.h"
#include "tessarand/CtrDrbg.h"

namespace tessarand {
namespace {

using Seed = std::array<uint8_t, kDrbgSeedLength>;

Seed RandomSeed() {
    Seed seed{};
    EXPECT_EQ(RAND_bytes(seed.data(), static_cast<int>(seed.size())), 1);
    return seed;
}

Seed CountingSeed() {
    Seed seed{};
    for (size_t i = 0; i < seed.size(); ++i)
        seed[i] = static_cast<uint8_t>(0xA0 + i);
    return seed;
}

OpenSslCtrDrbg ReferenceFor(const Seed& seed) { return OpenSslCtrDrbg(seed.data(), 32, seed.data() + 32, 16); }

std::vector<uint8_t> Generate(CtrDrbg& state, size_t length) {
    std::vector<uint8_t> out(length);
    EXPECT_EQ(CtrDrbgGenerateAll(state, out.data(), length, length), kDrbgOk) << length;
    return out;
}

TEST(CtrDrbg, MatchesOpenSslAroundBlockAndRequestBoundaries) {
    const size_t lengths[] = {1, 4, 15, 16, 17, 31, 32, 33, 47, 48, 49, 64, 95, 96, 97, 100, 144, 1000, 4096};
    for (const Seed& seed : {Seed{}, CountingSeed(), RandomSeed()}) {
        for (size_t length : lengths) {
            CtrDrbg state;
            ASSERT_EQ(CtrDrbgInstantiate(state, seed.data()), kDrbgOk);
            OpenSslCtrDrbg reference = ReferenceFor(seed);
            ASSERT_TRUE(reference.ok());
            const std::vector<uint8_t> expected = reference.Generate(length);
            ASSERT_TRUE(reference.ok());
            EXPECT_EQ(Generate(state, length), expected) << "length " << length;
        }
    }
}

TEST(CtrDrbg, KeepsMatchingAcrossSuccessiveCalls) {
    const Seed seed = RandomSeed();
    CtrDrbg state;
    ASSERT_EQ(CtrDrbgInstantiate(state, seed.data()), kDrbgOk);
    OpenSslCtrDrbg reference = ReferenceFor(seed);
    for (size_t length : {48u, 5u, 100u, 16u, 1u, 96u}) {
        const std::vector<uint8_t> expected = reference.Generate(length);
        ASSERT_TRUE(reference.ok());
        EXPECT_EQ(Generate(state, length), expected) << "length " << length;
    }
}

TEST(CtrDrbg, ReseedsFromItsOwnStateOnceTheIntervalIsReached) {
    const Seed seed = RandomSeed();
    constexpr size_t kRequestsBeforeReseed = kDrbgReseedInterval - 1;  // the counter starts at 1

    // The generator's V || Key at the moment of the reseed is its material.
    CtrDrbg probe;
    ASSERT_EQ(CtrDrbgInstantiate(probe, seed.data()), kDrbgOk);
    std::vector<uint8_t> sink(kDrbgMaxRequest);
    for (size_t i = 0; i < kRequestsBeforeReseed; ++i) {
        ASSERT_EQ(CtrDrbgGenerate(probe, sink.data(), sink.size(), sink.size()), kDrbgOk);
    }
    EXPECT_EQ(probe.reseedCounter, kDrbgReseedInterval);
    std::array<uint8_t, kDrbgSeedLength> material{};
    std::copy(std::begin(probe.V), std::end(probe.V), material.begin());
    std::copy(std::begin(probe.Key), std::end(probe.Key), material.begin() + 16);

    // One call long enough to cross the reseed, against OpenSSL reseeded by hand at the same request.
    const size_t tail = 100;
    const size_t length = kRequestsBeforeReseed * kDrbgMaxRequest + tail;
    CtrDrbg state;
    ASSERT_EQ(CtrDrbgInstantiate(state, seed.data()), kDrbgOk);
    const std::vector<uint8_t> ours = Generate(state, length);
    EXPECT_EQ(state.reseedCounter, 1 + 3);  // the reseed, then requests of 48, 48 and 4 bytes

    OpenSslCtrDrbg reference = ReferenceFor(seed);
    std::vector<uint8_t> expected = reference.Generate(kRequestsBeforeReseed * kDrbgMaxRequest);
    ASSERT_TRUE(reference.Reseed(material.data(), material.size()));
    const std::vector<uint8_t> after = reference.Generate(tail);
    ASSERT_TRUE(reference.ok());
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_TRUE(ours == expected);

    // Without the reseed the streams part exactly where it belongs.
    OpenSslCtrDrbg unreseeded = ReferenceFor(seed);
    const std::vector<uint8_t> plain = unreseeded.Generate(length);
    const auto mismatch = std::mismatch(ours.begin(), ours.end(), plain.begin());
    EXPECT_EQ(static_cast<size_t>(mismatch.first - ours.begin()), kRequestsBeforeReseed * kDrbgMaxRequest);
}

TEST(CtrDrbg, RefusesRequestsOutsideOneToFortyEightBytes) {
    CtrDrbg state;
    const Seed seed = CountingSeed();
    ASSERT_EQ(CtrDrbgInstantiate(state, seed.data()), kDrbgOk);
    std::vector<uint8_t> out(64, 0xEE);
    EXPECT_EQ(CtrDrbgGenerate(state, out.data(), 0, 0), kDrbgFailed);
    EXPECT_EQ(CtrDrbgGenerate(state, out.data(), 49, 49), kDrbgFailed);
    EXPECT_EQ(CtrDrbgGenerate(state, nullptr, 16, 16), kDrbgFailed);
    EXPECT_EQ(CtrDrbgInstantiate(state, nullptr), kDrbgFailed);
    EXPECT_EQ(std::vector<uint8_t>(64, 0xEE), out);
    // A count that does not match what was asked is a failure even though bytes came out.
    EXPECT_EQ(CtrDrbgGenerate(state, out.data(), 16, 17), kDrbgFailed);
    EXPECT_EQ(CtrDrbgGenerateAll(state, out.data(), 20, 21), kDrbgFailed);
}

}  // namespace
}  // namespace tessarand
