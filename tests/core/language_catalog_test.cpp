// The catalog mode and its binding at start-up, with the language files the build makes from en.po and zh.po.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "core/FileFilters.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "framework/MessageBox.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/core/LanguageFixture.h"

namespace {

using qx::testing::LanguageFixture;

constexpr char16_t kMissingCatalog[] = u"Language package not found!";

class LanguageCatalog : public LanguageFixture {
protected:
    void TearDown() override {
        ForgetLocale();
        LanguageFixture::TearDown();
    }

    // The program binds one locale for its whole run; a test that binds again lets go of the one before.
    void ForgetLocale() {
        if (m_locale != nullptr) m_locale->Destroy();
        m_locale = nullptr;
    }

    // The shipped files of the build, copied into this test's working directory.
    void InstallShippedLanguages() const {
        std::filesystem::create_directories(m_dir.Path() / "Languages");
        for (const char* name : {"zh.mo", "en.mo", "zh.ini", "en.ini"}) {
            std::filesystem::copy_file(std::filesystem::path(LANGUAGES_DIR) / name, m_dir.Path() / "Languages" / name);
        }
    }

    fw::HeadlessHost m_host;
    lexmira::wxLocale* m_locale = nullptr;
};

TEST_F(LanguageCatalog, EnglishCatalogTranslatesInCatalogMode) {
    InstallShippedLanguages();
    LoadLanguageCatalog(m_locale, 2);
    ASSERT_NE(m_locale, nullptr);
    EXPECT_TRUE(m_host.Boxes().empty());

    g_bCatalogTranslation = 1;
    EXPECT_EQ(TranslateText(u"未知错误！"), u"未知错误！") << "before SetLanguageFile every key stays";
    SetLanguageFile(1);
    EXPECT_EQ(TranslateText(u"未知错误！"), u"Unknown error!");
    EXPECT_EQ(StatusCodeToText(0xB002), u"B002: Parameter error!");
    EXPECT_EQ(TranslateText(u"目录里没有的文本"), u"目录里没有的文本");
    EXPECT_EQ(TranslateText(u""), u"");
}

TEST_F(LanguageCatalog, BothModesAnswerAlikeWithTheShippedFiles) {
    InstallShippedLanguages();
    const int32_t codes[] = {1, 14, 28, 0xB000, 0xB011, 0xB03B, 0xBBCC, 0xA000};
    std::map<int32_t, fw::Text> chinese;
    for (int english : {0, 1}) {
        ResetTranslation();
        ForgetLocale();
        LoadLanguageCatalog(m_locale, english == 1 ? 2 : 0);
        SetLanguageFile(english);
        for (int32_t code : codes) {
            g_bCatalogTranslation = 0;
            const fw::Text fromIni = StatusCodeToText(code);
            g_bCatalogTranslation = 1;
            EXPECT_EQ(StatusCodeToText(code), fromIni) << english << " " << code;
            if (english == 0) {
                chinese[code] = fromIni;
            } else {
                EXPECT_NE(fromIni, chinese[code]) << "English differs from Chinese for " << code;
            }
        }
    }
}

TEST_F(LanguageCatalog, ChineseCatalogAnswersTheChineseText) {
    InstallShippedLanguages();
    LoadLanguageCatalog(m_locale, 0);
    g_bCatalogTranslation = 1;
    SetLanguageFile(0);
    EXPECT_EQ(TranslateText(u"未知错误！"), u"未知错误！");
    EXPECT_EQ(StatusCodeToText(20), u"CRC值计算错误！");
}

TEST_F(LanguageCatalog, MissingCatalogShowsThePlainBoxAndKeepsTheLocale) {
    m_host.ExpectBox(kMissingCatalog, fw::IDOK);
    LoadLanguageCatalog(m_locale, 2);
    ASSERT_NE(m_locale, nullptr);
    EXPECT_EQ(wxGetLocale(), m_locale);
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes()[0].caption, fw::ApplicationTitle()) << "the framework's box, not the program's";
    EXPECT_TRUE(m_host.Boxes()[0].labels.empty());

    g_bCatalogTranslation = 1;
    SetLanguageFile(1);
    EXPECT_EQ(TranslateText(u"未知错误！"), u"未知错误！") << "no catalog: the keys are shown";
}

TEST_F(LanguageCatalog, UnknownLanguageNumberShowsThePlainBox) {
    InstallShippedLanguages();
    m_host.ExpectBox(kMissingCatalog, fw::IDOK);
    LoadLanguageCatalog(m_locale, 1);
    EXPECT_NE(m_locale, nullptr);
    EXPECT_EQ(m_locale->LanguageId(), 1);
    EXPECT_EQ(m_host.Boxes().size(), 1u);
}

TEST_F(LanguageCatalog, BrokenCatalogShowsThePlainBox) {
    m_dir.Write("Languages/en.mo", std::string(28, '\0'));
    m_host.ExpectBox(kMissingCatalog, fw::IDOK);
    LoadLanguageCatalog(m_locale, 2);
    EXPECT_NE(m_locale, nullptr);
    EXPECT_EQ(m_host.Boxes().size(), 1u);
}

// A first start without "Language.ini" translates through the INI file, which cannot hold texts of several lines,
// keys with blanks at their ends and the like; those come from the catalog of the same language.
TEST_F(LanguageCatalog, IniModeTakesWhatTheIniFileCannotHoldFromTheCatalog) {
    InstallShippedLanguages();
    const fw::Text l2Question = u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?";
    const fw::Text upgradeCaption = u" 正在升级固件，请勿关闭窗口... %d%%";
    struct Case {
        int english;
        fw::Text l2Answer;
        fw::Text captionAnswer;
    };
    const Case cases[] = {
        {1, u"This operation cannot be undone, proceed with care!\nContinue to enable read protection level L2?",
         u"Upgrading firmware, do not close... %d%%"},
        {0, l2Question, upgradeCaption},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.english);
        ResetTranslation();
        ForgetLocale();
        LoadLanguageCatalog(m_locale, c.english == 1 ? 2 : 0);
        SetLanguageFile(c.english);
        ASSERT_EQ(g_bCatalogTranslation, 0);
        EXPECT_EQ(TranslateText(l2Question), c.l2Answer);
        EXPECT_EQ(TranslateText(upgradeCaption), c.captionAnswer);
    }

    // What the file holds is still read from the file.
    WriteLanguageIni("en.ini", "未知错误！=Unknown error (from the INI file)\n");
    ResetTranslation();
    ForgetLocale();
    LoadLanguageCatalog(m_locale, 2);
    SetLanguageFile(1);
    EXPECT_EQ(TranslateText(u"未知错误！"), u"Unknown error (from the INI file)");
    EXPECT_EQ(TranslateText(l2Question), cases[0].l2Answer);
}

// The file types of the file dialogs are the program's texts too.
TEST_F(LanguageCatalog, FileDialogFiltersSpeakTheUserLanguage) {
    InstallShippedLanguages();
    struct Case {
        int english;
        int catalogMode;
        fw::Text projectFilter;
        fw::Text linkProject;
        fw::Text binOrEnc;
    };
    const fw::Text english = u"Bin files (*.bin)|*.bin|Hex files (*.hex)|*.hex|Enc files (*.enc)|*.enc|";
    const fw::Text chinese = u"Bin文件(*.bin)|*.bin|Hex文件(*.hex)|*.hex|Enc文件(*.enc)|*.enc|";
    const Case cases[] = {
        {1, 0, english + u"Download project files (*.dlpf)|*.dlpf||", u"Project files (*.ovpf)|*.ovpf|",
         u"Bin/Enc files (*.bin/*.enc)|*.bin;*.enc|"},
        {1, 1, english + u"Download project files (*.dlpf)|*.dlpf||", u"Project files (*.ovpf)|*.ovpf|",
         u"Bin/Enc files (*.bin/*.enc)|*.bin;*.enc|"},
        {0, 0, chinese + u"下载工程文件(*.dlpf)|*.dlpf||", u"项目文件(*.ovpf)|*.ovpf|",
         u"Bin/Enc文件(*.bin/*.enc)|*.bin;*.enc|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.english << " " << c.catalogMode);
        ResetTranslation();
        ForgetLocale();
        LoadLanguageCatalog(m_locale, c.english == 1 ? 2 : 0);
        SetLanguageFile(c.english);
        g_bCatalogTranslation = c.catalogMode;
        EXPECT_EQ(BuildProjectFileFilter(u""), c.projectFilter);
        EXPECT_EQ(LinkProjectFilesEntry(), c.linkProject);
        EXPECT_EQ(BinOrEncFilesEntry(), c.binOrEnc);
    }
}

}  // namespace
