// The main window's production mode on the headless host and the simulated chips: switching modes, the rows,
// folding the settings panel and the download of many chips at once.

#include <algorithm>

#include "app/DownloadCounters.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/download/HexFileWriter.h"

namespace {

class ProductionWindow : public MainWindowFixture {
protected:
    bool Idle() const {
        fw::ScopedLock lock(g_csCounters);
        if (g_activeWorkers != 0) return false;
        return std::all_of(std::begin(g_channels), std::end(g_channels),
                           [](const ChannelSlot& s) { return s.worker.load() == nullptr; });
    }
};

// A partition download leaves item 0 alone; the job must still see where item 1 goes before it decides whether the
// chip's low pages, and so its protection, are concerned.
TEST_F(ProductionWindow, TheJobSeesEveryItemAtTheAddressOfItsText) {
    ovsim::ChipSpec chip = Chip(0);
    chip.readProtection = 1;
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", chip);
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    DownloadItem& partition = w.m_items[1];
    w.m_items[0].enabled = 0;
    partition.enabled = 1;
    SetSegment(partition, 0, hexfile::Pattern(0x400), 0x400);
    partition.addressText[0] = u"08004000";
    partition.address[0] = 0;  // as a loader that knew no address left it

    w.StartDownload();
    ASSERT_TRUE(host.PumpUntil([&] { return Idle(); }, std::chrono::seconds(30)));

    EXPECT_EQ(partition.address[0], 0x08004000u);
    // Pages from 0x08004000 on are not the low pages: nobody is asked to lift the protection for them.
    for (const auto& box : host.Boxes())
        EXPECT_NE(box.text, u"芯片处于读保护等级L1状态，是否解除？");
}

}  // namespace
