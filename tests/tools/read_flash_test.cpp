// The flash read-out: the range rules typed from the tool's description, how a range is cut into reads, and the
// viewer reading simulated chips through the main window's menu: the table and CRC against the chip's memory, Save,
// read failures and short counts, and closing while a read runs.
#include "resources/ui/read_flash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/program/ProgramCommands.h"
#include "devicelib/OvMcuSim.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "tests/app/MainWindowFixture.h"
#include "tools/ReadFlashRange.h"

namespace {

using fw::Text;

// CRC-32/MPEG-2 over little-endian words, bit by bit: the chip's CRC unit.
uint32_t ReferenceCrc(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        const uint32_t word = bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) | (uint32_t{bytes[i + 3]} << 24);
        crc ^= word;
        for (int bit = 0; bit < 32; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = 0x12345678;
    for (uint8_t& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return bytes;
}

TEST(ReadFlashRange, RangeDialogChecks) {
    struct Row {
        uint8_t series;
        Text start, end;
        Text refusal;  // empty: accepted
        bool startStored;
    };
    // Flash 0x08000000..0x0801FFFF (128 KB) for every row.
    const Row rows[] = {
        {0, u"", u"08000FFF", u"读取起始地址不能为空！", false},
        {0, u"0", u"08000FFF", u"起始地址不能小于或等于0！", false},
        {0, u"07FFFFFF", u"08000FFF", u"起始地址超出范围！", false},
        {0, u"08020000", u"08020010", u"起始地址超出范围！", false},
        {0, u"0800X000", u"08000FFF", u"起始地址无效，请输入不超过8位的十六进制数！", false},
        {0, u"080000000", u"08000FFF", u"起始地址无效，请输入不超过8位的十六进制数！", false},
        {0, u"0x", u"08000FFF", u"起始地址无效，请输入不超过8位的十六进制数！", false},
        {0, u"0x08000000", u"0X08000FFF", {}, true},
        {0, u"08000000", u"0x0800G000", u"结束地址无效，请输入不超过8位的十六进制数！", true},
        {0, u"08000000", u"0x108000FFF", u"结束地址无效，请输入不超过8位的十六进制数！", true},
        {0, u"08000000", u"", u"读取结束地址不能为空！", true},
        {0, u"08000000", u"0", u"结束地址不能小于或等于0！", true},
        {0, u"08000100", u"08000100", u"结束地址不能小于或等于起始地址！", true},
        {0, u"08000000", u"0801FFFF", {}, true},
        {0, u"08000000", u"08020000", u"读取大小不能大于FLASH大小！", true},
        {0, u"08000004", u"08020000", u"结束地址超出范围！", true},
        {11, u"1FFF0DFF", u"1FFF0E00", u"结束地址超出范围！", true},
        {11, u"1FFF0E00", u"1FFF0F00", u"起始地址超出范围！", false},
        {12, u"08000000", u"200017FF", u"读取大小不能大于FLASH大小！", true},
        {8, u"0801FFF0", u"0801FFFF", {}, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(fw::TextToUtf8(r.start) + ".." + fw::TextToUtf8(r.end) + " series " + std::to_string(r.series));
        const ReadRangeCheck check = CheckReadRange(r.start, r.end, {0x08000000, 128, r.series});
        EXPECT_EQ(check.refusal, r.refusal);
        EXPECT_EQ(check.startAccepted, r.startStored);
    }
    // The system windows above a 512 KB flash.
    struct WindowRow {
        uint8_t series;
        Text start, end, refusal;
    };
    const WindowRow windows[] = {
        {11, u"1FFF0E00", u"1FFF0F00", u"起始地址超出范围！"},
        {11, u"1FFF1000", u"1FFF2FFF", {}},
        {12, u"20000500", u"20001800", u"结束地址超出范围！"},
        {12, u"20000500", u"200017FF", {}},
        {8, u"2000A000", u"20030FFF", {}},
        {0, u"2000A000", u"2000A0FF", u"起始地址超出范围！"},
    };
    for (const WindowRow& r : windows) {
        SCOPED_TRACE(fw::TextToUtf8(r.start) + ".." + fw::TextToUtf8(r.end) + " series " + std::to_string(r.series));
        EXPECT_EQ(CheckReadRange(r.start, r.end, {0x08000000, 512, r.series}).refusal, r.refusal);
    }
}

TEST(ReadFlashRange, WholeChipRange) {
    struct Row {
        uint8_t series;
        InterfaceIndex iface;
        uint32_t base;
        double kb;
        uint32_t start, end;
    };
    const Row rows[] = {
        {7, kIfaceUsart, 0x08000C00, 29.5, 0x08000C00, 0x080075FF},
        {7, kIfaceSwdJlink, 0x08000000, 29.5, 0x08000000, 0x080075FF},
        {0, kIfaceUsart, 0x08000000, 256, 0x08000000, 0x0803FFFF},
        {0, kIfaceSwdJlink, 0x08000000, 0, 0x08000000, 0},
        {7, kIfaceUsart, 0x08000000, 3, 0x08000000, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("series " + std::to_string(r.series) + " iface " + std::to_string(r.iface));
        const ReadRange range = EntireChipRange({r.base, r.kb, r.series}, r.iface);
        EXPECT_EQ(range.start, r.start);
        EXPECT_EQ(range.end, r.end);
    }
}

TEST(ReadFlashRange, ReadPlans) {
    struct Row {
        const char* name;
        uint32_t start, end, page;
        uint8_t series;
        InterfaceIndex iface;
        uint32_t first, length, chunk, head, steps;
    };
    const Row rows[] = {
        {"aligned pages", 0x08000000, 0x08000FFF, 2048, 0, kIfaceSwdJlink, 0x08000000, 0x1000, 0x800, 0, 2},
        {"head read", 0x08000100, 0x080010FF, 2048, 0, kIfaceSwdJlink, 0x08000100, 0x1000, 0x800, 0x700, 3},
        {"no head over USART", 0x08000100, 0x080010FF, 2048, 0, kIfaceUsart, 0x08000100, 0x1000, 0x800, 0, 2},
        {"start below word", 0x08000002, 0x08000013, 2048, 0, kIfaceSwdJlink, 0x08000000, 0x14, 0x800, 0, 1},
        {"one chunk", 0x08000600, 0x080007FF, 2048, 0, kIfaceSwdJlink, 0x08000600, 0x200, 0x200, 0, 1},
        {"page above 2 KB", 0x08000000, 0x08003FFF, 8192, 8, kIfaceSwdJlink, 0x08000000, 0x4000, 0x800, 0, 8},
        {"series 7 whole rows", 0x08000C05, 0x08000C21, 512, 7, kIfaceUsart, 0x08000C00, 0x30, 0x80, 0, 1},
        {"series 7 chunks", 0x08000C00, 0x080075FF, 512, 7, kIfaceUsart, 0x08000C00, 0x6A00, 0x80, 0, 0xD4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::optional<ReadPlan> plan = PlanRead(r.start, r.end, r.page, r.series, r.iface);
        ASSERT_TRUE(plan.has_value());
        EXPECT_EQ(plan->first, r.first);
        EXPECT_EQ(plan->length, r.length);
        EXPECT_EQ(plan->chunk, r.chunk);
        EXPECT_EQ(plan->head, r.head);
        EXPECT_EQ(plan->steps, r.steps);
        EXPECT_GE(plan->first + plan->length - 1, r.end) << "the read covers the range's end";
    }
    EXPECT_FALSE(PlanRead(0x08000000, 0x08000FFF, 0, 0, kIfaceUsart).has_value());
}

class ReadFlashViewer : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }
    void TearDown() override {
        ovsim::SetCallObserver({});
        MainWindowFixture::TearDown();
    }
    CQXDownloadToolDlg& Connect(ovsim::ChipSpec chip, uint8_t iface) {
        // A J-Link names the chip it was set up for; the series comes from that name.
        m_device = iface == OV_IFACE_USART ? "/dev/ttyUSB0" : "VK517C8T6";
        if (iface != OV_IFACE_USART) chip.model = m_device;
        ovsim::Attach(iface, m_device, chip);
        SysConfig("interface=0" + std::to_string(iface) + "\ndevice 1=" + m_device + "\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        host.ClearRecords();
        ovsim::ClearCallLog();
        return w;
    }
    // Every byte the table shows, from its first cell on, as bytes; stops at the first empty cell after data.
    static std::vector<uint8_t> TableBytes(fw::Dialog& d, uint32_t skip = 0) {
        fw::Control list = d.GetDlgItem(IDC_FLASH_VIEW_LIST);
        std::vector<uint8_t> bytes;
        const int rows = list.GetItemCount();
        for (int row = 0; row < rows; ++row) {
            for (int col = 1; col <= 16; ++col) {
                if (static_cast<uint32_t>(row * 16 + col - 1) < skip) continue;
                const Text cell = list.GetItemText(row, col);
                if (cell.empty()) return bytes;
                bytes.push_back(static_cast<uint8_t>(std::stoul(fw::TextToUtf8(cell), nullptr, 16)));
            }
        }
        return bytes;
    }
    static bool Done(fw::Dialog& d) { return d.GetDlgItem(IDC_FLASH_VIEW_SAVE).IsWindowEnabled(); }
    static int Calls() { return static_cast<int>(ovsim::CallLog().size()); }
    std::vector<uint8_t> Bytes(const std::string& name) const {
        const std::string s = dir.Read(name);
        return {s.begin(), s.end()};
    }
    // The files of the working directory but the window's own configuration files (".ini").
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            if (e.is_regular_file() && e.path().extension() != ".ini") out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string m_device;
};

TEST_F(ReadFlashViewer, WholeChipOnEachReadPathShowsTheChipAndItsCrcAndSavesIt) {
    struct Row {
        const char* name;
        uint8_t series;
        uint8_t iface;
        ovsim::Fn readFn;
    };
    const Row rows[] = {
        {"library read, 256 KB over J-Link", 0, OV_IFACE_SWD_JLINK, ovsim::Fn::RecvData},
        {"raw command, series 7 over USART", 7, OV_IFACE_USART, ovsim::Fn::SendCommand},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ovsim::Reset();
        ovsim::ChipSpec chip = Chip(r.series);
        chip.flash = Pattern(static_cast<size_t>(r.series == 7 ? 29.5 * 1024 : 256 * 1024));
        CQXDownloadToolDlg& w = Connect(chip, r.iface);
        const ReadRange range = EntireChipRange({w.m_flashBase, w.m_flashSizeKB, w.m_chipSeries}, w.m_interface);
        const uint32_t start = range.start, end = range.end;
        const std::vector<uint8_t> memory = ovsim::ReadMemory(m_device, start, end - start + 1);
        ASSERT_EQ(memory.size(), end - start + 1);
        const std::string saved = (dir.Path() / "dump").string();
        host.OnModal(IDD_FLASH_VIEW, [&](fw::Dialog& d) {
            ASSERT_TRUE(host.PumpUntil([&] { return Done(d); }, std::chrono::seconds(60)));
            EXPECT_EQ(d.GetDlgItemText(IDC_FLASH_VIEW_START), fw::Format(u"%08X", start));
            EXPECT_EQ(TableBytes(d), memory);
            EXPECT_EQ(d.GetDlgItemText(IDC_FLASH_VIEW_CRC), fw::Format(u"%08X", ReferenceCrc(memory)));
            host.ExpectSaveFile(fw::Utf8ToText(saved));
            host.ExpectBox(u"FLASH数据已保存！", fw::IDOK);
            d.Click(IDC_FLASH_VIEW_SAVE);
            d.CloseByUser();
        });
        w.SendCommand(ID_READ_FLASH_ENTIRE_CHIP);
        EXPECT_EQ(Bytes("dump.bin"), memory);
        int reads = 0;
        for (const auto& c : ovsim::CallLog())
            reads += c.fn == r.readFn;
        EXPECT_GT(reads, 0);
    }
}

TEST_F(ReadFlashViewer, SaveKeepsABinNameAndAddsOneOtherwise) {
    CQXDownloadToolDlg& w = Connect(Chip(0), OV_IFACE_SWD_JLINK);
    w.m_readStart = 0x08000000;
    w.m_readEnd = 0x080000FF;
    const std::vector<uint8_t> memory = ovsim::ReadMemory(m_device, 0x08000000, 0x100);
    host.OnModal(IDD_READ_FLASH_RANGE, [&](fw::Dialog& d) { d.Click(IDC_READ_FLASH_READ); });
    host.OnModal(IDD_FLASH_VIEW, [&](fw::Dialog& d) {
        ASSERT_TRUE(host.PumpUntil([&] { return Done(d); }));
        for (const char* name : {"DUMP.BIN", "plain", "plain.bin.txt"}) {
            host.ExpectSaveFile(fw::Utf8ToText((dir.Path() / name).string()));
            host.ExpectBox(u"FLASH数据已保存！", fw::IDOK);
            d.Click(IDC_FLASH_VIEW_SAVE);
        }
        d.PressEscape();
    });
    w.SendCommand(ID_READ_FLASH_RANGE);
    EXPECT_EQ(Files(), (std::vector<std::string>{"DUMP.BIN", "plain.bin", "plain.bin.txt.bin"}));
    EXPECT_EQ(Bytes("DUMP.BIN"), memory);
}

TEST_F(ReadFlashViewer, RangeDialogStoresTheRangeAndTheViewerStartsBelowIt) {
    CQXDownloadToolDlg& w = Connect(Chip(0), OV_IFACE_SWD_JLINK);
    host.OnModal(IDD_READ_FLASH_RANGE, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_READ_FLASH_START), u"08000000");
        EXPECT_EQ(d.GetDlgItemText(IDC_READ_FLASH_END), u"0803FFFF");
        d.EnterText(IDC_READ_FLASH_START, u"08000102");
        d.EnterText(IDC_READ_FLASH_END, u"0800090F");
        d.Click(IDC_READ_FLASH_READ);
    });
    const std::vector<uint8_t> memory = ovsim::ReadMemory(m_device, 0x08000100, 0x810);
    host.OnModal(IDD_FLASH_VIEW, [&](fw::Dialog& d) {
        ASSERT_TRUE(host.PumpUntil([&] { return Done(d); }));
        EXPECT_EQ(d.GetDlgItemText(IDC_FLASH_VIEW_START), u"08000102");
        fw::Control list = d.GetDlgItem(IDC_FLASH_VIEW_LIST);
        EXPECT_EQ(list.GetItemText(0, 0), u"0x08000100");
        EXPECT_EQ(TableBytes(d), memory) << "the read starts at the word below the start";
        EXPECT_EQ(d.GetDlgItemText(IDC_FLASH_VIEW_CRC), fw::Format(u"%08X", ReferenceCrc(memory)));
        d.CloseByUser();
    });
    w.SendCommand(ID_READ_FLASH_RANGE);
    EXPECT_EQ(w.m_readStart, 0x08000102u);
    EXPECT_EQ(w.m_readEnd, 0x0800090Fu);
    EXPECT_EQ(fw::GetPrivateProfileString(u"dlparam", u"ReadStartAddr", {}, 100, w.m_sysConfigPath), u"08000102");
    EXPECT_EQ(fw::GetPrivateProfileString(u"dlparam", u"ReadEndAddr", {}, 100, w.m_sysConfigPath), u"0800090F");
    // The head read up to the page boundary, then the rest in one read.
    std::vector<ovsim::Fn> reads;
    for (const auto& c : ovsim::CallLog())
        if (c.fn == ovsim::Fn::RecvData) reads.push_back(c.fn);
    EXPECT_EQ(reads.size(), 2u);
}

// A failure or a short count is retried once; when the retry fails too the user is told, no CRC shows, and the
// bytes after the failure are neither shown nor saved.
TEST_F(ReadFlashViewer, ReadFailuresAndShortCounts) {
    struct Row {
        const char* name;
        uint8_t series, iface;
        ovsim::Fn fn;
        bool shortCount;
        int failures;  // consecutive calls from the second read on
    };
    const Row rows[] = {
        {"library failure once", 0, OV_IFACE_SWD_JLINK, ovsim::Fn::RecvData, false, 1},
        {"library failure twice", 0, OV_IFACE_SWD_JLINK, ovsim::Fn::RecvData, false, 2},
        {"library short count once", 0, OV_IFACE_SWD_JLINK, ovsim::Fn::RecvData, true, 1},
        {"library short count twice", 0, OV_IFACE_SWD_JLINK, ovsim::Fn::RecvData, true, 2},
        {"raw failure twice", 7, OV_IFACE_USART, ovsim::Fn::SendCommand, false, 2},
        {"raw short count once", 7, OV_IFACE_USART, ovsim::Fn::SendCommand, true, 1},
        {"raw short count twice", 7, OV_IFACE_USART, ovsim::Fn::SendCommand, true, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(Chip(r.series), r.iface);
        w.m_readStart = w.m_flashBase;
        w.m_readEnd = w.m_flashBase + 0x7FF;
        const std::vector<uint8_t> memory = ovsim::ReadMemory(m_device, w.m_flashBase, 0x800);
        const bool fails = r.failures == 2;
        const size_t chunk = r.series == 7 ? 0x80 : 0x200;
        w.m_pageSize = 0x200;
        // Injected once the command's own preparation has talked to the chip, so that only the viewer's reads count.
        host.OnModal(IDD_READ_FLASH_RANGE, [&](fw::Dialog& d) {
            for (int i = 0; i < r.failures; ++i) {
                if (r.shortCount) {
                    ovsim::InjectShortRead(r.fn, 2 + i, 8);
                } else {
                    // Every fault counts calls until it fires: the second reaches the call after the first.
                    ovsim::InjectStatus(r.fn, 2, CMD_STATUS_BAD_PARAMETER);
                }
            }
            d.Click(IDC_READ_FLASH_READ);
        });
        const std::string name = std::string("part-") + std::to_string(&r - rows) + ".bin";
        const std::string saved = (dir.Path() / name).string();
        host.OnModal(IDD_FLASH_VIEW, [&](fw::Dialog& d) {
            if (fails) host.ExpectBox(u"读取FLASH失败！", fw::IDOK);
            ASSERT_TRUE(host.PumpUntil([&] { return Done(d); }));
            if (fails) {
                EXPECT_EQ(TableBytes(d), std::vector<uint8_t>(memory.begin(), memory.begin() + chunk));
                EXPECT_EQ(d.GetDlgItemText(IDC_FLASH_VIEW_CRC), u"");
            } else {
                EXPECT_EQ(TableBytes(d), memory);
                EXPECT_EQ(d.GetDlgItemText(IDC_FLASH_VIEW_CRC), fw::Format(u"%08X", ReferenceCrc(memory)));
            }
            host.ExpectSaveFile(fw::Utf8ToText(saved));
            host.ExpectBox(u"FLASH数据已保存！", fw::IDOK);
            d.Click(IDC_FLASH_VIEW_SAVE);
            d.PressEscape();
        });
        w.SendCommand(ID_READ_FLASH_RANGE);
        EXPECT_EQ(Bytes(name).size(), fails ? chunk : memory.size());
        EXPECT_EQ(LogHas(u"读取FLASH失败！"), fails);
    }
}

// Closing while the chip is slow to answer stops the worker at its next read; the close waits for the read in
// progress at most and no read runs after it.
TEST_F(ReadFlashViewer, CloseAndEscapeMidReadStopTheWorker) {
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Esc" : "close box");
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(Chip(0), OV_IFACE_SWD_JLINK);
        ovsim::SetCallObserver([](ovsim::Fn fn, const std::string&) {
            if (fn == ovsim::Fn::RecvData) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        });
        int callsBeforeClose = 0;
        int callsAtClose = 0;
        host.OnModal(IDD_FLASH_VIEW, [&](fw::Dialog& d) {
            ASSERT_TRUE(host.PumpUntil([&] { return TableBytes(d).size() >= 0x1000; }));
            callsBeforeClose = Calls();
            escape ? d.PressEscape() : d.CloseByUser();
            callsAtClose = Calls();
            EXPECT_EQ(d.GetDlgItemText(IDC_FLASH_VIEW_CRC), u"");
        });
        w.SendCommand(ID_READ_FLASH_ENTIRE_CHIP);
        ovsim::SetCallObserver({});
        // Counted in reads, not milliseconds: a busy machine cannot make a prompt close look slow.
        EXPECT_LE(callsAtClose - callsBeforeClose, 1) << "the close waited for more than the read in progress";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(Calls(), callsAtClose) << "no read after the close";
        EXPECT_LT(callsAtClose, 128) << "the whole chip was not read";
        EXPECT_FALSE(LogHas(u"读取FLASH失败！"));
    }
}

// The system-memory windows some series let the read-out reach besides the flash show what the chip holds there.
TEST_F(ReadFlashViewer, SystemMemoryWindowsShowTheChipsMemory) {
    struct Row {
        uint8_t series;
        uint32_t first, last;  // the window
    };
    const Row rows[] = {
        {8, 0x2000A000, 0x20030FFF},  {9, 0x2000A000, 0x20030FFF},  {11, 0x1FFF0000, 0x1FFF0DFF},
        {11, 0x1FFF1000, 0x1FFF2FFF}, {11, 0x20001000, 0x20003FFF}, {12, 0x20000500, 0x200017FF},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "series " << int(r.series) << std::hex << " at " << r.first);
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(Chip(r.series), OV_IFACE_USART);
        // A pattern at the window's end, so that a read of any other memory shows something else.
        const uint32_t start = r.last - 0x1FF;
        const std::vector<uint8_t> pattern = Pattern(0x200);
        const ImageDescriptor image{0, start, pattern.data(), static_cast<uint32_t>(pattern.size()), 0, nullptr};
        ASSERT_EQ(OV_CMD_FLASH_DWNLD(w.m_hDevice, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);
        ASSERT_EQ(ovsim::ReadMemory(m_device, start, 0x200), pattern);
        w.m_readStart = start;
        w.m_readEnd = r.last;
        host.OnModal(IDD_READ_FLASH_RANGE, [&](fw::Dialog& d) { d.Click(IDC_READ_FLASH_READ); });
        bool shown = false;
        host.OnModal(IDD_FLASH_VIEW, [&](fw::Dialog& d) {
            shown = true;
            ASSERT_TRUE(host.PumpUntil([&] { return Done(d); }));
            EXPECT_EQ(TableBytes(d), pattern);
            EXPECT_EQ(d.GetDlgItemText(IDC_FLASH_VIEW_CRC), fw::Format(u"%08X", ReferenceCrc(pattern)));
            d.CloseByUser();
        });
        w.SendCommand(ID_READ_FLASH_RANGE);
        EXPECT_TRUE(shown);
        EXPECT_FALSE(LogHas(u"读取FLASH失败！"));
    }
}

// A read that showed nothing has nothing to save: Save says so instead of writing an empty file.
TEST_F(ReadFlashViewer, SaveAfterAReadThatShowedNothingIsRefused) {
    CQXDownloadToolDlg& w = Connect(Chip(0), OV_IFACE_SWD_JLINK);
    ovsim::InjectStatus(ovsim::Fn::RecvData, 1, CMD_STATUS_BAD_PARAMETER);
    ovsim::InjectStatus(ovsim::Fn::RecvData, 1, CMD_STATUS_BAD_PARAMETER);
    host.OnModal(IDD_FLASH_VIEW, [&](fw::Dialog& d) {
        host.ExpectBox(u"读取FLASH失败！", fw::IDOK);
        ASSERT_TRUE(host.PumpUntil([&] { return Done(d); }));
        EXPECT_TRUE(TableBytes(d).empty());
        host.ExpectBox(u"没有读取到FLASH数据，无法保存！", fw::IDOK);
        d.Click(IDC_FLASH_VIEW_SAVE);
        d.PressEscape();
    });
    w.SendCommand(ID_READ_FLASH_ENTIRE_CHIP);
    EXPECT_TRUE(Files().empty()) << "no file written";
}

TEST_F(ReadFlashViewer, AnEmptyFlashSizeReadsNothing) {
    CQXDownloadToolDlg& w = Connect(Chip(0), OV_IFACE_SWD_JLINK);
    w.m_flashSizeKB = 0;
    host.ExpectBox(u"读取地址或大小不正确！", fw::IDOK);
    w.SendCommand(ID_READ_FLASH_ENTIRE_CHIP);
    int reads = 0;
    for (const auto& c : ovsim::CallLog())
        reads += c.fn == ovsim::Fn::RecvData;
    EXPECT_EQ(reads, 0);
}

}  // namespace
