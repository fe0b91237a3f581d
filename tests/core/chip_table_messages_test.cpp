// Without a callback of its own the table shows its messages translated, in the program's message box.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/ChipSeriesTable.h"
#include "core/MessageBoxEx.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/core/LanguageFixture.h"

namespace {

class ChipTableMessages : public qx::testing::LanguageFixture {
protected:
    void TearDown() override {
        g_bEnglishUi = 0;
        LanguageFixture::TearDown();
    }

    fw::HeadlessHost m_host;
};

TEST_F(ChipTableMessages, ShowTheProgramsBoxInTheInterfaceLanguage) {
    std::filesystem::create_directories(m_dir.Path() / "Languages");
    std::filesystem::copy_file(std::filesystem::path(LANGUAGES_DIR) / "en.ini", m_dir.Path() / "Languages" / "en.ini");
    SetLanguageFile(1);
    g_bEnglishUi = 1;

    CChipSeriesTable table;
    m_host.ExpectBox(u"Failed to open the Series CFG Table configuration file!", fw::IDOK);
    EXPECT_EQ(table.Load(), 0);

    table.ReadRows({u"CLASS=VK51X", u"PAGESIZE=0x800"});
    m_host.ExpectBox(u"Not an ELF file, or the file is damaged", fw::IDOK);
    const std::vector<uint8_t> text = {'C', 'L', 'A', 'S', 'S', '=', 'A'};
    EXPECT_EQ(table.LoadFlmImage(text, 0), 0);
    m_host.ExpectBox(u"Invalid ELF file", fw::IDOK);
    const std::vector<uint8_t> elf64 = {0x7F, 'E', 'L', 'F', 2, 1, 1, 0};
    EXPECT_EQ(table.LoadFlmImage(elf64, 0), 0);

    ASSERT_EQ(m_host.Boxes().size(), 3u);
    for (const auto& box : m_host.Boxes()) {
        EXPECT_EQ(box.caption, u"Tip");
        EXPECT_EQ(box.style, 0u);
    }
}

}  // namespace
