#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ChipSeriesTable.h"
#include "core/ChipTableLine.h"
#include "framework/Files.h"
#include "tests/framework/TempFolder.h"

namespace {

struct LineCase {
    const char16_t* line;
    std::optional<ChipTableKey> key;
    const char16_t* value;
};

TEST(ChipTableLine, KeysBlanksCaseAndComments) {
    const LineCase cases[] = {
        {u"PageSize=0x800", ChipTableKey::PageSize, u"800"},
        {u" P a g e S i z e\t= 0 x 8 0 0 \t", ChipTableKey::PageSize, u"800"},
        {u"PAGESIZE=800", std::nullopt, u""},  // a number without 0x
        {u"CLASS = VK51x", ChipTableKey::Class, u"VK51X"},
        {u"ChipMark=vk517c8", ChipTableKey::ChipMark, u"VK517C8"},
        {u"FLASHSTARTADDR = 0X0800 0000", ChipTableKey::FlashStartAddr, u"08000000"},
        {u"SRAMSTARTADDR=0x20000000", ChipTableKey::SramStartAddr, u"20000000"},
        {u"FLASHSIZE=0x20000", ChipTableKey::FlashSize, u"20000"},
        {u"SRAMSIZE=0x5000", ChipTableKey::SramSize, u"5000"},
        {u"flmfile = VK51x.FLM", ChipTableKey::FlmFile, u"VK51X.FLM"},
        {u"FLMFILE=VK#51.FLM", std::nullopt, u""},  // a comment mark anywhere voids the line
        {u"CLASS=A;B", std::nullopt, u""},
        {u"CLASS=A//B", std::nullopt, u""},
        {u"// CLASS=A", std::nullopt, u""},
        {u"", std::nullopt, u""},
        {u" \t ", std::nullopt, u""},
        {u"[VK51x]", std::nullopt, u""},
        {u"CHIPMARK=CLASS=X", ChipTableKey::Class, u"RK=CLASS=X"},  // the CLASS test comes first
        {u"XPAGESIZE=0x10", ChipTableKey::PageSize, u"X10"},        // keys belong at the start of their line
    };
    for (const LineCase& c : cases) {
        const auto parsed = ParseChipTableLine(c.line);
        SCOPED_TRACE(fw::TextToUtf8(c.line));
        ASSERT_EQ(parsed.has_value(), c.key.has_value());
        if (!parsed) continue;
        EXPECT_EQ(parsed->key, *c.key);
        EXPECT_EQ(parsed->value, c.value);
    }
}

std::vector<fw::Text> Lines(std::initializer_list<const char16_t*> lines) { return {lines.begin(), lines.end()}; }

TEST(ChipSeriesTable, RowsStartAtClassLinesAndTakeTheLaterOfRepeatedKeys) {
    CChipSeriesTable table;
    table.ReadRows(Lines({u"PAGESIZE=0x400", u"CHIPMARK=ORPHAN", u"CLASS=VK517", u"CHIPMARK=A", u"CHIPMARK=B",
                          u"FLMFILE=VK51x.FLM", u"CLASS=VK515", u"SRAMSIZE=0x5000"}));
    ASSERT_EQ(table.m_rowCount, 2);
    EXPECT_EQ(table.m_rows[0].CLASS, u"VK517");
    EXPECT_EQ(table.m_rows[0].CHIPMARK, u"B");
    EXPECT_EQ(table.m_rows[0].FLMFILE, u"VK51X.FLM");
    EXPECT_EQ(table.m_rows[0].PAGESIZE, u"");  // the key line before the first row belongs to no row
    EXPECT_EQ(table.m_rows[1].CLASS, u"VK515");
    EXPECT_EQ(table.m_rows[1].SRAMSIZE, u"5000");
    EXPECT_EQ(table.m_rows[1].PAGESIZE, u"");
    EXPECT_EQ(table.m_rows[2].CLASS, u"");
}

TEST(ChipSeriesTable, HoldsAtMost2048RowsAndLaterRowsChangeNothing) {
    std::vector<fw::Text> lines;
    for (int i = 0; i < CChipSeriesTable::kMaxRows + 3; ++i) {
        lines.push_back(u"CLASS=R" + fw::Utf8ToText(std::to_string(i)));
        lines.push_back(u"CHIPMARK=M" + fw::Utf8ToText(std::to_string(i)));
    }
    CChipSeriesTable table;
    table.ReadRows(lines);
    EXPECT_EQ(table.m_rowCount, 2048);
    EXPECT_EQ(table.m_rows.size(), 2048u);
    EXPECT_EQ(table.m_rows[2047].CLASS, u"R2047");
    EXPECT_EQ(table.m_rows[2047].CHIPMARK, u"M2047");
}

class ChipSeriesTableFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldDir = fw::GetWorkingDirectory();
        ASSERT_TRUE(fw::SetWorkingDirectory(m_dir.Wide()));
    }
    void TearDown() override { fw::SetWorkingDirectory(m_oldDir); }

    fw::testing::TempFolder m_dir;
    fw::Text m_oldDir;
    std::vector<fw::Text> m_boxes;
    CChipSeriesTable m_table{[this](const fw::Text& text) { m_boxes.push_back(text); }};
};

TEST_F(ChipSeriesTableFile, LoadReadsTheWorkingDirectorysTableAndEmptiesRowsItNoLongerHas) {
    m_dir.Write("Series CFG Table.ini", "CLASS=A\r\nPAGESIZE = 0x800\r\nCLASS=B\r\nCLASS=C\r\n");
    ASSERT_EQ(m_table.Load(), 1);
    EXPECT_EQ(m_table.m_rowCount, 3);
    EXPECT_EQ(m_table.m_rows[0].PAGESIZE, u"800");

    m_dir.Write("Series CFG Table.ini", "CLASS=Z\n");
    ASSERT_EQ(m_table.Load(), 1);
    EXPECT_EQ(m_table.m_rowCount, 1);
    EXPECT_EQ(m_table.m_rows[0].CLASS, u"Z");
    EXPECT_EQ(m_table.m_rows[0].PAGESIZE, u"");
    EXPECT_EQ(m_table.m_rows[1].CLASS, u"");
    EXPECT_EQ(m_table.m_rows[2].CLASS, u"");

    m_dir.Write("Series CFG Table.ini", "");
    EXPECT_EQ(m_table.Load(), 1);
    EXPECT_EQ(m_table.m_rowCount, 0);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(ChipSeriesTableFile, MissingFileShowsItsMessageAndLeavesAnEmptyTable) {
    m_dir.Write("Series CFG Table.ini", "CLASS=A\n");
    ASSERT_EQ(m_table.Load(), 1);
    std::filesystem::remove(m_dir.Path() / "Series CFG Table.ini");
    EXPECT_EQ(m_table.Load(), 0);
    EXPECT_EQ(m_table.m_rowCount, 0);
    EXPECT_EQ(m_table.m_rows[0].CLASS, u"");
    EXPECT_EQ(m_boxes, std::vector<fw::Text>{u"Series CFG Table 配置文件打开失败！"});
}

}  // namespace
