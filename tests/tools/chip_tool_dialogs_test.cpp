// The run-address dialog, the external flash key dialog and the chip-series chooser, through the main window's
// commands that open them and on the simulated chips.
#include <gtest/gtest.h>

#include "app/program/ProgramCommands.h"
#include "resources/ui/app_go.h"
#include "resources/ui/select_chip_series.h"
#include "resources/ui/set_ext_flash_key.h"
#include "tests/app/MainWindowFixture.h"
#include "tools/AppGoDlg.h"
#include "tools/SetExtFlashKeyDlg.h"

namespace {

using fw::Text;

class ChipToolDialogs : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }
    // The run-address dialog, whenever it opens, takes `address` and OK.
    void AnswerAppGo(const Text& address) {
        host.OnModal(IDD_APP_GO, [address](fw::Dialog& d) {
            d.EnterText(IDC_APP_GO_ADDRESS, address);
            d.Click(IDC_APP_GO_OK);
        });
    }
    CQXDownloadToolDlg& Connect(uint8_t series, uint8_t iface = OV_IFACE_USART, const std::string& lines = {}) {
        ovsim::Attach(iface, iface == OV_IFACE_USART ? "/dev/ttyUSB0" : "probe-1", Chip(series));
        SysConfig("interface=0" + std::to_string(iface) + "\n" + lines);
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        return w;
    }
};

// Typed from the dialog's rules: the default per series and the windows it enforces.
TEST_F(ChipToolDialogs, AppGoAddressDefaultsAndWindows) {
    struct Row {
        uint8_t series;
        Text defaultText;
        Text typed;
        Text refusal;  // empty: accepted
        uint32_t address;
    };
    const Row rows[] = {
        {11, u"20001000", u"20001000", {}, 0x20001000},
        {11, u"20001000", u"20003FFF", {}, 0x20003FFF},
        {11, u"20001000", u"20004000", u"输入地址不正确！", 0},
        {11, u"20001000", u"20000FFF", u"输入地址不正确！", 0},
        {8, u"2000A000", u"20030FFF", {}, 0x20030FFF},
        {9, u"2000A000", u"20031000", u"输入地址不正确！", 0},
        {12, u"20000500", u"1234", {}, 0x1234},
        {10, u"08000000", u"FFFFFFFF", {}, 0xFFFFFFFF},
        {10, u"08000000", u"12G4", u"输入地址应为十六进制数！", 0},
        {10, u"08000000", u"", u"输入地址应为十六进制数！", 0},
        {10, u"08000000", u"123456789", u"输入地址不正确！", 0},
        {0, u"08000000", u"08000000", {}, 0x08000000},
    };
    CQXDownloadToolDlg& w = Start();
    for (const Row& r : rows) {
        SCOPED_TRACE(fw::TextToUtf8(r.typed) + " on series " + std::to_string(r.series));
        w.m_chipSeries = r.series;
        Text shown;
        host.OnModal(IDD_APP_GO, [&](fw::Dialog& d) {
            shown = d.GetDlgItemText(IDC_APP_GO_ADDRESS);
            d.EnterText(IDC_APP_GO_ADDRESS, r.typed);
            if (!r.refusal.empty()) {
                host.ExpectBox(r.refusal, fw::IDOK);
                d.Click(IDC_APP_GO_OK);
                EXPECT_TRUE(d.IsWindowVisible()) << "a refusal keeps the dialog open";
                d.PressEscape();
                return;
            }
            d.Click(IDC_APP_GO_OK);
        });
        AppGoDlg dialog(&w);
        EXPECT_EQ(dialog.DoModal(), r.refusal.empty() ? fw::IDOK : fw::IDCANCEL);
        EXPECT_EQ(shown, r.defaultText);
        if (r.refusal.empty()) {
            EXPECT_EQ(dialog.m_address, r.address);
        }
    }
}

TEST_F(ChipToolDialogs, ExternalFlashKeyText) {
    struct Row {
        Text typed;
        Text refusal;
        Text key;
    };
    const Text digits = u"00112233445566778899AABBCCDDEEFF";
    const Row rows[] = {
        {u"0x00 11 22 33\t44 55 66 77 88 99 AA BB CC DD EE FF", {}, digits},
        {digits, {}, digits},
        {u"0X" + digits, u"外设FLASH加密密钥长度必须为16字节！", {}},
        {digits.substr(0, 30), u"外设FLASH加密密钥长度必须为16字节！", {}},
        {u" \t ", u"外设FLASH加密密钥不能为空！", {}},
        {u"00112233445566778899AABBCCDDEEFG", u"外设FLASH加密密钥必须为十六进制字符！", {}},
    };
    CQXDownloadToolDlg& w = Start();
    for (const Row& r : rows) {
        SCOPED_TRACE(fw::TextToUtf8(r.typed));
        host.OnModal(IDD_SET_EXT_FLASH_KEY, [&](fw::Dialog& d) {
            EXPECT_TRUE(d.GetDlgItemText(IDC_EXT_FLASH_KEY_EDIT).empty());
            d.EnterText(IDC_EXT_FLASH_KEY_EDIT, r.typed);
            if (!r.refusal.empty()) host.ExpectBox(r.refusal, fw::IDOK);
            d.Click(IDC_EXT_FLASH_KEY_OK);
            if (!r.refusal.empty()) d.PressEscape();
        });
        CSetExtFlashKeyDlg dialog(&w);
        EXPECT_EQ(dialog.DoModal(), r.refusal.empty() ? fw::IDOK : fw::IDCANCEL);
        EXPECT_EQ(dialog.m_keyText, r.key);
    }
}

TEST_F(ChipToolDialogs, AppGoRunsTheChipWhereAsked) {
    // Series 10 asks for the flash address; other series run from address 0 without asking.
    CQXDownloadToolDlg& w = Connect(10);
    AnswerAppGo(u"15000400");
    w.SendCommand(ID_APP_GO);
    EXPECT_TRUE(LogHas(u"跳转成功！"));
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").runAddress, 0x15000400u);

    // Cancel: nothing is sent.
    host.OnModal(IDD_APP_GO, [](fw::Dialog& d) { d.PressEscape(); });
    ovsim::ClearCallLog();
    w.SendCommand(ID_APP_GO);
    for (const auto& c : ovsim::CallLog())
        EXPECT_NE(c.fn, ovsim::Fn::AppGo);
}

TEST_F(ChipToolDialogs, AppGoFailureIsRed) {
    CQXDownloadToolDlg& w = Connect(0);
    ovsim::InjectStatus(ovsim::Fn::AppGo, 1, 0xB123);
    w.SendCommand(ID_APP_GO);
    const auto lines = host.LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back().text, u"跳转失败！");
    EXPECT_EQ(lines.back().color, lines[lines.size() - 2].color);
    EXPECT_FALSE(LogHas(u"跳转成功！"));
    EXPECT_FALSE(ovsim::State("/dev/ttyUSB0").runAddress.has_value());
}

TEST_F(ChipToolDialogs, SramAppGoSendsTheBootLoadersCommandOnSeries8AndAppGoElsewhere) {
    {
        CQXDownloadToolDlg& w = Connect(8);
        AnswerAppGo(u"2000A010");
        ovsim::ClearCallLog();
        w.SendCommand(ID_SRAM_APP_GO);
        EXPECT_TRUE(LogHas(u"跳转成功！"));
        EXPECT_EQ(ovsim::State("/dev/ttyUSB0").runAddress, 0x2000A010u);
        bool viaCommand = false;
        for (const auto& c : ovsim::CallLog()) {
            viaCommand = viaCommand || c.fn == ovsim::Fn::SendCommand;
            EXPECT_NE(c.fn, ovsim::Fn::AppGo);
        }
        EXPECT_TRUE(viaCommand);
    }
    window.reset();
    ovsim::Reset();
    host.ClearRecords();
    CQXDownloadToolDlg& w = Connect(11);
    AnswerAppGo(u"20002000");
    w.SendCommand(ID_SRAM_APP_GO);
    EXPECT_TRUE(LogHas(u"跳转成功！"));
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").runAddress, 0x20002000u);
}

TEST_F(ChipToolDialogs, SeriesChooserListsTheModelsAndSetsTheSeriesForLevelZero) {
    // A protected chip over CMSIS-DAP: its information is unreadable, so the user names the model.
    CQXDownloadToolDlg& w = Connect(3, OV_IFACE_SWD_CMSIS_DAP, "device 1=VK517C8\ndevice 3=VK232C8T6\n");
    ovsim::MakeProtected("probe-1", 1);
    g_channels[0].rdpLevel = 0xFF;
    w.m_chipSeries = 0;
    std::vector<Text> listed;
    host.OnModal(IDD_SELECT_CHIP_SERIES, [&](fw::Dialog& d) {
        fw::Control combo = d.GetDlgItem(IDC_CHIP_SERIES_COMBO);
        for (int i = 0; i < combo.GetCount(); ++i)
            listed.push_back(combo.GetLBText(i));
        combo.SetCurSel(1);
        d.Click(IDC_CHIP_SERIES_OK);
    });
    w.SendCommand(ID_DISABLE_READ_PROTECTION_L1);
    EXPECT_EQ(listed, (std::vector<Text>{u"VK517C8", u"VK232C8T6"}));
    EXPECT_EQ(w.m_chipSeries, 3);
    EXPECT_TRUE(LogHas(u"解除读保护等级L1成功，复位后生效！"));
    EXPECT_EQ(ovsim::State("probe-1").pendingLevel, 0);

    // Cancel ends the command; with no model listed OK is refused.
    g_channels[0].rdpLevel = 0xFF;
    host.OnModal(IDD_SELECT_CHIP_SERIES, [](fw::Dialog& d) { d.PressEscape(); });
    ovsim::ClearCallLog();
    w.SendCommand(ID_DISABLE_READ_PROTECTION_L1);
    for (const auto& c : ovsim::CallLog())
        EXPECT_NE(c.fn, ovsim::Fn::ReadProtect);

    SysConfig("interface=03\n");
    g_channels[0].rdpLevel = 0xFF;
    host.OnModal(IDD_SELECT_CHIP_SERIES, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItem(IDC_CHIP_SERIES_COMBO).GetCount(), 0);
        host.ExpectBox(u"请选择芯片系列！", fw::IDOK);
        d.Click(IDC_CHIP_SERIES_OK);
        d.PressEscape();
    });
    ovsim::ClearCallLog();
    w.SendCommand(ID_DISABLE_READ_PROTECTION_L1);
    for (const auto& c : ovsim::CallLog())
        EXPECT_NE(c.fn, ovsim::Fn::ReadProtect);
}

}  // namespace
