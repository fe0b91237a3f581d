#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/FileServices.h"
#include "core/Translation.h"
#include "tests/core/LanguageFixture.h"

namespace {

using qx::testing::LanguageFixture;

class TranslateTextIni : public LanguageFixture {};

TEST_F(TranslateTextIni, SetLanguageFilePicksTheFileInTheWorkingDirectory) {
    struct Case {
        int english;
        const char16_t* file;
    };
    for (const Case& c : {Case{1, u"/Languages/en.ini"}, Case{0, u"/Languages/zh.ini"}, Case{2, u"/Languages/zh.ini"},
                          Case{-1, u"/Languages/zh.ini"}}) {
        SetLanguageFile(c.english);
        EXPECT_EQ(g_strLanguageIniPath, GetCurrentDir() + c.file) << c.english;
    }
}

TEST_F(TranslateTextIni, AnswersTheKeyBeforeSetLanguageFileInBothModes) {
    WriteLanguageIni("en.ini", "进度=Progress\n");
    for (int mode : {0, 1}) {
        g_bCatalogTranslation = mode;
        EXPECT_EQ(TranslateText(u"进度"), u"进度") << mode;
    }
}

TEST_F(TranslateTextIni, LooksTheKeyUpInTheLanguageFile) {
    WriteLanguageIni("en.ini",
                     "进度=Progress\n"
                     "未知错误！=Unknown error!\n"
                     "空=\n"
                     "芯片型号:=Chip model:\n");
    SetLanguageFile(1);
    EXPECT_EQ(TranslateText(u"进度"), u"Progress");
    EXPECT_EQ(TranslateText(u"未知错误！"), u"Unknown error!");
    EXPECT_EQ(TranslateText(u"空"), u"") << "an empty value is the translation";
    EXPECT_EQ(TranslateText(u"没有的文本"), u"没有的文本") << "a missing key is answered unchanged";
    EXPECT_EQ(TranslateText(u""), u"");
    EXPECT_EQ(TranslateText(u"芯片型号:") + u"VK32F401", u"Chip model:VK32F401");

    SetLanguageFile(0);  // no zh.ini: everything stays Chinese
    EXPECT_EQ(TranslateText(u"进度"), u"进度");
}

TEST_F(TranslateTextIni, WithoutLanguagesFolderEveryTextStaysChinese) {
    SetLanguageFile(1);
    EXPECT_EQ(TranslateText(u"未知错误！"), u"未知错误！");
    EXPECT_EQ(TranslateText(u""), u"");
}

TEST_F(TranslateTextIni, CutsValuesAndKeysTo259Characters) {
    const std::string longValue(300, 'v');
    WriteLanguageIni("en.ini", "长=" + longValue + "\n");
    SetLanguageFile(1);
    EXPECT_EQ(TranslateText(u"长"), fw::Text(259, u'v'));

    const fw::Text longKey(300, u'键');
    EXPECT_EQ(TranslateText(longKey), fw::Text(259, u'键'));
}

TEST_F(TranslateTextIni, ReadsTheFileAnewForEveryLookup) {
    WriteLanguageIni("en.ini", "进度=Progress\n");
    SetLanguageFile(1);
    EXPECT_EQ(TranslateText(u"进度"), u"Progress");
    WriteLanguageIni("en.ini", "进度=Progress bar\n");
    EXPECT_EQ(TranslateText(u"进度"), u"Progress bar");
}

TEST_F(TranslateTextIni, WorkersTranslateAtTheSameTime) {
    WriteLanguageIni("en.ini", "进度=Progress\n未知错误！=Unknown error!\n");
    SetLanguageFile(1);
    std::vector<std::thread> workers;
    std::vector<int> wrong(8, 0);
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([t, &wrong] {
            for (int i = 0; i < 200; ++i) {
                const bool even = (i + t) % 2 == 0;
                const fw::Text answer = TranslateText(even ? u"进度" : u"未知错误！");
                if (answer != (even ? u"Progress" : u"Unknown error!")) ++wrong[t];
            }
        });
    }
    for (std::thread& w : workers)
        w.join();
    EXPECT_EQ(wrong, std::vector<int>(8, 0));
}

}  // namespace
