// The security chips' option item editor on a simulated series-10 chip, opened from the Operations menu: what it
// reads is what it shows, the ticked items reach the chip's item places and nothing else changes, refused fields
// and failing transfers write nothing after them and never report success.
#include "resources/ui/security_options.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/StatusText.h"
#include "optionbytes/SecurityOptionDlg.h"
#include "optionbytes/SelectBlockDlg.h"
#include "tests/optionbytes/ConnectedChipFixture.h"

namespace {

using fw::Text;

const Text kWritten = u"配置选项字节成功，复位后生效！";
const Text kWriteFailed = u"配置选项字节失败！";
const Text kReadFailed = u"读取选项字节失败！";

// The items' places in the chip's option image: RDP 0, WRP 1-4, M7 5-8, M4 9-12, SEC_CFG1 13-16,
// PFOER_CFG1 17-20, SEC_MODE 21-22, CRYPTION 23-24.
const std::vector<uint8_t> kErased = {0x00, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x15, 0x00, 0x00, 0x00, 0x30,
                                      0xFF, 0x1F, 0x00, 0x00, 0xFF, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

class SecurityOptions : public ConnectedChipFixture {
protected:
    CQXDownloadToolDlg& Connect(uint32_t flashAreaLimit = 0x151DFFFF, const std::string& model = {}) {
        CQXDownloadToolDlg& w = ConnectChip(10, model);
        w.m_flashAreaLimit = flashAreaLimit;
        return w;
    }

    int OptionCalls() const {
        int n = 0;
        for (const auto& call : ovsim::CallLog())
            n += call.fn == ovsim::Fn::OptRw;
        return n;
    }
};

using Changes = std::map<size_t, uint8_t>;

std::vector<uint8_t> Changed(std::vector<uint8_t> image, const Changes& changes) {
    for (const auto& [at, value] : changes)
        image[at] = value;
    return image;
}

TEST_F(SecurityOptions, TickedItemsReachTheirPlacesOnTheChip) {
    struct Row {
        const char* name;
        std::function<void(fw::Dialog&)> edit;
        Changes changes;
    };
    const Row rows[] = {
        {"RDP L1",
         [](fw::Dialog& d) {
             d.Tick(IDC_SO_RDP_BOX, true);
             d.Select(IDC_SO_RDP_LEVEL, 1);
         },
         {{0, 0x01}}},
        {"a short WRP text is padded and sent least significant byte first",
         [](fw::Dialog& d) {
             d.Tick(IDC_SO_WRP_BOX, true);
             d.EnterText(IDC_SO_WRP, u"FFFE");
         },
         {{1, 0xFE}, {2, 0xFF}, {3, 0x00}, {4, 0x00}}},
        {"BOOTADDR_M7 in the low window, M4 in SRAM",
         [](fw::Dialog& d) {
             d.Tick(IDC_SO_BOOT_M7_BOX, true);
             d.EnterText(IDC_SO_BOOT_M7, u"00001000");
             d.Tick(IDC_SO_BOOT_M4_BOX, true);
             d.EnterText(IDC_SO_BOOT_M4, u"2411FFFF");
         },
         {{5, 0x00}, {6, 0x10}, {7, 0x00}, {8, 0x00}, {9, 0xFF}, {10, 0xFF}, {11, 0x11}, {12, 0x24}}},
        {"SEC_CFG1 10..20 with DMES and bank erase, PFOER_CFG1 END 1FFF",
         [](fw::Dialog& d) {
             d.Tick(IDC_SO_SEC_BOX, true);
             d.EnterText(IDC_SO_SEC_BEGIN, u"10");
             d.EnterText(IDC_SO_SEC_END, u"20");
             d.Tick(IDC_SO_DMES, true);
             d.Select(IDC_SO_SEC_ERASE, 2);
             d.Tick(IDC_SO_PFOER_BOX, true);
             d.EnterText(IDC_SO_PFOER_BEGIN, u"0");
             d.EnterText(IDC_SO_PFOER_END, u"1FFF");
         },
         {{13, 0x10}, {14, 0x00}, {15, 0x20}, {16, 0x80}, {17, 0x00}, {18, 0x00}, {19, 0xFF}, {20, 0x1F}}},
        {"all items: SEC_MODE on, CRYPTION bound, the rest as read",
         [](fw::Dialog& d) {
             d.Tick(IDC_SO_ALL, true);
             d.Select(IDC_SO_SEC_MODE, 0);
             d.Select(IDC_SO_CRYPTION, 1);
         },
         {{21, 0xCE}, {22, 0xE5}, {23, 0xEB}, {24, 0xEB}}},
    };
    CQXDownloadToolDlg& w = Connect();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ovsim::SetOptionImage("/dev/ttyUSB0", kErased);
        host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
            row.edit(d);
            d.Click(IDC_SO_OK);
        });
        host.ExpectBox(kWritten, fw::IDOK);
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_EQ(Image(), Changed(kErased, row.changes));
        EXPECT_TRUE(LogHas(kWritten));
        EXPECT_EQ(w.m_securityFileKind, 0xFF);
    }
}

// What the chip holds is what the dialog shows; previews follow the area edits.
TEST_F(SecurityOptions, ShowsWhatTheChipHolds) {
    ovsim::Attach(0, "/dev/ttyUSB0", Chip(10));
    ovsim::SetOptionImage("/dev/ttyUSB0", {0x02, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x01, 0x15, 0x00, 0x10, 0x00, 0x30,
                                           0x05, 0x00, 0x40, 0x80, 0x06, 0x00, 0x07, 0x00, 0xCE, 0xE5, 0x0B, 0xE0});
    SysConfig("interface=00\ndevice 1=VK517C8\nbaud=115200\n");
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ovsim::ClearCallLog();
    std::map<int, Text> shown;
    int rdp = -1, secMode = -1, cryption = -1, erase = -1;
    bool dmes = false, dmep = true;
    host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
        for (int id : {IDC_SO_WRP, IDC_SO_BOOT_M7, IDC_SO_BOOT_M4, IDC_SO_SEC_BEGIN, IDC_SO_SEC_END, IDC_SO_PFOER_BEGIN,
                       IDC_SO_PFOER_END, IDC_SO_SEC_BEGIN_ADDR, IDC_SO_SEC_END_ADDR})
            shown[id] = d.GetDlgItemText(id);
        rdp = d.GetDlgItem(IDC_SO_RDP_LEVEL).GetCurSel();
        secMode = d.GetDlgItem(IDC_SO_SEC_MODE).GetCurSel();
        cryption = d.GetDlgItem(IDC_SO_CRYPTION).GetCurSel();
        erase = d.GetDlgItem(IDC_SO_SEC_ERASE).GetCurSel();
        dmes = d.IsDlgButtonChecked(IDC_SO_DMES) != 0;
        dmep = d.IsDlgButtonChecked(IDC_SO_DMEP) != 0;
        d.Click(fw::IDCANCEL);
    });
    EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
    EXPECT_EQ(OptionCalls(), 8);
    const std::map<int, Text> expected = {
        {IDC_SO_WRP, u"12345678"},          {IDC_SO_BOOT_M7, u"15010000"},
        {IDC_SO_BOOT_M4, u"30001000"},      {IDC_SO_SEC_BEGIN, u"0005"},
        {IDC_SO_SEC_END, u"0040"},          {IDC_SO_PFOER_BEGIN, u"0006"},
        {IDC_SO_PFOER_END, u"0007"},        {IDC_SO_SEC_BEGIN_ADDR, u"15005000"},
        {IDC_SO_SEC_END_ADDR, u"15040FFF"},
    };
    for (const auto& [id, text] : expected)
        EXPECT_EQ(fw::TextToUtf8(shown[id]), fw::TextToUtf8(text)) << "control " << id;
    EXPECT_EQ(rdp, 2);
    EXPECT_EQ(secMode, 0);
    EXPECT_EQ(cryption, 0);
    EXPECT_EQ(erase, 0);
    EXPECT_TRUE(dmes);
    EXPECT_FALSE(dmep);
}

// A refused field names itself, and nothing from it on is written; the dialog stays open for a correction.
TEST_F(SecurityOptions, RefusedFieldsWriteNothing) {
    struct Row {
        const char* name;
        int box, edit;
        Text text;
        uint32_t flashAreaLimit;
        Text message;  // empty: accepted
    };
    const Row rows[] = {
        {"M4 below SRAM", IDC_SO_BOOT_M4_BOX, IDC_SO_BOOT_M4, u"00001000", 0x151DFFFF, u"BOOTADDR_M4 输入范围不正确！"},
        {"M7 beyond a 2048 KB chip's flash", IDC_SO_BOOT_M7_BOX, IDC_SO_BOOT_M7, u"151E0000", 0x151DFFFF,
         u"BOOTADDR_M7 输入范围不正确！"},
        {"M7 inside a 4096 KB chip's flash", IDC_SO_BOOT_M7_BOX, IDC_SO_BOOT_M7, u"151E0000", 0x153DFFFF, u""},
        {"M7 just past a 4096 KB chip's flash", IDC_SO_BOOT_M7_BOX, IDC_SO_BOOT_M7, u"153E0000", 0x153DFFFF,
         u"BOOTADDR_M7 输入范围不正确！"},
        {"M7 at the end of the low window", IDC_SO_BOOT_M7_BOX, IDC_SO_BOOT_M7, u"000FFFFF", 0x151DFFFF, u""},
        {"M7 just past the low window", IDC_SO_BOOT_M7_BOX, IDC_SO_BOOT_M7, u"00100000", 0x151DFFFF,
         u"BOOTADDR_M7 输入范围不正确！"},
        {"M4 at the end of its last window", IDC_SO_BOOT_M4_BOX, IDC_SO_BOOT_M4, u"30057FFF", 0x151DFFFF, u""},
        {"M4 just past it", IDC_SO_BOOT_M4_BOX, IDC_SO_BOOT_M4, u"30058000", 0x151DFFFF,
         u"BOOTADDR_M4 输入范围不正确！"},
        {"SEC END over 1FFF", IDC_SO_SEC_BOX, IDC_SO_SEC_END, u"2000", 0x151DFFFF, u"SEC_CFG1 END 不能大于0x1FFF ！"},
        {"SEC END 1FFF", IDC_SO_SEC_BOX, IDC_SO_SEC_END, u"1FFF", 0x151DFFFF, u""},
        {"blank WRP", IDC_SO_WRP_BOX, IDC_SO_WRP, u"  ", 0x151DFFFF, u"WRP 不能为空！"},
        {"WRP not hex", IDC_SO_WRP_BOX, IDC_SO_WRP, u"12G4", 0x151DFFFF, u"WRP 必须输入十六进制数！"},
    };
    CQXDownloadToolDlg& w = Connect();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ovsim::SetOptionImage("/dev/ttyUSB0", kErased);
        ovsim::ClearCallLog();
        host.ClearRecords();
        w.m_flashAreaLimit = row.flashAreaLimit;
        bool stayedOpen = false;
        host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
            d.Tick(row.box, true);
            d.EnterText(row.edit, row.text);
            if (!row.message.empty()) {
                host.ExpectBox(row.message, fw::IDOK);
                host.ExpectBox(kWriteFailed, fw::IDOK);
            } else {
                host.ExpectBox(kWritten, fw::IDOK);
            }
            d.Click(IDC_SO_OK);
            stayedOpen = d.GetResult() == 0;
            if (stayedOpen) d.Click(fw::IDCANCEL);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_EQ(stayedOpen, !row.message.empty());
        EXPECT_EQ(OptionCalls(), row.message.empty() ? 9 : 8);  // 8 reads, and a write only when accepted
        if (!row.message.empty()) {
            EXPECT_EQ(Image(), kErased);
            EXPECT_FALSE(LogHas(kWritten));
        }
    }
}

// A refusal anywhere in the ticked items writes none of them, the items before it included.
TEST_F(SecurityOptions, ALaterRefusedItemKeepsTheEarlierOnesOffTheChip) {
    struct Row {
        const char* name;
        std::function<void(fw::Dialog&)> edit;
        Text message;
    };
    const Row rows[] = {
        {"WRP, then BOOTADDR_M7 out of range",
         [](fw::Dialog& d) {
             EXPECT_TRUE(d.Tick(IDC_SO_WRP_BOX, true));
             EXPECT_TRUE(d.EnterText(IDC_SO_WRP, u"0000FFF0"));
             EXPECT_TRUE(d.Tick(IDC_SO_BOOT_M7_BOX, true));
             EXPECT_TRUE(d.EnterText(IDC_SO_BOOT_M7, u"00100000"));
         },
         u"BOOTADDR_M7 输入范围不正确！"},
        {"RDP and BOOTADDR_M4, then a SEC_CFG1 END over 1FFF",
         [](fw::Dialog& d) {
             EXPECT_TRUE(d.Tick(IDC_SO_RDP_BOX, true));
             EXPECT_TRUE(d.Select(IDC_SO_RDP_LEVEL, 1));
             EXPECT_TRUE(d.Tick(IDC_SO_BOOT_M4_BOX, true));
             EXPECT_TRUE(d.EnterText(IDC_SO_BOOT_M4, u"24000000"));
             EXPECT_TRUE(d.Tick(IDC_SO_SEC_BOX, true));
             EXPECT_TRUE(d.EnterText(IDC_SO_SEC_END, u"2000"));
         },
         u"SEC_CFG1 END 不能大于0x1FFF ！"},
    };
    CQXDownloadToolDlg& w = Connect();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ovsim::SetOptionImage("/dev/ttyUSB0", kErased);
        ovsim::ClearCallLog();
        host.ClearRecords();
        host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
            row.edit(d);
            host.ExpectBox(row.message, fw::IDOK);
            host.ExpectBox(kWriteFailed, fw::IDOK);
            d.Click(IDC_SO_OK);
            EXPECT_EQ(d.GetResult(), 0);
            d.Click(fw::IDCANCEL);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_EQ(Image(), kErased);
        EXPECT_EQ(OptionCalls(), 8);  // the reads at opening only
        EXPECT_FALSE(LogHas(kWritten));
    }
}

// With the offline downloader as the interface no item can be read: the editor refuses as the other chip editors
// do, without sending anything or blaming an item.
TEST_F(SecurityOptions, TheOfflineDownloaderGetsThePlainRefusal) {
    CQXDownloadToolDlg& w = Connect();
    w.m_interface = kIfaceOfflineLink;  // the interface chosen after the chip was read
    w.SendCommand(ID_OPTIONS_BYTES);    // no script: no editor may show itself
    EXPECT_TRUE(host.ModalsRun().empty());
    EXPECT_TRUE(host.Boxes().empty());
    const std::vector<Text> expected = {kReadFailed};
    EXPECT_EQ(host.LogTexts(), expected);
    EXPECT_EQ(OptionCalls(), 0);
}

// A write that fails stops the pass there: items before it stay written, later ones are not sent, the user is
// told of the failure and never of success. A read that fails at opening shows no dialog.
TEST_F(SecurityOptions, FailingTransfersAreReportedAndStopThePass) {
    {
        SCOPED_TRACE("the WRP write fails");
        CQXDownloadToolDlg& w = Connect();
        ovsim::InjectStatus(ovsim::Fn::OptRw, 10, CMD_STATUS_BAD_PARAMETER);  // 8 reads, RDP, then WRP
        host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
            d.Tick(IDC_SO_ALL, true);
            d.Select(IDC_SO_RDP_LEVEL, 1);
            host.ExpectBox(u"配置WRP失败！", fw::IDOK);
            host.ExpectBox(kWriteFailed, fw::IDOK);
            d.Click(IDC_SO_OK);
            EXPECT_EQ(d.GetResult(), 0);
            d.Click(fw::IDCANCEL);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_EQ(OptionCalls(), 10);
        EXPECT_EQ(Image(), Changed(kErased, {{0, 0x01}}));
        const auto lines = host.LogTexts();
        const std::vector<Text> expected = {StatusCodeToText(CMD_STATUS_BAD_PARAMETER), u"配置WRP失败！", kWriteFailed};
        EXPECT_EQ(lines, expected);
        EXPECT_FALSE(LogHas(kWritten));
    }
    {
        SCOPED_TRACE("an area item's write fails: only the status line");
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect();
        ovsim::InjectStatus(ovsim::Fn::OptRw, 9, CMD_STATUS_BAD_PARAMETER);
        host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
            d.Tick(IDC_SO_SEC_BOX, true);
            d.Tick(IDC_SO_SEC_MODE_BOX, true);
            host.ExpectBox(kWriteFailed, fw::IDOK);
            d.Click(IDC_SO_OK);
            d.Click(fw::IDCANCEL);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_EQ(OptionCalls(), 9);
        const std::vector<Text> expected = {StatusCodeToText(CMD_STATUS_BAD_PARAMETER), kWriteFailed};
        EXPECT_EQ(host.LogTexts(), expected);
    }
    {
        SCOPED_TRACE("the BOOTADDR_M7 read fails");
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect();
        ovsim::InjectStatus(ovsim::Fn::OptRw, 3, CMD_STATUS_BAD_PARAMETER);
        host.ExpectBox(u"配置BOOTADDR_M7失败！", fw::IDOK);
        EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
        EXPECT_TRUE(host.ModalsRun().empty());
        EXPECT_EQ(OptionCalls(), 3);
        const std::vector<Text> expected = {StatusCodeToText(CMD_STATUS_BAD_PARAMETER), u"配置BOOTADDR_M7失败！",
                                            kReadFailed};
        EXPECT_EQ(host.LogTexts(), expected);
        EXPECT_EQ(Image(), kErased);
    }
}

// An item that came back short shows 00 where the chip said nothing (WRP's two high bytes here): OK writes nothing,
// neither that item nor the ones read whole, and never says the options were configured.
TEST_F(SecurityOptions, AShortItemAnswerIsNeverWrittenBack) {
    const Text refused = u"读取的选项字节不完整，不能写入芯片！";
    CQXDownloadToolDlg& w = Connect();
    ovsim::InjectShortRead(ovsim::Fn::OptRw, 2, 2);  // WRP, the second item read: two of its four bytes
    Text shownWrp;
    host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
        shownWrp = d.GetDlgItemText(IDC_SO_WRP);
        d.Tick(IDC_SO_ALL, true);
        d.Select(IDC_SO_SEC_MODE, 0);
        host.ExpectBox(refused, fw::IDOK);
        d.Click(IDC_SO_OK);
        EXPECT_EQ(d.GetResult(), 0);
        d.Click(fw::IDCANCEL);
    });
    EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
    EXPECT_EQ(shownWrp, u"0000FFFE");
    EXPECT_EQ(OptionCalls(), 8);  // the eight reads, no write
    EXPECT_EQ(Image(), kErased);
    EXPECT_EQ(host.LogTexts(), std::vector<Text>{refused});
    EXPECT_FALSE(LogHas(kWritten));
}

// Nothing ticked is refused; "L2" asks, and No puts back the level shown before.
TEST_F(SecurityOptions, NothingTickedAndTheL2Question) {
    CQXDownloadToolDlg& w = Connect();
    int afterNo = -1, afterYes = -1;
    host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
        host.ExpectBox(u"请选择需要配置的选项字节！", fw::IDOK);
        d.Click(IDC_SO_OK);
        d.Tick(IDC_SO_RDP_BOX, true);
        d.Select(IDC_SO_RDP_LEVEL, 1);
        host.ExpectBox(u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?", fw::IDNO);
        d.Select(IDC_SO_RDP_LEVEL, 2);
        afterNo = d.GetDlgItem(IDC_SO_RDP_LEVEL).GetCurSel();
        host.ExpectBox(u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?", fw::IDYES);
        d.Select(IDC_SO_RDP_LEVEL, 2);
        afterYes = d.GetDlgItem(IDC_SO_RDP_LEVEL).GetCurSel();
        d.Click(fw::IDCANCEL);
    });
    EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
    EXPECT_EQ(afterNo, 1);
    EXPECT_EQ(afterYes, 2);
    EXPECT_EQ(Image(), kErased);
}

}  // namespace

namespace {

// The offline project's item block: what the project holds is what the editor shows and, untouched, gives back;
// an edit lands at its item's place; "-1A" models carry items 1 to 4 only; a text that is no block is refused and
// stays as it was.
class ProjectItems : public MainWindowFixture {};

// Erased items in the block's text form (the area words most significant byte first).
const Text kFullBlock = u"00FEFFFFFF000000150000003000001FFF00001FFF00000000";
const Text kShortBlock = u"00FEFFFFFF0000001500000030";

TEST_F(ProjectItems, BlockTextInAndOut) {
    struct Row {
        const char* name;
        const char* model;
        Text in;
        bool editable;
        std::function<void(fw::Dialog&)> edit;
        int result;
        Text out;  // the text after the dialog
    };
    const Row rows[] = {
        {"untouched", "QX32H750", kFullBlock, true, nullptr, fw::IDOK, kFullBlock},
        {"a new project starts from the defaults", "QX32H750", u"", true, nullptr, fw::IDOK, kFullBlock},
        {"SEC_MODE on and PFOER_CFG1 with DMEP", "QX32H750", kFullBlock, true,
         [](fw::Dialog& d) {
             EXPECT_TRUE(d.Select(IDC_SO_SEC_MODE, 0));
             EXPECT_TRUE(d.EnterText(IDC_SO_PFOER_BEGIN, u"2"));
             EXPECT_TRUE(d.EnterText(IDC_SO_PFOER_END, u"3"));
             EXPECT_TRUE(d.Tick(IDC_SO_DMEP, true));
         },
         fw::IDOK, u"00FEFFFFFF000000150000003000001FFF80030002CEE50000"},
        {"a -1A model: 13 bytes", "QX32H750-1A", kShortBlock, true,
         [](fw::Dialog& d) { EXPECT_TRUE(d.Select(IDC_SO_RDP_LEVEL, 1)); }, fw::IDOK, u"01FEFFFFFF0000001500000030"},
        {"a -1A model given a full block keeps items 1 to 4", "QX32H750-1A", kFullBlock, true, nullptr, fw::IDOK,
         kShortBlock},
        {"read-only: the editors cannot be used", "QX32H750", kFullBlock, false,
         [](fw::Dialog& d) { EXPECT_FALSE(d.EnterText(IDC_SO_WRP, u"0")); }, fw::IDOK, kFullBlock},
        {"one digit too many", "QX32H750", kFullBlock + u"0", true, nullptr, fw::IDCANCEL, kFullBlock + u"0"},
        {"a byte too many", "QX32H750", kFullBlock + u"00", true, nullptr, fw::IDCANCEL, kFullBlock + u"00"},
        {"not hex", "QX32H750", u"0XFEFFFFFF0000001500000030", true, nullptr, fw::IDCANCEL,
         u"0XFEFFFFFF0000001500000030"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window.reset();
        CQXDownloadToolDlg& w = Start();
        w.m_chipModel = fw::Utf8ToText(row.model);
        CWriteByteDlg4 dialog(&w, SecurityOptionMode::Project);
        dialog.m_editable = row.editable;
        dialog.m_itemText = row.in;
        host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
            EXPECT_FALSE(d.GetDlgItem(IDC_SO_RDP_BOX).IsWindowEnabled());  // the project always carries them
            if (row.edit) row.edit(d);
            d.Click(IDC_SO_OK);
        });
        if (row.result == fw::IDCANCEL) host.ExpectBox(u"工程中的选项字节数据不正确！", fw::IDOK);
        EXPECT_EQ(dialog.DoModal(), row.result);
        EXPECT_EQ(fw::TextToUtf8(dialog.m_itemText), fw::TextToUtf8(row.out));
    }
}

// The firmware maker's item list: the ticked items in order, those after an area item carrying its item word, and
// CRYPTION never (the maker sets the encryption itself).
TEST_F(ProjectItems, FileModeListsTheTickedItemsWithTheCarriedItemWord) {
    struct Row {
        const char* name;
        std::function<void(fw::Dialog&)> edit;
        Text list;
    };
    const Row rows[] = {
        {"SEC_MODE alone",
         [](fw::Dialog& d) {
             d.Tick(IDC_SO_SEC_MODE_BOX, true);
             d.Select(IDC_SO_SEC_MODE, 0);
         },
         u"0207000000CEE5"},
        {"RDP L1 and a short WRP",
         [](fw::Dialog& d) {
             d.Tick(IDC_SO_RDP_BOX, true);
             d.Select(IDC_SO_RDP_LEVEL, 1);
             d.Tick(IDC_SO_WRP_BOX, true);
             d.EnterText(IDC_SO_WRP, u"FFFE");
         },
         u"0101000000"
         u"01"
         u"0402000000FEFF0000"},
        {"all select leaves CRYPTION out", [](fw::Dialog& d) { d.Tick(IDC_SO_ALL, true); },
         u"010100000000"
         u"0402000000FEFFFFFF"
         u"040300000000000015"
         u"040400000000000030"
         u"04050100000000"
         u"1FFF"
         u"04060100000000"
         u"1FFF"
         u"0207010000"
         u"0000"},
    };
    CQXDownloadToolDlg& w = Start();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CWriteByteDlg4 dialog(&w, SecurityOptionMode::File);
        host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
            row.edit(d);
            d.Click(IDC_SO_OK);
        });
        EXPECT_EQ(dialog.DoModal(), fw::IDOK);
        EXPECT_EQ(fw::TextToUtf8(dialog.m_itemText), fw::TextToUtf8(row.list));
        EXPECT_TRUE(host.LogTexts().empty());  // no chip, nothing to report
    }
}

}  // namespace

namespace {

// The block selector: ticked boxes are the 0 bits of the word, bit 0 always 0; chips other than the 4096 KB ones
// have blocks 1 to 15 only and keep bits 16 to 31 as they were.
class BlockSelector : public MainWindowFixture {};

TEST_F(BlockSelector, BoxesAndWordRoundTrip) {
    struct Row {
        const char* name;
        double flashKB;
        Text word;
        std::vector<int> tickedAtOpening;  // the boxes shown ticked
        std::function<void(fw::Dialog&)> edit;
        Text result;
    };
    const Row rows[] = {
        {"nothing protected", 4096, u"FFFFFFFE", {}, nullptr, u"FFFFFFFE"},
        {"all select on a 4096 KB chip",
         4096,
         u"FFFFFFFE",
         {},
         [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_SB_ALL, true)); },
         u"00000000"},
        {"blocks 5 and 20",
         4096,
         u"FFFFFFFE",
         {},
         [](fw::Dialog& d) {
             EXPECT_TRUE(d.Tick(IDC_SB_BLOCK5, true));
             EXPECT_TRUE(d.Tick(IDC_SB_BLOCK20, true));
         },
         u"FFEFFFDE"},
        {"bits 16 to 31 kept on a 2048 KB chip", 2048, u"0000FFF0", {1, 2, 3}, nullptr, u"0000FFF0"},
        {"all select on a 2048 KB chip",
         2048,
         u"FFFFFFFE",
         {},
         [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_SB_ALL, true)); },
         u"FFFF0000"},
        {"a short word counts as a number; bit 0 is written 0",
         4096,
         u"FFFF",
         {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
         nullptr,
         u"0000FFFE"},
        {"4224 KB has the narrow form",
         4224,
         u"FFFFFFFE",
         {},
         [](fw::Dialog& d) { EXPECT_FALSE(d.Tick(IDC_SB_BLOCK16, true)); },
         u"FFFFFFFE"},
        {"4095 KB has the narrow form", 4095.5, u"7FFFFFFE", {}, nullptr, u"7FFFFFFE"},
        {"clearing a ticked box lifts its block",
         4223,
         u"FFFFFFF0",
         {1, 2, 3},
         [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_SB_BLOCK2, false)); },
         u"FFFFFFF4"},
    };
    CQXDownloadToolDlg& w = Start();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        w.m_flashSizeKB = row.flashKB;
        CWriteByteDlg4 holder(&w, SecurityOptionMode::Device);  // never shown: it only holds the text
        holder.m_wrpText = row.word;
        SelectBlockDlg selector(&holder, static_cast<int>(w.m_flashSizeKB));
        std::vector<int> ticked;
        bool wideEnabled = false;
        host.OnModal(IDD_SELECT_BLOCK, [&](fw::Dialog& d) {
            const int boxes[] = {IDC_SB_BLOCK1,  IDC_SB_BLOCK2,  IDC_SB_BLOCK3,  IDC_SB_BLOCK4,  IDC_SB_BLOCK5,
                                 IDC_SB_BLOCK6,  IDC_SB_BLOCK7,  IDC_SB_BLOCK8,  IDC_SB_BLOCK9,  IDC_SB_BLOCK10,
                                 IDC_SB_BLOCK11, IDC_SB_BLOCK12, IDC_SB_BLOCK13, IDC_SB_BLOCK14, IDC_SB_BLOCK15,
                                 IDC_SB_BLOCK16, IDC_SB_BLOCK17, IDC_SB_BLOCK18, IDC_SB_BLOCK19, IDC_SB_BLOCK20,
                                 IDC_SB_BLOCK21, IDC_SB_BLOCK22, IDC_SB_BLOCK23, IDC_SB_BLOCK24, IDC_SB_BLOCK25,
                                 IDC_SB_BLOCK26, IDC_SB_BLOCK27, IDC_SB_BLOCK28, IDC_SB_BLOCK29, IDC_SB_BLOCK30,
                                 IDC_SB_BLOCK31};
            for (int n = 1; n <= 31; ++n)
                if (d.IsDlgButtonChecked(boxes[n - 1])) ticked.push_back(n);
            wideEnabled = d.GetDlgItem(IDC_SB_BLOCK31).IsWindowEnabled();
            if (row.edit) row.edit(d);
            d.Click(IDC_SB_OK);
        });
        EXPECT_EQ(selector.DoModal(), fw::IDOK);
        EXPECT_EQ(ticked, row.tickedAtOpening);
        EXPECT_EQ(wideEnabled, row.flashKB >= 4096 && row.flashKB < 4224);
        EXPECT_EQ(fw::TextToUtf8(holder.m_wrpText), fw::TextToUtf8(row.result));
    }
}

// The item editor's "Select Block" opens the selector over the WRP edit's text, and only over a text that is a
// word: an empty or malformed one would show every block protected.
TEST_F(BlockSelector, OpensFromTheItemEditorOnlyOverAValidWord) {
    CQXDownloadToolDlg& w = Start();
    w.m_flashSizeKB = 4096;
    CWriteByteDlg4 editor(&w, SecurityOptionMode::File);
    host.OnModal(IDD_SELECT_BLOCK, [](fw::Dialog& d) {
        EXPECT_TRUE(d.Tick(IDC_SB_BLOCK1, true));
        d.Click(IDC_SB_OK);
    });
    Text shown;
    host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
        EXPECT_FALSE(d.GetDlgItem(IDC_SO_SELECT_BLOCK).IsWindowEnabled());
        EXPECT_TRUE(d.Tick(IDC_SO_WRP_BOX, true));
        EXPECT_TRUE(d.GetDlgItem(IDC_SO_SELECT_BLOCK).IsWindowEnabled());
        for (const char16_t* bad : {u"", u"FFFFFFFG"}) {
            d.EnterText(IDC_SO_WRP, bad);
            host.ExpectBox(Text(bad).empty() ? u"WRP 不能为空！" : u"WRP 必须输入十六进制数！", fw::IDOK);
            d.Click(IDC_SO_SELECT_BLOCK);
        }
        d.EnterText(IDC_SO_WRP, u"FFFF FE");  // blanks dropped, padded to eight digits
        d.Click(IDC_SO_SELECT_BLOCK);
        shown = d.GetDlgItemText(IDC_SO_WRP);
        d.Click(IDC_SO_OK);
    });
    EXPECT_EQ(editor.DoModal(), fw::IDOK);
    EXPECT_EQ(host.ModalsRun(), (std::vector<int>{IDD_WRITE_BYTE4, IDD_SELECT_BLOCK}));
    EXPECT_EQ(fw::TextToUtf8(shown), "00FFFFFC");
    EXPECT_EQ(fw::TextToUtf8(editor.m_itemText), "0402000000FCFFFF00");
}

}  // namespace

namespace {

// "Write protection" on a security chip: the WRP item read from the chip, chosen in the block selector and
// written back as that item; a failing read or write is reported and never followed by success.
TEST_F(SecurityOptions, WriteProtectionThroughTheBlockSelector) {
    struct Row {
        const char* name;
        int failingCall;  // 0: none; 1 the read, 2 the write
        bool cancel;
        std::vector<uint8_t> wrpBytes;  // image bytes 1 to 4 afterwards
        std::vector<Text> log;
        int answered = -1;  // the read's data bytes; -1: all four
    };
    const Text done = u"配置写保护成功，复位后生效！";
    const Text failed = u"配置写保护失败！";
    const Text status = StatusCodeToText(CMD_STATUS_BAD_PARAMETER);
    const Text incomplete = u"读取的选项字节不完整，不能写入芯片！";
    const Row rows[] = {
        {"blocks 1 and 2 protected", 0, false, {0xF8, 0xFF, 0xFF, 0xFF}, {done}},
        {"cancelled", 0, true, {0xFE, 0xFF, 0xFF, 0xFF}, {}},
        {"the read fails", 1, false, {0xFE, 0xFF, 0xFF, 0xFF}, {status}},
        {"the write fails", 2, false, {0xFE, 0xFF, 0xFF, 0xFF}, {status, failed}},
        // Bytes 2 and 3 of the word would be written as 00: blocks nobody chose, protected.
        {"the read answers two of four bytes", 0, false, {0xFE, 0xFF, 0xFF, 0xFF}, {incomplete}, 2},
    };
    CQXDownloadToolDlg& w = Connect();
    w.m_flashSizeKB = 2048;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ovsim::SetOptionImage("/dev/ttyUSB0", kErased);
        ovsim::ClearCallLog();
        host.ClearRecords();
        if (row.failingCall) ovsim::InjectStatus(ovsim::Fn::OptRw, row.failingCall, CMD_STATUS_BAD_PARAMETER);
        if (row.answered >= 0) ovsim::InjectShortRead(ovsim::Fn::OptRw, 1, static_cast<uint32_t>(row.answered));
        host.OnModal(IDD_SELECT_BLOCK, [&](fw::Dialog& d) {
            EXPECT_FALSE(d.IsDlgButtonChecked(IDC_SB_BLOCK1));
            d.Tick(IDC_SB_BLOCK1, true);
            d.Tick(IDC_SB_BLOCK2, true);
            d.Click(row.cancel ? fw::IDCANCEL : IDC_SB_OK);
        });
        if (row.failingCall == 2) host.ExpectBox(failed, fw::IDOK);
        if (row.answered >= 0) host.ExpectBox(incomplete, fw::IDOK);
        if (row.failingCall == 0 && !row.cancel && row.answered < 0) host.ExpectBox(done, fw::IDOK);
        EXPECT_TRUE(w.ChooseMenu(ID_WRITE_PROTECTION));
        const std::vector<uint8_t> image = Image();
        EXPECT_EQ(std::vector<uint8_t>(image.begin() + 1, image.begin() + 5), row.wrpBytes);
        EXPECT_EQ(host.LogTexts(), row.log);
        EXPECT_EQ(host.ModalsRun().size(), row.failingCall == 1 || row.answered >= 0 ? 0u : 1u);
        const bool writeSent = row.failingCall != 1 && !row.cancel && row.answered < 0;
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::OptRw), writeSent ? 2 : 1);
    }
}

}  // namespace

namespace {

// A "-1A" model has items 1 to 4 only: the editor reads and offers no more, and "all select" writes those four.
TEST_F(SecurityOptions, ShortModelsHaveFourItems) {
    CQXDownloadToolDlg& w = Connect(0x151DFFFF, "VK820-1A");
    ASSERT_NE(w.m_chipModel.find(u"-1A"), Text::npos);
    bool areasOffered = true;
    host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
        areasOffered =
            d.GetDlgItem(IDC_SO_SEC_BOX).IsWindowEnabled() || d.GetDlgItem(IDC_SO_CRYPTION_BOX).IsWindowEnabled();
        d.Tick(IDC_SO_ALL, true);
        d.Select(IDC_SO_RDP_LEVEL, 1);
        d.Click(IDC_SO_OK);
    });
    host.ExpectBox(kWritten, fw::IDOK);
    EXPECT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
    EXPECT_FALSE(areasOffered);
    EXPECT_EQ(OptionCalls(), 8);  // four reads, four writes
    EXPECT_EQ(Image(), Changed(kErased, {{0, 0x01}}));
    EXPECT_FALSE(LogHas(kReadFailed));
}

}  // namespace
