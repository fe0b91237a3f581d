// The OTP item editor on a simulated security chip, opened from the Operations menu: what the items hold is what
// it shows, the ticked items reach the chip as value and complement, each write spends one of an item's sixteen
// configurations, and a refused or failing item stops the pass without a success line.
#include "resources/ui/otp_items.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/StatusText.h"
#include "tests/optionbytes/ConnectedChipFixture.h"

namespace {

using fw::Text;

const Text kWritten = u"配置OTP成功，复位后生效！";
const Text kReadFailed = u"读取OTP失败！";

class OtpItems : public ConnectedChipFixture {
protected:
    // Programs an item as another tool would, spending one configuration.
    void Program(CQXDownloadToolDlg& w, uint8_t item, uint16_t value) {
        OtpRwBlock block{};
        block.operation = 1;
        block.item = item;
        block.length = 4;
        block.data[0] = static_cast<uint8_t>(value);
        block.data[1] = static_cast<uint8_t>(value >> 8);
        block.data[2] = static_cast<uint8_t>(~block.data[0]);
        block.data[3] = static_cast<uint8_t>(~block.data[1]);
        ASSERT_EQ(OV_CMD_OTP_RW(w.m_hDevice, &block), CMD_STATUS_OK);
    }
    ovsim::ChipState Chip() const { return ovsim::State(kDevice); }
    static int ItemCalls() {
        int n = 0;
        for (const auto& c : ovsim::CallLog())
            n += c.fn == ovsim::Fn::OtpRw;
        return n;
    }
};

struct Shown {
    std::vector<Text> values;  // items 1 to 5
    int dcd = -1, boot = -1, bor = -1, tcm = -1;
};

Shown Read(fw::Dialog& d) {
    Shown s;
    for (int id : {IDC_OTP_DCD_VALUE, IDC_OTP_BTM_VALUE, IDC_OTP_BORLS_VALUE, IDC_OTP_IWDG_VALUE, IDC_OTP_TCM_VALUE})
        s.values.push_back(d.GetDlgItemText(id));
    s.dcd = d.GetDlgItem(IDC_OTP_DCD).GetCurSel();
    s.boot = d.GetDlgItem(IDC_OTP_BTM).GetCurSel();
    s.bor = d.GetDlgItem(IDC_OTP_BORLS).GetCurSel();
    s.tcm = d.GetDlgItem(IDC_OTP_TCM).GetCurSel();
    return s;
}

TEST_F(OtpItems, ReadEditWriteReadBack) {
    CQXDownloadToolDlg& w = ConnectChip(10);
    Program(w, 1, 0x0001);
    Program(w, 2, 0x5AA5);
    Program(w, 3, 0x1234);
    Program(w, 4, 0xC005);
    ovsim::ClearCallLog();
    Shown before, after;
    bool dcdOffered = true, editorsStartedDisabled = false;
    std::vector<int> watchdogTicks;
    bool selectAllTicked = true;
    host.OnModal(IDD_OTP_IWDG, [&](fw::Dialog& d) {
        for (int id : {IDC_IWDG_STANDBY_M4, IDC_IWDG_SLEEP_M4, IDC_IWDG_SLEEP_M7, IDC_IWDG_NRST_STOP_C_M7})
            watchdogTicks.push_back(d.IsDlgButtonChecked(id));
        selectAllTicked = d.IsDlgButtonChecked(IDC_IWDG_SELECT_ALL) != 0;
        d.Tick(IDC_IWDG_SW_M7, true);  // bit 9
        d.Click(fw::IDOK);
    });
    host.OnModal(IDD_SET_OTP, [&](fw::Dialog& d) {
        before = Read(d);
        dcdOffered = d.GetDlgItem(IDC_OTP_DCD_BOX).IsWindowVisible();
        editorsStartedDisabled = !d.GetDlgItem(IDC_OTP_BTM).IsWindowEnabled() &&
                                 !d.GetDlgItem(IDC_OTP_SELECT_CONFIGURATION).IsWindowEnabled();
        d.Tick(IDC_OTP_BTM_BOX, true);
        d.Select(IDC_OTP_BTM, 1);
        d.Tick(IDC_OTP_BORLS_BOX, true);
        d.Select(IDC_OTP_BORLS, 2);
        d.Tick(IDC_OTP_TCM_BOX, true);
        d.Select(IDC_OTP_TCM, 4);
        d.Tick(IDC_OTP_IWDG_BOX, true);
        EXPECT_TRUE(d.Click(IDC_OTP_SELECT_CONFIGURATION));
        EXPECT_EQ(d.GetDlgItemText(IDC_OTP_IWDG_VALUE), u"C205");
        EXPECT_EQ(d.GetDlgItemText(IDC_OTP_TCM_VALUE), u"FFC4");
        d.Click(IDC_OTP_OK);
        EXPECT_TRUE(d.IsWindowVisible());
        d.PressEscape();
    });
    EXPECT_TRUE(w.ChooseMenu(ID_SET_OTP));
    EXPECT_FALSE(dcdOffered);
    EXPECT_TRUE(editorsStartedDisabled);
    EXPECT_EQ(before.values, (std::vector<Text>{u"0001", u"5AA5", u"1234", u"C005", u"FFFF"}));
    EXPECT_EQ(before.dcd, 1);
    EXPECT_EQ(before.boot, 0);
    EXPECT_EQ(before.bor, 4);
    EXPECT_EQ(before.tcm, 44) << "codes 0x2C to 0x3F share the last entry";
    EXPECT_EQ(watchdogTicks, (std::vector<int>{1, 1, 0, 0}));
    EXPECT_FALSE(selectAllTicked);
    EXPECT_EQ(ItemCalls(), 5 + 4);
    EXPECT_EQ(host.LogTexts(), std::vector<Text>{kWritten});
    EXPECT_EQ(host.LogLines().back().color, fw::Rgb(10, 200, 10));

    const ovsim::ChipState chip = Chip();
    EXPECT_EQ(chip.otp[1], 0x0001);
    EXPECT_EQ(chip.otp[2], 0x4884);
    EXPECT_EQ(chip.otp[3], 0x1232);
    EXPECT_EQ(chip.otp[4], 0xC205);
    EXPECT_EQ(chip.otp[5], 0xFFC4);
    EXPECT_EQ(chip.otpWrites, (std::array<uint8_t, 6>{0, 1, 2, 2, 2, 1}));

    host.OnModal(IDD_SET_OTP, [&](fw::Dialog& d) {
        after = Read(d);
        d.Click(fw::IDCANCEL);
    });
    EXPECT_TRUE(w.ChooseMenu(ID_SET_OTP));
    EXPECT_EQ(after.values, (std::vector<Text>{u"0001", u"4884", u"1232", u"C205", u"FFC4"}));
    EXPECT_EQ(after.boot, 1);
    EXPECT_EQ(after.bor, 2);
    EXPECT_EQ(after.tcm, 4);
}

// The sixteenth configuration is the last: a ticked item goes out even when its value was not touched and spends
// one, and the write after the last is refused by the chip and told.
TEST_F(OtpItems, SixteenConfigurations) {
    CQXDownloadToolDlg& w = ConnectChip(10);
    for (int i = 0; i < 15; ++i)
        Program(w, 3, 0xFFF0 | static_cast<uint16_t>(i & 7));
    const uint16_t value = Chip().otp[3];
    const Text failed = u"配置OTP_SYS_CFG_BORLS失败！";
    host.OnModal(IDD_SET_OTP, [&](fw::Dialog& d) {
        d.Tick(IDC_OTP_BORLS_BOX, true);
        d.Click(IDC_OTP_OK);
        EXPECT_EQ(Chip().otpWrites[3], 16);
        EXPECT_EQ(Chip().otp[3], value);
        EXPECT_EQ(host.LogTexts(), std::vector<Text>{kWritten});
        host.ClearRecords();
        host.ExpectBox(failed, fw::IDOK);
        d.Click(IDC_OTP_OK);
        d.PressEscape();
    });
    EXPECT_TRUE(w.ChooseMenu(ID_SET_OTP));
    EXPECT_EQ(host.LogTexts(), (std::vector<Text>{StatusCodeToText(CMD_STATUS_OTP_PROGRAM_FAILED), failed}));
    EXPECT_EQ(Chip().otp[3], value);
}

// A refused item ends the pass: the items before it are written, none after it, and no success line follows.
TEST_F(OtpItems, FailingItemStopsThePass) {
    CQXDownloadToolDlg& w = ConnectChip(10);
    // The chip refuses what it cannot take, as it refuses a value whose complement does not match.
    ovsim::InjectStatus(ovsim::Fn::OtpRw, 5 + 2, CMD_STATUS_BAD_PARAMETER);
    host.OnModal(IDD_SET_OTP, [&](fw::Dialog& d) {
        d.Tick(IDC_OTP_BTM_BOX, true);
        d.Tick(IDC_OTP_BORLS_BOX, true);
        d.Tick(IDC_OTP_TCM_BOX, true);
        host.ExpectBox(u"配置OTP_SYS_CFG_BORLS失败！", fw::IDOK);
        d.Click(IDC_OTP_OK);
        d.PressEscape();
    });
    EXPECT_TRUE(w.ChooseMenu(ID_SET_OTP));
    EXPECT_EQ(host.LogTexts(),
              (std::vector<Text>{StatusCodeToText(CMD_STATUS_BAD_PARAMETER), u"配置OTP_SYS_CFG_BORLS失败！"}));
    for (const auto& line : host.LogLines())
        EXPECT_EQ(line.color, fw::Rgb(220, 0, 0));
    EXPECT_EQ(Chip().otpWrites, (std::array<uint8_t, 6>{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(ItemCalls(), 5 + 2);

    // Nothing ticked: nothing sent.
    ovsim::ClearCallLog();
    host.OnModal(IDD_SET_OTP, [&](fw::Dialog& d) {
        host.ExpectBox(u"请选择需要配置的项目！", fw::IDOK);
        d.Click(IDC_OTP_OK);
        d.PressEscape();
    });
    EXPECT_TRUE(w.ChooseMenu(ID_SET_OTP));
    EXPECT_EQ(ItemCalls(), 5);
}

// An item that cannot be read, or comes back shorter than its four bytes, opens nothing; later items are not read.
TEST_F(OtpItems, FailedOrShortReadOpensNothing) {
    struct Row {
        const char* name;
        std::function<void()> inject;
        Text firstLine;
    };
    const Row rows[] = {
        {"item 3 fails", [] { ovsim::InjectStatus(ovsim::Fn::OtpRw, 3, CMD_STATUS_BAD_FRAME); },
         StatusCodeToText(CMD_STATUS_BAD_FRAME)},
        {"item 3 answers two bytes", [] { ovsim::InjectShortRead(ovsim::Fn::OtpRw, 3, 2); }, u"返回的数据长度不正确！"},
    };
    CQXDownloadToolDlg& w = ConnectChip(10);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        host.ClearRecords();
        ovsim::ClearCallLog();
        r.inject();
        EXPECT_TRUE(w.ChooseMenu(ID_SET_OTP));
        EXPECT_TRUE(host.ModalsRun().empty());
        EXPECT_EQ(host.LogTexts(), (std::vector<Text>{r.firstLine, kReadFailed}));
        EXPECT_EQ(ItemCalls(), 3);
    }
}

// The watchdog word bit by bit: bits 15 and 14 come back as they went in, "Select All" follows bits 13 to 0.
TEST_F(OtpItems, WatchdogBits) {
    struct Row {
        uint16_t stored;
        std::function<void(fw::Dialog&)> edit;
        bool selectAllShown;
        Text result;
    };
    const Row rows[] = {
        {0xC005, [](fw::Dialog&) {}, false, u"C005"},
        {0x0005, [](fw::Dialog&) {}, false, u"0005"},
        {0x7FFF, [](fw::Dialog&) {}, true, u"7FFF"},
        {0x8001, [](fw::Dialog& d) { d.Tick(IDC_IWDG_SELECT_ALL, true); }, false, u"BFFF"},
        {0xFFFF, [](fw::Dialog& d) { d.Tick(IDC_IWDG_SELECT_ALL, false); }, true, u"C000"},
        {0x2000,
         [](fw::Dialog& d) {
             d.Tick(IDC_IWDG_NRST_STOP_C_M7, false);
             d.Tick(IDC_IWDG_SLEEP_M4, true);
         },
         false, u"0001"},
    };
    CQXDownloadToolDlg& w = ConnectChip(10);
    for (const Row& r : rows) {
        SCOPED_TRACE(fw::TextToUtf8(r.result));
        Program(w, 4, r.stored);
        bool selectAll = !r.selectAllShown;
        Text shown, cancelled;
        host.OnModal(IDD_OTP_IWDG, [&](fw::Dialog& d) {
            selectAll = d.IsDlgButtonChecked(IDC_IWDG_SELECT_ALL) != 0;
            r.edit(d);
            d.Click(fw::IDOK);
        });
        host.OnModal(IDD_SET_OTP, [&](fw::Dialog& d) {
            d.Tick(IDC_OTP_IWDG_BOX, true);
            d.Click(IDC_OTP_SELECT_CONFIGURATION);
            shown = d.GetDlgItemText(IDC_OTP_IWDG_VALUE);
            host.OnModal(IDD_OTP_IWDG, [](fw::Dialog& sub) {
                sub.Tick(IDC_IWDG_SW_M4, true);
                sub.PressEscape();
            });
            d.Click(IDC_OTP_SELECT_CONFIGURATION);
            cancelled = d.GetDlgItemText(IDC_OTP_IWDG_VALUE);
            d.PressEscape();
        });
        EXPECT_TRUE(w.ChooseMenu(ID_SET_OTP));
        EXPECT_EQ(selectAll, r.selectAllShown);
        EXPECT_EQ(shown, r.result);
        EXPECT_EQ(cancelled, r.result) << "Cancel keeps the value";
    }
}

}  // namespace
