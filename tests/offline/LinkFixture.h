// The main window on the headless host with the offline subsystem registered and one simulated downloader plugged
// in (linksim, in `downloader`). ConnectLink selects interface 4 and presses Connect as a user would.
#pragma once

#include <filesystem>
#include <memory>

#include "linksim/LinkSim.h"
#include "offline/LinkSession.h"
#include "offline/LinkTimeouts.h"
#include "offline/OVLinkConfigTabDlg.h"
#include "offline/OfflineCommands.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/offline/ClosedUpdatePort.h"

class LinkFixture : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        // The configuration window's project page reads the chip series table whenever it opens.
        std::filesystem::copy_file(std::filesystem::path(QX_SOURCE_DIR) / "resources" / "Series CFG Table.ini",
                                   dir.Path() / "Series CFG Table.ini");
        RegisterOfflineCommands();
        linksim::Reset();
        // A dropped reply costs a test this long instead of the seconds a real downloader is given.
        SetLinkReplyTimeouts(250, 250);
        downloader = linksim::Plug(Spec());
        // The configuration window opens after every connect; a test that wants it says what to do in it.
        host.OnModal(IDD_OVLINK_CONFIG, [this](fw::Dialog& d) {
            ++configRuns;
            auto& tabs = static_cast<COVLinkConfigTabDlg&>(d);
            if (onConfig) onConfig(tabs);
            d.EndDialog(fw::IDCANCEL);
        });
    }

    void TearDown() override {
        MainWindowFixture::TearDown();
        linksim::Reset();
        SetLinkReplyTimeouts(0, 0);
    }

    // What the plugged downloader is; a test overrides it before SetUp runs, or plugs another.
    virtual linksim::DownloaderSpec Spec() { return {}; }

    // Starts the window on interface 4; ConnectLink connects it, and the configuration window that opens then
    // runs `onConfig`.
    CQXDownloadToolDlg& StartOnLink() {
        SysConfig("interface=04\n");
        return Start();
    }
    bool ConnectLink() {
        window->Click(IDC_BTN_CONNECT);
        return window->m_connected == 1;
    }
    // Started and connected, with the records of getting there cleared.
    void StartConnected() {
        StartOnLink();
        ASSERT_TRUE(ConnectLink());
        host.ClearRecords();
        downloader->ClearReceivedFrames();
    }

    // Sends one request the way the pages do.
    bool Exchange(fw::TextView request, LinkReply& reply) { return ExchangeLinkCommand(*window, request, reply); }

    // Opens the configuration window from its menu entry and runs `work` on its parameter page.
    void OnParameterPage(const std::function<void(COVLinkCfgDlg&)>& work) {
        onConfig = [&work](COVLinkConfigTabDlg& tabs) { work(tabs.m_paramPage); };
        window->SendCommand(ID_OFFLINE_DOWNLOADER);
        onConfig = nullptr;
    }

    // The window's start-up check asks nobody.
    ClosedUpdatePort closedUpdatePort;
    std::shared_ptr<linksim::Downloader> downloader;
    std::function<void(COVLinkConfigTabDlg&)> onConfig;
    int configRuns = 0;
};
