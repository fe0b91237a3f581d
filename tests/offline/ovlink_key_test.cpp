// The settings the device key guards, against the simulated downloader, which checks the enciphered challenge:
// the key change and what it means for the next guarded request, the burn limit and its counter, the factory
// restore, the version gate, and what the key dialog and the key edits refuse.
#include "core/HexText.h"
#include "linksim/ParameterState.h"
#include "linksim/SecurityState.h"
#include "offline/UpdateDevKeyDlg.h"
#include "tests/offline/LinkFixture.h"

namespace {

const fw::Text kSerial = u"4F564C494E4B50524F00000000000001";  // also the factory key
const fw::Text kNewKey = u"000102030405060708090A0B0C0D0E0F";

class GuardedSettings : public LinkFixture {
protected:
    linksim::DownloaderSpec Spec() override {
        linksim::DownloaderSpec spec;
        spec.serial.resize(16);
        HexToBytes(kSerial, spec.serial.data(), spec.serial.size());
        spec.firmwareVersion = FirmwareVersion();
        return spec;
    }
    virtual std::string FirmwareVersion() { return "3.1.6"; }

    void SetUp() override {
        LinkFixture::SetUp();
        StartConnected();
    }
    linksim::SecurityState& Security() { return downloader->State<linksim::SecurityState>(); }
    LinkKey KeyBytes(fw::TextView hex) {
        LinkKey key{};
        HexToBytes(hex, key.data(), key.size());
        return key;
    }
    int CountOf(uint8_t command) {
        int n = 0;
        for (auto& f : downloader->ReceivedFrames())
            n += f.size() > 1 && f[1] == command;
        return n;
    }
    // The key dialog answered with these texts (OK) or cancelled (empty old text).
    void AnswerKeyDialog(fw::Text oldKey, fw::Text newKey) {
        host.OnModal(IDD_UPDATE_DEV_KEY, [oldKey, newKey](fw::Dialog& d) {
            if (oldKey.empty()) {
                d.EndDialog(fw::IDCANCEL);
                return;
            }
            d.EnterText(IDC_DEVKEY_OLD, oldKey);
            d.EnterText(IDC_DEVKEY_NEW, newKey);
            d.Click(IDC_DEVKEY_OK);
        });
    }
    static void SetLimit(COVLinkCfgDlg& page, bool on, fw::TextView maximum, fw::TextView key) {
        page.Tick(IDC_OVPARAM_LIMIT_ON, on);
        if (on) page.EnterText(IDC_OVPARAM_LIMIT_MAX, maximum);
        page.EnterText(IDC_OVPARAM_DEVICE_KEY, key);
        page.Click(IDC_OVPARAM_MODIFY_LIMIT);
    }
};

}  // namespace

TEST_F(GuardedSettings, TheNewKeyGuardsTheNextRequestAndTheOldOneNoLonger) {
    AnswerKeyDialog(kSerial, kNewKey);
    host.ExpectBox(u"修改设备密钥成功！", fw::IDOK);
    host.ExpectBox(u"修改烧录次数失败！", fw::IDOK);
    host.ExpectBox(u"修改烧录次数成功！", fw::IDOK);
    OnParameterPage([](COVLinkCfgDlg& page) {
        // The page starts with the serial number as the key; a key change leaves the edit alone.
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_DEVICE_KEY), kSerial);
        page.Click(IDC_OVPARAM_MODIFY_KEY);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_DEVICE_KEY), kSerial);
        SetLimit(page, true, u"100", kSerial);
        SetLimit(page, true, u"100", kNewKey);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_REMAINING), u"100");
    });
    EXPECT_EQ(Security().key, KeyBytes(kNewKey));
    EXPECT_TRUE(LogHas(u"旧密钥认证错误！"));
    EXPECT_EQ(Security().limitFlags, 1u);
    EXPECT_EQ(Security().maximum, 100u);
}

TEST_F(GuardedSettings, AKeyChangeUnderAWrongOldKeyFails) {
    AnswerKeyDialog(kNewKey, kNewKey);
    host.ExpectBox(u"修改设备密钥失败！", fw::IDOK);
    OnParameterPage([](COVLinkCfgDlg& page) { page.Click(IDC_OVPARAM_MODIFY_KEY); });
    EXPECT_FALSE(Security().key.has_value());
    EXPECT_TRUE(LogHas(u"旧密钥认证错误！"));
}

TEST_F(GuardedSettings, CancelledKeyDialogSendsNothing) {
    AnswerKeyDialog(u"", u"");
    OnParameterPage([this](COVLinkCfgDlg& page) {
        downloader->ClearReceivedFrames();
        page.Click(IDC_OVPARAM_MODIFY_KEY);
    });
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(GuardedSettings, LimitOnAndOffAndTheCounter) {
    struct Row {
        bool on;
        fw::Text typed;
        uint32_t flags, maximum;
        fw::Text shownMaximum;
    };
    const Row rows[] = {
        {true, u"100", 1, 100, u"100"},
        {true, u"4294967295", 1, 0xFFFFFFFF, u"4294967295"},
        {true, u"0", 1, 0, u"0"},
        {false, u"", 0, 0xFFFFFFFF, u"4294967295"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.typed));
        host.ExpectBox(u"修改烧录次数成功！", fw::IDOK);
        OnParameterPage([&](COVLinkCfgDlg& page) {
            SetLimit(page, row.on, row.typed, kSerial);
            EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPARAM_LIMIT_ON), row.on ? 1 : 0);
            EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_LIMIT_MAX).IsWindowEnabled(), row.on);
            EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_LIMIT_MAX), row.shownMaximum);
            EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_REMAINING), row.shownMaximum);
        });
        EXPECT_EQ(Security().limitFlags, row.flags);
        EXPECT_EQ(Security().maximum, row.maximum);
    }
    // What the downloader counts shows on the next query, and when the page opens.
    Security().remaining = 37;
    OnParameterPage([](COVLinkCfgDlg& page) {
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_REMAINING), u"37");
        page.SetDlgItemText(IDC_OVPARAM_REMAINING, u"");
        page.Click(IDC_OVPARAM_QUERY_LIMIT);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_REMAINING), u"37");
    });
}

TEST_F(GuardedSettings, RefusedInputsAfterTheChallenge) {
    struct Row {
        const char* name;
        fw::Text maximum, key, message;
    };
    const Row rows[] = {
        {"too many burns", u"4294967296", kSerial, u"烧录次数超出范围！"},
        {"no count", u"", kSerial, u"烧录次数不能为空！"},
        {"no key", u"5", u"", u"设备密钥不能为空！"},
        {"key not hex", u"5", u"4F56XX", u"设备密钥必须是成对的十六进制字符！"},
        {"odd key", u"5", u"4F564", u"设备密钥必须是成对的十六进制字符！"},
        {"key too long", u"5", kSerial + u"00", u"设备密钥不能超过16字节！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        downloader->ClearReceivedFrames();
        host.ExpectBox(row.message, fw::IDOK);
        OnParameterPage([&](COVLinkCfgDlg& page) {
            downloader->ClearReceivedFrames();
            SetLimit(page, true, row.maximum, row.key);
        });
        EXPECT_EQ(CountOf(0x02), 1);
        EXPECT_EQ(CountOf(0x18), 0);
    }
}

TEST_F(GuardedSettings, AShortKeyIsPaddedWithZeros) {
    const fw::Text thirty = kNewKey.substr(0, 30);  // the last byte left 0
    Security().key = KeyBytes(u"000102030405060708090A0B0C0D0E00");
    host.ExpectBox(u"修改烧录次数成功！", fw::IDOK);
    OnParameterPage([&](COVLinkCfgDlg& page) { SetLimit(page, true, u"9", thirty); });
    EXPECT_EQ(Security().maximum, 9u);
}

TEST_F(GuardedSettings, AFailedChallengeIsReported) {
    struct Row {
        const char* name;
        std::function<void()> fault;
    };
    const Row rows[] = {
        {"status", [&] { downloader->ForceStatus(0x02, 1); }},
        {"short reply", [&] { downloader->ShortenNextReply(12); }},
        {"no reply", [&] { downloader->DropReplies(1); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.ExpectBox(u"获取随机数失败！", fw::IDOK);
        OnParameterPage([&](COVLinkCfgDlg& page) {
            downloader->ClearReceivedFrames();
            row.fault();
            page.Click(IDC_OVPARAM_RESTORE);
        });
        EXPECT_EQ(CountOf(0x19), 0);
    }
}

TEST_F(GuardedSettings, RestorePutsBackKeyLimitAndParameters) {
    Security().key = KeyBytes(kNewKey);
    Security().limitFlags = 1;
    Security().maximum = Security().remaining = 5;
    downloader->State<linksim::ParameterState>().saved.buzzer = 0;
    host.ExpectBox(u"设备恢复出厂设置失败！", fw::IDOK);
    host.ExpectBox(u"设备已恢复出厂设置！", fw::IDOK);
    OnParameterPage([](COVLinkCfgDlg& page) {
        page.EnterText(IDC_OVPARAM_DEVICE_KEY, kSerial);  // not the key in force
        page.Click(IDC_OVPARAM_RESTORE);
        page.EnterText(IDC_OVPARAM_DEVICE_KEY, kNewKey);
        page.Click(IDC_OVPARAM_RESTORE);
    });
    EXPECT_TRUE(LogHas(u"旧密钥认证错误！"));
    EXPECT_FALSE(Security().key.has_value());  // the factory key, the serial number
    EXPECT_EQ(Security().limitFlags, 0u);
    EXPECT_EQ(Security().maximum, 0xFFFFFFFFu);
    EXPECT_EQ(downloader->State<linksim::ParameterState>().saved, linksim::LinkParameters{});
}

namespace {

class OldFirmware : public GuardedSettings {
protected:
    std::string FirmwareVersion() override { return "3.1.5"; }
};

}  // namespace

TEST_F(OldFirmware, TheNewerCommandsAreRefusedAndNothingIsSent) {
    OnParameterPage([this](COVLinkCfgDlg& page) {
        EXPECT_EQ(CountOf(0x18), 0);  // the counter is not read when the page opens
        for (int button : {IDC_OVPARAM_MODIFY_LIMIT, IDC_OVPARAM_QUERY_LIMIT, IDC_OVPARAM_RESTORE}) {
            SCOPED_TRACE(button);
            host.ExpectBox(u"离线下载器版本过低,请升级至3.1.6或以上版本！", fw::IDOK);
            page.Click(button);
        }
    });
    EXPECT_EQ(CountOf(0x02), 0);
    EXPECT_EQ(CountOf(0x18), 0);
    EXPECT_EQ(CountOf(0x19), 0);
}

TEST_F(GuardedSettings, TheVersionGateByFirmwareVersion) {
    struct Row {
        fw::Text version;
        bool passes;
    };
    // An unknown version (a firmware text too short to hold one) does not stop the request.
    const Row rows[] = {{u"3.1.6", true}, {u"3.2.0", true}, {u"3.1.5", false}, {u"2.9", false}, {u"", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.version));
        window->m_linkFirmwareVersion = row.version;
        OnParameterPage([&](COVLinkCfgDlg& page) {
            downloader->ClearReceivedFrames();
            if (!row.passes) host.ExpectBox(u"离线下载器版本过低,请升级至3.1.6或以上版本！", fw::IDOK);
            page.Click(IDC_OVPARAM_QUERY_LIMIT);
        });
        EXPECT_EQ(CountOf(0x18), row.passes ? 1 : 0);
    }
}

TEST_F(GuardedSettings, KeyDialogChecksTheNewKeyFirst) {
    struct Row {
        fw::Text oldKey, newKey, message;
    };
    const Row rows[] = {
        {u"", u"", u"设备新密钥不能为空！"},
        {u"", u"0011ZZ", u"设备新密钥必须是十六进制字符！"},
        {u"", kNewKey.substr(0, 30), u"设备新密钥应为16字节长度！"},
        {u"", u"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F", u"设备旧密钥不能为空！"},
        {u"G", kNewKey, u"设备旧密钥必须是十六进制字符！"},
        {kNewKey + u"00", kNewKey, u"设备旧密钥应为16字节长度！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.message));
        CUpdateDevKeyDlg dialog;
        host.OnModal(IDD_UPDATE_DEV_KEY, [&](fw::Dialog& d) {
            d.EnterText(IDC_DEVKEY_OLD, row.oldKey);
            d.EnterText(IDC_DEVKEY_NEW, row.newKey);
            host.ExpectBox(row.message, fw::IDOK);
            d.Click(IDC_DEVKEY_OK);
            d.EndDialog(fw::IDCANCEL);  // still open after the message
        });
        EXPECT_EQ(dialog.DoModal(), fw::IDCANCEL);
    }
}

TEST_F(GuardedSettings, AFailedCounterReadLeavesTheCounterAsShown) {
    OnParameterPage([this](COVLinkCfgDlg& page) {
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_REMAINING), u"4294967295");
        Security().remaining = 3;
        downloader->ForceStatus(0x18, 1);
        page.Click(IDC_OVPARAM_QUERY_LIMIT);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_REMAINING), u"4294967295");
        downloader->ShortenNextReply(14);  // flags and half the maximum
        page.Click(IDC_OVPARAM_QUERY_LIMIT);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_REMAINING), u"4294967295");
        page.Click(IDC_OVPARAM_QUERY_LIMIT);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_REMAINING), u"3");
    });
    EXPECT_TRUE(LogHas(u"指令错误！"));
}
