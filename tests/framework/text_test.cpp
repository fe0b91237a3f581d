#include "framework/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace fw {
namespace {

TEST(Text, AccessorsClampOutOfRangeArguments) {
    const Text s = u"ABCDEF";
    EXPECT_EQ(Mid(s, 2), u"CDEF");
    EXPECT_EQ(Mid(s, 2, 2), u"CD");
    EXPECT_EQ(Mid(s, -3, 2), u"AB");
    EXPECT_EQ(Mid(s, 4, 100), u"EF");
    EXPECT_EQ(Mid(s, 10), u"");
    EXPECT_EQ(Mid(s, 1, -1), u"");
    EXPECT_EQ(Left(s, 3), u"ABC");
    EXPECT_EQ(Left(s, 99), s);
    EXPECT_EQ(Left(s, -1), u"");
    EXPECT_EQ(Right(s, 2), u"EF");
    EXPECT_EQ(Right(s, 99), s);
    EXPECT_EQ(Right(s, -2), u"");
}

TEST(Text, FindAndReverseFind) {
    const Text s = u"FLM\\VK51x.FLM";
    EXPECT_EQ(Find(s, u"FLM"), 0);
    EXPECT_EQ(Find(s, u"FLM", 1), 10);
    EXPECT_EQ(Find(s, u'.'), 9);
    EXPECT_EQ(Find(s, u"none"), -1);
    EXPECT_EQ(Find(s, u"FLM", 99), -1);
    EXPECT_EQ(Find(s, u"FLM", -1), -1);
    EXPECT_EQ(ReverseFind(s, u'\\'), 3);
    EXPECT_EQ(ReverseFind(s, u'/'), -1);
}

TEST(Text, ReplaceRemoveAndCount) {
    Text s = u"a b  c";
    EXPECT_EQ(Remove(s, u' '), 3);
    EXPECT_EQ(s, u"abc");

    Text path = u"Languages\\en.ini";
    EXPECT_EQ(Replace(path, u'\\', u'/'), 1);
    EXPECT_EQ(path, u"Languages/en.ini");

    Text t = u"aaa";
    EXPECT_EQ(Replace(t, u"aa", u"b"), 1);  // non-overlapping, left to right
    EXPECT_EQ(t, u"ba");
    EXPECT_EQ(Replace(t, u"", u"x"), 0);
    EXPECT_EQ(t, u"ba");
}

TEST(Text, TrimRemovesWhiteSpaceOrOneCharacter) {
    struct Case {
        Text in, both, left, right;
    };
    const Case cases[] = {
        {u" \t a b \r\n", u"a b", u"a b \r\n", u" \t a b"},
        {u"", u"", u"", u""},
        {u" \t ", u"", u"", u""},
        {u"x", u"x", u"x", u"x"},
    };
    for (const auto& c : cases) {
        Text both = c.in, left = c.in, right = c.in;
        EXPECT_EQ(Trim(both), c.both);
        EXPECT_EQ(TrimLeft(left), c.left);
        EXPECT_EQ(TrimRight(right), c.right);
    }
    Text quoted = u"\"\"value\"";
    EXPECT_EQ(Trim(quoted, u'"'), u"value");
}

TEST(Text, CaseChangesOnlyAsciiLetters) {
    Text s = u"abc-XYZ-é-中";
    EXPECT_EQ(MakeUpper(s), u"ABC-XYZ-é-中");
    EXPECT_EQ(MakeLower(s), u"abc-xyz-é-中");
    EXPECT_EQ(CompareNoCase(u"vk51x.flm", u"VK51X.FLM"), 0);
    EXPECT_LT(CompareNoCase(u"abc", u"ABD"), 0);
    EXPECT_GT(CompareNoCase(u"abcd", u"ABC"), 0);
    EXPECT_TRUE(EqualsNoCase(u"Settings", u"SETTINGS"));
    EXPECT_FALSE(EqualsNoCase(u"Setting", u"SETTINGS"));
}

TEST(Text, Utf8RoundTripKeepsEveryPlane) {
    const Text samples[] = {u"", u"USART", u"请先连接设备！", u"\U0001F600 emoji", Text(1, u'\0') + u"nul inside"};
    for (const auto& s : samples) {
        EXPECT_EQ(Utf8ToText(TextToUtf8(s)), s);
    }
    EXPECT_EQ(TextToUtf8(u"中"), std::string("\xE4\xB8\xAD"));
}

TEST(Text, MalformedInputBecomesReplacementCharacter) {
    struct Case {
        std::string utf8;
        Text expected;
    };
    const Case cases[] = {
        {"\xFF", u"\uFFFD"},                       // never a lead byte
        {"a\x80" "b", u"a\uFFFDb"},                // stray continuation
        {"\xE4\xB8", u"\uFFFD"},                   // truncated at the end
        {"\xE4\xB8" "A", u"\uFFFDA"},              // truncated before ASCII: the ASCII survives
        {"\xC0\xAF", u"\uFFFD\uFFFD"},             // overlong encodings are refused
        {"\xED\xA0\x80", u"\uFFFD"},               // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},           // past U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToText(c.utf8), c.expected) << testing::PrintToString(c.utf8);
    }
    EXPECT_EQ(TextToUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(TextToUtf8(Text{char16_t(0xDC00), u'x'}), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace fw
