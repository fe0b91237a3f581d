// The frame every chip command of the Operations menu runs in, one table over the commands: what happens without
// a connection, with a chip whose information could not be read, and which interfaces hold the device mutex while
// the command talks to the chip.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "app/ChipDialogHooks.h"
#include "tests/app/MainWindowFixture.h"

namespace {

using fw::Text;

struct CommandRow {
    const char* name;
    int id;
    ovsim::Fn call;                   // the library call the command makes
    std::set<int> mutexInterfaces;    // interfaces on which the mutex is held during that call
    std::set<int> unreadableChecked;  // interfaces on which an unreadable chip stops the command
    std::vector<Text> questions;      // answered Yes, in order
};

const Text kSwdUnreadable = u"请尝试解除读保护，再重新连接！";

// Typed from the command table: the interfaces of each command's mutex and of its unreadable-chip check.
const std::vector<CommandRow>& Commands() {
    static const std::vector<CommandRow> rows = {
        {"chip information", ID_GET_CHIP_INFORMATION, ovsim::Fn::GetInf, {0, 1, 3, 5}, {}, {}},
        {"erase all", ID_ERASE_ALL_FLASH, ovsim::Fn::FlashErase, {0, 1, 2, 3, 5}, {}, {u"确认全擦除FLASH?"}},
        {"enable L1", ID_ENABLE_READ_PROTECTION_L1, ovsim::Fn::ReadProtect, {0, 1, 3, 5}, {2, 3}, {}},
        {"enable L2",
         ID_ENABLE_READ_PROTECTION_L2,
         ovsim::Fn::ReadProtect,
         {0, 1, 3, 5},
         {2, 3},
         {u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?"}},
        {"disable L1", ID_DISABLE_READ_PROTECTION_L1, ovsim::Fn::ReadProtect, {0, 1, 3, 5}, {}, {}},
        {"flash seal", ID_FLASH_SEAL, ovsim::Fn::UserxOp, {0, 1, 3, 5}, {}, {u"确认是否FLASH封口?"}},
        // Last: it reconnects.
        {"reset", ID_RESET, ovsim::Fn::SysReset, {0, 1, 3, 5}, {2, 3}, {}},
    };
    return rows;
}

// True when another thread could not take the device mutex at once.
bool MutexHeldElsewhere() {
    return std::async(std::launch::async,
                      [] {
                          const bool got = g_hDeviceMutex->Wait(0);
                          if (got) g_hDeviceMutex->Release();
                          return !got;
                      })
        .get();
}

class ChipCommandFrame : public MainWindowFixture {
protected:
    void TearDown() override {
        ovsim::SetCallObserver({});
        SetChipSeriesChooser({});
        MainWindowFixture::TearDown();
    }

    // A series-0 chip on the interface, connected, with the connection monitor stopped so that only the command
    // under test takes the mutex.
    CQXDownloadToolDlg& ConnectOn(int iface, bool unreadable = false) {
        const std::string name = iface == 0 ? "/dev/ttyUSB0" : iface == 2 ? "VK517C8" : "probe-1";
        ovsim::Attach(static_cast<uint8_t>(iface), name, Chip(0, "VK517C8"));
        if (unreadable) ovsim::InjectStatus(ovsim::Fn::GetInf, 1, 0xB001);
        SysConfig("interface=0" + std::to_string(iface) + "\ndevice 1=VK517C8\nbaud=115200\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        g_stopMonitor = 1;
        fw::Sleep(700);  // the monitor sees the flag after its poll
        return w;
    }

    // Runs the command answering its questions Yes; records whether this thread held the mutex at its call.
    void Run(CQXDownloadToolDlg& w, const CommandRow& row, std::optional<bool>& heldAtCall) {
        const std::thread::id ui = std::this_thread::get_id();
        ovsim::SetCallObserver([&, ui](ovsim::Fn fn, const std::string&) {
            if (fn != row.call || std::this_thread::get_id() != ui || heldAtCall) return;
            // Release answers whether this thread owned it; take it back at once.
            const bool mine = g_hDeviceMutex->Release();
            if (mine) g_hDeviceMutex->Wait();
            heldAtCall = mine;
        });
        for (const Text& q : row.questions)
            host.ExpectBox(q, fw::IDYES);
        w.SendCommand(row.id);
        ovsim::SetCallObserver({});
    }
};

TEST_F(ChipCommandFrame, NotConnectedShowsOnlyTheBoxAndLeavesTheMutexAlone) {
    CQXDownloadToolDlg& w = Start();
    // Someone else holds the mutex: a command that waited for it would take five seconds.
    std::promise<void> taken, done;
    std::thread holder([&] {
        g_hDeviceMutex->Wait();
        taken.set_value();
        done.get_future().wait();
        g_hDeviceMutex->Release();
    });
    taken.get_future().wait();
    for (const CommandRow& row : Commands()) {
        SCOPED_TRACE(row.name);
        host.ClearRecords();
        ovsim::ClearCallLog();
        // The L2 question comes before the connection check.
        if (row.id == ID_ENABLE_READ_PROTECTION_L2) host.ExpectBox(row.questions[0], fw::IDYES);
        host.ExpectBox(u"请先连接设备！", fw::IDOK);
        const auto start = std::chrono::steady_clock::now();
        w.SendCommand(row.id);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_TRUE(host.LogTexts().empty());
        EXPECT_TRUE(ovsim::CallLog().empty());
    }
    done.set_value();
    holder.join();
}

TEST_F(ChipCommandFrame, MutexIsHeldAtTheCallOnTheCommandsInterfacesAndReleasedAfter) {
    SetChipSeriesChooser([](CQXDownloadToolDlg&) { return true; });
    for (int iface : {0, 2, 3}) {
        SCOPED_TRACE(iface);
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = ConnectOn(iface);
        for (const CommandRow& row : Commands()) {
            SCOPED_TRACE(row.name);
            std::optional<bool> held;
            Run(w, row, held);
            ASSERT_TRUE(held.has_value()) << "the command made no " << ovsim::FnName(row.call) << " call";
            EXPECT_EQ(*held, row.mutexInterfaces.count(iface) == 1);
            EXPECT_FALSE(MutexHeldElsewhere());
        }
    }
}

TEST_F(ChipCommandFrame, UnreadableChipStopsOnlyTheCommandsThatCheckItsInterface) {
    SetChipSeriesChooser([](CQXDownloadToolDlg&) { return true; });
    for (int iface : {0, 3}) {
        SCOPED_TRACE(iface);
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = ConnectOn(iface, iface == 3);
        for (const CommandRow& row : Commands()) {
            SCOPED_TRACE(row.name);
            // Over USART no chip stays connected unread; the check must still look at the interface.
            g_channels[0].rdpLevel = 0xFF;
            host.ClearRecords();
            ovsim::ClearCallLog();
            const bool stopped = row.unreadableChecked.count(iface) == 1;
            std::optional<bool> held;
            if (stopped) {
                w.SendCommand(row.id);
            } else {
                Run(w, row, held);
            }
            EXPECT_EQ(LogHas(kSwdUnreadable), stopped);
            bool called = false;
            for (const auto& c : ovsim::CallLog())
                called = called || c.fn == row.call;
            EXPECT_EQ(called, !stopped);
            EXPECT_FALSE(MutexHeldElsewhere());
        }
    }
}

}  // namespace
