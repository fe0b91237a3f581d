#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/AesCtr.h"
#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "core/Sha256.h"

namespace {

TEST(BuiltinKeys, EveryKeyHasTheFormItsUsersTake) {
    std::set<fw::Text> distinct;
    for (fw::TextView key : g_defaultChipKeys) {
        EXPECT_EQ(key.size(), 32u);
        EXPECT_TRUE(IsHexText(key));
        EXPECT_EQ(fw::ToUpper(key), key);
        distinct.insert(fw::Text(key));
    }
    EXPECT_EQ(distinct.size(), g_defaultChipKeys.size());
    EXPECT_EQ(g_strProfileKeyCipherKey.size(), 32u);
    EXPECT_TRUE(IsHexText(g_strProfileKeyCipherKey));
    EXPECT_EQ(fw::ToUpper(g_strProfileKeyCipherKey), g_strProfileKeyCipherKey);
    EXPECT_EQ(distinct.count(fw::Text(g_strProfileKeyCipherKey)), 0u);
}

std::string DigestHex(const std::vector<uint8_t>& bytes) {
    uint8_t digest[32];
    Sha256Buffer(bytes.data(), static_cast<int>(bytes.size()), digest);
    std::string hex;
    for (uint8_t b : digest) {
        static const char kDigits[] = "0123456789ABCDEF";
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::vector<uint8_t> Bytes(fw::TextView text) { return {text.begin(), text.end()}; }

// Profiles, key files and enciphered files written by earlier builds read back only while these constants stay
// what those builds used; each is pinned by the SHA-256 of its bytes (the texts' code units truncated to bytes).
TEST(BuiltinKeys, ConstantsAreThoseEarlierBuildsUsed) {
    std::vector<uint8_t> chipKeys;
    for (fw::TextView key : g_defaultChipKeys) {
        const auto bytes = Bytes(key);
        chipKeys.insert(chipKeys.end(), bytes.begin(), bytes.end());
    }
    std::vector<uint8_t> counter(16);
    BuiltinInitialCounter(counter.data());
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* digest;
    };
    const Row rows[] = {
        {"default chip keys", chipKeys, "EABCA250ED5D2975E1828586DA19F47D95753B5A1DAD2DA7306739F63869BFA4"},
        {"profile key cipher key", Bytes(g_strProfileKeyCipherKey),
         "5AA77A72416D86349FE53571F2EB0E3A7DE1B22BCE5AEC74ACA8C499A60FED09"},
        {"built-in AES key",
         {kBuiltinAesKey.begin(), kBuiltinAesKey.end()},
         "5C82B2A1BAEDA2F2EAA60685FA6057D61D3B37DCD29394712DA18760FCFA1C64"},
        {"initial counter block", counter, "F6921F60E5B1FC4147CF9A5E71CC8E5DFB3C198B640959C99F0BBFFEA62B473C"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DigestHex(row.bytes), row.digest) << row.name;
    }
}

}  // namespace
