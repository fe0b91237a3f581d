// Erase-all and the page erase that unlocks first lift a protected chip before they erase only where the command
// rule allows: series 5, 8, 9, 10 and 11 only over SWD (CMSIS-DAP), where their lift resets no chip into a mass
// erase; every other series on every interface. One table over series and interface for both commands.
#include <gtest/gtest.h>

#include "app/program/ProgramCommands.h"
#include "resources/ui/flash_erase.h"
#include "tests/app/MainWindowFixture.h"

namespace {

class EraseProtectionLift : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }
    // A chip of the series on the interface, connected, that the window takes to be at level 1 with "unlock L1
    // before downloading" ticked: a lift goes straight to the chip, and the chip refuses it, so nothing resets.
    CQXDownloadToolDlg& ConnectProtected(uint8_t series, uint8_t iface) {
        ovsim::Attach(iface, iface == OV_IFACE_USART ? "/dev/ttyUSB0" : "probe-1", Chip(series));
        SysConfig("interface=0" + std::to_string(iface) + "\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        g_stopMonitor = 1;
        w.CheckDlgButton(IDC_CHECK_UNLOCK_L1_BEFORE, 1);
        g_channels[0].rdpLevel = 1;
        ovsim::InjectStatus(ovsim::Fn::ReadProtect, 1, 0xB123);
        ovsim::ClearCallLog();
        host.ClearRecords();
        return w;
    }
};

TEST_F(EraseProtectionLift, OnlyWhereTheSeriesAndInterfaceAllowIt) {
    struct Row {
        uint8_t series, iface;
        bool lifts;
    };
    // Typed from the rule, not computed from it.
    const Row rows[] = {
        {0, OV_IFACE_USART, true},          {0, OV_IFACE_USB_DFU, true},       {0, OV_IFACE_SWD_CMSIS_DAP, true},
        {3, OV_IFACE_USART, true},          {12, OV_IFACE_USART, true},        {12, OV_IFACE_SWD_CMSIS_DAP, true},
        {5, OV_IFACE_USART, false},         {5, OV_IFACE_USB_DFU, false},      {5, OV_IFACE_SWD_CMSIS_DAP, true},
        {8, OV_IFACE_USART, false},         {8, OV_IFACE_USB_DFU, false},      {8, OV_IFACE_SWD_CMSIS_DAP, true},
        {9, OV_IFACE_USART, false},         {9, OV_IFACE_SWD_CMSIS_DAP, true}, {10, OV_IFACE_USART, false},
        {10, OV_IFACE_SWD_CMSIS_DAP, true}, {11, OV_IFACE_USART, false},       {11, OV_IFACE_USB_DFU, false},
        {11, OV_IFACE_SWD_CMSIS_DAP, true},
    };
    for (const Row& r : rows) {
        for (const int command : {ID_ERASE_ALL_FLASH, ID_ERASE_SECTORS_AFTER_UNLOCK}) {
            SCOPED_TRACE("series " + std::to_string(r.series) + " interface " + std::to_string(r.iface) +
                         (command == ID_ERASE_ALL_FLASH ? " erase all" : " erase after unlock"));
            window.reset();
            ovsim::Reset();
            CQXDownloadToolDlg& w = ConnectProtected(r.series, r.iface);
            bool dialogOpened = false;
            host.OnModal(IDD_FLASH_ERASE, [&](fw::Dialog& d) {
                dialogOpened = true;
                if (d.IsWindowVisible()) d.PressEscape();
            });
            if (command == ID_ERASE_ALL_FLASH) host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
            w.SendCommand(command);

            EXPECT_EQ(ovsim::CallCount(ovsim::Fn::ReadProtect), r.lifts ? 1 : 0);
            // A refused lift ends the command before anything is erased or the dialog opens.
            EXPECT_EQ(LogHas(u"解除读保护等级L1失败！"), r.lifts);
            if (command == ID_ERASE_SECTORS_AFTER_UNLOCK) {
                EXPECT_EQ(dialogOpened, !r.lifts);
            }
            if (r.lifts) {
                EXPECT_EQ(ovsim::CallCount(ovsim::Fn::FlashErase), 0);
            }
        }
    }
}

}  // namespace
