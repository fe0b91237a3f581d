#include "framework/Profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "framework/Files.h"
#include "tests/framework/TempFolder.h"
#include "tests/framework/TestSupport.h"

namespace fw {
namespace {

using fw::testing::Eventually;
using fw::testing::ScopedEnv;
using fw::testing::TempFolder;

TEST(Profile, FolderFollowsXdgConfigHomeThenHome) {
    SetProfileFolder(u"");
    TempFolder dir;
    {
        ScopedEnv config("XDG_CONFIG_HOME", dir.Os("cfg").c_str());
        EXPECT_EQ(TextToUtf8(GetProfilePath()), dir.Os("cfg") + "/QXDownloadTool/QXDownloadTool.ini");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative/ignored");
        ScopedEnv home("HOME", dir.Os("home").c_str());
        EXPECT_EQ(TextToUtf8(GetProfileFolder()), dir.Os("home") + "/.config/QXDownloadTool");
    }
}

TEST(Profile, ValuesRoundTripAndCreateTheFolder) {
    TempFolder dir;
    SetProfileFolder(dir.Wide("nested/QXDownloadTool"));
    EXPECT_EQ(GetProfileString(u"Settings", u"UCID", u"none"), u"none");
    EXPECT_EQ(GetProfileInt(u"Settings", u"X", -1), -1);
    ASSERT_TRUE(WriteProfileString(u"Settings", u"UCID", u"0123456789ABCDEF"));
    ASSERT_TRUE(WriteProfileInt(u"Settings", u"X", -20));
    ASSERT_TRUE(WriteProfileInt(u"Settings", u"mode", 1));
    EXPECT_EQ(GetProfileString(u"settings", u"ucid"), u"0123456789ABCDEF");
    EXPECT_EQ(GetProfileInt(u"Settings", u"X", -1), -20);
    EXPECT_EQ(GetProfileInt(u"Settings", u"mode", 0), 1);
    // Long values come back whole: the profile has no buffer to cut them to.
    const Text longKey(600, u'A');
    ASSERT_TRUE(WriteProfileString(u"Settings", u"Key5", longKey));
    EXPECT_EQ(GetProfileString(u"Settings", u"Key5"), longKey);
    EXPECT_TRUE(FileExists(dir.Wide("nested/QXDownloadTool/QXDownloadTool.ini")));
    SetProfileFolder(u"");
}

}  // namespace
}  // namespace fw
