// The shipped library in a process whose OpenSSL offers no CTR-DRBG (OPENSSL_CONF loads the base provider only):
// it must say so and write nothing, never fall back to a fixed seed.
#include <gtest/gtest.h>

#include <vector>

#include "core/TessarandLoader.h"
#include "tessarand/Tessarand.h"

namespace {

TEST(GenerateRandomWithoutOpenSsl, ReportsFailureAndWritesNothing) {
    const GenerateRandomFunction generate = BindGenerateRandom();
    ASSERT_NE(generate, nullptr);
    for (unsigned int length : {0u, 4u, 48u, 100u}) {
        std::vector<uint8_t> buffer(length + 4, 0xA5);
        EXPECT_EQ(generate(buffer.data(), length), TESSARAND_FAILED) << length;
        EXPECT_EQ(buffer, std::vector<uint8_t>(length + 4, 0xA5)) << length;
    }
}

}  // namespace
