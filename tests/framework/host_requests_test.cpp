#include <gtest/gtest.h>

#include "framework/Host.h"

namespace {

using namespace fw;

TEST(MessageBoxStyle, ButtonsDefaultAndCloseAnswerFollowTheStyle) {
    struct Case {
        uint32_t style;
        std::vector<int> buttons;
        int defaultButton;
        int closeAnswer;
    };
    const Case cases[] = {
        {0, {IDOK}, IDOK, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, {IDOK, IDCANCEL}, IDOK, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO, 0},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, {IDYES, IDNO, IDCANCEL}, IDCANCEL, IDCANCEL},
        {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, IDABORT, 0},
        {MB_RETRYCANCEL | MB_DEFBUTTON3, {IDRETRY, IDCANCEL}, IDCANCEL, IDCANCEL},  // clamped to the last
        {0x0F, {IDOK}, IDOK, IDOK},  // unknown button type shows OK
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        EXPECT_EQ(MessageBoxButtons(c.style), c.buttons);
        EXPECT_EQ(MessageBoxDefaultButton(c.style), c.defaultButton);
        EXPECT_EQ(MessageBoxCloseAnswer(c.style), c.closeAnswer);
    }
}

TEST(FileFilter, SplitsLabelsAndPatterns) {
    auto filters = ParseFileFilter(u"Hex files (*.hex)|*.hex|All (*.bin;*.hex)|*.bin; *.hex|All files (*.*)|*.*||");
    ASSERT_EQ(filters.size(), 3u);
    EXPECT_EQ(filters[0].label, u"Hex files (*.hex)");
    EXPECT_EQ(filters[0].patterns, std::vector<Text>{u"*.hex"});
    EXPECT_EQ(filters[1].patterns, (std::vector<Text>{u"*.bin", u"*.hex"}));
    EXPECT_EQ(filters[2].patterns, std::vector<Text>{u"*.*"});
}

TEST(FileFilter, ToleratesMissingTerminatorAndDanglingLabel) {
    EXPECT_EQ(ParseFileFilter(u"Bin|*.bin").size(), 1u);
    EXPECT_EQ(ParseFileFilter(u"Bin|*.bin|Dangling").size(), 1u);
    EXPECT_TRUE(ParseFileFilter(u"").empty());
    EXPECT_TRUE(ParseFileFilter(u"||").empty());
    EXPECT_TRUE(ParseFileFilter(u"Label only||").empty());
}

}  // namespace
