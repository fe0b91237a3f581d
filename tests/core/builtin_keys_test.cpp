#include <gtest/gtest.h>

#include <set>

#include "core/BuiltinKeys.h"
#include "core/HexText.h"

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

}  // namespace
