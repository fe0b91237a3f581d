// The project chip-key dialog over the program-wide offline settings: which rows it offers, which old key a first
// update takes, the device key that wraps both keys (always from the offline project page), what it refuses
// (nothing is stored then), a partition the user unticks, and the keys.
#include <gtest/gtest.h>

#include <functional>

#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "framework/Resources.h"
#include "framework/host/headless/HeadlessHost.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/UpdateChipKeyDlg.h"
#include "tests/offline/ProjectFixture.h"

namespace {

using fw::Text;
using Key = OfflineProjectSettings::Key;

constexpr uint32_t kOn = 0xA5A5A5A5;
constexpr uint32_t kOff = 0xFFFFFFFF;
const Text kConfirmed = u"芯片密钥确认OK";
const Text kDeviceKey = u"4F564C494E4B50524F00000000000001";
const Text kNewKey = u"000102030405060708090A0B0C0D0E0F";
const Text kOldKey = u"F0E0D0C0B0A090807060504030201000";

Key KeyOf(fw::TextView hex) {
    Key key{};
    HexToBytes(hex, key.data(), key.size());
    return key;
}

Key Wrapped(fw::TextView keyText, fw::TextView underText) {
    return project_fixture::ReferenceEncipher(keyText, underText);
}

class ChipKeyDialog : public ::testing::Test {
protected:
    void SetUp() override {
        fw::SetResourceLanguage(fw::kLangChinese);
        settings = OfflineProjectSettings{};
    }
    void TearDown() override { settings = OfflineProjectSettings{}; }

    int Run(const std::function<void(fw::Dialog&)>& script, ChipKeyCaller caller = ChipKeyCaller::OfflineProjectPage) {
        host.OnModal(IDD_UPDATE_CHIP_KEY, script);
        CUpdateChipKeyDlg dialog(nullptr, caller, kDeviceKey);
        return dialog.DoModal();
    }
    void Configure(std::array<uint32_t, 3> configured, std::array<uint8_t, 3> keyIds = {0, 1, 2}) {
        settings.partitionConfigured = configured;
        settings.partitionKeyId = keyIds;
    }

    OfflineProjectSettings& settings = ProjectSettings();
    fw::HeadlessHost host;
};

TEST_F(ChipKeyDialog, OnlyConfiguredPartitionsAreOfferedForAFirstUpdate) {
    Configure({kOff, kOff, kOn});
    settings.chipKeyUpdate = {0, 0, 0};
    Run([](fw::Dialog& d) {
        for (int id : {IDC_CHIPKEY_OLD1, IDC_CHIPKEY_NEW1, IDC_CHIPKEY_UPDATE1, IDC_CHIPKEY_FIRST1, IDC_CHIPKEY_OLD2,
                       IDC_CHIPKEY_NEW2, IDC_CHIPKEY_UPDATE2, IDC_CHIPKEY_FIRST2, IDC_CHIPKEY_OLD3}) {
            EXPECT_FALSE(d.GetDlgItem(id).IsWindowEnabled()) << id;
        }
        for (int id : {IDC_CHIPKEY_UPDATE1, IDC_CHIPKEY_FIRST1, IDC_CHIPKEY_UPDATE2, IDC_CHIPKEY_FIRST2})
            EXPECT_EQ(d.IsDlgButtonChecked(id), 0) << id;
        EXPECT_TRUE(d.GetDlgItem(IDC_CHIPKEY_NEW3).IsWindowEnabled());
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_CHIPKEY_UPDATE3), 1);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_CHIPKEY_FIRST3), 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_CHIPKEY_OLD3), u"");
        EXPECT_EQ(d.GetDlgItemText(IDC_CHIPKEY_DEVICE), kDeviceKey);
        // Without a first update the old key is typed.
        d.Tick(IDC_CHIPKEY_FIRST3, false);
        EXPECT_TRUE(d.GetDlgItem(IDC_CHIPKEY_OLD3).IsWindowEnabled());
        d.EnterText(IDC_CHIPKEY_OLD3, kOldKey);
        d.Tick(IDC_CHIPKEY_FIRST3, true);
        EXPECT_FALSE(d.GetDlgItem(IDC_CHIPKEY_OLD3).IsWindowEnabled());
        EXPECT_EQ(d.GetDlgItemText(IDC_CHIPKEY_OLD3), u"");
        d.EndDialog(fw::IDCANCEL);
    });
    EXPECT_EQ(settings.chipKeyUpdate, (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST_F(ChipKeyDialog, AFirstUpdateTakesTheSeriesDefaultKeyWrappedUnderTheDeviceKey) {
    struct Row {
        uint8_t code;
        std::array<uint32_t, 3> configured;
        std::array<uint8_t, 3> keyIds;
        std::array<int, 3> entries;  // of the built-in table, -1 for sixteen zero bytes
    };
    const Row rows[] = {
        {0, {kOn, kOn, kOn}, {4, 17, 31}, {4, 17, 31}},
        {9, {kOn, kOn, kOn}, {0, 1, 2}, {28, 29, 30}},
        {8, {kOn, kOff, kOn}, {0, 0, 2}, {28, -1, 30}},
        {5, {kOn, kOff, kOn}, {0, 0, 1}, {30, -1, 31}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.code));
        settings = OfflineProjectSettings{};
        settings.keySeriesCode = row.code;
        Configure(row.configured, row.keyIds);
        host.ExpectBox(kConfirmed, fw::IDOK);
        EXPECT_EQ(Run([](fw::Dialog& d) {
                      for (int id : {IDC_CHIPKEY_NEW1, IDC_CHIPKEY_NEW2, IDC_CHIPKEY_NEW3})
                          d.EnterText(id, kNewKey);
                      d.Click(IDC_CHIPKEY_OK);
                  }),
                  fw::IDOK);
        for (std::size_t i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const bool on = row.configured[i] == kOn;
            EXPECT_EQ(settings.chipKeyUpdate[i], on ? 1 : 0);
            if (!on) continue;
            const Text defaultKey = row.entries[i] < 0 ? Text(32, u'0') : Text(g_defaultChipKeys[row.entries[i]]);
            EXPECT_EQ(settings.chipKeyId[i], row.keyIds[i]);
            EXPECT_EQ(settings.chipKeyOld[i], Wrapped(defaultKey, kDeviceKey));
            EXPECT_EQ(settings.chipKeyNew[i], Wrapped(kNewKey, kDeviceKey));
        }
    }
}

TEST_F(ChipKeyDialog, TheOfflineProjectPageAlwaysAsksForTheDeviceKey) {
    // The download project dialog switched the device key off; the page's keys go to a downloader all the same.
    settings.deviceKeyWanted = 0;
    Configure({kOn, kOff, kOff});
    host.ExpectBox(kConfirmed, fw::IDOK);
    Run([](fw::Dialog& d) {
        EXPECT_TRUE(d.GetDlgItem(IDC_CHIPKEY_DEVICE).IsWindowVisible());
        EXPECT_TRUE(d.GetDlgItem(IDC_CHIPKEY_DEVICE_LABEL).IsWindowVisible());
        d.Tick(IDC_CHIPKEY_FIRST1, false);
        d.EnterText(IDC_CHIPKEY_OLD1, u"F0 E0 D0 C0 B0 A0 90 80 70 60 50 40 30 20 10 00");  // blanks are allowed
        d.EnterText(IDC_CHIPKEY_NEW1, kNewKey);
        d.Click(IDC_CHIPKEY_OK);
    });
    EXPECT_EQ(settings.chipKeyOld[0], Wrapped(kOldKey, kDeviceKey));
    EXPECT_EQ(settings.chipKeyNew[0], Wrapped(kNewKey, kDeviceKey));

    // The download project dialog's own keys stay plain and the device key is not looked at.
    settings.chipKeyUpdate = {};
    host.ExpectBox(kConfirmed, fw::IDOK);
    Run(
        [](fw::Dialog& d) {
            EXPECT_FALSE(d.GetDlgItem(IDC_CHIPKEY_DEVICE).IsWindowVisible());
            d.SetDlgItemText(IDC_CHIPKEY_DEVICE, u"");
            d.Tick(IDC_CHIPKEY_FIRST1, false);
            d.EnterText(IDC_CHIPKEY_OLD1, kOldKey);
            d.EnterText(IDC_CHIPKEY_NEW1, kNewKey);
            d.Click(IDC_CHIPKEY_OK);
        },
        ChipKeyCaller::DownloadProjectDialog);
    EXPECT_EQ(settings.chipKeyOld[0], KeyOf(kOldKey));
    EXPECT_EQ(settings.chipKeyNew[0], KeyOf(kNewKey));
}

TEST_F(ChipKeyDialog, RefusedKeysStoreNothing) {
    struct Row {
        int id;
        Text typed, message;
    };
    const Text g = kNewKey.substr(0, 31) + u"G";
    // Wrong in both ways: the length is checked first.
    const Text shortG = u"G" + kNewKey.substr(0, 29);
    const Row rows[] = {
        {IDC_CHIPKEY_OLD2, u"", u"旧密钥不能为空！"},
        {IDC_CHIPKEY_OLD2, kOldKey.substr(0, 30), u"旧密钥长度应为16字节！"},
        {IDC_CHIPKEY_OLD2, g, u"旧密钥必须是十六进制数！"},
        {IDC_CHIPKEY_OLD2, shortG, u"旧密钥长度应为16字节！"},
        {IDC_CHIPKEY_NEW2, u" \t", u"新密钥不能为空！"},
        {IDC_CHIPKEY_NEW2, kNewKey.substr(0, 31), u"新密钥长度应为16字节！"},
        {IDC_CHIPKEY_NEW2, g, u"新密钥必须是十六进制数！"},
        {IDC_CHIPKEY_NEW2, shortG, u"新密钥长度应为16字节！"},
        {IDC_CHIPKEY_DEVICE, u"", u"设备密钥不能为空！"},
        {IDC_CHIPKEY_DEVICE, kDeviceKey + u"00", u"设备密钥长度应为16字节！"},
        {IDC_CHIPKEY_DEVICE, g, u"设备密钥必须是十六进制数！"},
        {IDC_CHIPKEY_DEVICE, shortG + u"00000", u"设备密钥长度应为16字节！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.message));
        Configure({kOn, kOn, kOff});
        const int result = Run([&](fw::Dialog& d) {
            d.EnterText(IDC_CHIPKEY_NEW1, kNewKey);
            d.Tick(IDC_CHIPKEY_FIRST2, false);
            d.EnterText(IDC_CHIPKEY_OLD2, kOldKey);
            d.EnterText(IDC_CHIPKEY_NEW2, kNewKey);
            d.EnterText(row.id, row.typed);
            host.ExpectBox(row.message, fw::IDOK);
            d.Click(IDC_CHIPKEY_OK);
            d.EndDialog(fw::IDCANCEL);
        });
        EXPECT_EQ(result, fw::IDCANCEL);
        // USER1 passed before the refusal and is not stored either.
        EXPECT_EQ(settings.chipKeyUpdate, (std::array<uint8_t, 3>{0, 0, 0}));
        EXPECT_EQ(settings.chipKeyNew[0], Key{});
    }
}

// A loaded project may carry any byte: an id past the 32-entry table, or one the series does not open the partition
// with (series 8 and 9 open each with the key of its index, series 5 USER1 with key 0 and USER3 with key 1, and it
// has no USER2), has no default key the chip starts from.
TEST_F(ChipKeyDialog, AKeyIdTheSeriesDoesNotOpenThePartitionWithIsRefused) {
    struct Row {
        uint8_t code;
        std::array<uint32_t, 3> configured;
        std::array<uint8_t, 3> keyIds;
        const char16_t* refusal;
    };
    const Row rows[] = {
        {0, {kOn, kOff, kOn}, {3, 0, 32}, u"分区USER3的密钥ID无效！"},
        {9, {kOn, kOff, kOn}, {0, 0, 3}, u"分区USER3的密钥ID无效！"},
        {5, {kOn, kOff, kOn}, {1, 0, 1}, u"分区USER1的密钥ID无效！"},
        {5, {kOff, kOn, kOff}, {0, 2, 0}, u"分区USER2的密钥ID无效！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.code));
        settings.keySeriesCode = row.code;
        Configure(row.configured, row.keyIds);
        host.ExpectBox(row.refusal, fw::IDOK);
        EXPECT_EQ(Run([](fw::Dialog& d) {
                      for (int id : {IDC_CHIPKEY_NEW1, IDC_CHIPKEY_NEW2, IDC_CHIPKEY_NEW3})
                          d.EnterText(id, kNewKey);
                      d.Click(IDC_CHIPKEY_OK);
                      d.EndDialog(fw::IDCANCEL);
                  }),
                  fw::IDCANCEL);
        EXPECT_EQ(settings.chipKeyUpdate, (std::array<uint8_t, 3>{0, 0, 0}));
    }
}

TEST_F(ChipKeyDialog, AnUntickedPartitionIsNoLongerUpdated) {
    Configure({kOn, kOn, kOn});
    settings.chipKeyUpdate = {1, 1, 1};  // all three chosen by an earlier run
    host.ExpectBox(kConfirmed, fw::IDOK);
    EXPECT_EQ(Run([](fw::Dialog& d) {
                  d.EnterText(IDC_CHIPKEY_NEW1, kNewKey);
                  d.Tick(IDC_CHIPKEY_UPDATE2, false);
                  d.Tick(IDC_CHIPKEY_UPDATE3, false);
                  d.Click(IDC_CHIPKEY_OK);
              }),
              fw::IDOK);
    EXPECT_EQ(settings.chipKeyUpdate, (std::array<uint8_t, 3>{1, 0, 0}));

    // Nothing ticked: refused, and the earlier choice stays.
    host.ExpectBox(u"没有选择需要更新的密钥！", fw::IDOK);
    EXPECT_EQ(Run([](fw::Dialog& d) {
                  for (int id : {IDC_CHIPKEY_UPDATE1, IDC_CHIPKEY_UPDATE2, IDC_CHIPKEY_UPDATE3})
                      d.Tick(id, false);
                  d.Click(IDC_CHIPKEY_OK);
                  d.EndDialog(fw::IDCANCEL);
              }),
              fw::IDCANCEL);
    EXPECT_EQ(settings.chipKeyUpdate, (std::array<uint8_t, 3>{1, 0, 0}));
}

TEST_F(ChipKeyDialog, ShowKeyEnterAndEscape) {
    Configure({kOn, kOff, kOff});
    host.ExpectBox(kConfirmed, fw::IDOK);
    EXPECT_EQ(Run([](fw::Dialog& d) {
                  EXPECT_EQ(d.GetDlgItem(IDC_CHIPKEY_NEW1).GetPasswordChar(), u'*');
                  d.Tick(IDC_CHIPKEY_SHOW, true);
                  for (int id : {IDC_CHIPKEY_OLD1, IDC_CHIPKEY_NEW3, IDC_CHIPKEY_DEVICE})
                      EXPECT_EQ(d.GetDlgItem(id).GetPasswordChar(), u'\0') << id;
                  d.Tick(IDC_CHIPKEY_SHOW, false);
                  EXPECT_EQ(d.GetDlgItem(IDC_CHIPKEY_DEVICE).GetPasswordChar(), u'*');
                  d.EnterText(IDC_CHIPKEY_NEW1, kNewKey);
                  d.PressEscape();
                  EXPECT_TRUE(d.IsWindowVisible());
                  d.PressEnter();
              }),
              fw::IDOK);
    EXPECT_EQ(settings.chipKeyUpdate[0], 1);
}

}  // namespace
