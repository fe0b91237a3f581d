// The external memory option editor on a simulated series-8 chip, opened by its command id: what the record holds
// is what the editors show, the ticked words reach their places and nothing else changes, refused or failing
// words stop the pass, and a failed or short read opens nothing.
#include "resources/ui/ext_options.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/StatusText.h"
#include "tests/optionbytes/ConnectedChipFixture.h"

namespace {

using fw::Text;

const Text kWritten = u"外设选项字节写入成功！";
const Text kReadFailed = u"读取外设选项字节失败！";

// The record as fifteen little-endian words.
std::vector<uint8_t> Record(const std::array<uint32_t, 15>& words) {
    std::vector<uint8_t> out;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(w >> (8 * i)));
    return out;
}

constexpr std::array<uint32_t, 15> kSample = {0xAABBCCDD, 0x12345678, 0x08001000, 0x00004000, 0x90000000,
                                              0x00010000, 0x90000100, 0x900001FF, 0x90100000, 0x00000200,
                                              0xFFFFFFFF, 0x00000000, 0x01020304, 0xA0B0C0D0, 0x00000001};

class ExtOptions : public ConnectedChipFixture {
protected:
    CQXDownloadToolDlg& Connect(const std::array<uint32_t, 15>& words = kSample) {
        CQXDownloadToolDlg& w = ConnectChip(8);
        ovsim::SetExternalOptions(kDevice, Record(words));
        return w;
    }
    std::vector<uint8_t> Stored() const { return ovsim::ExternalOptions(kDevice); }
    static int RecordCalls() {
        int n = 0;
        for (const auto& c : ovsim::CallLog())
            n += c.fn == ovsim::Fn::ExtOptRw;
        return n;
    }
    static int Writes() { return RecordCalls() - 1; }  // the read on opening is the first
};

struct Shown {
    int flag = -1, restored = -1, api = -1;
    std::vector<Text> edits;
};

constexpr int kEdits[] = {IDC_EXT_OPT_MAIN_ADDR, IDC_EXT_OPT_MAIN_LEN, IDC_EXT_OPT_ADDR1, IDC_EXT_OPT_LEN1,
                          IDC_EXT_OPT_ENC_START, IDC_EXT_OPT_ENC_END,  IDC_EXT_OPT_ADDR2, IDC_EXT_OPT_LEN2,
                          IDC_EXT_OPT_ADDR3,     IDC_EXT_OPT_LEN3,     IDC_EXT_OPT_ADDR4, IDC_EXT_OPT_LEN4};

Shown Read(fw::Dialog& d) {
    Shown s;
    s.flag = d.GetDlgItem(IDC_EXT_OPT_FLAG).GetCurSel();
    s.restored = d.GetDlgItem(IDC_EXT_OPT_STS).GetCurSel();
    s.api = d.GetDlgItem(IDC_EXT_OPT_API).GetCurSel();
    for (int id : kEdits)
        s.edits.push_back(d.GetDlgItemText(id));
    return s;
}

TEST_F(ExtOptions, ReadEditWriteReadBack) {
    CQXDownloadToolDlg& w = Connect();
    EXPECT_FALSE(w.ChooseMenu(ID_SET_EXTERNAL_OPTIONS_BYTES)) << "no menu item offers it";
    Shown before, after;
    bool editorsStartedDisabled = true;
    host.OnModal(IDD_EXT_OPT, [&](fw::Dialog& d) {
        before = Read(d);
        for (int id : kEdits)
            editorsStartedDisabled = editorsStartedDisabled && !d.GetDlgItem(id).IsWindowEnabled();
        EXPECT_TRUE(d.Tick(IDC_EXT_OPT_FLAG_BOX, true));
        EXPECT_TRUE(d.Select(IDC_EXT_OPT_FLAG, 0));
        EXPECT_TRUE(d.Tick(IDC_EXT_OPT_MAIN_ADDR_BOX, true));
        EXPECT_TRUE(d.EnterText(IDC_EXT_OPT_MAIN_ADDR, u"123"));
        EXPECT_TRUE(d.Tick(IDC_EXT_OPT_LEN4_BOX, true));
        EXPECT_TRUE(d.EnterText(IDC_EXT_OPT_LEN4, u"fffffffff"));  // the ninth digit does not fit
        EXPECT_TRUE(d.Tick(IDC_EXT_OPT_API_BOX, true));
        EXPECT_TRUE(d.Select(IDC_EXT_OPT_API, 1));
        host.ExpectBox(kWritten, fw::IDOK);
        d.Click(IDC_EXT_OPT_OK);
        EXPECT_TRUE(d.IsWindowVisible()) << "the dialog stays open after OK";
        d.PressEscape();
    });
    w.SendCommand(ID_SET_EXTERNAL_OPTIONS_BYTES);
    EXPECT_TRUE(editorsStartedDisabled);
    EXPECT_EQ(before.flag, 1);
    EXPECT_EQ(before.restored, 0);
    EXPECT_EQ(before.api, 1);
    const std::vector<Text> shown = {u"08001000", u"00004000", u"90000000", u"00010000", u"90000100", u"900001FF",
                                     u"90100000", u"00000200", u"FFFFFFFF", u"00000000", u"01020304", u"A0B0C0D0"};
    EXPECT_EQ(before.edits, shown);
    EXPECT_EQ(Writes(), 4);

    std::array<uint32_t, 15> expected = kSample;
    expected[0] = 0x12345678;
    expected[2] = 0x00000123;
    expected[13] = 0xFFFFFFFF;
    expected[14] = 0xFFFFFFFF;
    EXPECT_EQ(Stored(), Record(expected));

    host.OnModal(IDD_EXT_OPT, [&](fw::Dialog& d) {
        after = Read(d);
        d.Click(fw::IDCANCEL);
    });
    ovsim::ClearCallLog();
    w.SendCommand(ID_SET_EXTERNAL_OPTIONS_BYTES);
    EXPECT_EQ(Writes(), 0) << "Cancel writes nothing";
    EXPECT_EQ(after.flag, 0);
    EXPECT_EQ(after.api, 1);
    EXPECT_EQ(after.edits[0], u"00000123");
    EXPECT_EQ(after.edits[11], u"FFFFFFFF");
}

// The flag words show their marker's entry, anything else the last one.
TEST_F(ExtOptions, FlagMarkers) {
    struct Row {
        uint32_t flag, restored, api;
        int flagShown, restoredShown, apiShown;
    };
    const Row rows[] = {
        {0x12345678, 0x12345678, 0x12345678, 0, 0, 0},
        {0xAABBCCDD, 0xAABBCCDD, 0xFFFFFFFF, 1, 1, 1},
        {0xFFFFFFFF, 0x78563412, 0x00000000, 2, 1, 1},
        {0x12345679, 0x00000000, 0x1234567, 2, 1, 1},
    };
    CQXDownloadToolDlg& w = Connect();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.flag);
        std::array<uint32_t, 15> words = kSample;
        words[0] = r.flag;
        words[1] = r.restored;
        words[14] = r.api;
        ovsim::SetExternalOptions(kDevice, Record(words));
        Shown s;
        host.OnModal(IDD_EXT_OPT, [&](fw::Dialog& d) {
            s = Read(d);
            d.PressEscape();
        });
        w.SendCommand(ID_SET_EXTERNAL_OPTIONS_BYTES);
        EXPECT_EQ(s.flag, r.flagShown);
        EXPECT_EQ(s.restored, r.restoredShown);
        EXPECT_EQ(s.api, r.apiShown);
    }
}

// "All Check" ticks and enables every word; unticked, it clears and disables them all.
TEST_F(ExtOptions, AllCheck) {
    CQXDownloadToolDlg& w = Connect();
    host.OnModal(IDD_EXT_OPT, [&](fw::Dialog& d) {
        d.Tick(IDC_EXT_OPT_MAIN_LEN_BOX, true);
        d.Tick(IDC_EXT_OPT_ALL, true);
        for (int id : kEdits)
            EXPECT_TRUE(d.GetDlgItem(id).IsWindowEnabled()) << id;
        EXPECT_TRUE(d.GetDlgItem(IDC_EXT_OPT_STS).IsWindowEnabled());
        d.Tick(IDC_EXT_OPT_ALL, false);
        for (int id : {IDC_EXT_OPT_FLAG_BOX, IDC_EXT_OPT_MAIN_LEN_BOX, IDC_EXT_OPT_API_BOX})
            EXPECT_EQ(d.IsDlgButtonChecked(id), 0) << id;
        for (int id : kEdits)
            EXPECT_FALSE(d.GetDlgItem(id).IsWindowEnabled()) << id;
        EXPECT_FALSE(d.GetDlgItem(IDC_EXT_OPT_FLAG).IsWindowEnabled());
        host.ExpectBox(u"请选择需要写入的字段！", fw::IDOK);
        d.Click(IDC_EXT_OPT_OK);
        d.PressEscape();
    });
    w.SendCommand(ID_SET_EXTERNAL_OPTIONS_BYTES);
    EXPECT_EQ(Writes(), 0);
    EXPECT_EQ(Stored(), Record(kSample));
}

// A refused word or a failing write ends the pass there: the words before it stay written, none after it is sent,
// and no success is told.
TEST_F(ExtOptions, RefusedAndFailingWordsStopThePass) {
    struct Row {
        const char* name;
        Text mainAddr;   // word 2
        int failOnCall;  // 0: none; counted from the read on opening
        Text box;
        int writes;
        std::vector<Text> log;
    };
    const Text status = StatusCodeToText(CMD_STATUS_RDP_L2);
    const Row rows[] = {
        {"empty word", u"", 0, u"内置Flash存储器地址长度不能为空！", 1, {}},
        {"not hex", u"12G4", 0, u"内置Flash存储器地址应为十六进制！", 1, {}},
        {"the second write fails",
         u"1",
         3,
         u"内置Flash存储器地址写入失败！",
         2,
         {status, u"内置Flash存储器地址写入失败！"}},
    };
    CQXDownloadToolDlg& w = Connect();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ovsim::SetExternalOptions(kDevice, Record(kSample));
        ovsim::ClearCallLog();
        host.ClearRecords();
        if (r.failOnCall != 0) ovsim::InjectStatus(ovsim::Fn::ExtOptRw, r.failOnCall, CMD_STATUS_RDP_L2);
        host.OnModal(IDD_EXT_OPT, [&](fw::Dialog& d) {
            d.Tick(IDC_EXT_OPT_STS_BOX, true);
            d.Select(IDC_EXT_OPT_STS, 1);
            d.Tick(IDC_EXT_OPT_MAIN_ADDR_BOX, true);
            d.EnterText(IDC_EXT_OPT_MAIN_ADDR, r.mainAddr);
            d.Tick(IDC_EXT_OPT_LEN1_BOX, true);
            d.EnterText(IDC_EXT_OPT_LEN1, u"5");
            host.ExpectBox(r.box, fw::IDOK);
            d.Click(IDC_EXT_OPT_OK);
            EXPECT_TRUE(d.IsWindowVisible());
            d.PressEscape();
        });
        w.SendCommand(ID_SET_EXTERNAL_OPTIONS_BYTES);
        EXPECT_EQ(Writes(), r.writes);
        std::array<uint32_t, 15> expected = kSample;
        expected[1] = 0xFFFFFFFF;  // written before the word that stopped the pass
        EXPECT_EQ(Stored(), Record(expected));
        EXPECT_EQ(host.LogTexts(), r.log);
        for (const auto& line : host.LogLines())
            EXPECT_EQ(line.color, fw::Rgb(220, 0, 0));
    }
}

// A read that fails or answers fewer bytes than the record opens nothing and writes nothing.
TEST_F(ExtOptions, FailedOrShortReadOpensNothing) {
    struct Row {
        const char* name;
        std::function<void()> inject;
        Text firstLine;
    };
    const Row rows[] = {
        {"status", [] { ovsim::InjectStatus(ovsim::Fn::ExtOptRw, 1, CMD_STATUS_RDP_L2); },
         StatusCodeToText(CMD_STATUS_RDP_L2)},
        {"56 of 60 bytes", [] { ovsim::InjectShortRead(ovsim::Fn::ExtOptRw, 1, 56); }, u"返回的数据长度不正确！"},
        {"nothing", [] { ovsim::InjectShortRead(ovsim::Fn::ExtOptRw, 1, 0); }, u"返回的数据长度不正确！"},
    };
    CQXDownloadToolDlg& w = Connect();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        host.ClearRecords();
        ovsim::ClearCallLog();
        r.inject();
        w.SendCommand(ID_SET_EXTERNAL_OPTIONS_BYTES);
        EXPECT_TRUE(host.ModalsRun().empty());
        EXPECT_EQ(host.LogTexts(), (std::vector<Text>{r.firstLine, kReadFailed}));
        EXPECT_EQ(Writes(), 0);
        EXPECT_EQ(Stored(), Record(kSample));
    }
    // Nothing connected: the command stops before the chip.
    w.m_connected = 0;
    host.ExpectBox(u"请先连接设备！", fw::IDOK);
    ovsim::ClearCallLog();
    w.SendCommand(ID_SET_EXTERNAL_OPTIONS_BYTES);
    EXPECT_EQ(RecordCalls(), 0);
}

}  // namespace
