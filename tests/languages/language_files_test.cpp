// The INI files are made from the compiled catalogs: whatever the INI mode answers, the catalog mode answers too,
// and a text the INI format cannot hold falls back to the Chinese text rather than to a wrong one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "devicelib/LastErrorTexts.h"
#include "framework/Ini.h"
#include "framework/Text.h"
#include "lexmira/Lexmira.h"
#include "lexmira/MsgCatalogFile.h"

namespace {

// What the program's INI lookup answers: section "dlparam", the key as its own default, a 260-character buffer.
fw::Text IniAnswer(const std::string& iniPath, const fw::Text& key) {
    return fw::GetPrivateProfileString(u"dlparam", key, key, 260, fw::Utf8ToText(iniPath));
}

TEST(LanguageIni, HoldsEveryTextTheFormatCanHoldAndNothingWrong) {
    const std::string ini = SAMPLE_INI;
    struct Case {
        const char16_t* key;
        const char16_t* answer;
    };
    const Case cases[] = {
        {u"请先连接设备！", u"Please connect a device first!"},
        {u"芯片型号:", u"Chip model:"},
        {u"比较", u"a=b; c"},
        {u"后缀", u" suffix "},
        {u"引号", u"\"quoted\""},
        {u"一个文件", u"one file"},
        // Left out, so the INI mode shows the Chinese text.
        {u"第一行\n第二行", u"第一行\n第二行"},
        {u"地址=%08X", u"地址=%08X"},
        {u"[提示]", u"[提示]"},
        {u";注释", u";注释"},
        {u"名称 ", u"名称 "},
        {u"值", u"值"},
        {u"打开", u"打开"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IniAnswer(ini, c.key), c.answer) << fw::TextToUtf8(c.key);
}

// The shipped files: every text of a language's catalog is answered alike by its INI file, unless the INI format
// cannot hold it (then the INI mode shows the Chinese text).
TEST(LanguageFiles, TheIniModeAnswersAsTheCatalogModeDoes) {
    for (const char* lang : {"zh", "en"}) {
        const std::string folder = std::string(LANGUAGES_DIR) + "/";
        lexmira::wxLocale* locale = CreateObject(0);
        ASSERT_TRUE(locale->LoadCatalog(fw::Utf8ToText(folder + lang + ".mo").c_str())) << lang;

        lexmira::wxMsgCatalogFile catalog;
        ASSERT_TRUE(catalog.ReadWholeFile(fw::Utf8ToText(folder + lang + ".mo")) && catalog.Open());
        catalog.ForEachPair([&](std::string_view source, std::string_view) {
            if (source.empty()) return;  // the header
            const fw::Text key = fw::Utf8ToText(source);
            const fw::Text fromIni = IniAnswer(folder + lang + ".ini", key);
            if (fromIni != key) {
                EXPECT_EQ(fromIni, locale->Translate(key.c_str())) << lang << ": " << source;
            }
        });
        locale->Destroy();
    }
}

// The program shows the device library's last-error texts through TranslateText: each has its English in both
// of the English language files, and the Chinese files answer it unchanged.
TEST(LanguageFiles, EveryTextOfTheDeviceLibraryIsTranslated) {
    const std::string folder = std::string(LANGUAGES_DIR) + "/";
    lexmira::wxLocale* english = CreateObject(0);
    ASSERT_TRUE(english->LoadCatalog(fw::Utf8ToText(folder + "en.mo").c_str()));
    lexmira::wxLocale* chinese = CreateObject(0);
    ASSERT_TRUE(chinese->LoadCatalog(fw::Utf8ToText(folder + "zh.mo").c_str()));
    for (const std::u16string_view text : ovsim::kLastErrorTexts) {
        const fw::Text key(text);
        SCOPED_TRACE(fw::TextToUtf8(key));
        const fw::Text translation = english->Translate(key.c_str());
        EXPECT_NE(translation, key);
        EXPECT_TRUE(std::all_of(translation.begin(), translation.end(), [](char16_t c) { return c < 0x80; }))
            << fw::TextToUtf8(translation);
        EXPECT_EQ(IniAnswer(folder + "en.ini", key), translation);
        EXPECT_EQ(fw::Text(chinese->Translate(key.c_str())), key);
        EXPECT_EQ(IniAnswer(folder + "zh.ini", key), key);
    }
    chinese->Destroy();
    english->Destroy();
}

}  // namespace
