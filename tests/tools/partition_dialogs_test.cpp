// The partition configuration dialog through the main window's command, on the simulated chips, and the download
// into the partitions it configured.
#include <gtest/gtest.h>

#include "core/HexText.h"
#include "core/StatusText.h"
#include "framework/Profile.h"
#include "resources/ui/set_partition.h"
#include "tests/tools/ChipToolFixture.h"

namespace {

using fw::Text;

class PartitionDialogs : public ChipToolFixture {
protected:
    void WithDialog(CQXDownloadToolDlg& w, const std::function<void(fw::Dialog&)>& script) {
        ChipToolFixture::WithDialog(w, ID_CONFIGURATION_PARTITION, IDD_SET_PARTITION, script);
    }
    // Types the size of the partition shown and configures it; the chip takes it.
    void Configure(fw::Dialog& d, const Text& size) {
        d.EnterText(IDC_PARTITION_SIZE, size);
        host.ExpectBox(u"确认配置分区?", fw::IDYES);
        host.ExpectBox(u"配置分区成功，复位后生效！", fw::IDOK);
        d.Click(IDC_PARTITION_OK);
    }
};

// Series 0: 256 KB in 16 KB units.
TEST_F(PartitionDialogs, ConfiguredPartitionsReadBackAndTakeTheirDownloadUntilTheFlashIsSealed) {
    CQXDownloadToolDlg& w = Connect(0);
    WithDialog(w, [&](fw::Dialog& d) {
        EXPECT_EQ(Entries(d.GetDlgItem(IDC_PARTITION_COMBO)), (std::vector<Text>{u"USER1", u"USER2", u"USER3"}));
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), u"10") << "USER1 holds the whole flash";
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE_INFO), u"(256KB)(最小单位16KB)");
        d.Select(IDC_PARTITION_COMBO, 2);
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE_INFO), u"(未分区)");
        d.Select(IDC_PARTITION_KEY_ID, 7);
        d.Click(IDC_PARTITION_AUTH);
        Configure(d, u"4");
        // Shown again as read back: a configured key id and enable cannot be changed any more.
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), u"04");
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE_INFO), u"(64KB)(最小单位16KB)");
        EXPECT_FALSE(d.GetDlgItem(IDC_PARTITION_SIZE).IsWindowEnabled());
        EXPECT_EQ(d.GetDlgItem(IDC_PARTITION_KEY_ID).GetLBText(d.GetDlgItem(IDC_PARTITION_KEY_ID).GetCurSel()),
                  u"已配置ID");
        EXPECT_FALSE(d.GetDlgItem(IDC_PARTITION_KEY_ID).IsWindowEnabled());
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PARTITION_AUTH), 1);
        EXPECT_FALSE(d.GetDlgItem(IDC_PARTITION_AUTH).IsWindowEnabled());
        EXPECT_TRUE(d.GetDlgItem(IDC_PARTITION_ENCRYPT).IsWindowEnabled());

        d.Select(IDC_PARTITION_COMBO, 1);
        Configure(d, u"02");
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE_INFO), u"(32KB)(最小单位16KB)");
        d.Select(IDC_PARTITION_COMBO, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), u"0A") << "USER1 is what the others leave";
        EXPECT_TRUE(d.GetDlgItem(IDC_PARTITION_SIZE).IsWindowEnabled());
    });
    EXPECT_EQ(ovsim::Partition(kPort, 2).keyId, 7);
    EXPECT_EQ(ovsim::Partition(kPort, 2).flags, 0x10);
    EXPECT_EQ(ovsim::Partition(kPort, 1).sizeUnits, 2);
    EXPECT_EQ(w.m_partitions[1].size, 2);
    EXPECT_EQ(w.m_items[2].readAuthentication, 1);
    EXPECT_EQ(w.m_partitionKeyIds[2], 7u);
    EXPECT_EQ(fw::GetProfileString(u"Settings", u"user3_id"), u"7");

    const uint32_t user2 = kBase + 10 * 16 * 1024;
    const std::vector<uint8_t> first(0x400, 0x5A);
    DownloadPart(w, 1, user2, first);
    EXPECT_TRUE(LogHas(u"USER2 下载成功！"));
    EXPECT_EQ(ovsim::ReadMemory(kPort, user2, 0x400), first);

    // Sealed, and in force after a reset: the chip refuses, and the user sees why.
    host.ExpectBox(u"确认是否FLASH封口?", fw::IDYES);
    w.SendCommand(ID_FLASH_SEAL);
    ASSERT_EQ(OV_CMD_SYS_RESET(w.m_hDevice), CMD_STATUS_OK);
    w.Click(IDC_BTN_CONNECT);
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    ASSERT_TRUE(ovsim::State(kPort).sealed);
    host.ClearRecords();
    DownloadPart(w, 1, user2, std::vector<uint8_t>(0x400, 0x00));
    EXPECT_TRUE(LogHas(StatusCodeToText(CMD_STATUS_FLASH_SEALED)));
    EXPECT_TRUE(LogHas(u"USER2 擦除Flash失败！"));
    EXPECT_FALSE(LogHas(u"USER2 下载成功！"));
    EXPECT_EQ(ovsim::ReadMemory(kPort, user2, 0x400), first);
}

// What the window last read is shown as it stands, whatever the chip answered: a size of 0xFF is no partition, and
// the USER1 these series count one unit short never shows a size below nothing.
TEST_F(PartitionDialogs, User1OfTheShortCountingSeriesFromWhatWasRead) {
    CQXDownloadToolDlg& w = Connect(3);  // 32 KB in 4 KB units
    struct Row {
        uint8_t user2, user3;
        Text size, info;
    };
    const Row rows[] = {
        {0, 2, u"05", u"(24KB)(最小单位4KB)"},
        {0xFF, 2, u"05", u"(24KB)(最小单位4KB)"},
        {0xFF, 0xFF, u"07", u"(32KB)(最小单位4KB)"},
        {3, 6, u"00", u"(0KB)(最小单位4KB)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.user2) + "/" + std::to_string(r.user3));
        w.m_partitions[0] = UserPartitionRecord{0, 0, 5, 0xFF, 0};
        w.m_partitions[1] = UserPartitionRecord{0, 1, r.user2, 0xFF, 0};
        w.m_partitions[2] = UserPartitionRecord{0, 2, r.user3, 0xFF, 0};
        WithDialog(w, [&](fw::Dialog& d) {
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), r.size);
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE_INFO), r.info);
            EXPECT_FALSE(d.GetDlgItem(IDC_PARTITION_KEY_ID).IsWindowEnabled());
            EXPECT_EQ(d.GetDlgItem(IDC_PARTITION_KEY_ID).GetCurSel(), -1);
            EXPECT_FALSE(d.GetDlgItem(IDC_PARTITION_AUTH).IsWindowEnabled());
        });
    }
}

TEST_F(PartitionDialogs, TypedSizesAreShownInKilobytesAfterAPause) {
    CQXDownloadToolDlg& w = Connect(0);
    WithDialog(w, [&](fw::Dialog& d) {
        struct Row {
            Text typed, shown, info;
        };
        const Row rows[] = {
            {u"ff", u"ff", u"(4080KB)(最小单位16KB)"},
            {u"FF", u"FF", u"(未分区)"},
            {u"00", u"00", u"(未分区)"},
            {u"3", u"3", u"(48KB)(最小单位16KB)"},
            {u"", u"", u""},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(fw::TextToUtf8(r.typed));
            d.SetDlgItemText(IDC_PARTITION_SIZE_INFO, u"-");
            d.EnterText(IDC_PARTITION_SIZE, r.typed);
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE_INFO), u"-") << "nothing before the pause";
            host.AdvanceClock(std::chrono::milliseconds(200));
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), r.shown);
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE_INFO), r.info);
        }
        host.ExpectBox(u"必须输入十六进制数据！", fw::IDOK);
        d.EnterText(IDC_PARTITION_SIZE, u"2x");
        host.AdvanceClock(std::chrono::milliseconds(200));
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), u"2");
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE_INFO), u"(32KB)(最小单位16KB)");
        EXPECT_EQ(d.GetDlgItem(IDC_PARTITION_SIZE).GetLimitText(), 2);
    });
}

// Refused input sends nothing; a refusal by the chip is shown in red with its reason, then in a box, and leaves
// what the window read and the profile as they were.
TEST_F(PartitionDialogs, RefusalsSendNothingAndChipFailuresAreShown) {
    struct Row {
        uint8_t series;
        int entry;
        Text size;
        int keyId;
        Text refusal;
    };
    const Row rows[] = {
        {0, 0, u"", 0, u"分区大小不能为空！"},
        {0, 1, u"G", 0, u"输入的数据必须为十六进制的数据！"},
        {0, 1, u"0", 0, u"分区大小不能为0！"},
        {0, 2, u"00", 0, u"分区大小不能为0！"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(fw::TextToUtf8(r.refusal));
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(r.series);
        ovsim::ClearCallLog();
        WithDialog(w, [&](fw::Dialog& d) {
            d.Select(IDC_PARTITION_COMBO, r.entry);
            d.EnterText(IDC_PARTITION_SIZE, r.size);
            d.Select(IDC_PARTITION_KEY_ID, r.keyId);
            host.ExpectBox(u"确认配置分区?", fw::IDYES);
            host.ExpectBox(r.refusal, fw::IDOK);
            d.Click(IDC_PARTITION_OK);
        });
        for (const auto& c : ovsim::CallLog())
            EXPECT_NE(c.fn, ovsim::Fn::UserxOp);
    }

    window.reset();
    ovsim::Reset();
    CQXDownloadToolDlg& w = Connect(0);
    fw::WriteProfileString(u"Settings", u"user3_id", u"4");
    const UserPartitionRecord before = w.m_partitions[2];
    ovsim::InjectStatus(ovsim::Fn::UserxOp, 1, CMD_STATUS_PARTITION_SIZE);
    WithDialog(w, [&](fw::Dialog& d) {
        d.Select(IDC_PARTITION_COMBO, 2);
        d.EnterText(IDC_PARTITION_SIZE, u"4");
        d.Select(IDC_PARTITION_KEY_ID, 9);
        host.ExpectBox(u"确认配置分区?", fw::IDYES);
        host.ExpectBox(u"配置分区失败！", fw::IDOK);
        d.Click(IDC_PARTITION_OK);
        // No is an answer too: nothing is sent.
        host.ExpectBox(u"确认配置分区?", fw::IDNO);
        d.Click(IDC_PARTITION_OK);
    });
    const auto lines = host.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().text, StatusCodeToText(CMD_STATUS_PARTITION_SIZE));
    EXPECT_EQ(lines.back().color, fw::Color{kLogRed});
    EXPECT_EQ(ovsim::Partition(kPort, 2).sizeUnits, 0);
    EXPECT_EQ(fw::GetProfileString(u"Settings", u"user3_id"), u"4");
    EXPECT_EQ(w.m_partitions[2].size, before.size);

    // A re-read that fails after the chip took the partition: no success box, the failure is in the log.
    ovsim::InjectStatus(ovsim::Fn::UserxOp, 2, CMD_STATUS_BAD_FRAME);
    WithDialog(w, [&](fw::Dialog& d) {
        d.Select(IDC_PARTITION_COMBO, 2);
        d.EnterText(IDC_PARTITION_SIZE, u"4");
        host.ExpectBox(u"确认配置分区?", fw::IDYES);
        d.Click(IDC_PARTITION_OK);
        EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), u"4") << "the display stays as it was";
    });
    EXPECT_TRUE(LogHas(StatusCodeToText(CMD_STATUS_BAD_FRAME)));
    EXPECT_EQ(ovsim::Partition(kPort, 2).sizeUnits, 4);
}

// A partition whose key id is configured shows that, once however often it is shown, and configuring it again keeps
// the chip's id (the program sends "none given") and the profile's.
TEST_F(PartitionDialogs, ConfiguredKeyIdIsShownOnceAndKept) {
    CQXDownloadToolDlg& w = Connect(0);
    UserPartitionRecord user3{1, 2, 4, 5, 0x00};
    UserPartitionRecord user2{1, 1, 2, 6, 0x01};
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user3), CMD_STATUS_OK);
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user2), CMD_STATUS_OK);
    ASSERT_EQ(w.ReadPartitions(w.m_partitions, nullptr), 1);
    fw::WriteProfileString(u"Settings", u"user3_id", u"5");
    WithDialog(w, [&](fw::Dialog& d) {
        fw::Control keys = d.GetDlgItem(IDC_PARTITION_KEY_ID);
        EXPECT_EQ(keys.GetCount(), 32) << "USER1 has no key id";
        EXPECT_TRUE(keys.IsWindowEnabled());
        d.Select(IDC_PARTITION_COMBO, 2);
        d.Select(IDC_PARTITION_COMBO, 1);
        d.Select(IDC_PARTITION_COMBO, 2);
        EXPECT_EQ(keys.GetCount(), 33);
        EXPECT_EQ(keys.GetCurSel(), 32);
        EXPECT_FALSE(keys.IsWindowEnabled());
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PARTITION_ENCRYPT), 0);
        d.Select(IDC_PARTITION_COMBO, 1);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PARTITION_ENCRYPT), 1);
        EXPECT_FALSE(d.GetDlgItem(IDC_PARTITION_ENCRYPT).IsWindowEnabled());
        d.Select(IDC_PARTITION_COMBO, 0);
        EXPECT_EQ(keys.GetCount(), 32) << "a partition without an id removes the entry";
        EXPECT_EQ(keys.GetCurSel(), 0);

        d.Select(IDC_PARTITION_COMBO, 2);
        d.Click(IDC_PARTITION_ENCRYPT);
        host.ExpectBox(u"确认配置分区?", fw::IDYES);
        host.ExpectBox(u"配置分区成功，复位后生效！", fw::IDOK);
        d.Click(IDC_PARTITION_OK);  // a key id other than the chip's would be refused
    });
    EXPECT_EQ(ovsim::Partition(kPort, 2).keyId, 5);
    EXPECT_EQ(ovsim::Partition(kPort, 2).flags, 0x01);
    EXPECT_EQ(fw::GetProfileString(u"Settings", u"user3_id"), u"5");
}

// Series 8 and 9 open a partition with the key of its own index, whatever key id the chip holds for it: the dialog
// offers that id only, so a partition it configures with authentication can still be downloaded into.
// Series 5 opens USER1 with key 0 and USER3 with key 1: the dialog lists only USER1 and USER3 and offers each its id.
TEST_F(PartitionDialogs, Series5OffersEachPartitionItsOneKeyId) {
    CQXDownloadToolDlg& w = Connect(5);
    WithDialog(w, [&](fw::Dialog& d) {
        fw::Control keys = d.GetDlgItem(IDC_PARTITION_KEY_ID);
        EXPECT_EQ(Entries(d.GetDlgItem(IDC_PARTITION_COMBO)), (std::vector<Text>{u"USER1", u"USER3"}));
        EXPECT_EQ(Entries(keys), std::vector<Text>{u"0"});
        d.Select(IDC_PARTITION_COMBO, 1);
        EXPECT_EQ(Entries(keys), std::vector<Text>{u"1"});
        Configure(d, u"4");
    });
    EXPECT_EQ(ovsim::Partition(kPort, 2).keyId, 1);
}

TEST_F(PartitionDialogs, Series8And9OfferOnlyThePartitionsOwnKeyId) {
    for (const uint8_t series : {8, 9}) {
        SCOPED_TRACE(int(series));
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(series);  // 512 KB in 16 KB units
        WithDialog(w, [&](fw::Dialog& d) {
            fw::Control keys = d.GetDlgItem(IDC_PARTITION_KEY_ID);
            EXPECT_EQ(Entries(keys), std::vector<Text>{u"0"});
            d.Select(IDC_PARTITION_COMBO, 1);
            EXPECT_EQ(Entries(keys), std::vector<Text>{u"1"});
            d.Select(IDC_PARTITION_COMBO, 2);
            EXPECT_EQ(Entries(keys), std::vector<Text>{u"2"});
            EXPECT_EQ(keys.GetCurSel(), 0);
            d.Click(IDC_PARTITION_AUTH);
            Configure(d, u"4");
            EXPECT_EQ(Entries(keys), (std::vector<Text>{u"2", u"已配置ID"}));
            EXPECT_EQ(keys.GetCurSel(), 1);
            d.Select(IDC_PARTITION_COMBO, 0);
            EXPECT_EQ(Entries(keys), std::vector<Text>{u"0"}) << "USER1 has no key id configured";
        });
        EXPECT_EQ(ovsim::Partition(kPort, 2).keyId, 2);
        EXPECT_EQ(ovsim::Partition(kPort, 2).flags, 0x10);

        const uint32_t user3 = kBase + (512 - 4 * 16) * 1024;
        const std::vector<uint8_t> data(0x400, 0xA7);
        DownloadPart(w, 2, user3, data);
        EXPECT_TRUE(LogHas(u"USER3 下载成功！"));
        EXPECT_EQ(ovsim::ReadMemory(kPort, user3, 0x400), data);
    }
}

// Series 3 and 11 count USER1 one unit short: the size the dialog shows is one the chip takes, configured, read back
// and configured again, from the dialog and by a download that configures the partitions.
TEST_F(PartitionDialogs, ShortCountedUser1ConfiguresAsShownAgainAndAgain) {
    struct Row {
        uint8_t series;
        Text whole, besideUser3;  // USER1 as shown: the whole flash, then beside a USER3 of 2 units
    };
    const Row rows[] = {{3, u"07", u"05"}, {11, u"1F", u"1D"}};  // 32 KB and 128 KB in 4 KB units
    for (const Row& r : rows) {
        SCOPED_TRACE(int(r.series));
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(r.series);
        WithDialog(w, [&](fw::Dialog& d) {
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), r.whole);
            Configure(d, r.whole);
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), r.whole);
            d.Select(IDC_PARTITION_COMBO, 2);
            Configure(d, u"2");
            d.Select(IDC_PARTITION_COMBO, 0);
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), r.besideUser3);
            Configure(d, r.besideUser3);
            EXPECT_EQ(d.GetDlgItemText(IDC_PARTITION_SIZE), r.besideUser3);
        });
        EXPECT_FALSE(LogHas(StatusCodeToText(CMD_STATUS_PARTITION_SIZE)));

        // A download into USER3 whose job configures USER1 with that same size, twice in a row.
        const uint32_t user3 = kBase + static_cast<uint32_t>(w.m_flashSizeKB - 2 * 4) * 1024;
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            host.ClearRecords();
            for (int i : {0, 2}) {
                w.m_items[i].configure = 1;
                w.m_items[i].wantedKeyId = 0;
            }
            w.m_items[0].wantedSize = static_cast<uint8_t>(HexToUInt32(r.besideUser3));
            w.m_items[2].wantedSize = 2;
            g_channels[0].ucidConfigured = u"another chip";  // a job configures each chip it has not configured yet
            const std::vector<uint8_t> data(0x200, static_cast<uint8_t>(0x3C + round));
            DownloadPart(w, 2, user3, data);
            EXPECT_TRUE(LogHas(u"USER3 配置分区成功！"));
            EXPECT_TRUE(LogHas(u"USER1 配置分区成功！"));
            EXPECT_FALSE(LogHas(u"USER1 配置的USER1大小不正确！"));
            EXPECT_FALSE(LogHas(u"USER1 配置分区大小不正确！"));
            EXPECT_TRUE(LogHas(u"USER3 下载成功！"));
            EXPECT_EQ(ovsim::ReadMemory(kPort, user3, 0x200), data);
        }
    }
}

// The three partition commands need a connection, and once connected they are offered where the menu rules allow.
TEST_F(PartitionDialogs, CommandsNeedAConnectionAndFollowTheMenuRules) {
    const int commands[] = {ID_CONFIGURATION_PARTITION, ID_UPDATE_KEY, ID_PARTITION_DOWNLOAD_CONFIGURATION};
    {
        CQXDownloadToolDlg& w = Start();
        for (int id : commands) {
            host.ExpectBox(u"请先连接设备！", fw::IDOK);
            w.SendCommand(id);
        }
        EXPECT_TRUE(host.ModalsRun().empty());
    }
    struct Row {
        uint8_t series;
        bool configure, updateKey, download;
    };
    for (const Row& r : {Row{0, true, true, true}, Row{3, true, false, true}, Row{11, true, false, false}}) {
        SCOPED_TRACE(int(r.series));
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(r.series);
        const fw::Menu menu = w.GetMenu();
        EXPECT_EQ(menu.IsEnabled(ID_CONFIGURATION_PARTITION), r.configure);
        EXPECT_EQ(menu.IsEnabled(ID_UPDATE_KEY), r.updateKey);
        EXPECT_EQ(menu.IsEnabled(ID_PARTITION_DOWNLOAD_CONFIGURATION), r.download);
    }
}

}  // namespace
