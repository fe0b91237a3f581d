#include <gtest/gtest.h>

#include "app/InterfaceSpeeds.h"

namespace {

TEST(SpeedListOf, UsartSelectsTheSavedBaudOr115200) {
    const SpeedList nine = SpeedListOf(kIfaceUsart, 9600);
    ASSERT_EQ(nine.entries.size(), 20u);
    EXPECT_EQ(nine.entries[nine.selection], u"9600");
    const SpeedList odd = SpeedListOf(kIfaceUsart, 12345);
    EXPECT_EQ(odd.entries[odd.selection], u"115200");
    EXPECT_TRUE(odd.baudLabel);
}

TEST(SpeedListOf, OtherInterfaces) {
    EXPECT_TRUE(SpeedListOf(kIfaceUsbDfu, 0).entries.empty());
    EXPECT_TRUE(SpeedListOf(kIfaceOfflineLink, 0).entries.empty());
    const SpeedList jlink = SpeedListOf(kIfaceSwdJlink, 0);
    EXPECT_EQ(jlink.entries[jlink.selection], u"1000kHz");
    const SpeedList dap = SpeedListOf(kIfaceSwdCmsisDap, 0);
    EXPECT_EQ(dap.entries[dap.selection], u"1MHz");
    const SpeedList i2c = SpeedListOf(kIfaceI2c, 0);
    EXPECT_EQ(i2c.entries, (std::vector<fw::Text>{u"100k", u"200k", u"400k"}));
    EXPECT_EQ(i2c.entries[i2c.selection], u"400k");
    EXPECT_FALSE(i2c.baudLabel);
}

TEST(SpeedArgument, Table) {
    struct Case {
        InterfaceIndex iface;
        const char16_t* text;
        int selection;
        uint32_t expected;
    };
    const Case cases[] = {
        {kIfaceUsart, u"115200", 7, 115200},     {kIfaceUsart, u"4500000", 19, 4500000},
        {kIfaceUsbDfu, u"", -1, 0},              {kIfaceSwdJlink, u"4000kHz", 3, 4000},
        {kIfaceSwdJlink, u"500kHz", 0, 500},     {kIfaceSwdCmsisDap, u"2MHz", 2, 2000000},
        {kIfaceSwdCmsisDap, u"500kHz", 0, 500000}, {kIfaceSwdCmsisDap, u"1MHz", 1, 1000000},
        {kIfaceI2c, u"200k", 1, 1},              {kIfaceI2c, u"", -1, 0},
        {kIfaceSwdJlink, u"Hz", 0, 0},           {kIfaceUsart, u"99999999999", 0, UINT32_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SpeedArgument(c.iface, c.text, c.selection), c.expected) << int(c.iface) << " " << fw::TextToUtf8(c.text);
    }
}

TEST(InterfaceSets, MutexAndSwd) {
    EXPECT_EQ(InterfaceNames().size(), 5u);
    for (InterfaceIndex i : {0, 1, 3, 5}) EXPECT_TRUE(UsesDeviceMutexOnConnect(i)) << int(i);
    for (InterfaceIndex i : {2, 4}) EXPECT_FALSE(UsesDeviceMutexOnConnect(i)) << int(i);
    EXPECT_TRUE(IsSwd(2));
    EXPECT_TRUE(IsSwd(3));
    EXPECT_FALSE(IsSwd(5));
}

}  // namespace
