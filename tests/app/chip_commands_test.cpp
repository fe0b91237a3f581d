// The frame every chip command of the Operations menu runs in, one table over the commands: what happens without
// a connection, with a chip whose information could not be read, and which interfaces hold the device mutex while
// the command talks to the chip.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "app/ChipDialogHooks.h"
#include "app/DeviceMutexScope.h"
#include "core/StatusText.h"
#include "devicelib/sim/PageErase.h"
#include "tests/app/MainWindowFixture.h"

namespace {

using fw::Text;

// A command that waits for the device mutex someone else holds takes the whole wait: the bound a busy machine
// cannot reach while the command does not wait.
constexpr std::chrono::milliseconds kHeldMutexWait(DeviceMutexScope::kWaitMs);

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
    DeviceMutexHolder holder;
    for (const CommandRow& row : Commands()) {
        SCOPED_TRACE(row.name);
        host.ClearRecords();
        ovsim::ClearCallLog();
        // The L2 question comes before the connection check.
        if (row.id == ID_ENABLE_READ_PROTECTION_L2) host.ExpectBox(row.questions[0], fw::IDYES);
        host.ExpectBox(u"请先连接设备！", fw::IDOK);
        const auto start = std::chrono::steady_clock::now();
        w.SendCommand(row.id);
        EXPECT_LT(std::chrono::steady_clock::now() - start, kHeldMutexWait) << "waited for the mutex";
        EXPECT_TRUE(host.LogTexts().empty());
        EXPECT_TRUE(ovsim::CallLog().empty());
    }
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

namespace {

class ChipCommandResults : public MainWindowFixture {
protected:
    CQXDownloadToolDlg& Connect(const ovsim::ChipSpec& chip, const std::string& sysConfig = {}) {
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", chip);
        SysConfig(sysConfig);
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        host.ClearRecords();
        ovsim::ClearCallLog();
        return w;
    }
};

TEST_F(ChipCommandResults, EraseAllRefusesAPartitionedChip) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    UserPartitionRecord user2{1, 1, 2, 0xFF, 0};
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user2), CMD_STATUS_OK);
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
    w.SendCommand(ID_ERASE_ALL_FLASH);
    EXPECT_TRUE(LogHas(u"已配置分区，不能选择全擦！"));
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::FlashErase), 0);
}

// USER1 under authentication is erased with its key: the program's key for the partition goes in bytes 1 to 16 of
// the first key record, and the chip, which checks it, erases.
TEST_F(ChipCommandResults, EraseAllOfAnAuthenticatedUser1SendsThePartitionKey) {
    ovsim::ChipSpec chip = Chip(0);
    chip.flash.assign(0x1000, 0x5A);
    CQXDownloadToolDlg& w = Connect(chip);
    UserPartitionRecord user1{1, 0, 0, 0, 0x10};
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user1), CMD_STATUS_OK);
    ovsim::ClearEraseRequests();
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
    w.SendCommand(ID_ERASE_ALL_FLASH);
    EXPECT_TRUE(LogHas(u"FLASH全擦除成功！"));
    const auto requests = ovsim::EraseRequests();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_TRUE(requests[0].key.has_value());
    const std::array<uint8_t, 16> key = ovsim::ChipKey("/dev/ttyUSB0", 0);
    EXPECT_TRUE(std::equal(key.begin(), key.end(), requests[0].key->key));
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08000000, 4), std::vector<uint8_t>(4, 0xFF));
}

TEST_F(ChipCommandResults, EraseAllStopsWhenThePartitionsCannotBeRead) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    ovsim::InjectStatus(ovsim::Fn::UserxOp, 1, 0xB123);
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
    w.SendCommand(ID_ERASE_ALL_FLASH);
    const std::vector<Text> lines{StatusCodeToText(0xB123), u"获取分区信息失败！"};
    EXPECT_EQ(host.LogTexts(), lines);
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::FlashErase), 0);
}

TEST_F(ChipCommandResults, EraseAllOfTheSecurityChipKeepsItsReservedTop) {
    ovsim::ChipSpec chip = Chip(10);
    chip.flashKB = 1024;
    chip.flash.assign(1024 * 1024, 0x5A);
    CQXDownloadToolDlg& w = Connect(chip);
    ASSERT_EQ(w.m_flashBase, 0x15000000u);
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
    w.SendCommand(ID_ERASE_ALL_FLASH);
    EXPECT_TRUE(LogHas(u"FLASH全擦除成功！"));
    // The first 896 KB are erased, the reserved 128 KB above them are not.
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x150DFFFC, 4), std::vector<uint8_t>(4, 0xFF));
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x150E0000, 4), std::vector<uint8_t>(4, 0x5A));

    // "No": nothing is erased.
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDNO);
    ovsim::ClearCallLog();
    w.SendCommand(ID_ERASE_ALL_FLASH);
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::FlashErase), 0);
}

TEST_F(ChipCommandResults, EraseAllRefusesAFlashNoLargerThanTheReservedTop) {
    ovsim::ChipSpec chip = Chip(10);
    chip.flashKB = 128;
    CQXDownloadToolDlg& w = Connect(chip);
    ASSERT_EQ(w.m_flashSizeKB, 128.0);
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
    w.SendCommand(ID_ERASE_ALL_FLASH);
    EXPECT_TRUE(LogHas(u"FLASH容量不正确，不能全擦除！"));
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::FlashErase), 0);
}

TEST_F(ChipCommandResults, EraseAllFailureIsReported) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    ovsim::InjectStatus(ovsim::Fn::FlashErase, 1, 0xB123);
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
    w.SendCommand(ID_ERASE_ALL_FLASH);
    EXPECT_TRUE(LogHas(u"全擦除失败！"));
    EXPECT_FALSE(LogHas(u"FLASH全擦除成功！"));
}

TEST_F(ChipCommandResults, ResetReconnectsOnlyAtNineThousandSixHundredBaud) {
    {
        CQXDownloadToolDlg& w = Connect(Chip(0), "baud=115200\n");
        // The monitor finds the chip gone after a reset and reconnects on its own; only the command is watched.
        g_stopMonitor = 1;
        fw::Sleep(700);
        ovsim::ClearCallLog();
        w.SendCommand(ID_RESET);
        EXPECT_TRUE(LogHas(u"复位成功，设备稍后会重新连接！"));
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::SysReset), 1);
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::ConnectDev), 0);
        EXPECT_FALSE(LogHas(u"设备已断开，正在尝试重新连接..."));
    }
    window.reset();
    ovsim::Reset();
    CQXDownloadToolDlg& w = Connect(Chip(0), "baud=9600\n");
    ASSERT_EQ(w.GetDlgItem(IDC_COMBO_SPEED).GetWindowText(), u"9600");
    const auto start = std::chrono::steady_clock::now();
    w.SendCommand(ID_RESET);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
    EXPECT_TRUE(LogHas(u"设备已断开，正在尝试重新连接..."));
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::ConnectDev), 1);
    EXPECT_TRUE(LogHas(u"读取芯片信息成功！"));
    EXPECT_EQ(w.m_connected, 1);
    // The new handle works.
    EXPECT_EQ(OV_CMD_GET_INF(w.m_hDevice, &w.m_chipInfo), CMD_STATUS_OK);

    ovsim::InjectStatus(ovsim::Fn::SysReset, 1, 0xB123);
    host.ClearRecords();
    w.SendCommand(ID_RESET);
    EXPECT_EQ(host.LogTexts(), std::vector<fw::Text>{u"复位失败！"});
}

TEST_F(ChipCommandResults, ResetWhoseReconnectFailsSaysSo) {
    CQXDownloadToolDlg& w = Connect(Chip(0), "baud=9600\n");
    g_stopMonitor = 1;
    fw::Sleep(700);
    host.ClearRecords();
    ovsim::InjectStatus(ovsim::Fn::ConnectDev, 1, 1);  // the connection answers a nonzero byte: refused
    w.SendCommand(ID_RESET);
    EXPECT_TRUE(LogHas(u"设备已断开，正在尝试重新连接..."));
    EXPECT_EQ(host.LogTexts().back(), u"重新连接设备失败！");
    EXPECT_FALSE(LogHas(u"读取芯片信息成功！"));
    EXPECT_EQ(w.m_connected, 0);
}

TEST_F(ChipCommandResults, ReadProtectionLevelsAndTheirQuestion) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    w.SendCommand(ID_ENABLE_READ_PROTECTION_L1);
    EXPECT_TRUE(LogHas(u"使能读保护等级L1成功，复位后生效！"));
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").pendingLevel, 1);
    EXPECT_EQ(g_channels[0].rdpLevel, 1);

    w.SendCommand(ID_DISABLE_READ_PROTECTION_L1);
    EXPECT_TRUE(LogHas(u"解除读保护等级L1成功，复位后生效！"));
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").pendingLevel, 0);
    EXPECT_EQ(g_channels[0].rdpLevel, 0);

    // "No" to L2: no device call and no wait for the mutex someone else holds.
    const fw::Text question = u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?";
    {
        DeviceMutexHolder holder;
        ovsim::ClearCallLog();
        host.ExpectBox(question, fw::IDNO);
        const auto start = std::chrono::steady_clock::now();
        w.SendCommand(ID_ENABLE_READ_PROTECTION_L2);
        EXPECT_LT(std::chrono::steady_clock::now() - start, kHeldMutexWait) << "waited for the mutex";
        EXPECT_TRUE(ovsim::CallLog().empty());
    }

    host.ExpectBox(question, fw::IDYES);
    w.SendCommand(ID_ENABLE_READ_PROTECTION_L2);
    EXPECT_TRUE(LogHas(u"使能读保护等级L2成功，复位后生效！"));
    EXPECT_EQ(g_channels[0].rdpLevel, 2);

    // Level 2 is for good: the chip refuses to go back and the window keeps level 2.
    host.ClearRecords();
    w.SendCommand(ID_DISABLE_READ_PROTECTION_L1);
    EXPECT_FALSE(LogHas(u"解除读保护等级L1成功，复位后生效！"));
    EXPECT_EQ(host.LogTexts().size(), 1u) << "the status line only";
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").pendingLevel, 2);
    EXPECT_EQ(g_channels[0].rdpLevel, 2);
}

TEST_F(ChipCommandResults, FlashSealAfterItsQuestion) {
    CQXDownloadToolDlg& w = Connect(Chip(11));
    host.ExpectBox(u"确认是否FLASH封口?", fw::IDNO);
    w.SendCommand(ID_FLASH_SEAL);
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::UserxOp), 0);

    ovsim::InjectStatus(ovsim::Fn::UserxOp, 1, 0xB123);
    host.ExpectBox(u"确认是否FLASH封口?", fw::IDYES);
    w.SendCommand(ID_FLASH_SEAL);
    EXPECT_TRUE(LogHas(u"Flash封口失败！"));
    EXPECT_FALSE(ovsim::State("/dev/ttyUSB0").sealPending);

    host.ExpectBox(u"确认是否FLASH封口?", fw::IDYES);
    w.SendCommand(ID_FLASH_SEAL);
    EXPECT_TRUE(LogHas(u"Flash封口成功，复位后生效！"));
    EXPECT_TRUE(ovsim::State("/dev/ttyUSB0").sealPending);
}

}  // namespace
