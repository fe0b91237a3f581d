// The main window connected over USART to one simulated chip, with every program command added, and a download of
// one partition's part run to its end.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/program/ProgramCommands.h"
#include "framework/Format.h"
#include "tests/app/MainWindowFixture.h"

class ChipToolFixture : public MainWindowFixture {
protected:
    static constexpr uint32_t kBase = 0x08000000;
    inline static const std::string kPort = "/dev/ttyUSB0";

    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }
    CQXDownloadToolDlg& Connect(uint8_t series) {
        ovsim::Attach(OV_IFACE_USART, kPort, Chip(series));
        SysConfig("interface=00\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        return w;
    }
    // Sends `command`, runs `script` in the dialog `templateId` it opens and cancels the dialog afterwards.
    void WithDialog(CQXDownloadToolDlg& w, int command, int templateId,
                    const std::function<void(fw::Dialog&)>& script) {
        bool ran = false;
        host.OnModal(templateId, [&](fw::Dialog& d) {
            ran = true;
            script(d);
            d.Click(fw::IDCANCEL);
        });
        w.SendCommand(command);
        EXPECT_TRUE(ran);
    }
    // Downloads `data` as the only enabled part, part `item`, and waits for the job to end.
    void DownloadPart(CQXDownloadToolDlg& w, int item, uint32_t address, const std::vector<uint8_t>& data) {
        const std::string name = "part" + std::to_string(item) + ".bin";
        dir.Write(name, std::string(data.begin(), data.end()));
        ASSERT_TRUE(w.LoadBinFile(dir.Wide(name), item));
        for (int i = 0; i < 3; ++i)
            w.m_items[i].enabled = i == item ? 1 : 0;
        w.m_items[item].addressText[0] = fw::Format(u"%08X", address);
        WaitForDownload(w);
    }
    void WaitForDownload(CQXDownloadToolDlg& w) {
        const size_t panes = host.PaneTexts(2).size();
        w.StartDownload();
        ASSERT_TRUE(
            host.PumpUntil([&] { return g_channels[0].worker.load() == nullptr && host.PaneTexts(2).size() > panes; },
                           std::chrono::seconds(30)));
    }
    static std::vector<fw::Text> Entries(fw::Control combo) {
        std::vector<fw::Text> out;
        for (int i = 0; i < combo.GetCount(); ++i)
            out.push_back(combo.GetLBText(i));
        return out;
    }
};
