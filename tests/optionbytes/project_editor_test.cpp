// The project option-byte editors: a project's text goes through the dialog unchanged when nothing is touched,
// each box and field changes exactly its digits, a refused field or a read-only project leaves the text alone,
// and the keys behave as a project editor's do (Esc stays, Enter confirms).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/Resources.h"
#include "framework/host/headless/HeadlessHost.h"
#include "optionbytes/OptionByteEditor.h"
#include "optionbytes/ProjectOptionTexts.h"
#include "resources/ui/option_bytes.h"

namespace {

using fw::Text;

const Text kConfirmed = u"选项字节确认OK！";

class ProjectEditor : public ::testing::Test {
protected:
    void SetUp() override { fw::SetResourceLanguage(fw::kLangChinese); }

    // Opens the editor of the family on `text`, runs the script in it and answers what DoModal answered.
    int Run(uint8_t family, Text& text, const std::function<void(fw::Dialog&)>& script, bool editable = true) {
        const bool second = family == 3 || family == 4 || family == 6 || family == 7 || family == 11 || family == 12;
        host.OnModal(second ? IDD_WRITE_BYTE_LINK2 : IDD_WRITE_BYTE_LINK, script);
        if (second) {
            CWriteByteLinkDlg2 dialog(&text, family, editable);
            return dialog.DoModal();
        }
        CWriteByteLinkDlg dialog(&text, family, editable);
        return dialog.DoModal();
    }

    fw::HeadlessHost host;
};

TEST_F(ProjectEditor, UntouchedTextComesBackAsTheFamilyWritesIt) {
    struct Row {
        uint8_t family;
        Text opened;  // the 20 project bytes
        Text confirmed;
    };
    const Text common = u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FF00";
    const Row rows[] = {
        {0, common, common},
        {1, u"A55AFE0112ED00FF7F80FF00FF00FF00FF00FF00", u"A55AFE0112ED00FF7F80FF00FF00FF00FF00FF00"},
        {2, u"A55AFE0100FF00FFFF00FF00FF00FF00FF00DF20", u"A55AFE0100FF00FFFF00FF00FF00FF00FF00DF20"},
        {5, u"A55AFF0012ED00FF7F80FF00FF00DF20FFFFFFFF", u"A55AFF0012ED00FF7F80FF00FF00DF20"},
        {8, u"A5FF0000FFFFFFFFFFFFFF00ABFFFFFFFFFFFFFF", u"A5FF0000FFFFFFFFFFFFFF00ABFFFFFF"},
        {9, u"A5F70012FFFFFF7FCCFF5F11FF1234FFFFFFFFFF", u"A5F70012FFFFFF7FCCFF5F11FF1234FF"},
        {3, common, common},
        {4, u"FF00F70800FF00FF7F80FF00FF00FF00FF00FF00", u"FF00F70800FF00FF7F80FF00FF00FF00FF00FF00"},
        {6, common, common},
        {12, common, common},
        {7, u"A55AFF0000FF00FF1EE113ECFF00FF00FF00FF00", u"A55AFF0000FF00FF1EE113ECFF00FF00FF00FF00"},
        {11, u"A5FF0102030405000011223344FFFFFFFFFFFFFF", u"A5FF0102030405000011223344FF"},
        {10, common, common.substr(0, 36)},  // a family without an editor of its own
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "family " << int(row.family));
        Text text = row.opened;
        host.ExpectBox(kConfirmed, fw::IDOK);
        EXPECT_EQ(Run(row.family, text, [](fw::Dialog& d) { d.Click(IDC_OB_CONFIRM); }), fw::IDOK);
        EXPECT_EQ(text, row.confirmed);
    }
}

TEST_F(ProjectEditor, EachControlChangesItsOwnDigits) {
    const Text common = u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FF00";
    struct Row {
        const char* name;
        uint8_t family;
        Text opened;
        std::function<void(fw::Dialog&)> edit;
        Text confirmed;
    };
    const Row rows[] = {
        {"family 0 WDG_SW off", 0, common, [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB_WDG_SW, false)); },
         u"A55AFE0100FF00FFFF00FF00FF00FF00FF00FF00"},
        {"family 2 nBOOT1 off", 2, common, [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB_NBOOT1, false)); },
         u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FD02"},
        {"family 2 BOR_LEV 9 keeps three bits", 2, common,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB_BOR_LEV, u"9")); },
         u"A55AFF0000FF00FFFF00FF00FF00FF00FF009F60"},
        {"family 2 WRP0 keeps its typed case", 2, common,
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB_WRP0, u"ab")); },
         u"A55AFF0000FF00FFab54FF00FF00FF00FF00FF00"},
        {"family 5 Data0 one digit", 5, common, [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u"5")); },
         u"A55AFF0005FA00FFFF00FF00FF00FF00"},
        {"family 8 CCMSRAM_RST off", 8, u"A5FF0000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
         [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB_CCMSRAM_BOX, false)); }, u"A5FF0000FFFFFFFFFFFFFFFFABFFFFFF"},
        {"family 9 NRST_SEL GPIO", 9, u"A5FF0000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
         [](fw::Dialog& d) { EXPECT_TRUE(d.Select(IDC_OB_NRST_SEL, 2)); }, u"A5FF0000FFFFFFFFFFFFFEFFFFFFFFFF"},
        {"family 3 nBOOT0 off", 3, common, [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB2_NBOOT0, false)); },
         u"A55AF70800FF00FFFF00FF00FF00FF00FF00FF00"},
        // Family 12 keeps the series-3 layout but offers only the USER boxes its chips have a bit of that name for:
        // not WDG_SW either, whose chip word a download leaves as it is.
        {"family 12 nBOOT0 off, no WDG_SW, nRST_STOP or nRST_PD", 12, common,
         [](fw::Dialog& d) {
             EXPECT_FALSE(d.Tick(IDC_OB_WDG_SW, false));
             EXPECT_FALSE(d.Tick(IDC_OB_NRST_STOP, false));
             EXPECT_FALSE(d.Tick(IDC_OB2_NRST_PD, false));
             EXPECT_TRUE(d.Tick(IDC_OB2_NBOOT0, false));
         },
         u"A55AF70800FF00FFFF00FF00FF00FF00FF00FF00"},
        {"family 7 LVR power A", 7, u"A55AFF0000FF00FFFF0013ECFF00FF00FF00FF00",
         [](fw::Dialog& d) { EXPECT_TRUE(d.EnterText(IDC_OB2_LVR_POWER, u"A")); },
         u"A55AFF0000FF00FFFF001AE5FF00FF00FF00FF00"},
        {"family 7 NRST_PA0 off", 7, common, [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB2_NRST_PA0, false)); },
         u"A55AEF1000FF00FFFF00FF00FF00FF00FF00FF00"},
        {"family 11 BOOT0_CFG off, USER2 5", 11, u"A5FFFFFFFFFFFF0000FFFFFFFFFF000000000000",
         [](fw::Dialog& d) {
             EXPECT_TRUE(d.Tick(IDC_OB2_BOOT0_CFG, false));
             EXPECT_TRUE(d.EnterText(IDC_OB2_USER2, u"5"));
         },
         u"A5BF05FFFFFFFF0000FFFFFFFFFF"},
        {"L2 on after Yes", 3, common, [](fw::Dialog& d) { EXPECT_TRUE(d.Tick(IDC_OB_L2, true)); },
         u"A55AFF0000FF00FFFF00FF00CC33FF00CC33FF00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Text text = row.opened;
        if (std::string(row.name).rfind("L2", 0) == 0) {
            host.ExpectBox(u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?", fw::IDYES);
        }
        host.ExpectBox(kConfirmed, fw::IDOK);
        Run(row.family, text, [&](fw::Dialog& d) {
            row.edit(d);
            d.Click(IDC_OB_CONFIRM);
        });
        EXPECT_EQ(text, row.confirmed);
    }
}

TEST_F(ProjectEditor, RemovingLevelOneAsksFirst) {
    const Text opened = u"FF00FF0000FF00FFFF00FF00FF00FF00FF00FF00";
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        Text text = opened;
        host.ExpectBox(u"取消读保护，下载程序安全性无法保障！是否确定取消？", yes ? fw::IDYES : fw::IDNO);
        host.ExpectBox(kConfirmed, fw::IDOK);
        Run(0, text, [&](fw::Dialog& d) {
            EXPECT_EQ(d.IsDlgButtonChecked(IDC_OB_L1), 1);
            d.Click(IDC_OB_L1);
            EXPECT_EQ(d.IsDlgButtonChecked(IDC_OB_L1), yes ? 0 : 1);
            d.Click(IDC_OB_CONFIRM);
        });
        EXPECT_EQ(text.substr(0, 4), yes ? Text(u"A55A") : Text(u"FF00"));
    }
}

// No to the irreversible question: the box goes off again and the confirmed text is the one opened.
TEST_F(ProjectEditor, AnsweringNoToLevelTwoChangesNothing) {
    const Text opened = u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FF00";
    for (const uint8_t family : {0, 3}) {
        SCOPED_TRACE(testing::Message() << "family " << int(family));
        Text text = opened;
        host.ExpectBox(u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?", fw::IDNO);
        host.ExpectBox(kConfirmed, fw::IDOK);
        Run(family, text, [&](fw::Dialog& d) {
            EXPECT_TRUE(d.Tick(IDC_OB_L2, true));
            EXPECT_EQ(d.IsDlgButtonChecked(IDC_OB_L2), 0);
            EXPECT_EQ(d.GetDlgItemText(IDC_OB_RDP2), u"FF");
            d.Click(IDC_OB_CONFIRM);
        });
        EXPECT_EQ(text, opened);
    }
}

TEST_F(ProjectEditor, RefusalsAndReadOnlyProjectsLeaveTheTextAlone) {
    const Text opened = u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FF00";
    Text text = opened;
    Run(0, text, [&](fw::Dialog& d) {
        EXPECT_TRUE(d.EnterText(IDC_OB_WRP2, u""));
        EXPECT_TRUE(d.EnterText(IDC_OB_DATA1, u"7"));
        host.ExpectBox(u"WRP2数据不能为空！", fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
        EXPECT_EQ(text, opened);
        d.PressEscape();  // a project editor stays open on Esc
        EXPECT_TRUE(d.IsWindowVisible());
        d.Click(fw::IDCANCEL);
    });
    EXPECT_EQ(text, opened);

    Text readOnly = u"A5FF0000FFFFFFFF12FFFFFFFFFFFFFFFFFFFFFF";
    const Text before = readOnly;
    EXPECT_EQ(
        Run(
            8, readOnly,
            [](fw::Dialog& d) {
                for (int id : {IDC_OB_L1, IDC_OB_L2, IDC_OB_WDG_SW, IDC_OB_NBOOT0, IDC_OB_CCMSRAM_BOX, IDC_OB_NRST_SEL,
                               IDC_OB_BOR_LVL, IDC_OB_DATA0, IDC_OB_DATA1, IDC_OB_WRP0, IDC_OB_WRP3}) {
                    EXPECT_FALSE(d.GetDlgItem(id).IsWindowEnabled()) << id;
                }
                EXPECT_TRUE(d.GetDlgItem(IDC_OB_CONFIRM).IsWindowEnabled());
                EXPECT_TRUE(d.GetDlgItem(fw::IDCANCEL).IsWindowEnabled());
                EXPECT_EQ(d.GetDlgItemText(IDC_OB_RDP2), u"12");
                d.PressEnter();
            },
            false),
        fw::IDOK);
    EXPECT_EQ(readOnly, before);
}

TEST_F(ProjectEditor, EnterConfirmsAndFieldMessagesComeFirstToLast) {
    Text text = u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FF00";
    Run(11, text, [&](fw::Dialog& d) {
        EXPECT_TRUE(d.EnterText(IDC_OB2_USER6, u"x"));
        EXPECT_TRUE(d.EnterText(IDC_OB_WRP3, u""));
        host.ExpectBox(u"WRP3数据不能为空！", fw::IDOK);  // the WRP fields come before the USER fields
        d.PressEnter();
        EXPECT_TRUE(d.EnterText(IDC_OB_WRP3, u"FF"));
        host.ExpectBox(u"USER6输入的数据必须为十六进制的数据！", fw::IDOK);
        d.PressEnter();
        EXPECT_TRUE(d.EnterText(IDC_OB2_USER6, u"06"));
        host.ExpectBox(kConfirmed, fw::IDOK);
        d.PressEnter();
    });
    EXPECT_EQ(text.size(), 28u);
    EXPECT_EQ(text.substr(12, 2), u"06");
}

}  // namespace

namespace {

// The project side of an edit: the text the editor confirmed goes back into the project's 20 bytes, and the
// text made from them when the editor opens again shows the edit.
TEST_F(ProjectEditor, ConfirmedEditSurvivesReopeningAndCancelling) {
    ProjectOptionBytes bytes;
    bytes.fill(0xFF);
    bytes[0] = 0xA5;
    bytes[16] = 0x12;  // family 8 keeps no form of bytes 16 to 19: they stay as the project has them
    g_projectOptionText = ProjectOptionTextOf(bytes);
    host.ExpectBox(kConfirmed, fw::IDOK);
    Run(8, g_projectOptionText, [](fw::Dialog& d) {
        EXPECT_TRUE(d.EnterText(IDC_OB_DATA1, u"3c"));
        d.Click(IDC_OB_CONFIRM);
    });
    StoreProjectOptionText(g_projectOptionText, bytes);
    EXPECT_EQ(bytes[3], 0x3C);
    EXPECT_EQ(bytes[16], 0x12);

    g_projectOptionText = ProjectOptionTextOf(bytes);
    const fw::Text reopened = g_projectOptionText;
    Run(8, g_projectOptionText, [](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_OB_DATA1), u"3C");
        d.Click(fw::IDCANCEL);
    });
    EXPECT_EQ(g_projectOptionText, reopened);
    StoreProjectOptionText(g_projectOptionText, bytes);
    EXPECT_EQ(ProjectOptionTextOf(bytes), reopened);
}

}  // namespace
