// The security chip's set-key dialog in its three uses, through the commands that open it, on a simulated chip.
#include <gtest/gtest.h>

#include "app/program/ProgramCommands.h"
#include "core/BuiltinKeys.h"
#include "core/SecurityFiles.h"
#include "core/StatusText.h"
#include "resources/ui/set_key.h"
#include "tests/app/MainWindowFixture.h"
#include "tools/JtagKeyBlocks.h"
#include "tools/SetDlg.h"

namespace {

using fw::Text;

const std::string kDev = "/dev/ttyUSB0";

class SetKeyDialog : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }
    void TearDown() override {
        ovsim::SetCallObserver({});
        MainWindowFixture::TearDown();
    }
    CQXDownloadToolDlg& Connect() {
        ovsim::Attach(OV_IFACE_USART, kDev, Chip(10));
        SysConfig("interface=00\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        host.ClearRecords();
        return w;
    }
    // Opens the dialog in use as its launcher does and runs script in it; answers how the dialog ended.
    int Run(CQXDownloadToolDlg& w, uint8_t use, const std::function<void(fw::Dialog&)>& script) {
        host.OnModal(IDD_SET_KEY, script);
        w.m_setKeyMode = use;
        CSetDlg dialog(&w);
        return dialog.DoModal();
    }
    // Chooses path with the Browse button.
    void ChooseFile(fw::Dialog& d, const std::string& name) {
        host.ExpectOpenFile(dir.Wide(name));
        EXPECT_TRUE(d.Click(IDC_SET_KEY_BROWSE));
        EXPECT_EQ(d.GetDlgItemText(IDC_SET_KEY_PATH), dir.Wide(name));
    }
    void ClickOkExpecting(fw::Dialog& d, const Text& box) {
        host.ExpectBox(box, fw::IDOK);
        d.Click(IDC_SET_KEY_OK);
    }
    static Key16 Enciphered(Key16 block) {
        CipherWithBuiltinCounter(block, kBuiltinAesKey);
        return block;
    }
    static std::vector<uint8_t> Bytes(const Key16& k) { return {k.begin(), k.end()}; }
};

TEST_F(SetKeyDialog, SecureModeIsSetWithTheTokenOfTheLastChallenge) {
    CQXDownloadToolDlg& w = Connect();
    EXPECT_EQ(Run(w, kSetSecureMode,
                  [&](fw::Dialog& d) {
                      EXPECT_EQ(d.GetWindowText(), u"设置安全模式");
                      EXPECT_EQ(d.GetDlgItemText(IDC_SET_KEY_MODE_LABEL), u"安全模式：");
                      fw::Control list = d.GetDlgItem(IDC_SET_KEY_MODE);
                      ASSERT_EQ(list.GetCount(), 2);
                      EXPECT_EQ(list.GetLBText(0), u"ROOT MODE");
                      EXPECT_EQ(list.GetCurSel(), 0);
                      EXPECT_FALSE(d.GetDlgItem(IDC_SET_KEY_PATH).IsWindowVisible());
                      EXPECT_FALSE(d.GetDlgItem(IDC_SET_KEY_DEFAULT).IsWindowVisible());
                      d.Select(IDC_SET_KEY_MODE, 1);
                      d.Click(IDC_SET_KEY_OK);
                  }),
              fw::IDOK);
    EXPECT_EQ(ovsim::State(kDev).secureMode, 1);
    EXPECT_EQ(host.LogTexts(), std::vector<Text>{u"设置安全模式成功！"});
    EXPECT_TRUE(host.Boxes().empty());
}

TEST_F(SetKeyDialog, ATokenOfAnOlderChallengeIsRefusedWithTheChipsStatus) {
    CQXDownloadToolDlg& w = Connect();
    // Another challenge reaches the chip between the program's challenge and its token.
    const DeviceHandle handle = w.m_hDevice;
    ovsim::SetCallObserver([handle](ovsim::Fn fn, const std::string&) {
        if (fn != ovsim::Fn::SetSecureMode) return;
        const uint8_t command[8] = {0x20};
        uint8_t reply[256] = {};
        uint32_t length = 22;
        OV_CMD_SEND_COMMAND(handle, command, sizeof command, reply, &length);
    });
    EXPECT_EQ(Run(w, kSetSecureMode,
                  [&](fw::Dialog& d) {
                      ClickOkExpecting(d, u"设置安全模式失败！");
                      d.PressEscape();
                  }),
              fw::IDCANCEL);
    EXPECT_EQ(ovsim::State(kDev).secureMode, -1);
    const auto lines = host.LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, StatusCodeToText(CMD_STATUS_KEY_AUTH_FAILED));
    EXPECT_EQ(lines[1].text, u"设置安全模式失败！");
    for (const auto& l : lines)
        EXPECT_EQ(l.color, fw::Color{kLogRed});

    // Without a challenge there is no token: nothing goes to the chip.
    ovsim::SetCallObserver({});
    host.ClearRecords();
    ovsim::ClearCallLog();
    ovsim::InjectStatus(ovsim::Fn::SendCommand, 1, 0xB123);
    EXPECT_EQ(Run(w, kSetSecureMode,
                  [&](fw::Dialog& d) {
                      ClickOkExpecting(d, u"获取认证码失败！");
                      d.PressEscape();
                  }),
              fw::IDCANCEL);
    EXPECT_EQ(host.LogTexts(), (std::vector<Text>{u"获取随机数失败！", StatusCodeToText(0xB123), u"获取认证码失败！"}));
    for (const auto& c : ovsim::CallLog())
        EXPECT_NE(c.fn, ovsim::Fn::SetSecureMode);
}

TEST_F(SetKeyDialog, JtagModeTakesTheKeyFileOrTheDefaultKey) {
    CQXDownloadToolDlg& w = Connect();
    const Key16 plain{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const Key16 stored{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0};
    dir.Write("plain.bin", std::string(plain.begin(), plain.end()));
    dir.Write("upper.ENC", std::string(stored.begin(), stored.end()));
    dir.Write("short.bin", std::string(15, '\x01'));
    dir.Write("long.enc", std::string(17, '\x01'));

    EXPECT_EQ(Run(w, kSetJtagMode,
                  [&](fw::Dialog& d) {
                      EXPECT_EQ(d.GetWindowText(), u"设置JTAG模式");
                      EXPECT_EQ(d.GetDlgItemText(IDC_SET_KEY_MODE_LABEL), u"JTAG模式：");
                      EXPECT_EQ(d.GetDlgItem(IDC_SET_KEY_MODE).GetLBText(1), u"使能");
                      EXPECT_TRUE(d.GetDlgItem(IDC_SET_KEY_PATH).IsWindowVisible());
                      ClickOkExpecting(d, u"请选择密钥文件！");
                      for (const char* name : {"short.bin", "long.enc"}) {
                          ChooseFile(d, name);
                          ClickOkExpecting(d, u"文件长度不正确！");
                      }
                      d.Select(IDC_SET_KEY_MODE, 1);
                      ChooseFile(d, "plain.bin");
                      d.Click(IDC_SET_KEY_OK);
                  }),
              fw::IDOK);
    EXPECT_EQ(ovsim::State(kDev).jtagMode, 1);
    EXPECT_EQ(ovsim::State(kDev).jtagModeKey, Bytes(Enciphered(plain))) << "a plain key goes enciphered";

    EXPECT_EQ(Run(w, kSetJtagMode,
                  [&](fw::Dialog& d) {
                      ChooseFile(d, "upper.ENC");
                      d.Click(IDC_SET_KEY_OK);
                  }),
              fw::IDOK);
    EXPECT_EQ(ovsim::State(kDev).jtagMode, 0);
    EXPECT_EQ(ovsim::State(kDev).jtagModeKey, Bytes(stored)) << "an enciphered key goes as it was read";

    // The default key needs no file; the file row is off while it is chosen.
    EXPECT_EQ(Run(w, kSetJtagMode,
                  [&](fw::Dialog& d) {
                      d.Tick(IDC_SET_KEY_DEFAULT, true);
                      EXPECT_FALSE(d.GetDlgItem(IDC_SET_KEY_BROWSE).IsWindowEnabled());
                      EXPECT_FALSE(d.GetDlgItem(IDC_SET_KEY_PATH).IsWindowEnabled());
                      d.Click(IDC_SET_KEY_OK);
                  }),
              fw::IDOK);
    EXPECT_EQ(ovsim::State(kDev).jtagModeKey, Bytes(Enciphered(kDefaultJtagKey)));
    EXPECT_EQ(LogCount(u"设置JTAG模式成功！"), 3);

    // A path that cannot be read.
    dir.Write("gone.bin", std::string(16, '\x02'));
    EXPECT_EQ(Run(w, kSetJtagMode,
                  [&](fw::Dialog& d) {
                      ChooseFile(d, "gone.bin");
                      std::filesystem::remove(dir.Path() / "gone.bin");
                      ClickOkExpecting(d, u"读取文件失败！");
                      d.PressEscape();
                  }),
              fw::IDCANCEL);
}

TEST_F(SetKeyDialog, JtagKeyIsBuiltAfreshForEveryAttempt) {
    CQXDownloadToolDlg& w = Connect();
    const uint8_t key[4] = {0x12, 0x34, 0x56, 0x78};
    const auto file = MakeJtagKeyFile(std::span<const uint8_t, 4>(key), true, kBuiltinAesKey);
    dir.Write("jtag.enc", std::string(file.begin(), file.end()));
    ovsim::InjectStatus(ovsim::Fn::SetKey, 1, 0xB123);
    EXPECT_EQ(Run(w, kSetJtagKey,
                  [&](fw::Dialog& d) {
                      EXPECT_EQ(d.GetWindowText(), u"设置JTAG密钥");
                      EXPECT_FALSE(d.GetDlgItem(IDC_SET_KEY_MODE).IsWindowVisible());
                      EXPECT_FALSE(d.GetDlgItem(IDC_SET_KEY_DEFAULT).IsWindowVisible());
                      ChooseFile(d, "jtag.enc");
                      ClickOkExpecting(d, u"设置JTAGKey密钥失败！");
                      d.Click(IDC_SET_KEY_OK);
                  }),
              fw::IDOK);
    const Key16 expected = Enciphered({0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x78});
    EXPECT_EQ(ovsim::State(kDev).jtagKey, Bytes(expected));
    EXPECT_EQ(host.LogTexts(),
              (std::vector<Text>{StatusCodeToText(0xB123), u"设置JTAGKey密钥失败！", u"设置JTAGKey密钥成功！"}));
}

TEST_F(SetKeyDialog, LaunchersNeedADeviceAndTheMenuOffersThemOnTheSecurityChip) {
    CQXDownloadToolDlg& w = Start();
    for (int id : {ID_SET_SECURE_MODE, ID_SET_JTAG_MODE, ID_SET_JTAG_KEY}) {
        host.ExpectBox(u"请先连接设备！", fw::IDOK);
        w.SendCommand(id);
    }
    EXPECT_TRUE(host.ModalsRun().empty());
    window.reset();
    CQXDownloadToolDlg& connected = Connect();
    host.OnModal(IDD_SET_KEY, [](fw::Dialog& d) { d.PressEscape(); });
    connected.SendCommand(ID_SET_JTAG_KEY);
    EXPECT_EQ(host.ModalsRun(), std::vector<int>{IDD_SET_KEY});
    EXPECT_EQ(connected.m_setKeyMode, kSetJtagKey);
    connected.UpdateMenuState(1);
    for (unsigned id : {ID_SET_JTAG_MODE, ID_SET_JTAG_KEY})
        EXPECT_EQ(connected.GetMenu().GetMenuState(id, fw::MF_BYCOMMAND), fw::MF_ENABLED);
}

}  // namespace
