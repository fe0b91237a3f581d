// Interface 4 of the main window: connecting reads the downloader's identity into the log, a failed item closes
// the link again, disconnecting closes it, and unplugging the connected downloader is noticed.
#include "core/HexText.h"
#include "tests/offline/LinkFixture.h"

namespace {

class LinkConnect : public LinkFixture {};

const fw::Text kSerialText = u"00112233445566778899AABBCCDDEEFF";

class LinkConnectWithSerial : public LinkFixture {
protected:
    linksim::DownloaderSpec Spec() override {
        linksim::DownloaderSpec spec;
        spec.serial = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
        return spec;
    }
};

}  // namespace

TEST_F(LinkConnectWithSerial, ConnectLogsTheIdentityAndDisconnectClosesTheLink) {
    CQXDownloadToolDlg& w = StartOnLink();
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_VID), u"5158");
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_PID), u"4C50");
    ASSERT_TRUE(ConnectLink());
    EXPECT_EQ(ButtonText(), u"断开设备");
    EXPECT_EQ(host.LogTexts(), (std::vector<fw::Text>{u"ModuleName:OV-Link-Pro", u"Firmware:3.1.6", u"Hardware:V1.0",
                                                      u"SN:" + kSerialText}));
    EXPECT_EQ(w.m_linkFirmwareVersion, u"3.1.6");
    EXPECT_EQ(w.m_linkSerialText, kSerialText);
    EXPECT_FALSE(w.GetDlgItem(IDC_EDIT_VID).IsWindowEnabled());

    w.Click(IDC_BTN_CONNECT);
    EXPECT_EQ(ButtonText(), u"连接设备");
    EXPECT_EQ(w.m_connected, 0);
    EXPECT_TRUE(LogHas(u"设备已断开！"));
    LinkReply reply;
    EXPECT_FALSE(Exchange(u"A0 01 01 00 00 00", reply));
    // What was read stays for the pages until the next read.
    EXPECT_EQ(w.m_linkSerialText, kSerialText);
}

TEST_F(LinkConnect, TheConfigurationWindowOpensOnTheProjectPage) {
    StartOnLink();
    int checked = 0;
    onConfig = [&](COVLinkConfigTabDlg& tabs) {
        ++checked;
        EXPECT_EQ(tabs.GetDlgItem(IDC_OVLINK_TAB).GetCurSel(), 1);
        EXPECT_EQ(tabs.m_currentTab, 1);
        EXPECT_TRUE(tabs.m_projectPage.IsWindowVisible());
        EXPECT_FALSE(tabs.m_paramPage.IsWindowVisible());
        EXPECT_FALSE(tabs.m_encFilePage.IsWindowVisible());
    };
    ASSERT_TRUE(ConnectLink());                  // after a connect
    window->SendCommand(ID_OFFLINE_DOWNLOADER);  // and from the menu
    EXPECT_EQ(checked, 2);
}

TEST_F(LinkConnect, AFailedIdentityItemLogsItAndClosesTheLink) {
    struct Row {
        uint8_t item;
        fw::Text message;
        fw::Text versionAfter;
    };
    const Row rows[] = {
        {1, u"获取设备名失败！", u""},
        {2, u"获取设备固件版本失败！", u""},
        {3, u"获取设备硬件版本失败！", u"3.1.6"},
        {4, u"获取设备序列号失败！", u"3.1.6"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        window.reset();
        host.ClearRecords();
        CQXDownloadToolDlg& w = StartOnLink();
        downloader->DropReplies(0);
        downloader->ForceStatus(0x01, 2, 1, row.item);
        EXPECT_FALSE(ConnectLink());
        EXPECT_EQ(ButtonText(), u"连接设备");
        const auto lines = host.LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().text, row.message);
        EXPECT_EQ(lines.back().color, fw::Rgb(220, 0, 0));
        EXPECT_TRUE(LogHas(u"指令参数错误！"));
        EXPECT_EQ(w.m_linkFirmwareVersion, row.versionAfter);
        LinkReply reply;
        EXPECT_FALSE(Exchange(u"A0 01 01 00 00 00", reply));
    }
}

TEST_F(LinkConnect, NoDownloaderWithTheTypedIdsFailsToConnect) {
    CQXDownloadToolDlg& w = StartOnLink();
    w.EnterText(IDC_EDIT_PID, u"4C51");
    EXPECT_FALSE(ConnectLink());
    EXPECT_EQ(host.LogTexts(), std::vector<fw::Text>{u"连接设备失败！"});
    EXPECT_EQ(ButtonText(), u"连接设备");
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(LinkConnect, EmptyIdsAreAskedFor) {
    struct Row {
        int edit;
        fw::Text message;
    };
    for (const Row& row : {Row{IDC_EDIT_VID, u"请输入VID！"}, Row{IDC_EDIT_PID, u"请输入PID！"}}) {
        SCOPED_TRACE(fw::TextToUtf8(row.message));
        window.reset();
        CQXDownloadToolDlg& w = StartOnLink();
        w.EnterText(row.edit, u"");
        host.ExpectBox(row.message, fw::IDOK);
        EXPECT_FALSE(ConnectLink());
        EXPECT_TRUE(downloader->ReceivedFrames().empty());
    }
}

TEST_F(LinkConnect, TheSecondOfTwoDownloadersIsFoundByItsIds) {
    linksim::DownloaderSpec other;
    other.productId = 0x0042;
    other.moduleName = "Second";
    auto second = linksim::Plug(other);
    CQXDownloadToolDlg& w = StartOnLink();
    w.EnterText(IDC_EDIT_PID, u"42");
    ASSERT_TRUE(ConnectLink());
    EXPECT_TRUE(LogHas(u"ModuleName:Second"));
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(LinkConnect, UnpluggingTheConnectedDownloaderIsNoticed) {
    CQXDownloadToolDlg& w = StartOnLink();
    ASSERT_TRUE(ConnectLink());
    // Another HID device going away leaves the link as it is.
    fw::InjectDeviceChange(fw::DeviceKind::Hid, false, u"/dev/hidraw7");
    host.PumpUntilIdle();
    EXPECT_EQ(w.m_connected, 1);
    EXPECT_EQ(ButtonText(), u"断开设备");

    linksim::Unplug(downloader->Path());
    host.PumpUntilIdle();
    EXPECT_EQ(w.m_connected, 0);
    EXPECT_EQ(ButtonText(), u"连接设备");
    EXPECT_TRUE(LogHas(u"设备已断开！"));
    EXPECT_TRUE(w.GetDlgItem(IDC_COMBO_INTERFACE).IsWindowEnabled());

    // Plugged in again, it connects as before.
    downloader = linksim::Plug();
    host.PumpUntilIdle();
    EXPECT_TRUE(ConnectLink());
}

TEST_F(LinkConnect, AShortFirmwareTextLeavesTheVersionEmpty) {
    linksim::Reset();
    linksim::DownloaderSpec spec;
    spec.firmwarePrefix = "V";
    spec.firmwareVersion = "3.1.6.77";  // "V3.1.6.77": nine characters
    downloader = linksim::Plug(spec);
    CQXDownloadToolDlg& w = StartOnLink();
    ASSERT_TRUE(ConnectLink());
    EXPECT_TRUE(LogHas(u"V3.1.6.77"));
    EXPECT_EQ(w.m_linkFirmwareVersion, u"");
}
