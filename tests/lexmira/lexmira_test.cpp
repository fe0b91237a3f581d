// The library through its C exports, with catalogs made by msgfmt from fixtures/*.po and with hand-made files.
#include "lexmira/Lexmira.h"

#include <gtest/gtest.h>

#include <string>

#include "MoBytes.h"
#include "framework/Text.h"
#include "tests/framework/TempFolder.h"

namespace {

using fw::testing::TempFolder;

std::u16string Fixture(const char* name) { return fw::Utf8ToText(std::string(LEXMIRA_FIXTURE_DIR "/") + name); }

std::u16string Answer(const char16_t* text) {
    const char16_t* answer = wxGetTranslation(text);
    return answer == nullptr ? u"<null>" : std::u16string(answer);
}

// Every test leaves no current locale behind, as a fresh process has none.
class Lexmira : public ::testing::Test {
protected:
    void TearDown() override {
        while (lexmira::wxLocale* locale = wxGetLocale())
            locale->Destroy();
    }
};

TEST_F(Lexmira, WithoutALocaleEveryTextAnswersItself) {
    ASSERT_EQ(wxGetLocale(), nullptr);
    const char16_t* text = u"请先连接设备！";
    EXPECT_EQ(wxGetTranslation(text), text);
    EXPECT_EQ(wxGetTranslation(nullptr), nullptr);
}

TEST_F(Lexmira, AnswersTheTranslationsOfAMsgfmtCatalog) {
    lexmira::wxLocale* locale = CreateObject(2);
    ASSERT_NE(locale, nullptr);
    EXPECT_EQ(wxGetLocale(), locale);
    EXPECT_EQ(locale->LanguageId(), 2);
    ASSERT_TRUE(locale->LoadCatalog(Fixture("basic.mo").c_str()));

    struct Case {
        const char16_t* key;
        const char16_t* answer;
    };
    const Case cases[] = {
        {u"请先连接设备！", u"Please connect a device first!"},
        {u"芯片型号:", u"Chip model:"},
        {u"已擦除 %d 页", u"%d pages erased"},
        {u"第一行\n第二行", u"First line\nsecond line"},
        {u"扩展平面 𝄞 字符", u"Supplementary plane 𝄞 character"},
        // A plural entry: found by its singular text, answering the first form.
        {u"一个文件", u"one file"},
        {u"%d 个文件", u"%d 个文件"},
        // The context entry is stored under context + EOT + text; the bare text is its own entry.
        {u"打开", u"Open"},
        {u"菜单\u0004打开", u"Open (menu)"},
        // msgfmt leaves out untranslated and fuzzy entries.
        {u"未翻译", u"未翻译"},
        {u"模糊", u"模糊"},
        // Exact match only: no trimming, no case folding.
        {u"芯片型号: ", u"芯片型号: "},
        {u"芯片型号", u"芯片型号"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Answer(c.key), c.answer) << fw::TextToUtf8(c.key);
        EXPECT_EQ(std::u16string(locale->Translate(c.key)), c.answer);
    }
    // The header entry sits under the empty text, as in any MO file.
    EXPECT_NE(Answer(u"").find(u"Content-Type: text/plain; charset=UTF-8"), std::u16string::npos);
    EXPECT_EQ(locale->Translate(nullptr), nullptr);
}

TEST_F(Lexmira, AnUntranslatedTextAnswersTheVeryPointerItWasGiven) {
    lexmira::wxLocale* locale = CreateObject(0);
    ASSERT_TRUE(locale->LoadCatalog(Fixture("basic.mo").c_str()));
    const char16_t* text = u"没有这条";
    EXPECT_EQ(wxGetTranslation(text), text);
    // A translated text answers a pointer into the catalog, stable across calls.
    EXPECT_EQ(wxGetTranslation(u"芯片型号:"), wxGetTranslation(u"芯片型号:"));
}

TEST_F(Lexmira, TheCatalogLoadedLastWins) {
    lexmira::wxLocale* locale = CreateObject(2);
    ASSERT_TRUE(locale->LoadCatalog(Fixture("basic.mo").c_str()));
    ASSERT_TRUE(locale->LoadCatalog(Fixture("newer.mo").c_str()));
    EXPECT_EQ(Answer(u"请先连接设备！"), u"Connect a device first, please!");
    EXPECT_EQ(Answer(u"仅在新目录"), u"Only in the newer catalog");
    EXPECT_EQ(Answer(u"芯片型号:"), u"Chip model:");  // the older catalog still answers what only it holds
}

TEST_F(Lexmira, TheLocaleCreatedLastIsCurrentUntilItIsDestroyed) {
    lexmira::wxLocale* english = CreateObject(2);
    ASSERT_TRUE(english->LoadCatalog(Fixture("basic.mo").c_str()));
    lexmira::wxLocale* chinese = CreateObject(0);
    EXPECT_EQ(wxGetLocale(), chinese);
    EXPECT_EQ(Answer(u"芯片型号:"), u"芯片型号:");
    chinese->Destroy();
    // Destroying the current locale leaves none; the older one is not made current again.
    EXPECT_EQ(wxGetLocale(), nullptr);
    const char16_t* text = u"芯片型号:";
    EXPECT_EQ(wxGetTranslation(text), text);
    EXPECT_EQ(std::u16string(english->Translate(text)), u"Chip model:");
    english->Destroy();
}

TEST_F(Lexmira, AFailedLoadLeavesTheLocaleAsItWas) {
    TempFolder folder;
    folder.Write("empty.mo", "");
    folder.Write("text.mo", "msgid \"a\"\nmsgstr \"b\"\n");
    std::filesystem::create_directories(folder.Path() / "folder.mo");
    lexmira::wxLocale* locale = CreateObject(2);
    ASSERT_TRUE(locale->LoadCatalog(Fixture("basic.mo").c_str()));
    for (const char* name : {"missing.mo", "empty.mo", "text.mo", "folder.mo"}) {
        EXPECT_FALSE(locale->LoadCatalog(folder.Wide(name).c_str())) << name;
    }
    EXPECT_FALSE(locale->LoadCatalog(u""));
    EXPECT_FALSE(locale->LoadCatalog(nullptr));
    EXPECT_EQ(Answer(u"芯片型号:"), u"Chip model:");
}

TEST_F(Lexmira, ARelativePathResolvesAgainstTheWorkingDirectory) {
    TempFolder folder;
    folder.Write("Languages/en.mo", MoBytes::Catalog({{"芯片型号:", "Chip model:"}}));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    lexmira::wxLocale* locale = CreateObject(2);
    const bool slash = locale->LoadCatalog(u"Languages/en.mo");
    const bool backslash = locale->LoadCatalog(u"Languages\\en.mo");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(slash);
    EXPECT_TRUE(backslash);
    EXPECT_EQ(Answer(u"芯片型号:"), u"Chip model:");
}

}  // namespace
