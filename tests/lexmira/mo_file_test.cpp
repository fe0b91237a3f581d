// Hand-made catalogs: every table and string must be checked against the file's size, in 64 bits.
#include <gtest/gtest.h>

#include <string>

#include "MoBytes.h"
#include "framework/Text.h"
#include "lexmira/Lexmira.h"
#include "tests/framework/TempFolder.h"

namespace {

constexpr uint32_t kMagic = 0x950412DE;

class MoFile : public ::testing::Test {
protected:
    void SetUp() override { m_locale = CreateObject(2); }
    void TearDown() override { m_locale->Destroy(); }

    bool Load(const std::string& bytes) {
        m_folder.Write("test.mo", bytes);
        return m_locale->LoadCatalog(m_folder.Wide("test.mo").c_str());
    }
    std::u16string Answer(const std::u16string& text) const { return m_locale->Translate(text.c_str()); }

    fw::testing::TempFolder m_folder;
    lexmira::wxLocale* m_locale = nullptr;
};

TEST_F(MoFile, RefusesHeadersAndTablesThatDoNotFit) {
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
    };
    std::string bigEndian = MoBytes::Header(0, 0, 28, 28, 40);
    bigEndian.replace(0, 4, "\x95\x04\x12\xDE", 4);
    const Case cases[] = {
        {"28 bytes", MoBytes::Header(kMagic, 0, 28, 28, 28), false},
        {"29 bytes, no strings", MoBytes::Header(kMagic, 0, 28, 28, 29), true},
        {"magic of the other byte order", bigEndian, false},
        {"wrong magic", MoBytes::Header(0x12345678, 0, 28, 28, 40), false},
        {"source table past the end", MoBytes::Header(kMagic, 1, 64, 28, 64), false},
        {"translation table past the end", MoBytes::Header(kMagic, 1, 28, 60, 64), false},
        {"table ending one byte late", MoBytes::Header(kMagic, 2, 28, 28, 43), false},
        {"table ending at the end", MoBytes::Header(kMagic, 2, 28, 28, 44), true},
        // 0xFFFFFFF8 + 16 is 8 in 32 bits, and 8 * 0x20000000 is 0: both fit only when the sum wraps.
        {"table offset wrapping around", MoBytes::Header(kMagic, 2, 0xFFFFFFF8u, 28, 64), false},
        {"count wrapping the table size", MoBytes::Header(kMagic, 0x20000000u, 28, 28, 64), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Load(c.bytes), c.loads) << c.what;
}

TEST_F(MoFile, SkipsPairsWhoseStringsLieOutsideTheFile) {
    std::string bytes = MoBytes::Catalog({{"甲", "A"}, {"乙", "B"}, {"丙", "C"}, {"丁", "D"}});
    const uint32_t sourceTable = 28;
    const uint32_t translationTable = 28 + 8 * 4;
    const auto size = static_cast<uint32_t>(bytes.size());
    MoBytes::PutWord(bytes, translationTable + 8 * 0 + 4, size);    // starts one past the last byte
    MoBytes::PutWord(bytes, sourceTable + 8 * 1, 0x20);             // length 0x20 ...
    MoBytes::PutWord(bytes, sourceTable + 8 * 1 + 4, 0xFFFFFFF0u);  // ... wraps to 0x10 in 32 bits
    MoBytes::PutWord(bytes, translationTable + 8 * 2, size);        // ends past the file
    ASSERT_TRUE(Load(bytes));
    EXPECT_EQ(Answer(u"甲"), u"甲");
    EXPECT_EQ(Answer(u"乙"), u"乙");
    EXPECT_EQ(Answer(u"丙"), u"丙");
    EXPECT_EQ(Answer(u"丁"), u"D");
}

TEST_F(MoFile, TakesStringsUpToTheirFirstNulButNeverBeyondTheirLength) {
    std::string bytes = MoBytes::Catalog({{"甲", "AB"}, {"乙", std::string("C\0D", 3)}, {"丙", "EFGH"}});
    // The last string, made to end exactly at the file's end without a NUL.
    const uint32_t lastTranslation = 28 + 8 * 3 + 8 * 2;
    MoBytes::PutWord(bytes, lastTranslation, 4);
    MoBytes::PutWord(bytes, lastTranslation + 4, static_cast<uint32_t>(bytes.size() - 4));
    bytes.replace(bytes.size() - 4, 4, "WXYZ");
    // The first translation's length cut to one byte.
    MoBytes::PutWord(bytes, 28 + 8 * 3, 1);
    ASSERT_TRUE(Load(bytes));
    EXPECT_EQ(Answer(u"甲"), u"A");
    EXPECT_EQ(Answer(u"乙"), u"C");
    EXPECT_EQ(Answer(u"丙"), u"WXYZ");
}

TEST_F(MoFile, TheLaterOfTwoEqualSourceTextsWins) {
    ASSERT_TRUE(Load(MoBytes::Catalog({{"甲", "first"}, {"乙", "B"}, {"甲", "second"}})));
    EXPECT_EQ(Answer(u"甲"), u"second");
    EXPECT_EQ(Answer(u"乙"), u"B");
}

TEST_F(MoFile, InvalidUtf8BecomesReplacementCharacters) {
    ASSERT_TRUE(Load(MoBytes::Catalog({{"\xE8\x8A", "bad source"}, {"好", "ok \xFF"}})));
    EXPECT_EQ(Answer(u"\uFFFD"), u"bad source");
    EXPECT_EQ(Answer(u"好"), u"ok \uFFFD");
}

TEST_F(MoFile, RefusesEntriesThatOverlapToFillTheMemory) {
    // Every entry points at the same long string: a small file that would expand to many copies of itself.
    const std::string text(4000, 'x');
    std::string bytes = MoBytes::Catalog({{text, "t"}});
    const uint32_t count = 200;
    const uint32_t sourceTable = static_cast<uint32_t>(bytes.size());
    const uint32_t translationTable = sourceTable + 8 * count;
    for (uint32_t i = 0; i < count; ++i) {
        MoBytes::PutWord(bytes, sourceTable + 8 * i, 4000 - i);  // all different sources
        MoBytes::PutWord(bytes, sourceTable + 8 * i + 4, 28 + 16 + i);
        MoBytes::PutWord(bytes, translationTable + 8 * i, 1);
        MoBytes::PutWord(bytes, translationTable + 8 * i + 4, 28 + 16);
    }
    MoBytes::PutWord(bytes, 8, count);
    MoBytes::PutWord(bytes, 12, sourceTable);
    MoBytes::PutWord(bytes, 16, translationTable);
    EXPECT_FALSE(Load(bytes));
}

}  // namespace
