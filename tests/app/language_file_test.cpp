#include <gtest/gtest.h>

#include "app/LanguageFile.h"
#include "tests/framework/TempFolder.h"

namespace {

TEST(LanguageFile, ReadCases) {
    fw::testing::TempFolder dir;
    EXPECT_FALSE(ReadLanguageFile(dir.Wide("Language.ini")).has_value());
    const std::pair<std::string, uint32_t> cases[] = {
        {std::string("\x04\x08\x00\x00", 4), 2052},
        {std::string("\x09\x04\x00\x00", 4), 1033},
        {std::string("\x09\x04", 2), 1033},                    // a short file: the missing bytes are 0
        {std::string("\x09\x04\x00\x00garbage", 11), 1033},    // only four bytes count
        {std::string(), 0},
    };
    for (const auto& [bytes, id] : cases) {
        dir.Write("Language.ini", bytes);
        EXPECT_EQ(ReadLanguageFile(dir.Wide("Language.ini")), id) << bytes.size();
    }
}

TEST(LanguageFile, WriteGivesFourLittleEndianBytes) {
    fw::testing::TempFolder dir;
    ASSERT_TRUE(WriteLanguageFile(dir.Wide("Language.ini"), kLanguageIdEnglish));
    EXPECT_EQ(dir.Read("Language.ini"), std::string("\x09\x04\x00\x00", 4));
    ASSERT_TRUE(WriteLanguageFile(dir.Wide("Language.ini"), kLanguageIdChinese));
    EXPECT_EQ(dir.Read("Language.ini"), std::string("\x04\x08\x00\x00", 4));
    EXPECT_FALSE(WriteLanguageFile(dir.Wide("missing/Language.ini"), kLanguageIdChinese));
}

}  // namespace
