// generate_random's body with its seed source swapped: the seam through which the tests make seeding fail.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "tessarand/CtrDrbg.h"
#include "tessarand/FillRandom.h"

namespace tessarand {
namespace {

std::atomic<int> g_seedRequests{0};

bool FailingSeed(uint8_t seed[kDrbgSeedLength]) {
    ++g_seedRequests;
    std::memset(seed, 0, kDrbgSeedLength);
    return false;
}

bool ZeroSeed(uint8_t seed[kDrbgSeedLength]) {
    ++g_seedRequests;
    std::memset(seed, 0, kDrbgSeedLength);
    return true;
}

TEST(FillRandom, ASeedingFailureIsReportedAndNothingIsWritten) {
    for (size_t length : {0u, 1u, 48u, 100u, 4096u}) {
        g_seedRequests = 0;
        std::vector<uint8_t> buffer(length + 8, 0x5C);
        EXPECT_FALSE(FillRandom(buffer.data(), length, &FailingSeed)) << length;
        EXPECT_EQ(g_seedRequests, 1);
        EXPECT_EQ(buffer, std::vector<uint8_t>(length + 8, 0x5C)) << length;
    }
    uint8_t byte = 0x5C;
    EXPECT_FALSE(FillRandom(&byte, 1, nullptr));
    EXPECT_EQ(byte, 0x5C);
}

TEST(FillRandom, AsksForASeedEvenWhenNothingIsToBeWritten) {
    g_seedRequests = 0;
    uint8_t guard = 0x5C;
    EXPECT_TRUE(FillRandom(&guard, 0, &ZeroSeed));
    EXPECT_TRUE(FillRandom(nullptr, 0, &ZeroSeed));
    EXPECT_EQ(g_seedRequests, 2);
    EXPECT_EQ(guard, 0x5C);
}

TEST(FillRandom, RefusesAMissingBufferForAnyBytes) { EXPECT_FALSE(FillRandom(nullptr, 16, &ZeroSeed)); }

TEST(FillRandom, AFixedSeedGivesAFixedStreamWhateverTheLength) {
    // The stream from a seed does not depend on how much of it is asked for: requests are always 48 bytes until
    // the last one, so a shorter output is a prefix of a longer one.
    std::vector<uint8_t> longest(1000);
    ASSERT_TRUE(FillRandom(longest.data(), longest.size(), &ZeroSeed));
    for (size_t length : {1u, 48u, 100u, 999u}) {
        std::vector<uint8_t> out(length);
        ASSERT_TRUE(FillRandom(out.data(), length, &ZeroSeed));
        EXPECT_TRUE(std::equal(out.begin(), out.end(), longest.begin())) << length;
    }
    CtrDrbg state;
    const uint8_t zeros[kDrbgSeedLength] = {};
    ASSERT_EQ(CtrDrbgInstantiate(state, zeros), kDrbgOk);
    std::vector<uint8_t> direct(1000);
    ASSERT_EQ(CtrDrbgGenerateAll(state, direct.data(), direct.size(), direct.size()), kDrbgOk);
    EXPECT_EQ(direct, longest);
}

}  // namespace
}  // namespace tessarand
