// The project partition dialog over the program-wide offline settings: what it shows of the stored layout per
// series, what OK stores, what it refuses (the dialog stays open and nothing is stored), the series without
// partition security, the read-only view, and the keys.
#include <gtest/gtest.h>

#include <functional>

#include "framework/Format.h"
#include "framework/Resources.h"
#include "framework/host/headless/HeadlessHost.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/PartitionCFGLinkDlg.h"

namespace {

using fw::Text;

constexpr uint32_t kOn = 0xA5A5A5A5;
constexpr uint32_t kOff = 0xFFFFFFFF;
const Text kConfirmed = u"分区配置确认OK";

class PartitionDialog : public ::testing::Test {
protected:
    void SetUp() override {
        fw::SetResourceLanguage(fw::kLangChinese);
        settings = OfflineProjectSettings{};
        settings.partitionsEditable = 1;
        settings.seriesCode = 0;
        settings.flashSizeKB = 512;
    }
    void TearDown() override { settings = OfflineProjectSettings{}; }

    int Run(const std::function<void(fw::Dialog&)>& script) {
        host.OnModal(IDD_PARTITION_CFG_LINK, script);
        CPartitionCFGLinkDlg dialog;
        return dialog.DoModal();
    }
    // Ticks the enable boxes and types the sizes (empty: left alone).
    static void Lay(fw::Dialog& d, bool on1, Text s1, bool on2, Text s2, bool on3, Text s3) {
        d.Tick(IDC_PART_ENABLE1, on1);
        d.Tick(IDC_PART_ENABLE2, on2);
        d.Tick(IDC_PART_ENABLE3, on3);
        d.EnterText(IDC_PART_SIZE1, s1);
        d.EnterText(IDC_PART_SIZE2, s2);
        d.EnterText(IDC_PART_SIZE3, s3);
    }

    OfflineProjectSettings& settings = ProjectSettings();
    fw::HeadlessHost host;
};

TEST_F(PartitionDialog, OpeningShowsTheStoredSizesInTheSeriesUnit) {
    struct Row {
        uint8_t code;
        std::array<uint8_t, 3> stored;
        std::array<Text, 3> edits, labels;
    };
    const Row rows[] = {
        {0, {0x10, 0xFF, 0x1F}, {u"10", u"00", u"1F"}, {u"(256KB)(最小单位16K)", u"(未分区)", u"(496KB)(最小单位16K)"}},
        {5, {0x01, 0x00, 0x02}, {u"01", u"00", u"02"}, {u"(2KB)(最小单位2K)", u"(未分区)", u"(4KB)(最小单位2K)"}},
        // USER1 of series 3 and 11 holds one unit more than its field; series 3 shows every zero as units.
        {3,
         {0xFF, 0xFF, 0x00},
         {u"00", u"00", u"00"},
         {u"(4KB)(最小单位4K)", u"(0KB)(最小单位4K)", u"(0KB)(最小单位4K)"}},
        {11, {0x00, 0x00, 0x03}, {u"00", u"00", u"03"}, {u"(4KB)(最小单位4K)", u"(未分区)", u"(12KB)(最小单位4K)"}},
        {10, {0x08, 0x00, 0x00}, {u"08", u"00", u"00"}, {u"(128KB)(最小单位16K)", u"(未分区)", u"(未分区)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.code));
        settings.seriesCode = row.code;
        settings.partitionSize = row.stored;
        Run([&](fw::Dialog& d) {
            const int edits[] = {IDC_PART_SIZE1, IDC_PART_SIZE2, IDC_PART_SIZE3};
            const int labels[] = {IDC_PART_UNITS1, IDC_PART_UNITS2, IDC_PART_UNITS3};
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(d.GetDlgItemText(edits[i]), row.edits[i]);
                EXPECT_EQ(d.GetDlgItemText(labels[i]), row.labels[i]);
            }
            d.EndDialog(fw::IDCANCEL);
        });
        for (uint8_t s : settings.partitionSize)
            EXPECT_NE(s, 0xFF);  // read as 0
    }
}

TEST_F(PartitionDialog, ANonHexCharacterIsTakenOutOfTheSizeAgain) {
    Run([&](fw::Dialog& d) {
        host.ExpectBox(u"必须输入十六进制数据！", fw::IDOK);
        d.EnterText(IDC_PART_SIZE3, u"1G");
        EXPECT_EQ(d.GetDlgItemText(IDC_PART_SIZE3), u"1");
        EXPECT_EQ(d.GetDlgItemText(IDC_PART_UNITS3), u"(16KB)(最小单位16K)");
        d.EndDialog(fw::IDCANCEL);
    });
    EXPECT_EQ(host.Boxes().size(), 1u);
}

TEST_F(PartitionDialog, AcceptedLayoutsAreStoredWithTheirSecuritySettings) {
    // Flash 512 KB in 16 KB units: 32 units.
    host.ExpectBox(kConfirmed, fw::IDOK);
    EXPECT_EQ(Run([](fw::Dialog& d) {
                  Lay(d, true, u"10", true, u"8", true, u"8");
                  d.Tick(IDC_PART_AUTH1, true);
                  d.Tick(IDC_PART_ENC2, true);
                  d.Tick(IDC_PART_AUTH3, true);
                  d.Tick(IDC_PART_ENC3, true);
                  d.Select(IDC_PART_KEYID1, 4);
                  d.Select(IDC_PART_KEYID2, 31);
                  d.Select(IDC_PART_KEYID3, 7);
                  d.Click(IDC_PART_OK);
              }),
              fw::IDOK);
    EXPECT_EQ(settings.partitionConfigured, (std::array<uint32_t, 3>{kOn, kOn, kOn}));
    EXPECT_EQ(settings.partitionSize, (std::array<uint8_t, 3>{0x10, 0x08, 0x08}));
    EXPECT_EQ(settings.partitionIndex, (std::array<uint8_t, 3>{0, 1, 2}));
    EXPECT_EQ(settings.partitionFlags, (std::array<uint8_t, 3>{0x10, 0x01, 0x11}));
    EXPECT_EQ(settings.partitionKeyId, (std::array<uint8_t, 3>{4, 31, 7}));

    struct Row {
        const char* name;
        uint8_t code;
        uint32_t flashKB;
        bool on1;
        Text s1;
        bool on3;
        Text s3;
    };
    const Row passes[] = {
        {"USER1 with USER3, together the flash", 0, 512, true, u"10", true, u"10"},
        {"USER1 of size 0, the rest below the flash", 0, 512, true, u"0", true, u"1F"},
        {"USER3 alone below the flash", 9, 512, false, u"", true, u"1F"},
        {"series 3: USER1 0 counts one unit", 3, 64, true, u"0", true, u"F"},
        {"series 11: USER1 holds one unit more", 11, 64, true, u"7", true, u"8"},
    };
    for (const Row& row : passes) {
        SCOPED_TRACE(row.name);
        settings.seriesCode = row.code;
        settings.flashSizeKB = row.flashKB;
        host.ExpectBox(kConfirmed, fw::IDOK);
        EXPECT_EQ(Run([&](fw::Dialog& d) {
                      Lay(d, row.on1, row.s1, false, u"", row.on3, row.s3);
                      d.Click(IDC_PART_OK);
                  }),
                  fw::IDOK);
        EXPECT_EQ(settings.partitionConfigured[0], row.on1 ? kOn : kOff);
        EXPECT_EQ(settings.partitionConfigured[1], kOff);
        EXPECT_EQ(settings.partitionConfigured[2], kOn);
    }
}

// A new project hands over its erased record: every partition entry is 0xFF throughout. Such an entry opens with
// its boxes unticked and key ID 0, so a partition the user only enables and sizes gets neither authentication nor
// encrypted download, which would need keys the user never chose.
TEST_F(PartitionDialog, AnErasedEntryOpensWithoutSecurity) {
    settings.partitionConfigured = {kOff, kOff, kOff};
    settings.partitionSize = {0xFF, 0xFF, 0xFF};
    settings.partitionKeyId = {0xFF, 0xFF, 0xFF};
    settings.partitionFlags = {0xFF, 0xFF, 0xFF};
    host.ExpectBox(kConfirmed, fw::IDOK);
    EXPECT_EQ(Run([](fw::Dialog& d) {
                  for (int box :
                       {IDC_PART_AUTH1, IDC_PART_ENC1, IDC_PART_AUTH2, IDC_PART_ENC2, IDC_PART_AUTH3, IDC_PART_ENC3}) {
                      EXPECT_EQ(d.IsDlgButtonChecked(box), 0) << box;
                  }
                  for (int combo : {IDC_PART_KEYID1, IDC_PART_KEYID2, IDC_PART_KEYID3})
                      EXPECT_EQ(d.GetDlgItem(combo).GetCurSel(), 0) << combo;
                  Lay(d, true, u"10", false, u"", true, u"10");
                  d.Select(IDC_PART_KEYID3, 1);
                  d.Click(IDC_PART_OK);
              }),
              fw::IDOK);
    EXPECT_EQ(settings.partitionConfigured, (std::array<uint32_t, 3>{kOn, kOff, kOn}));
    EXPECT_EQ(settings.partitionFlags, (std::array<uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(settings.partitionKeyId, (std::array<uint8_t, 3>{0, 0, 1}));
}

TEST_F(PartitionDialog, RefusedLayoutsStoreNothing) {
    struct Row {
        uint8_t code;
        bool on1;
        Text s1;
        bool on2;
        Text s2;
        bool on3;
        Text s3;
        Text message;
        int key1 = 0, key2 = 1, key3 = 2;
    };
    const Row rows[] = {
        {0, false, u"", false, u"", false, u"", u"请选择配置的分区"},
        {0, false, u"", true, u"4", false, u"", u"不能只配分区2,必须同时配分区3"},
        {0, true, u"4", true, u"4", false, u"", u"不能只配分区1和分区2,必须同时配分区3"},
        {0, false, u"", false, u"", true, u"", u"USER3分区大小不能为空！"},
        {0, false, u"", false, u"", true, u"0", u"USER3分区大小不能为0！"},
        {0, false, u"", true, u"00", true, u"4", u"USER2分区大小不能为0！"},
        {0, true, u"", false, u"", true, u"4", u"USER1分区大小不能为空！"},
        {0, false, u"", false, u"", true, u"20", u"没有配分区1时，其它分区总大小不能大于或等于Flash大小(512k)！"},
        {0, true, u"0", false, u"", true, u"20", u"分区1大小为0时，其它分区总大小不能大于或等于Flash大小(512k)！"},
        {0, true, u"10", false, u"", true, u"F", u"分区总大小不等于Flash大小(512k)！"},
        {3, true, u"0", false, u"", true, u"10", u"分区总大小不等于Flash大小(512k)！"},
        {0, true, u"10", true, u"8", true, u"8", u"分区2与分区1的密钥ID不能相同！", 3, 3, 5},
        {0, true, u"10", true, u"8", true, u"8", u"分区3与分区1的密钥ID不能相同！", 3, 4, 3},
        {0, true, u"10", true, u"8", true, u"8", u"分区3与分区2的密钥ID不能相同！", 3, 4, 4},
        // A size must fit the entry's byte, and 0xFF is the erased entry that reads back as 0.
        {0, false, u"", false, u"", true, u"100", u"USER3分区大小不能大于0xFE！"},
        {10, true, u"1", false, u"", true, u"FF", u"USER3分区大小不能大于0xFE！"},
        {0, true, u"120", false, u"", true, u"1", u"USER1分区大小不能大于0xFE！"},
        {0, true, u"1", true, u"1000000000", true, u"1", u"USER2分区大小不能大于0xFE！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.message));
        settings.seriesCode = row.code;
        settings.flashSizeKB = 512;
        const OfflineProjectSettings before = settings;
        const int result = Run([&](fw::Dialog& d) {
            Lay(d, row.on1, row.s1, row.on2, row.s2, row.on3, row.s3);
            d.Select(IDC_PART_KEYID1, row.key1);
            d.Select(IDC_PART_KEYID2, row.key2);
            d.Select(IDC_PART_KEYID3, row.key3);
            host.ExpectBox(row.message, fw::IDOK);
            d.Click(IDC_PART_OK);
            d.EndDialog(fw::IDCANCEL);
        });
        EXPECT_EQ(result, fw::IDCANCEL);
        EXPECT_EQ(settings.partitionConfigured, before.partitionConfigured);
        EXPECT_EQ(settings.partitionSize, before.partitionSize);
        EXPECT_EQ(settings.partitionKeyId, before.partitionKeyId);
    }
}

TEST_F(PartitionDialog, ASeriesWithoutPartitionUnitsIsRefusedAtOpening) {
    for (uint8_t code : {uint8_t{13}, uint8_t{0xFF}}) {
        settings.seriesCode = code;
        host.ExpectBox(u"该MCU类型不支持配置分区！", fw::IDOK);
        CPartitionCFGLinkDlg dialog;  // no script: the dialog must not get as far as running
        EXPECT_EQ(dialog.DoModal(), fw::IDCANCEL);
        EXPECT_EQ(settings.partitionConfigured, (std::array<uint32_t, 3>{kOff, kOff, kOff}));
    }
}

// Series 8 and 9 open a partition with the key of its own index: each row offers that id alone, a project that
// holds another id (made before, or by hand) opens on it, and OK stores it.
TEST_F(PartitionDialog, Series8And9OfferEachPartitionItsOwnKeyIdOnly) {
    for (const uint8_t code : {uint8_t{8}, uint8_t{9}}) {
        SCOPED_TRACE(testing::Message() << "series " << int(code));
        settings.seriesCode = code;
        settings.partitionConfigured = {kOn, kOn, kOn};
        settings.partitionKeyId = {5, 17, 31};
        settings.partitionFlags = {0x10, 0x10, 0x11};
        host.ExpectBox(kConfirmed, fw::IDOK);
        Run([](fw::Dialog& d) {
            const int combos[] = {IDC_PART_KEYID1, IDC_PART_KEYID2, IDC_PART_KEYID3};
            for (int i = 0; i < 3; ++i) {
                const fw::Control combo = d.GetDlgItem(combos[i]);
                ASSERT_EQ(combo.GetCount(), 1) << "USER" << i + 1;
                EXPECT_EQ(combo.GetLBText(0), fw::Format(u"%d", i));
                EXPECT_EQ(combo.GetCurSel(), 0);
            }
            Lay(d, true, u"10", true, u"8", true, u"8");
            d.Click(IDC_PART_OK);
        });
        EXPECT_EQ(settings.partitionKeyId, (std::array<uint8_t, 3>{0, 1, 2}));
        EXPECT_EQ(settings.partitionFlags, (std::array<uint8_t, 3>{0x10, 0x10, 0x11}));
    }
}

TEST_F(PartitionDialog, SeriesFiveHasNoUser2AndFixedKeyIds) {
    settings.seriesCode = 5;
    settings.flashSizeKB = 64;  // 32 units of 2 KB
    settings.partitionFlags = {0x00, 0x11, 0x00};
    host.ExpectBox(kConfirmed, fw::IDOK);
    Run([](fw::Dialog& d) {
        for (int id : {IDC_PART_ENABLE2, IDC_PART_SIZE2, IDC_PART_KEYID2, IDC_PART_AUTH2, IDC_PART_ENC2,
                       IDC_PART_KEYID1, IDC_PART_KEYID3}) {
            EXPECT_FALSE(d.GetDlgItem(id).IsWindowEnabled()) << id;
        }
        EXPECT_EQ(d.GetDlgItem(IDC_PART_KEYID1).GetLBText(0), u"0");
        EXPECT_EQ(d.GetDlgItem(IDC_PART_KEYID1).GetCount(), 1);
        EXPECT_EQ(d.GetDlgItem(IDC_PART_KEYID3).GetLBText(0), u"1");
        EXPECT_EQ(d.GetDlgItem(IDC_PART_KEYID3).GetCount(), 1);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PART_AUTH2), 0);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PART_ENC2), 0);
        Lay(d, true, u"10", false, u"", true, u"10");
        d.Click(IDC_PART_OK);
    });
    EXPECT_EQ(settings.partitionKeyId, (std::array<uint8_t, 3>{0, 0, 1}));
}

TEST_F(PartitionDialog, SeriesWithoutPartitionSecurityKeepTheCallersFlagsAndKeyIds) {
    for (uint8_t code : {3, 4, 6, 7, 10, 11, 12}) {
        SCOPED_TRACE(testing::Message() << "series " << int(code));
        settings.seriesCode = code;
        settings.flashSizeKB = 1024;
        settings.partitionFlags = {0x11, 0x10, 0x01};
        settings.partitionKeyId = {9, 8, 7};
        const uint32_t units = 1024 / (code == 10 ? 16 : 4);
        const Text s3 = fw::Format(u"%X", units - 0x10 - ((code == 3 || code == 11) ? 1 : 0));
        host.ExpectBox(kConfirmed, fw::IDOK);
        Run([&](fw::Dialog& d) {
            for (int id : {IDC_PART_AUTH1, IDC_PART_ENC3, IDC_PART_KEYID2, IDC_PART_KEYID_LABEL3})
                EXPECT_FALSE(d.GetDlgItem(id).IsWindowVisible()) << id;
            Lay(d, true, u"10", false, u"", true, s3);
            d.Click(IDC_PART_OK);
        });
        EXPECT_EQ(settings.partitionFlags, (std::array<uint8_t, 3>{0x11, 0, 0x01}));
        EXPECT_EQ(settings.partitionKeyId, (std::array<uint8_t, 3>{9, 0, 7}));
    }
}

TEST_F(PartitionDialog, AReadOnlyProjectIsOnlyShown) {
    settings.partitionsEditable = 0;
    settings.partitionConfigured = {kOn, kOff, kOn};
    settings.partitionSize = {0x10, 0, 0x10};
    settings.partitionFlags = {0x11, 0, 0};
    settings.partitionKeyId = {2, 0, 3};
    const OfflineProjectSettings before = settings;
    EXPECT_EQ(Run([](fw::Dialog& d) {
                  EXPECT_EQ(d.IsDlgButtonChecked(IDC_PART_ENABLE1), 1);
                  EXPECT_EQ(d.IsDlgButtonChecked(IDC_PART_ENABLE2), 0);
                  EXPECT_EQ(d.IsDlgButtonChecked(IDC_PART_AUTH1), 1);
                  EXPECT_EQ(d.GetDlgItem(IDC_PART_KEYID3).GetCurSel(), 3);
                  for (int id : {IDC_PART_ENABLE1, IDC_PART_ENABLE3, IDC_PART_SIZE2, IDC_PART_KEYID1, IDC_PART_AUTH3,
                                 IDC_PART_ENC2}) {
                      EXPECT_FALSE(d.GetDlgItem(id).IsWindowEnabled()) << id;
                  }
                  d.Click(IDC_PART_OK);  // no box
              }),
              fw::IDOK);
    EXPECT_EQ(settings.partitionConfigured, before.partitionConfigured);
    EXPECT_EQ(settings.partitionKeyId, before.partitionKeyId);
}

TEST_F(PartitionDialog, EnterConfirmsAndEscapeStays) {
    host.ExpectBox(kConfirmed, fw::IDOK);
    EXPECT_EQ(Run([](fw::Dialog& d) {
                  Lay(d, false, u"", false, u"", true, u"4");
                  d.PressEscape();
                  EXPECT_TRUE(d.IsWindowVisible());
                  d.PressEnter();
              }),
              fw::IDOK);
    EXPECT_EQ(settings.partitionConfigured[2], kOn);
    EXPECT_EQ(settings.partitionSize[2], 4);
}

}  // namespace
