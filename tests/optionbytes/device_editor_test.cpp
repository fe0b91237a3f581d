// The option-byte editors of the connected chip, opened from the Operations menu of the main window on a
// simulated chip: one edit per series changes exactly its bytes on the chip (complements kept), with the message
// and log line the interface and speed call for; reads and writes that fail, refused fields and the reads the
// transport cannot make change nothing on the chip.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <thread>

#include "app/ChipCommand.h"
#include "app/OptionProtection.h"
#include "app/program/ProgramCommands.h"
#include "core/StatusText.h"
#include "resources/ui/option_bytes.h"
#include "tests/app/MainWindowFixture.h"

namespace {

using fw::Text;

const Text kReadFailed = u"读取选项字节失败！";
const Text kWritten = u"配置选项字节成功，复位后生效！";
const Text kReconnect = u"配置选项字节成功，设备稍后会重新连接！";

class DeviceEditor : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }

    // A chip of the series on the interface, connected through the window, the connection monitor stopped so
    // that a write with reset is not followed by a reconnection in the middle of the test.
    CQXDownloadToolDlg& ConnectOn(uint8_t series, int iface, int baud = 115200, bool unreadable = false) {
        m_name = iface == 0 ? "/dev/ttyUSB0" : iface == 2 ? "VK517C8" : "probe-1";
        ovsim::Attach(static_cast<uint8_t>(iface), m_name, Chip(series));
        if (unreadable) ovsim::InjectStatus(ovsim::Fn::GetInf, 1, 0xB001);
        SysConfig("interface=0" + std::to_string(iface) + "\ndevice 1=VK517C8\nbaud=" + std::to_string(baud) + "\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        g_stopMonitor = 1;
        fw::Sleep(700);  // the monitor sees the flag after its poll
        host.ClearRecords();
        ovsim::ClearCallLog();
        return w;
    }

    std::vector<uint8_t> Image() const { return ovsim::OptionImage(m_name); }

    int OptionCalls() const {
        int n = 0;
        for (const auto& call : ovsim::CallLog())
            n += call.fn == ovsim::Fn::OptRw;
        return n;
    }

    bool LogLine(const Text& text, uint32_t colour) const {
        const fw::Color wanted = fw::Rgb(static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>(colour >> 8 & 0xFF),
                                         static_cast<uint8_t>(colour >> 16 & 0xFF));
        for (const auto& line : host.LogLines()) {
            if (line.text == text && line.color == wanted) return true;
        }
        return false;
    }

    std::string m_name;
};

// Which bytes of the image may differ after the edit, and their new values.
using Changes = std::map<size_t, uint8_t>;

struct EditRow {
    const char* name;
    uint8_t series;
    int iface;
    int baud;
    int dialog;
    std::function<void(fw::Dialog&)> edit;
    bool reset;
    Changes changes;
    Text message;
};

TEST_F(DeviceEditor, OneEditPerSeriesChangesExactlyItsBytes) {
    const EditRow rows[] = {
        {"series 0: WDG_SW off, with reset",
         0,
         0,
         115200,
         IDD_WRITE_BYTE,
         [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB_WDG_SW, false)); },
         true,
         {{2, 0xFE}, {3, 0x01}},
         kReconnect},
        {"series 2: BOR_LEV 5",
         2,
         0,
         115200,
         IDD_WRITE_BYTE,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB_BOR_LEV, u"5")); },
         false,
         {{18, 0xDF}, {19, 0x20}},
         kWritten},
        {"series 5: WRP1 FE",
         5,
         0,
         115200,
         IDD_WRITE_BYTE,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB_WRP1, u"fe")); },
         false,
         {{10, 0xFE}, {11, 0x01}},
         kWritten},
        {"series 8: BOR_LVL 2.2V",
         8,
         0,
         115200,
         IDD_WRITE_BYTE,
         [](fw::Dialog& d) { EXPECT_TRUE(d.Select(IDC_OB_BOR_LVL, 2)); },
         false,
         {{18, 0x5F}, {19, 0xA0}},
         kWritten},
        {"series 9: Data2 takes two digits, not the low byte of more",
         9,
         0,
         115200,
         IDD_WRITE_BYTE,
         [](fw::Dialog& d) {
             EXPECT_TRUE(d.EnterText(IDC_OB_DATA2, u"1234"));
             EXPECT_EQ(d.GetDlgItemText(IDC_OB_DATA2), u"12");
             EXPECT_TRUE(d.EnterText(IDC_OB_DATA3, u"ABC"));
             EXPECT_EQ(d.GetDlgItemText(IDC_OB_DATA3), u"AB");
         },
         false,
         {{28, 0x12}, {29, 0xED}, {30, 0xAB}, {31, 0x54}},
         kWritten},
        {"series 9: DBANK off",
         9,
         0,
         115200,
         IDD_WRITE_BYTE,
         [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB_DBANK_BOX, false)); },
         false,
         {{4, 0x5A}, {5, 0xA5}},
         kWritten},
        {"series 3: one-digit Data0 at 9600 baud with reset",
         3,
         0,
         9600,
         IDD_WRITE_BYTE2,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u"5")); },
         true,
         {{4, 0x05}, {5, 0xFA}},
         kWritten},
        {"series 7: LVR_EN off",
         7,
         0,
         115200,
         IDD_WRITE_BYTE2,
         [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB2_LVR_EN, false)); },
         false,
         {{10, 0xEF}, {11, 0x10}},
         kWritten},
        {"series 7: USER2 12",
         7,
         0,
         115200,
         IDD_WRITE_BYTE2,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB2_USER2, u"12")); },
         false,
         {{8, 0x12}, {9, 0xED}},
         kWritten},
        {"series 11: USER5 over USB",
         11,
         1,
         115200,
         IDD_WRITE_BYTE2,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB2_USER5, u"12")); },
         true,
         {{5, 0x12}},
         kReconnect},
        // The first control set counts interface 5 with the probes: the chip is not looked for again after it.
        {"series 5 over interface 5 with reset",
         5,
         5,
         115200,
         IDD_WRITE_BYTE,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB_DATA1, u"7")); },
         true,
         {{6, 0x07}, {7, 0xF8}},
         kWritten},
        // The second control set leaves out only the probes: over interface 5 it tells of the reconnection.
        {"series 3 over interface 5 with reset",
         3,
         5,
         115200,
         IDD_WRITE_BYTE2,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB_DATA1, u"7")); },
         true,
         {{6, 0x07}, {7, 0xF8}},
         kReconnect},
        {"series 12: IWDG_SW on over CMSIS-DAP",
         12,
         3,
         115200,
         IDD_WRITE_BYTE2,
         [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB_WDG_SW, true)); },
         false,
         {{2, 0xA5}, {3, 0x5A}},
         kWritten},
    };
    for (const EditRow& row : rows) {
        SCOPED_TRACE(row.name);
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = ConnectOn(row.series, row.iface, row.baud);
        const std::vector<uint8_t> before = Image();
        bool heldWhileOpen = false;
        host.OnModal(row.dialog, [&](fw::Dialog& d) {
            heldWhileOpen = MutexHeldElsewhere();
            row.edit(d);
            if (row.reset) {
                EXPECT_TRUE(d.Tick(IDC_OB_RESET, true));
            }
            d.Click(IDC_OB_CONFIRM);
        });
        host.ExpectBox(row.message, fw::IDOK);
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));

        const std::vector<uint8_t> after = Image();
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < after.size(); ++i) {
            const auto it = row.changes.find(i);
            EXPECT_EQ(after[i], it == row.changes.end() ? before[i] : it->second) << "byte " << i;
        }
        EXPECT_EQ(ovsim::BrokenComplementWrites(m_name), 0);
        EXPECT_EQ(heldWhileOpen, InInterfaceSet(kChipMutexInterfaces, static_cast<InterfaceIndex>(row.iface)));
        EXPECT_FALSE(MutexHeldElsewhere());
        EXPECT_TRUE(LogLine(row.message, row.message == kReconnect ? kLogGreen : kLogBlack));
        if (row.series == 12) {
            EXPECT_TRUE(LogHas(u"FLASH CRC32值：0xFFFFFFFF"));
        }
        // A write with reset takes effect at once; without one it waits for the next reset.
        EXPECT_EQ(ovsim::OptionImage(m_name, true) == after, row.reset);
    }
}

// Every box of every series against the controls of the two templates and the image layouts: the box's caption,
// and the one bit of the one image byte a click turns over, with the byte's complement where the series keeps one.
TEST_F(DeviceEditor, EachBoxTurnsOverItsOwnBitOfItsOwnByte) {
    struct Box {
        int id;
        const char16_t* caption;
        size_t byte;
        int bit;
        int complement;  // -1: the series stores the value alone
    };
    struct Series {
        uint8_t code;
        std::vector<Box> boxes;
    };
    // USER at byte 2 with its complement at 3 (series 9: 8 and 9); USER2 of series 2 and 8 at 18, of series 5 at
    // 14, of series 9 at 10.
    const auto user = [](size_t at) {
        return std::vector<Box>{{1108, u"WDG_SW", at, 0, static_cast<int>(at + 1)},
                                {1107, u"nRST_STOP", at, 1, static_cast<int>(at + 1)},
                                {1304, u"nRST_STDBY", at, 2, static_cast<int>(at + 1)}};
    };
    const auto freeze = [](size_t at) {
        return std::vector<Box>{{1121, u"WDG_STOP0_FRZ", at, 3, static_cast<int>(at + 1)},
                                {1125, u"WDG_STDBY_FRZ", at, 5, static_cast<int>(at + 1)},
                                {1126, u"WDG_SLEEP_FRZ", at, 6, static_cast<int>(at + 1)}};
    };
    const auto boot = [](size_t at) {
        return std::vector<Box>{{1119, u"nBOOT0", at, 0, static_cast<int>(at + 1)},
                                {1118, u"nBOOT1", at, 1, static_cast<int>(at + 1)},
                                {1117, u"nSWBOOT0", at, 2, static_cast<int>(at + 1)}};
    };
    const auto join = [](std::initializer_list<std::vector<Box>> parts) {
        std::vector<Box> out;
        for (const auto& p : parts)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    // The second control set: USER bits 0 to 2, then what each series puts on the boot boxes.
    const auto user2Set = [](size_t at, int complement) {
        return std::vector<Box>{{1108, u"WDG_SW", at, 0, complement},
                                {1107, u"nRST_STOP", at, 1, complement},
                                {1158, u"nRST_PD", at, 2, complement}};
    };
    const std::vector<Box> boot346 = {
        {1156, u"nBOOT0", 2, 3, 3}, {1157, u"nBOOT1", 2, 4, 3}, {1159, u"nSWBOOT0", 2, 5, 3}};
    const Series table[] = {
        {0, user(2)},
        {1, user(2)},
        {2, join({user(2), boot(18)})},
        {5, join({user(2), boot(14)})},
        {8, join({user(2), freeze(2), boot(18), {{1128, u"FLASH_BOOT", 18, 3, 19}}})},
        {9, join({user(8), freeze(8), boot(10), {{1128, u"FLASH_BOOT", 10, 3, 11}}})},
        {3, join({user2Set(2, 3), boot346})},
        {4, join({user2Set(2, 3), boot346})},
        {6, join({user2Set(2, 3), boot346})},
        {7, join({user2Set(2, 3),
                  {{1253, u"BOOT_LOCK", 2, 3, 3},
                   {1252, u"NRST_PA0", 2, 4, 3},
                   {1160, u"LVR_EN", 10, 4, 11},
                   {1161, u"LVR_FILTER_EN", 10, 5, 11}}})},
        {11, join({user2Set(1, -1),
                   {{1156, u"nBOOT0", 1, 3, -1},
                    {1157, u"nBOOT1", 1, 4, -1},
                    {1159, u"nSWBOOT0", 1, 5, -1},
                    {1164, u"BOOT0_CFG", 1, 6, -1}}})},
        {12,
         {{1156, u"nBOOT0", 7, 0, -1},
          {1157, u"nBOOT1", 7, 1, -1},
          {1159, u"nSWBOOT0", 7, 2, -1},
          {1164, u"BOOT0_CFG", 7, 3, -1}}},
    };
    const auto flip = [&](CQXDownloadToolDlg& w, uint8_t series, const std::vector<uint8_t>& base, int id,
                          const char16_t* caption) {
        ovsim::SetOptionImage(m_name, base);
        host.OnModal(series == 0 || series == 1 || series == 2 || series == 5 || series == 8 || series == 9
                         ? IDD_WRITE_BYTE
                         : IDD_WRITE_BYTE2,
                     [&](fw::Dialog& d) {
                         EXPECT_EQ(fw::TextToUtf8(d.GetDlgItemText(id)), fw::TextToUtf8(caption));
                         EXPECT_TRUE(d.Tick(id, d.IsDlgButtonChecked(id) == 0));
                         d.Click(IDC_OB_CONFIRM);
                     });
        host.ExpectBox(kWritten, fw::IDOK);
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        return Image();
    };
    for (const Series& series : table) {
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = ConnectOn(series.code, 0);
        const std::vector<uint8_t> base = Image();
        for (const Box& box : series.boxes) {
            SCOPED_TRACE(testing::Message() << "series " << int(series.code) << ", box " << box.id);
            const std::vector<uint8_t> after = flip(w, series.code, base, box.id, box.caption);
            ASSERT_EQ(after.size(), base.size());
            std::vector<uint8_t> expected = base;
            expected[box.byte] = static_cast<uint8_t>(base[box.byte] ^ 1u << box.bit);
            if (box.complement >= 0)
                expected[static_cast<size_t>(box.complement)] = static_cast<uint8_t>(~expected[box.byte]);
            EXPECT_EQ(after, expected);
        }
    }
    // Series 12's two word boxes write a whole 16-bit word, least significant byte first: A5 5A on, FF FF off.
    struct Word {
        int id;
        const char16_t* caption;
        size_t low;
    };
    window.reset();
    ovsim::Reset();
    CQXDownloadToolDlg& w = ConnectOn(12, 0);
    const std::vector<uint8_t> erased = Image();
    for (const Word& word : {Word{1108, u"IWDG_SW", 2}, Word{1158, u"PF3_NRST", 4}}) {
        SCOPED_TRACE(testing::Message() << "series 12, box " << word.id);
        std::vector<uint8_t> expected = erased;
        expected[word.low] = 0xA5;
        expected[word.low + 1] = 0x5A;
        EXPECT_EQ(flip(w, 12, erased, word.id, word.caption), expected);
        expected[word.low] = 0xFF;
        expected[word.low + 1] = 0xFF;
        std::vector<uint8_t> on = erased;
        on[word.low] = 0xA5;
        on[word.low + 1] = 0x5A;
        EXPECT_EQ(flip(w, 12, on, word.id, word.caption), expected);
    }
}

TEST_F(DeviceEditor, ReadsThatCannotBeMadeOrFailWriteNothing) {
    struct Row {
        const char* name;
        uint8_t series;
        int iface;
        bool unreadable;
        StatusCode readFault;              // 0: none
        std::vector<uint8_t> optionImage;  // empty: the erased image
        bool statusLine;
    };
    const Row rows[] = {
        {"unreadable chip over SWD", 0, 3, true, 0, {}, false},
        {"the read fails", 3, 0, false, 0xB004, {}, true},
        {"series 11 with an RDP it does not know", 11, 0, false, 0, {0x5A}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = ConnectOn(row.series, row.iface, 115200, row.unreadable);
        if (!row.optionImage.empty()) ovsim::SetOptionImage(m_name, row.optionImage);
        if (row.readFault != 0) ovsim::InjectStatus(ovsim::Fn::OptRw, 1, row.readFault);
        const std::vector<uint8_t> before = Image();
        w.SendCommand(ID_OPTIONS_BYTES);  // no script: the editor must not show itself
        EXPECT_TRUE(LogLine(kReadFailed, kLogRed));
        EXPECT_EQ(LogHas(StatusCodeToText(static_cast<int32_t>(row.readFault))), row.statusLine);
        EXPECT_EQ(OptionCalls(), row.unreadable ? 0 : 1);
        EXPECT_EQ(Image(), before);
        EXPECT_TRUE(host.Boxes().empty());
        EXPECT_FALSE(MutexHeldElsewhere());
    }
    EXPECT_EQ(g_channels[0].rdpLevel, 0xFF);  // the last row: series 11 cannot be judged
}

// Series 12 keeps the flash CRC-32 after the bytes its writes reach (bytes 13 to 16, least significant first); its
// bytes differ here, so the order shows. The connection and the editor log it most significant digit first, and only
// when the read brought all four bytes: what a short answer did not bring is not the chip's CRC.
TEST_F(DeviceEditor, Series12LogsTheFlashCrcItReadMostSignificantDigitFirst) {
    const std::vector<uint8_t> image = {0xA5, 0x01, 0xA5, 0x5A, 0xFF, 0xFF, 0x00, 0x00, 0x11,
                                        0x22, 0xFF, 0xFF, 0xFF, 0x3D, 0x2C, 0x1B, 0x0A};
    const Text line = u"FLASH CRC32值：0x0A1B2C3D";
    for (const uint32_t answered : {17u, 16u, 13u}) {
        SCOPED_TRACE(testing::Message() << answered << " bytes answered");
        const std::vector<Text> expected = answered == 17 ? std::vector<Text>{line} : std::vector<Text>{};
        window.reset();
        ovsim::Reset();
        host.ClearRecords();
        m_name = "probe-1";
        ovsim::Attach(3, m_name, Chip(12));
        ovsim::SetOptionImage(m_name, image);
        ovsim::InjectShortRead(ovsim::Fn::OptRw, 1, answered);
        SysConfig("interface=03\ndevice 1=VK517C8\n");
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        ASSERT_EQ(w.m_connected, 1);
        std::vector<Text> connectLines;
        for (const Text& text : host.LogTexts()) {
            if (text.starts_with(u"FLASH CRC32")) connectLines.push_back(text);
        }
        EXPECT_EQ(connectLines, expected) << "at connect";

        host.ClearRecords();
        ovsim::InjectShortRead(ovsim::Fn::OptRw, 1, answered);
        host.OnModal(IDD_WRITE_BYTE2, [](fw::Dialog& d) { d.Click(fw::IDCANCEL); });
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_EQ(host.LogTexts(), expected) << "in the editor";
        if (answered == 17) {
            EXPECT_TRUE(LogLine(line, kLogBlack));
        }
    }
}

// A read that answers fewer bytes than asked: the editor shows the bytes the library returned and 00 past them, never
// what the block held beyond the answer (the simulated library leaves the chip's bytes there).
TEST_F(DeviceEditor, AShortAnswerShowsZerosPastItsLength) {
    CQXDownloadToolDlg& w = ConnectOn(0, 0);
    std::vector<uint8_t> image = Image();
    image[6] = 0x12;   // Data1, inside the answer
    image[12] = 0x34;  // WRP2, past it
    image[16] = 0x56;  // RDP2, past it
    ovsim::SetOptionImage(m_name, image);
    ovsim::InjectShortRead(ovsim::Fn::OptRw, 1, 10);
    std::map<int, Text> shown;
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        for (int id : {IDC_OB_DATA1, IDC_OB_WRP0, IDC_OB_WRP1, IDC_OB_WRP2, IDC_OB_WRP3})
            shown[id] = d.GetDlgItemText(id);
        d.Click(fw::IDCANCEL);
    });
    w.SendCommand(ID_OPTIONS_BYTES);
    const std::map<int, Text> expected = {
        {IDC_OB_DATA1, u"12"}, {IDC_OB_WRP0, u"FF"}, {IDC_OB_WRP1, u"00"}, {IDC_OB_WRP2, u"00"}, {IDC_OB_WRP3, u"00"}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(Image(), image);
}

// After a short answer the editor shows what came and 00 past it, but a confirm writes nothing: the bytes it would
// send past the answer are not the chip's (00 in WRP1 to WRP3 would protect their pages). An answer that brings
// every byte a write sends is enough, even without the bytes that are only read (series 12's flash CRC-32).
TEST_F(DeviceEditor, AShortAnswerIsNeverWrittenBack) {
    const Text refused = u"读取的选项字节不完整，不能写入芯片！";
    struct Row {
        const char* name;
        uint8_t series;
        int dialog;
        uint32_t answered;
        Changes changes;  // empty: refused
    };
    const Row rows[] = {
        {"series 0, 10 of 20 bytes", 0, IDD_WRITE_BYTE, 10, {}},
        {"series 9, 31 of 32 bytes", 9, IDD_WRITE_BYTE, 31, {}},
        {"series 12, 12 of the 13 bytes written", 12, IDD_WRITE_BYTE2, 12, {}},
        {"series 12, the 13 bytes written without the CRC", 12, IDD_WRITE_BYTE2, 13, {{8, 0xCC}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = ConnectOn(row.series, 0);
        const std::vector<uint8_t> before = Image();
        const bool written = !row.changes.empty();
        ovsim::InjectShortRead(ovsim::Fn::OptRw, 1, row.answered);
        bool stayedOpen = false;
        host.OnModal(row.dialog, [&](fw::Dialog& d) {
            EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u"CC"));
            host.ExpectBox(written ? kWritten : refused, fw::IDOK);
            d.Click(IDC_OB_CONFIRM);
            stayedOpen = d.GetResult() == 0;
            if (stayedOpen) d.Click(fw::IDCANCEL);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_EQ(stayedOpen, !written);
        EXPECT_EQ(OptionCalls(), written ? 2 : 1);  // the read, and the write only where the read was whole
        std::vector<uint8_t> expected = before;
        for (const auto& [at, value] : row.changes)
            expected[at] = value;
        EXPECT_EQ(Image(), expected);
        EXPECT_EQ(LogLine(refused, kLogRed), !written);
    }
}

// What the boxes and lists show of bytes the editors cannot name, and that such bytes go back as they were read.
TEST_F(DeviceEditor, BytesWithoutAnEntryShowADefaultAndGoBackUnchanged) {
    CQXDownloadToolDlg& w = ConnectOn(8, 0);
    std::vector<uint8_t> image = Image();
    image[18] = 0xE0;  // USER2: BOR_LVL bits 111 have no entry
    image[19] = 0x1F;
    image[20] = 0xFF;  // USER3: NRST_SEL 11 has none either
    image[21] = 0x00;
    image[24] = 0x12;  // CCMSRAM_RST with a complement that does not match: off
    image[25] = 0x34;
    ovsim::SetOptionImage(m_name, image);
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItem(IDC_OB_BOR_LVL).GetCurSel(), 0);
        EXPECT_EQ(d.GetDlgItem(IDC_OB_NRST_SEL).GetCurSel(), 0);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_OB_CCMSRAM_BOX), 0);
        EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u"5"));
        d.Click(IDC_OB_CONFIRM);
    });
    host.ExpectBox(kWritten, fw::IDOK);
    w.SendCommand(ID_OPTIONS_BYTES);
    std::vector<uint8_t> expected = image;
    expected[4] = 0x05;
    expected[5] = 0xFA;
    expected[25] = 0xED;  // the complement is always computed from the value
    EXPECT_EQ(Image(), expected);

    image = Image();
    image[24] = 0xFF;  // an erased pair counts as on
    image[25] = 0xFF;
    ovsim::SetOptionImage(m_name, image);
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_OB_CCMSRAM_BOX), 1);
        d.Click(fw::IDCANCEL);
    });
    w.SendCommand(ID_OPTIONS_BYTES);
}

TEST_F(DeviceEditor, TypedNumbersOutOfRangeChangeNothing) {
    CQXDownloadToolDlg& w = ConnectOn(2, 0);
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_BOR_LEV), u"07");
        host.ExpectBox(u"BOR_LEV输入范围是0～７", fw::IDOK);
        EXPECT_TRUE(d.EnterText(IDC_OB_BOR_LEV, u"8"));
        EXPECT_FALSE(d.EnterText(IDC_OB_BOR_LEV, u"G"));  // digits only
        EXPECT_FALSE(d.EnterText(IDC_OB_BOR_LEV, u"0A"));
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_BOR_LEV), u"8");
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_USER2), u"FF");
        d.Click(fw::IDCANCEL);
    });
    w.SendCommand(ID_OPTIONS_BYTES);

    window.reset();
    ovsim::Reset();
    CQXDownloadToolDlg& series7 = ConnectOn(7, 0);
    std::vector<uint8_t> image = Image();
    image[10] = 0x13;  // USER3
    image[11] = 0xEC;
    ovsim::SetOptionImage(m_name, image);
    host.OnModal(IDD_WRITE_BYTE2, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_OB2_LVR_POWER), u"03");
        EXPECT_TRUE(d.EnterText(IDC_OB2_LVR_POWER, u"A"));
        EXPECT_EQ(d.GetDlgItemText(IDC_OB2_USER3), u"1A");
        host.ExpectBox(u"LVR Power输入的数据必须为十六进制的数据！", fw::IDOK);
        EXPECT_TRUE(d.EnterText(IDC_OB2_LVR_POWER, u"G"));
        EXPECT_EQ(d.GetDlgItemText(IDC_OB2_USER3), u"1A");
        d.Click(fw::IDCANCEL);
    });
    series7.SendCommand(ID_OPTIONS_BYTES);
}

TEST_F(DeviceEditor, RefusedFieldsAndFailedWritesKeepTheDialogOpen) {
    CQXDownloadToolDlg& w = ConnectOn(0, 0);
    const std::vector<uint8_t> before = Image();
    int confirms = 0;
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        EXPECT_TRUE(d.EnterText(IDC_OB_WRP2, u""));
        host.ExpectBox(u"WRP2数据不能为空！", fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
        EXPECT_TRUE(d.EnterText(IDC_OB_WRP2, u"G1"));
        host.ExpectBox(u"WRP2输入的数据必须为十六进制的数据！", fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
        EXPECT_TRUE(d.EnterText(IDC_OB_WRP2, u"7F"));
        EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u""));
        host.ExpectBox(u"Data0数据不能为空！", fw::IDOK);  // Data0 is checked before WRP2
        d.Click(IDC_OB_CONFIRM);
        EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u"00"));
        ovsim::InjectStatus(ovsim::Fn::OptRw, 1, 0xB004);
        host.ExpectBox(u"配置选项字节失败！", fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
        confirms = 4;
        EXPECT_TRUE(d.IsWindowVisible());
        d.Click(fw::IDCANCEL);
    });
    w.SendCommand(ID_OPTIONS_BYTES);
    EXPECT_EQ(confirms, 4);
    EXPECT_EQ(Image(), before);
    EXPECT_TRUE(LogLine(StatusCodeToText(0xB004), kLogRed));
    EXPECT_EQ(OptionCalls(), 2);  // the read at opening and the one failed write
}

// A DBANK unticked before a refused or failed confirm gives back, when ticked again, the value read from the chip.
TEST_F(DeviceEditor, DbankTickedAgainAfterARefusalKeepsTheValueRead) {
    CQXDownloadToolDlg& w = ConnectOn(9, 0);
    std::vector<uint8_t> image = Image();
    image[4] = 0x33;  // DBANK on, by a value of its own
    image[5] = 0xCC;
    ovsim::SetOptionImage(m_name, image);
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_OB_DBANK_BOX), 1);
        EXPECT_TRUE(d.Tick(IDC_OB_DBANK_BOX, false));
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_DBANK), u"5A");
        EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u""));
        host.ExpectBox(u"Data0数据不能为空！", fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
        EXPECT_TRUE(d.Tick(IDC_OB_DBANK_BOX, true));
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_DBANK), u"33");

        EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u"00"));
        EXPECT_TRUE(d.Tick(IDC_OB_DBANK_BOX, false));
        ovsim::InjectStatus(ovsim::Fn::OptRw, 1, 0xB004);
        host.ExpectBox(u"配置选项字节失败！", fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
        EXPECT_TRUE(d.Tick(IDC_OB_DBANK_BOX, true));
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_DBANK), u"33");

        host.ExpectBox(kWritten, fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
    });
    EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
    image[24] = 0x00;  // Data0 as typed
    image[25] = 0xFF;
    EXPECT_EQ(Image(), image);
}

TEST_F(DeviceEditor, LevelBoxesAndTheKeysThatCloseWithoutWriting) {
    CQXDownloadToolDlg& w = ConnectOn(0, 0);
    ovsim::SetOptionImage(m_name, {0x55, 0xAA});  // level 1 written as 0x55
    const std::vector<uint8_t> before = Image();
    const Text question = u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?";
    int opened = 0;
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        ++opened;
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_OB_L1), 1);
        EXPECT_TRUE(d.Tick(IDC_OB_L1, false));
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_RDP), u"A5");
        EXPECT_TRUE(d.Tick(IDC_OB_L1, true));
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_RDP), u"55");  // the level-1 code read comes back, not FF
        host.ExpectBox(question, fw::IDNO);
        EXPECT_TRUE(d.Tick(IDC_OB_L2, true));
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_OB_L2), 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_RDP2), u"FF");
        d.PressEnter();
    });
    w.SendCommand(ID_OPTIONS_BYTES);
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        ++opened;
        d.PressEscape();
    });
    w.SendCommand(ID_OPTIONS_BYTES);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(OptionCalls(), 2);  // two reads, no write

    // No to the irreversible question, then a confirmed write: the chip keeps its level-2 byte.
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        ++opened;
        host.ExpectBox(question, fw::IDNO);
        EXPECT_TRUE(d.Tick(IDC_OB_L2, true));
        host.ExpectBox(kWritten, fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
    });
    EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(OptionCalls(), 4);

    // Over the probes there is no reset to choose.
    window.reset();
    ovsim::Reset();
    CQXDownloadToolDlg& probe = ConnectOn(0, 2);
    host.OnModal(IDD_WRITE_BYTE, [&](fw::Dialog& d) {
        ++opened;
        EXPECT_FALSE(d.GetDlgItem(IDC_OB_RESET).IsWindowVisible());
        d.PressEscape();
    });
    probe.SendCommand(ID_OPTIONS_BYTES);
    EXPECT_EQ(opened, 4);
}

TEST_F(DeviceEditor, DisconnectedWindowsGetNoEditor) {
    CQXDownloadToolDlg& w = Start();
    host.ExpectBox(u"请先连接设备！", fw::IDOK);
    w.SendCommand(ID_OPTIONS_BYTES);
    EXPECT_TRUE(host.ModalsRun().empty());
    EXPECT_EQ(OptionCalls(), 0);
}

}  // namespace

namespace {

// The chips that the working directory of a run carries: each one's editor opens from the Operations menu (the
// J-Link probe is chosen by chip name there, not by the probe's name the file gives it).
TEST_F(DeviceEditor, EveryChipOfTheRunConfigurationOpensItsEditor) {
    struct Row {
        int iface;
        const char* device;
        int dialog;
    };
    const Row rows[] = {
        {0, "/dev/ttyUSB0", IDD_WRITE_BYTE},  // series 0
        {0, "/dev/ttyUSB1", IDD_WRITE_BYTE},  // series 8
        {1, "usb-1-2", IDD_WRITE_BYTE2},      // series 3
        {3, "0700000103", IDD_WRITE_BYTE2},   // series 11
        {5, "/dev/i2c-1", IDD_WRITE_BYTE},    // series 5
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.device);
        window.reset();
        ovsim::Reset();
        ASSERT_TRUE(ovsim::LoadConfig(std::string(QX_SOURCE_DIR) + "/devicelib/OvMcuSim.ini"));
        ovsim::SetLinkSpeed(0);
        SysConfig("interface=0" + std::to_string(row.iface) + "\nbaud=115200\n");
        CQXDownloadToolDlg& w = Start();
        ASSERT_TRUE(w.m_deviceCombo.SelectString(-1, fw::Utf8ToText(row.device)) >= 0);
        w.Click(IDC_BTN_CONNECT);
        ASSERT_EQ(w.m_connected, 1);
        bool opened = false;
        host.OnModal(row.dialog, [&](fw::Dialog& d) {
            opened = true;
            d.Click(fw::IDCANCEL);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_TRUE(opened);
        EXPECT_FALSE(LogHas(kReadFailed));
    }
}

}  // namespace
