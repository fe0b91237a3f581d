// The page erase dialog behind "Erase sectors", on the simulated chips: what it shows, what it refuses and the
// one erase it sends.
#include <gtest/gtest.h>

#include "app/program/ProgramCommands.h"
#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "core/StatusText.h"
#include "devicelib/sim/PageErase.h"
#include "resources/ui/flash_erase.h"
#include "tests/app/MainWindowFixture.h"

namespace {

using fw::Text;

class FlashEraseDialog : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }
    CQXDownloadToolDlg& Connect(const ovsim::ChipSpec& chip, uint8_t iface = OV_IFACE_USART) {
        ovsim::Attach(iface, Device(iface), chip);
        SysConfig("interface=0" + std::to_string(iface) + "\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        ovsim::ClearEraseRequests();
        host.ClearRecords();
        return w;
    }
    static std::string Device(uint8_t iface) { return iface == OV_IFACE_USART ? "/dev/ttyUSB0" : "probe-1"; }

    // Opens the dialog from its menu command and runs script in it; the dialog is closed afterwards.
    void Erase(CQXDownloadToolDlg& w, const std::function<void(fw::Dialog&)>& script, int command = ID_ERASE_SECTORS) {
        bool opened = false;
        host.OnModal(IDD_FLASH_ERASE, [&](fw::Dialog& d) {
            opened = true;
            script(d);
            if (d.IsWindowVisible()) d.PressEscape();
        });
        w.SendCommand(command);
        EXPECT_TRUE(opened);
    }
    // Types the pages, confirms and expects the box that follows.
    void Confirm(fw::Dialog& d, const Text& first, const Text& count, const Text& box) {
        d.EnterText(IDC_ERASE_FIRST_PAGE, first);
        d.EnterText(IDC_ERASE_PAGE_COUNT, count);
        host.ExpectBox(u"确认擦除FLASH?", fw::IDYES);
        host.ExpectBox(box, fw::IDOK);
        EXPECT_TRUE(d.Click(IDC_ERASE_OK));
    }
    static ovsim::ChipSpec Chip(uint8_t series, double flashKB = 0) {
        ovsim::ChipSpec spec;
        spec.series = series;
        spec.flashKB = flashKB;
        spec.flash = std::vector<uint8_t>(0x4000, 0x5A);
        return spec;
    }
};

TEST_F(FlashEraseDialog, RefusalsComeInTheirOrderAndSendNothing) {
    // Series 0: 256 KB of 2 KB pages, 128 pages, not partitioned: USER1 is the whole flash.
    CQXDownloadToolDlg& w = Connect(Chip(0));
    struct Row {
        Text first, count, box;
    };
    const Row rows[] = {
        {u"", u"", u"擦除页地址编号不能为空"},
        {u"0000", u"", u"擦除页数不能为空"},
        {u"00G0", u"0001", u"输入的数据必须为十六进制的数据！"},
        {u"0080", u"00X1", u"输入的数据必须为十六进制的数据！"},
        {u"0080", u"0001", u"擦除页地址编号范围(0~127)"},
        {u"007F", u"0000", u"擦除页数范围(1~128)"},
        {u"0000", u"0081", u"擦除页数范围(1~128)"},
        {u"007F", u"0002", u"不能超出可擦除地址范围！"},
    };
    Erase(w, [&](fw::Dialog& d) {
        for (const Row& r : rows) {
            SCOPED_TRACE(fw::TextToUtf8(r.box) + " for " + fw::TextToUtf8(r.first) + "/" + fw::TextToUtf8(r.count));
            Confirm(d, r.first, r.count, r.box);
            EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_FIRST_PAGE), r.first) << "the edits keep what was typed";
        }
        // "No" ends it before any check.
        d.EnterText(IDC_ERASE_FIRST_PAGE, u"");
        host.ExpectBox(u"确认擦除FLASH?", fw::IDNO);
        d.Click(IDC_ERASE_OK);
        // Without a page size nothing can be counted: refused instead of dividing by it.
        w.m_pageSize = 0;
        Confirm(d, u"0000", u"0001", u"没有读取到页大小！");
    });
    for (const auto& box : host.Boxes())
        EXPECT_EQ(box.style & 0xF0u, box.text == u"确认擦除FLASH?" ? fw::MB_ICONQUESTION : 0u)
            << fw::TextToUtf8(box.text);
    EXPECT_TRUE(ovsim::EraseRequests().empty());
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08000000, 1)[0], 0x5A);
}

TEST_F(FlashEraseDialog, ShowsTheWindowAndTheRangeTheEditsErase) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    Erase(w, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW), u"0x08000000-0x0803FFFF");
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW_SIZE), u"(256KB)(最小单位16KB)");
        EXPECT_FALSE(d.GetDlgItem(IDC_ERASE_WINDOW).IsWindowEnabled());
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_PAGE_NOTE),
                  u"注：每页为2048Byte，页地址编号为擦除的起始页，页数则为擦除的页数");
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_RANGE), u"0x08000000-0x08007FFF") << "the defaults, 16 pages from 0";
        d.EnterText(IDC_ERASE_PAGE_COUNT, u"0");
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_RANGE), u"0x08000000-0x08000000");
        d.EnterText(IDC_ERASE_FIRST_PAGE, u"12345");
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_FIRST_PAGE), u"1234") << "four digits at most";
        d.EnterText(IDC_ERASE_FIRST_PAGE, u"1Z");
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_RANGE), u"");
        // USER2 and USER3 are not configured.
        d.Select(IDC_ERASE_PARTITION, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW_SIZE), u"(未分区)");
    });
}

TEST_F(FlashEraseDialog, ErasesThePagesOfTheChosenPartitionWithItsRecordAndKey) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    // USER2 of 4 units under key id 0 with authentication; the program's key for id 0 is the chip's.
    UserPartitionRecord user2{1, 1, 4, 0, 0x10};
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user2), CMD_STATUS_OK);
    const auto data = std::vector<uint8_t>(0x1000, 0x33);
    const ImageDescriptor image{0, 0x08030000, data.data(), static_cast<uint32_t>(data.size()), 0, nullptr};
    std::array<uint8_t, 16> chipKey = ovsim::ChipKey("/dev/ttyUSB0", 0);
    KeyUpdateRecord keys{};
    std::copy(chipKey.begin(), chipKey.end(), keys.key);
    ASSERT_EQ(OV_CMD_FLASH_ERASE(w.m_hDevice, 0x08030000, 0x08030FFF, &user2, &keys), CMD_STATUS_OK);
    user2.index = 1;
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(w.m_hDevice, &image, &user2, &keys, nullptr, nullptr), CMD_STATUS_OK);
    ovsim::ClearEraseRequests();

    Erase(w, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW), u"0x08000000-0x0802FFFF");
        d.Select(IDC_ERASE_PARTITION, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW), u"0x08030000-0x0803FFFF");
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW_SIZE), u"(64KB)(最小单位16KB)");
        Confirm(d, u"0060", u"0001", u"FLASH页擦除成功！");
        // USER1 has no authentication: its key record goes as it is.
        d.Select(IDC_ERASE_PARTITION, 0);
        Confirm(d, u"0004", u"0001", u"FLASH页擦除成功！");
    });
    const auto requests = ovsim::EraseRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].first, 0x08030000u);
    EXPECT_EQ(requests[0].last, 0x080307FFu);
    EXPECT_EQ(requests[0].partition->index, 1);
    EXPECT_TRUE(std::equal(chipKey.begin(), chipKey.end(), requests[0].key->key));
    EXPECT_EQ(requests[1].first, 0x08002000u);
    EXPECT_EQ(requests[1].last, 0x080027FFu);
    EXPECT_EQ(requests[1].partition->index, 0);
    EXPECT_TRUE(std::all_of(requests[1].key->key, requests[1].key->key + 16, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08030000, 0x801), [] {
        std::vector<uint8_t> v(0x800, 0xFF);
        v.push_back(0x33);
        return v;
    }()) << "exactly the page asked for";
    EXPECT_EQ(LogCount(u"FLASH页擦除成功！"), 2);
}

TEST_F(FlashEraseDialog, AFailedEraseIsShownAsAFailure) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    UserPartitionRecord user2{1, 1, 4, 0, 0x10};
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user2), CMD_STATUS_OK);
    // The program holds another key than the chip for USER2's id: the chip refuses it.
    w.m_keyTable[0] = u"000102030405060708090A0B0C0D0E0F";
    ovsim::InjectStatus(ovsim::Fn::FlashErase, 2, 0xB123);
    Erase(w, [&](fw::Dialog& d) {
        host.ClearRecords();  // the partitions as read when the dialog opened
        d.Select(IDC_ERASE_PARTITION, 1);
        Confirm(d, u"0060", u"0001", u"FLASH页擦除失败！");
        d.Select(IDC_ERASE_PARTITION, 0);
        Confirm(d, u"0004", u"0001", u"FLASH页擦除失败！");
    });
    const auto lines = host.LogLines();
    const std::vector<Text> expected{StatusCodeToText(CMD_STATUS_KEY_AUTH_FAILED), u"FLASH页擦除失败！",
                                     StatusCodeToText(0xB123), u"FLASH页擦除失败！"};
    std::vector<Text> texts;
    for (const auto& l : lines) {
        texts.push_back(l.text);
        EXPECT_EQ(l.color, fw::Color{kLogRed}) << fw::TextToUtf8(l.text);
    }
    EXPECT_EQ(texts, expected);
    EXPECT_FALSE(LogHas(u"FLASH页擦除成功！"));
}

TEST_F(FlashEraseDialog, DataFlashGoesUnderACopyOfUser1sRecordAndSramNeedsNoCommand) {
    CQXDownloadToolDlg& w = Connect(Chip(11));
    const auto data = std::vector<uint8_t>(0x400, 0x44);
    const ImageDescriptor image{0, 0x1FFF1000, data.data(), static_cast<uint32_t>(data.size()), 0, nullptr};
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(w.m_hDevice, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);
    Erase(w, [&](fw::Dialog& d) {
        fw::Control list = d.GetDlgItem(IDC_ERASE_PARTITION);
        ASSERT_EQ(list.GetCount(), 5);
        EXPECT_EQ(list.GetLBText(3), u"Data Flash");
        d.Select(IDC_ERASE_PARTITION, 3);
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW), u"0x1FFF1000-0x1FFF2FFF");
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW_SIZE), u"(8KB)(最小单位4KB)");
        Confirm(d, u"0001", u"0001", u"FLASH页擦除成功！");
        d.Select(IDC_ERASE_PARTITION, 4);
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW), u"0x20000000-0x20003FFF");
        Confirm(d, u"0000", u"0002", u"FLASH页擦除成功！");
    });
    const auto requests = ovsim::EraseRequests();
    ASSERT_EQ(requests.size(), 1u) << "the SRAM is not flash: no command";
    EXPECT_EQ(requests[0].first, 0x1FFF1200u);
    EXPECT_EQ(requests[0].last, 0x1FFF13FFu);
    EXPECT_EQ(requests[0].partition->index, 3);
    EXPECT_EQ(w.m_partitions[0].index, 0) << "the window's USER1 record still names USER1";
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x1FFF1000, 1)[0], 0x44);
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x1FFF1200, 1)[0], 0xFF);

    // The erase-all that follows still names USER1.
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
    w.SendCommand(ID_ERASE_ALL_FLASH);
    EXPECT_TRUE(LogHas(u"FLASH全擦除成功！"));
    EXPECT_EQ(ovsim::EraseRequests().back().partition->index, 0);
}

// USER1 ends where USER2 begins: its last page is USER1's to erase, a run across the boundary belongs to neither.
TEST_F(FlashEraseDialog, AnEraseStopsAtTheInnerPartitionBoundary) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    UserPartitionRecord user2{1, 1, 4, 0xFF, 0};  // 64 KB from 0x08030000, page 0x60
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user2), CMD_STATUS_OK);
    struct Row {
        int partition;
        Text first, count, box;
    };
    const Row rows[] = {
        {0, u"005F", u"0001", u"FLASH页擦除成功！"},        {0, u"005F", u"0002", u"不能超出可擦除地址范围！"},
        {0, u"005E", u"0003", u"不能超出可擦除地址范围！"}, {1, u"005F", u"0002", u"不能超出可擦除地址范围！"},
        {1, u"0060", u"0020", u"FLASH页擦除成功！"},        {1, u"0060", u"0021", u"不能超出可擦除地址范围！"},
    };
    Erase(w, [&](fw::Dialog& d) {
        for (const Row& r : rows) {
            SCOPED_TRACE(std::to_string(r.partition) + " " + fw::TextToUtf8(r.first) + "/" + fw::TextToUtf8(r.count));
            d.Select(IDC_ERASE_PARTITION, r.partition);
            Confirm(d, r.first, r.count, r.box);
        }
    });
    const auto requests = ovsim::EraseRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].first, 0x0802F800u);
    EXPECT_EQ(requests[0].last, 0x0802FFFFu);
    EXPECT_EQ(requests[1].first, 0x08030000u);
    EXPECT_EQ(requests[1].last, 0x0803FFFFu);
}

TEST_F(FlashEraseDialog, Series5ListsUser1AndUser3) {
    CQXDownloadToolDlg& w = Connect(Chip(5));
    Erase(w, [&](fw::Dialog& d) {
        fw::Control list = d.GetDlgItem(IDC_ERASE_PARTITION);
        ASSERT_EQ(list.GetCount(), 2);
        EXPECT_EQ(list.GetLBText(1), u"USER3");
        d.Select(IDC_ERASE_PARTITION, 1);
        // USER3 is empty: its window is the top of the flash, which a one-page erase there leaves.
        Confirm(d, u"003F", u"0001", u"不能超出可擦除地址范围！");
    });
    EXPECT_TRUE(ovsim::EraseRequests().empty());
}

TEST_F(FlashEraseDialog, Series7KeepsItsFixedWindow) {
    CQXDownloadToolDlg& w = Connect(Chip(7));
    Erase(w, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW), u"0x08000C00-0x080075FF");
        EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW_SIZE), u"(26.5KB)(最小单位4KB)");
        EXPECT_FALSE(d.GetDlgItem(IDC_ERASE_PARTITION).IsWindowEnabled());
        Confirm(d, u"0008", u"0002", u"FLASH页擦除成功！");
    });
    const auto requests = ovsim::EraseRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].first, w.m_flashBase + 8 * 512);
}

TEST_F(FlashEraseDialog, User1OfAFlashAboveAByteOfUnitsIsNotEmpty) {
    // 4096 KB in 16 KB units is 256 units: over a probe the size comes from the flash alone, over USART from the
    // partition read, where USER1 reads 0 and takes the rest. Both show the same window.
    for (const uint8_t iface : {OV_IFACE_SWD_CMSIS_DAP, OV_IFACE_USART}) {
        SCOPED_TRACE(int(iface));
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(Chip(0, 4096), iface);
        Erase(w, [&](fw::Dialog& d) {
            EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW), u"0x08000000-0x083FFFFF");
            EXPECT_EQ(d.GetDlgItemText(IDC_ERASE_WINDOW_SIZE), u"(4096KB)(最小单位16KB)");
            Confirm(d, u"0400", u"0001", u"FLASH页擦除成功！");
            Confirm(d, u"07FF", u"0001", u"FLASH页擦除成功！");
        });
        ASSERT_EQ(ovsim::EraseRequests().size(), 2u);
        EXPECT_EQ(ovsim::EraseRequests()[0].first, 0x08200000u);
        EXPECT_EQ(ovsim::EraseRequests()[1].last, 0x083FFFFFu) << "the last page of the flash is USER1's";
    }
}

TEST_F(FlashEraseDialog, UnreadablePartitionsCloseTheDialogWithARedLine) {
    CQXDownloadToolDlg& w = Connect(Chip(0));
    ovsim::InjectStatus(ovsim::Fn::UserxOp, 1, 0xB123);
    bool opened = false;
    host.OnModal(IDD_FLASH_ERASE, [&](fw::Dialog& d) {
        opened = true;
        d.PressEscape();
    });
    w.SendCommand(ID_ERASE_SECTORS);
    EXPECT_EQ(host.LogTexts(), (std::vector<Text>{StatusCodeToText(0xB123), u"读取分区信息失败！"}));
    EXPECT_TRUE(host.Boxes().empty());
    EXPECT_TRUE(ovsim::EraseRequests().empty());
    EXPECT_FALSE(opened) << "closed before it was shown";
}

TEST_F(FlashEraseDialog, NeedsAConnectedDeviceAndIsOfferedWhereTheRulesAllow) {
    CQXDownloadToolDlg& w = Start();
    host.ExpectBox(u"请先连接设备！", fw::IDOK);
    w.SendCommand(ID_ERASE_SECTORS);
    EXPECT_TRUE(host.ModalsRun().empty());
    window.reset();
    CQXDownloadToolDlg& connected = Connect(Chip(0));
    connected.UpdateMenuState(1);
    EXPECT_TRUE(connected.GetMenu().GetMenuState(ID_ERASE_SECTORS, fw::MF_BYCOMMAND) == fw::MF_ENABLED);
}

TEST_F(FlashEraseDialog, TheUnlockFirstCommandOpensTheDialogOnlyAfterTheLift) {
    // Over a probe a chip at level 1 is offered the lift first; "No" leaves it protected and opens nothing.
    CQXDownloadToolDlg& w = Connect(Chip(0), OV_IFACE_SWD_CMSIS_DAP);
    g_channels[0].rdpLevel = 1;
    host.ExpectBox(u"芯片处于读保护等级L1状态，是否解除？", fw::IDNO);
    w.SendCommand(ID_ERASE_SECTORS_AFTER_UNLOCK);
    EXPECT_TRUE(host.ModalsRun().empty());
    EXPECT_TRUE(ovsim::EraseRequests().empty());

    g_channels[0].rdpLevel = 0;
    Erase(
        w, [&](fw::Dialog& d) { Confirm(d, u"0004", u"0001", u"FLASH页擦除成功！"); }, ID_ERASE_SECTORS_AFTER_UNLOCK);
    ASSERT_EQ(ovsim::EraseRequests().size(), 1u);
    EXPECT_EQ(ovsim::EraseRequests()[0].first, 0x08002000u);
}

}  // namespace
