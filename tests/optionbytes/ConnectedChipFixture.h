// The main window connected over USART to one simulated chip, the connection monitor stopped so that nothing
// reconnects in the middle of a test, records and the call log cleared.
#pragma once

#include <string>

#include "app/program/ProgramCommands.h"
#include "tests/app/MainWindowFixture.h"

class ConnectedChipFixture : public MainWindowFixture {
protected:
    static constexpr const char* kDevice = "/dev/ttyUSB0";

    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }

    CQXDownloadToolDlg& ConnectChip(uint8_t series, const std::string& model = {}) {
        ovsim::Attach(0, kDevice, Chip(series, model));
        SysConfig("interface=00\ndevice 1=VK517C8\nbaud=115200\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        g_stopMonitor = 1;
        fw::Sleep(700);  // the monitor sees the flag after its poll
        host.ClearRecords();
        ovsim::ClearCallLog();
        return w;
    }

    std::vector<uint8_t> Image() const { return ovsim::OptionImage(kDevice); }
};
