// The key update dialog through the main window's command on the simulated chips: the chip takes a new key only
// against its current one, and the erases and downloads of the partition then need the new key.
#include <gtest/gtest.h>

#include <cstring>

#include "core/BuiltinKeys.h"
#include "core/Des.h"
#include "core/HexText.h"
#include "core/StatusText.h"
#include "framework/Profile.h"
#include "resources/ui/update_key.h"
#include "tests/tools/ChipToolFixture.h"

namespace {

using fw::Text;

const Text kNewKey = u"00112233445566778899AABBCCDDEEFF";

class UpdateKey : public ChipToolFixture {
protected:
    void WithKeyDialog(CQXDownloadToolDlg& w, const std::function<void(fw::Dialog&)>& script) {
        WithDialog(w, ID_UPDATE_KEY, IDD_UPDATE_KEY, script);
    }
    // Key id `keyId`, the old key typed (or the built-in one when empty), the new key typed, OK, Yes, and the box
    // that tells the outcome.
    void Update(fw::Dialog& d, int keyId, const Text& oldKey, const Text& newKey, const Text& outcome) {
        d.Select(IDC_UPDATE_KEY_ID, keyId);
        if (oldKey.empty() != (d.IsDlgButtonChecked(IDC_UPDATE_KEY_FIRST) == 1)) d.Click(IDC_UPDATE_KEY_FIRST);
        if (!oldKey.empty()) d.EnterText(IDC_UPDATE_KEY_OLD, oldKey);
        d.EnterText(IDC_UPDATE_KEY_NEW, newKey);
        host.ExpectBox(u"确认更新密钥?", fw::IDYES);
        host.ExpectBox(outcome, fw::IDOK);
        d.Click(IDC_UPDATE_KEY_OK);
    }
    static std::array<uint8_t, 16> Bytes(const Text& hex) {
        std::array<uint8_t, 16> out{};
        HexToBytes(hex, out.data(), out.size());
        return out;
    }
};

// Series 8: key id 2 is the chip's USER3 key, the program's entry 30.
TEST_F(UpdateKey, NewKeyOpensThePartitionAndTheOldOneNoLonger) {
    CQXDownloadToolDlg& w = Connect(8);
    UserPartitionRecord user3{1, 2, 4, 2, 0x10};  // authenticated with key id 2
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user3), CMD_STATUS_OK);
    ASSERT_EQ(w.ReadPartitions(w.m_partitions, nullptr), 1);
    const uint32_t user3Start = kBase + (512 - 64) * 1024;

    WithKeyDialog(w, [&](fw::Dialog& d) {
        EXPECT_EQ(Entries(d.GetDlgItem(IDC_UPDATE_KEY_ID)), (std::vector<Text>{u"0", u"1", u"2"}));
        Update(d, 2, {}, u"00 11 22 33 44 55 66 77\t88 99 AA BB CC DD EE FF", u"更新密钥成功！");
        EXPECT_EQ(d.GetDlgItemText(IDC_UPDATE_KEY_NEW_BYTES), u"16");
    });
    EXPECT_EQ(ovsim::ChipKey(kPort, 2), Bytes(kNewKey));
    EXPECT_EQ(w.m_keyTable[30], kNewKey);
    EXPECT_EQ(fw::GetProfileString(u"Settings", u"Key30"), DesCryptHex(kDesEncrypt, kNewKey, g_strProfileKeyCipherKey));
    const std::array<uint8_t, 16> newBytes = Bytes(kNewKey);
    EXPECT_TRUE(std::equal(newBytes.begin(), newBytes.end(), w.m_keyUpdates[2].key));

    const std::vector<uint8_t> image(0x800, 0x3C);
    DownloadPart(w, 2, user3Start, image);
    EXPECT_TRUE(LogHas(u"USER3 下载成功！"));
    EXPECT_EQ(ovsim::ReadMemory(kPort, user3Start, image.size()), image);

    EXPECT_EQ(w.m_items[2].partitionKeyText, kNewKey) << "the part sends the key the chip now holds";

    // The part sending the key the chip held before: the chip refuses the erase, and the user sees why.
    w.m_items[2].partitionKeyText = Text(g_defaultChipKeys[30]);
    host.ClearRecords();
    DownloadPart(w, 2, user3Start, std::vector<uint8_t>(0x800, 0x00));
    EXPECT_TRUE(LogHas(StatusCodeToText(CMD_STATUS_KEY_AUTH_FAILED)));
    EXPECT_TRUE(LogHas(u"USER3 擦除Flash失败！"));
    EXPECT_FALSE(LogHas(u"USER3 下载成功！"));
    EXPECT_EQ(ovsim::ReadMemory(kPort, user3Start, image.size()), image);
}

// "First Update" offers the built-in key even after the key changed: the chip refuses it, the user sees the
// refusal, and neither the program's key nor the record a later erase of the partition sends takes the attempt.
TEST_F(UpdateKey, RefusedUpdateLeavesTheKeysAsTheyWere) {
    CQXDownloadToolDlg& w = Connect(8);
    WithKeyDialog(w, [&](fw::Dialog& d) { Update(d, 1, {}, kNewKey, u"更新密钥成功！"); });
    const KeyUpdateRecord before = w.m_keyUpdates[1];
    const Text profileBefore = fw::GetProfileString(u"Settings", u"Key29");
    struct Row {
        Text oldKey;  // empty: the built-in key
        StatusCode injected;
        StatusCode shown;
    };
    const Row rows[] = {
        {{}, 0, CMD_STATUS_KEY_AUTH_FAILED},
        {kNewKey, CMD_STATUS_KEY_AUTH_LIMIT, CMD_STATUS_KEY_AUTH_LIMIT},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.shown));
        host.ClearRecords();
        if (r.injected != 0) ovsim::InjectStatus(ovsim::Fn::KeyUpdate, 1, r.injected);
        WithKeyDialog(w, [&](fw::Dialog& d) {
            Update(d, 1, r.oldKey, u"FFEEDDCCBBAA99887766554433221100", u"更新密钥失败！");
            EXPECT_TRUE(d.IsWindowVisible()) << "the dialog stays open";
        });
        const auto lines = host.LogLines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2].text, StatusCodeToText(r.shown));
        EXPECT_EQ(lines.back().text, u"更新密钥失败！");
        EXPECT_EQ(lines.back().color, fw::Color{kLogRed});
        EXPECT_EQ(std::memcmp(&w.m_keyUpdates[1], &before, sizeof before), 0);
        EXPECT_EQ(w.m_keyTable[29], kNewKey);
        EXPECT_EQ(fw::GetProfileString(u"Settings", u"Key29"), profileBefore);
        EXPECT_EQ(ovsim::ChipKey(kPort, 1), Bytes(kNewKey));
    }
}

// Key ids above 2 have no partition record of the window: their update touches none of the three.
TEST_F(UpdateKey, HighKeyIdsUseARecordOfTheirOwn) {
    CQXDownloadToolDlg& w = Connect(0);
    std::memset(w.m_keyUpdates, 0xA5, sizeof w.m_keyUpdates);
    WithKeyDialog(w, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItem(IDC_UPDATE_KEY_ID).GetCount(), 32);
        Update(d, 31, Text(g_defaultChipKeys[31]), kNewKey, u"更新密钥成功！");
        Update(d, 5, Text(g_defaultChipKeys[5]), kNewKey, u"更新密钥成功！");
    });
    EXPECT_EQ(ovsim::ChipKey(kPort, 31), Bytes(kNewKey));
    EXPECT_EQ(ovsim::ChipKey(kPort, 5), Bytes(kNewKey));
    EXPECT_EQ(w.m_keyTable[31], kNewKey);
    EXPECT_EQ(w.m_keyTable[5], kNewKey);
    for (const KeyUpdateRecord& r : w.m_keyUpdates)
        EXPECT_EQ(r.keyId, 0xA5);
}

TEST_F(UpdateKey, RefusedInputSendsNothing) {
    CQXDownloadToolDlg& w = Connect(5);
    const Text digits31 = kNewKey.substr(0, 31);
    struct Row {
        Text oldKey, newKey, refusal;
    };
    const Row rows[] = {
        {u" \t", kNewKey, u"旧密钥不能为空！"},
        {u"0011223344556677889GAABBCCDDEEFF", kNewKey, u"输入的数据必须为十六进制的数据！"},
        {digits31, kNewKey, u"旧密钥长度必须为16个字节！"},
        {kNewKey, u"", u"新密钥不能为空！"},
        {kNewKey, u"xx", u"输入的数据必须为十六进制的数据！"},
        {kNewKey, digits31, u"新密钥长度必须为16个字节！"},
    };
    ovsim::ClearCallLog();
    WithKeyDialog(w, [&](fw::Dialog& d) {
        EXPECT_EQ(Entries(d.GetDlgItem(IDC_UPDATE_KEY_ID)), (std::vector<Text>{u"0", u"1"}));
        for (const Row& r : rows) {
            SCOPED_TRACE(fw::TextToUtf8(r.refusal));
            d.EnterText(IDC_UPDATE_KEY_OLD, r.oldKey);
            d.EnterText(IDC_UPDATE_KEY_NEW, r.newKey);
            host.ExpectBox(u"确认更新密钥?", fw::IDYES);
            host.ExpectBox(r.refusal, fw::IDOK);
            d.Click(IDC_UPDATE_KEY_OK);
        }
        EXPECT_EQ(d.GetDlgItemText(IDC_UPDATE_KEY_NEW_BYTES), u"15") << "31 digits: 15 whole bytes";
        host.ExpectBox(u"确认更新密钥?", fw::IDNO);
        d.Click(IDC_UPDATE_KEY_OK);
    });
    for (const auto& c : ovsim::CallLog())
        EXPECT_NE(c.fn, ovsim::Fn::KeyUpdate);
}

TEST_F(UpdateKey, ShowKeyAndFirstUpdateGoverned) {
    CQXDownloadToolDlg& w = Connect(0);
    WithKeyDialog(w, [&](fw::Dialog& d) {
        fw::Control oldKey = d.GetDlgItem(IDC_UPDATE_KEY_OLD), newKey = d.GetDlgItem(IDC_UPDATE_KEY_NEW);
        EXPECT_NE(oldKey.GetPasswordChar(), 0);
        EXPECT_NE(newKey.GetPasswordChar(), 0);
        d.Click(IDC_UPDATE_KEY_SHOW);
        EXPECT_EQ(oldKey.GetPasswordChar(), 0);
        EXPECT_EQ(newKey.GetPasswordChar(), 0);
        d.Click(IDC_UPDATE_KEY_SHOW);
        EXPECT_EQ(oldKey.GetPasswordChar(), u'*');
        EXPECT_EQ(newKey.GetPasswordChar(), u'*');
        d.Click(IDC_UPDATE_KEY_FIRST);
        EXPECT_FALSE(oldKey.IsWindowEnabled());
        d.Click(IDC_UPDATE_KEY_FIRST);
        EXPECT_TRUE(oldKey.IsWindowEnabled());
        d.EnterText(IDC_UPDATE_KEY_OLD, u"00 11 22");
        EXPECT_EQ(d.GetDlgItemText(IDC_UPDATE_KEY_OLD_BYTES), u"03");
    });
}

}  // namespace
