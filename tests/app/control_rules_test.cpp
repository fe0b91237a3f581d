#include <gtest/gtest.h>

#include <map>

#include "app/ControlRules.h"
#include "resources/ui/resource.h"

namespace {

// The last action per control wins, as applying them in order does.
std::map<int, ControlAction> Final(const std::vector<ControlAction>& actions) {
    std::map<int, ControlAction> m;
    for (const auto& a : actions) m[a.id] = a;
    return m;
}

TEST(ChipInfoControlRules, BySeriesAndArea) {
    {
        const auto r = ChipInfoControlRules(10, 0, false);  // series 10 outside FLASH: no erase, no protection
        const auto m = Final(r.actions);
        EXPECT_FALSE(m.at(IDC_COMBO_ERASE_MODE).enabled);
        EXPECT_TRUE(m.at(IDC_CHECK_FRONT_PAGE).untick);
        EXPECT_FALSE(m.at(IDC_CHECK_L2_AFTER).enabled);
        EXPECT_TRUE(m.at(IDC_CHECK_L2_AFTER).untick);
        EXPECT_EQ(m.count(IDC_CHECK_CRC), 0u);  // left alone
    }
    {
        const auto m = Final(ChipInfoControlRules(10, 3, true).actions);  // V1.0 on FLASH: protection allowed
        EXPECT_FALSE(m.at(IDC_COMBO_ERASE_MODE).enabled);
        EXPECT_TRUE(m.at(IDC_CHECK_UNLOCK_L1_BEFORE).enabled);
    }
    {
        const auto r = ChipInfoControlRules(12, 1, false);  // SRAM of series 12: no erase at all
        EXPECT_EQ(r.eraseModeSelection, 2);
        const auto m = Final(r.actions);
        EXPECT_FALSE(m.at(IDC_CHECK_CRC).enabled);
        EXPECT_TRUE(m.at(IDC_CHECK_L1_AFTER).untick);
    }
    for (auto [series, area] : {std::pair{10, 3}, std::pair{0, 0}, std::pair{11, 1}}) {
        const auto r = ChipInfoControlRules(static_cast<ChipSeriesCode>(series), area, false);
        EXPECT_FALSE(r.eraseModeSelection.has_value());
        for (const auto& a : r.actions) EXPECT_TRUE(a.enabled) << a.id << " series " << series;
    }
}

TEST(JobControlActions, StartDisablesWhatTheEndGivesBack) {
    JobControlInput in;
    in.fileExt = u"bin";
    in.enable = false;
    for (const auto& a : JobControlActions(in)) EXPECT_FALSE(a.enabled) << a.id;
    in.enable = true;
    const auto m = Final(JobControlActions(in));
    for (int id : {IDC_BTN_DOWNLOAD, IDC_BTN_CONNECT, IDC_BTN_BROWSE, IDC_EDIT_START_ADDR, IDC_COMBO_ERASE_MODE,
                   IDC_CHECK_FRONT_PAGE, IDC_CHECK_L1_AFTER, IDC_COMBO_DOWNLOAD_AREA}) {
        ASSERT_EQ(m.count(id), 1u) << id;
        EXPECT_TRUE(m.at(id).enabled) << id;
    }
    EXPECT_EQ(m.count(IDC_COMBO_INTERFACE), 0u);  // test mode leaves the connection controls to the connection
}

TEST(JobControlActions, EndOfJobCases) {
    JobControlInput in;
    in.enable = true;
    in.series = 10;
    in.downloadArea = 3;
    in.fileExt = u"bin";
    in.firmwareFileTicked = false;
    auto m = Final(JobControlActions(in));
    EXPECT_FALSE(m.at(IDC_BTN_BROWSE).enabled);         // series 10 without "Firmware File"
    EXPECT_EQ(m.count(IDC_EDIT_START_ADDR), 0u);        // stays as the job left it: disabled

    in = {};
    in.enable = true;
    in.eraseMode = 2;
    m = Final(JobControlActions(in));
    EXPECT_EQ(m.count(IDC_CHECK_FRONT_PAGE), 0u);       // no erase: the cross-page boxes stay off

    in = {};
    in.enable = true;
    in.series = 11;
    in.fileAreaCount = 2;
    in.fileExt = u"hex";
    m = Final(JobControlActions(in));
    EXPECT_EQ(m.count(IDC_COMBO_ERASE_MODE), 0u);       // a file over several areas keeps erase fixed
    EXPECT_FALSE(m.at(IDC_COMBO_DOWNLOAD_AREA).enabled);
    EXPECT_EQ(m.count(IDC_EDIT_START_ADDR), 0u);        // a hex file brings its addresses

    in = {};
    in.enable = true;
    in.productionMode = true;
    in.fileExt = u"DLPF";
    m = Final(JobControlActions(in));
    EXPECT_EQ(m.count(IDC_COMBO_DEVICE), 0u);           // a project fixes the chip series
    EXPECT_TRUE(m.at(IDC_ROW8_CHECK).enabled);

    in = {};
    in.enable = true;
    in.series = 8;
    in.downloadArea = 1;
    m = Final(JobControlActions(in));
    EXPECT_FALSE(m.at(IDC_BTN_BROWSE).enabled);
}

}  // namespace
