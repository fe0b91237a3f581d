// Control operations on a window built in code, the way the progress window builds its own.
#include <gtest/gtest.h>

#include "framework/Window.h"
#include "framework/host/headless/HeadlessHost.h"

namespace {

using namespace fw;

struct CodeBuiltWindow : ::testing::Test {
    HeadlessHost host;
    Window window;

    void SetUp() override { ASSERT_TRUE(window.CreateEx(nullptr, u"进度", WS_POPUP | WS_CAPTION, 0, Rect{0, 0, 300, 100})); }
    Control Add(ControlKind kind, int id, uint32_t style = WS_CHILD | WS_VISIBLE, TextView text = {}) {
        return window.AddControl(kind, id, text, WS_CHILD | WS_VISIBLE | style, Rect{10, 10, 100, 20});
    }
};

TEST_F(CodeBuiltWindow, AddedControlsReachTheHostAndAnswerById) {
    Control text = Add(ControlKind::Static, 11, SS_LEFTNOWORDWRAP | SS_NOPREFIX, u"正在发送");
    Control bar = Add(ControlKind::Progress, 12, PBS_SMOOTH);
    Add(ControlKind::PushButton, 10, WS_TABSTOP, u" Cancel ");
    EXPECT_EQ(window.GetDlgItemText(11), u"正在发送");
    EXPECT_EQ(window.GetDlgItem(12).Kind(), ControlKind::Progress);
    EXPECT_EQ(window.GetDlgItem(10).GetWindowText(), u" Cancel ");
    EXPECT_EQ(bar.Snapshot().rect, (Rect{10, 10, 100, 20}));
    const auto changes = host.Changes();
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(), [](const Change& c) { return c.kind == ChangeKind::ControlAdded; }), 3);
    text.SetWindowText(u"第二步");
    EXPECT_EQ(host.Changes().back().kind, ChangeKind::ControlText);
    EXPECT_EQ(host.Changes().back().text, u"第二步");
    EXPECT_FALSE(window.GetDlgItem(99).IsValid());
    window.GetDlgItem(99).SetWindowText(u"x");  // nothing to do, nothing breaks
}

TEST_F(CodeBuiltWindow, ProgressAndSliderKeepToTheirRange) {
    Control bar = Add(ControlKind::Progress, 12);
    bar.SetRange(0, 4);
    bar.SetStep(1);
    EXPECT_EQ(bar.StepIt(), 0);
    EXPECT_EQ(bar.SetPos(10), 1);
    EXPECT_EQ(bar.GetPos(), 4);           // clamped to the range
    EXPECT_EQ(bar.StepIt(), 4);
    EXPECT_EQ(bar.GetPos(), 0);           // a full bar starts over
    bar.SetRange(10, 20);
    EXPECT_EQ(bar.GetPos(), 10);          // a new range pulls the position in
    EXPECT_EQ(bar.OffsetPos(-5), 10);
    EXPECT_EQ(bar.GetPos(), 10);
    bar.SetRange(0, 65535);
    bar.SetPos(65535);
    EXPECT_EQ(bar.GetPos(), 65535);

    Control slider = Add(ControlKind::Slider, 13);
    slider.SetRange(1, 50);
    slider.SetPageSize(5);
    slider.SetTicFreq(5);
    EXPECT_EQ(slider.SetPos(0), 1);  // the position was pulled into the new range already
    EXPECT_EQ(slider.GetPos(), 1);
    EXPECT_EQ(slider.GetPageSize(), 5);
    EXPECT_EQ(slider.StepIt(), 0);  // no steps on a slider
}

TEST_F(CodeBuiltWindow, CombosAndListBoxesKeepTheirSelectionOnTheSameEntry) {
    Control combo = Add(ControlKind::ComboBox, 20, CBS_DROPDOWNLIST);
    EXPECT_EQ(combo.AddString(u"USART"), 0);
    EXPECT_EQ(combo.AddString(u"SWD(J-Link)"), 1);
    EXPECT_EQ(combo.InsertString(0, u"USB(DFU)"), 0);
    EXPECT_EQ(combo.SetCurSel(2), 2);
    EXPECT_EQ(combo.GetWindowText(), u"SWD(J-Link)");
    combo.InsertString(1, u"OV-Link-Pro");
    EXPECT_EQ(combo.GetCurSel(), 3);
    EXPECT_EQ(combo.DeleteString(0), 3);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(combo.FindStringExact(-1, u"usart"), 1);
    EXPECT_EQ(combo.FindStringExact(1, u"USART"), 1);  // the search wraps around
    EXPECT_EQ(combo.SelectString(-1, u"ov-"), 0);
    EXPECT_EQ(combo.SetCurSel(7), -1);
    EXPECT_EQ(combo.GetWindowText(), u"");
    combo.SetWindowText(u"usart");  // a drop-down list shows entries only
    EXPECT_EQ(combo.GetCurSel(), 1);
    combo.SetWindowText(u"nothing like it");
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(combo.DeleteString(1), 2);
    EXPECT_EQ(combo.GetCurSel(), -1);

    Control sorted = Add(ControlKind::ListBox, 21, LBS_SORT | LBS_MULTIPLESEL);
    for (const char16_t* s : {u"c.bin", u"A.hex", u"b.bin"}) sorted.AddString(s);
    EXPECT_EQ(sorted.GetLBText(0), u"A.hex");
    EXPECT_EQ(sorted.GetLBText(2), u"c.bin");
    sorted.SetSel(0);
    sorted.SetSel(2);
    EXPECT_EQ(sorted.GetSelItems(), (std::vector<int>{0, 2}));
    sorted.DeleteString(1);
    EXPECT_EQ(sorted.GetSelItems(), (std::vector<int>{0, 1}));
    sorted.SetSel(-1, false);
    EXPECT_TRUE(sorted.GetSelItems().empty());
}

TEST_F(CodeBuiltWindow, ListViewsHoldColumnsItemsSubItemsAndChecks) {
    Control list = Add(ControlKind::ListView, 30, LVS_REPORT);
    list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    list.InsertColumn(0, u"序号", 0, 40);
    list.InsertColumn(1, u"文件", 0, 120);
    list.InsertColumn(2, u"长度", 1, 60);
    EXPECT_EQ(list.InsertItem(0, u"1"), 0);
    EXPECT_EQ(list.InsertItem(5, u"2"), 1);  // past the end appends
    EXPECT_TRUE(list.SetItemText(1, 1, u"app.bin"));
    EXPECT_TRUE(list.SetItemText(1, 2, u"4096"));
    EXPECT_FALSE(list.SetItemText(1, 3, u"no such column"));
    EXPECT_FALSE(list.SetItemText(2, 0, u"no such item"));
    EXPECT_EQ(list.GetItemText(1, 1), u"app.bin");
    EXPECT_EQ(list.GetItemText(0, 2), u"");
    // A run of cells at once: it must fit the columns, and it leaves the cells before it alone.
    EXPECT_TRUE(list.SetItemTexts(0, 1, {u"boot.bin", u"512"}));
    EXPECT_EQ(list.GetItemText(0, 0), u"1");
    EXPECT_EQ(list.GetItemText(0, 2), u"512");
    EXPECT_FALSE(list.SetItemTexts(0, 2, {u"1", u"no such column"}));
    EXPECT_EQ(list.GetItemText(0, 2), u"512");
    EXPECT_FALSE(list.SetItemTexts(2, 0, {u"no such item"}));
    EXPECT_TRUE(list.SetItemTexts(0, 0, {u"1", u"boot.bin", u"512"}));
    list.SetCheck(1, true);
    EXPECT_TRUE(list.GetCheck(1));
    EXPECT_FALSE(list.GetCheck(0));
    list.SetItemSelected(0, true);
    list.SetItemSelected(1, true);
    EXPECT_EQ(list.GetSelectedCount(), 2);
    EXPECT_EQ(list.GetNextSelectedItem(), 0);
    EXPECT_EQ(list.GetNextSelectedItem(0), 1);
    EXPECT_EQ(list.GetNextSelectedItem(1), -1);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemText(0, 1), u"app.bin");
    EXPECT_TRUE(list.GetCheck(0));
    EXPECT_EQ(list.Snapshot().columns.size(), 3u);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(CodeBuiltWindow, RichLogCountsLinesAndScrollsToWhatWasAdded) {
    Control log = Add(ControlKind::RichEdit, 40, ES_MULTILINE | ES_READONLY);
    EXPECT_EQ(log.GetLineCount(), 1);
    struct Step {
        const char16_t* text;
        Color color;
        int lines;  // line count afterwards
    };
    const Step steps[] = {
        {u"第一行\r\n", Rgb(0, 0, 0), 2},
        {u"两行\n中的第二行\r\n", Rgb(220, 0, 0), 4},
        {u"", Rgb(0, 0, 0), 4},
        {u"没有换行", Rgb(10, 200, 10), 4},
        {u"的续写\r\n", Rgb(220, 0, 0), 5},
    };
    for (const Step& s : steps) {
        const int before = log.GetLineCount();
        log.AppendText(s.text, s.color, u"宋体", 220);
        EXPECT_EQ(log.GetLineCount(), s.lines);
        log.LineScroll(log.GetLineCount() - before);
    }
    const std::vector<LogLine> lines = log.GetLogLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1].text, u"两行");
    EXPECT_EQ(lines[1].color, Rgb(220, 0, 0));
    EXPECT_EQ(lines[3].text, u"没有换行的续写");
    EXPECT_EQ(lines[3].color, Rgb(10, 200, 10));  // the continuation keeps the paragraph's colour
    EXPECT_EQ(lines[3].face, u"宋体");
    EXPECT_EQ(lines[3].heightTwips, 220);
    EXPECT_EQ(log.Snapshot().position, 4);  // scrolled to the last line
    EXPECT_EQ(log.GetWindowText(), u"第一行\r\n两行\r\n中的第二行\r\n没有换行的续写\r\n");
    EXPECT_EQ(window.LogLines(log.Index(), 1, 2).size(), 2u);
    EXPECT_TRUE(window.LogLines(log.Index(), 9, 2).empty());
    const uint64_t generation = log.Snapshot().logGeneration;
    log.SetWindowText(u"");
    EXPECT_EQ(log.GetLineCount(), 1);
    EXPECT_NE(log.Snapshot().logGeneration, generation);
    EXPECT_EQ(host.LogTexts(), (std::vector<Text>{u"第一行", u"两行", u"中的第二行", u"没有换行", u"的续写"}));
}

TEST_F(CodeBuiltWindow, StatusBarPanesCarryTextWidthAndIcon) {
    Control bar = window.CreateStatusBar();
    EXPECT_EQ(bar.GetDlgCtrlID(), 0xE801);
    EXPECT_EQ(bar.Snapshot().rect.Bottom(), window.GetClientRect().height);
    bar.SetPanes({{u"版权", -1, 0}, {u"Total", 125, 0}, {u"Pass", 125, 0}, {u"Fail", 125, 0}, {u"Time", 125, 0}});
    EXPECT_EQ(bar.GetPaneCount(), 5);
    EXPECT_TRUE(bar.SetPaneText(2, u"成功:3"));
    EXPECT_FALSE(bar.SetPaneText(5, u"x"));
    EXPECT_TRUE(bar.SetPaneWidth(4, 150));
    EXPECT_TRUE(bar.SetPaneIcon(0, 186));
    EXPECT_EQ(bar.GetPaneText(2), u"成功:3");
    EXPECT_EQ(bar.Snapshot().panes[4].width, 150);
    EXPECT_EQ(bar.Snapshot().panes[0].iconId, 186);
    EXPECT_EQ(host.PaneTexts(2), std::vector<Text>{u"成功:3"});
}

// A window made narrower or taller (production mode folds the settings away) keeps its status bar along the
// bottom edge across the new width; moving it without a change of size leaves the bar alone.
TEST_F(CodeBuiltWindow, StatusBarFollowsTheWindowsSize) {
    Control bar = window.CreateStatusBar();
    const int height = bar.Snapshot().rect.height;
    struct Step {
        Rect window;
        Rect bar;
    };
    const Step steps[] = {
        {{0, 0, 160, 100}, {0, 100 - height, 160, height}},
        {{40, 30, 160, 100}, {0, 100 - height, 160, height}},
        {{40, 30, 500, 240}, {0, 240 - height, 500, height}},
    };
    for (const Step& s : steps) {
        window.MoveWindow(s.window);
        EXPECT_EQ(bar.Snapshot().rect, s.bar) << s.window.width << "x" << s.window.height;
    }
    window.UserMoved(Rect{0, 0, 220, 120});
    EXPECT_EQ(bar.Snapshot().rect, (Rect{0, 120 - height, 220, height}));
}

TEST_F(CodeBuiltWindow, EditsTakeStyleChangesAndButtonsTheirChecks) {
    Control edit = Add(ControlKind::Edit, 50, ES_AUTOHSCROLL | ES_UPPERCASE);
    edit.SetLimitText(4);
    EXPECT_TRUE(window.EnterText(50, u"abcdef"));
    EXPECT_EQ(edit.GetWindowText(), u"ABCD");
    edit.SetWindowText(u"abcdef");  // the program is not held to the limit
    EXPECT_EQ(edit.GetWindowText(), u"abcdef");
    edit.SetReadOnly(true);
    EXPECT_TRUE(edit.GetStyle() & ES_READONLY);
    EXPECT_FALSE(window.EnterText(50, u"x"));
    edit.SetPasswordChar(u'#');
    EXPECT_EQ(edit.Snapshot().passwordChar, u'#');
    edit.ModifyStyle(ES_READONLY, 0);
    EXPECT_FALSE(edit.IsReadOnly());

    Control three = Add(ControlKind::CheckBox, 51, BS_AUTO3STATE, u"三态");
    for (int expected : {1, 2, 0}) {
        EXPECT_TRUE(window.Click(51));
        EXPECT_EQ(three.GetCheck(), expected);
    }
    Control plain = Add(ControlKind::CheckBox, 52, BS_CHECKBOX, u"手动");
    EXPECT_TRUE(window.Click(52));
    EXPECT_EQ(plain.GetCheck(), 0);  // not an automatic box: only the program checks it
    window.CheckDlgButton(52, 5);
    EXPECT_EQ(plain.GetCheck(), 2);

    // Radio groups start at WS_GROUP.
    Add(ControlKind::RadioButton, 60, BS_AUTORADIOBUTTON | WS_GROUP);
    Add(ControlKind::RadioButton, 61, BS_AUTORADIOBUTTON);
    Add(ControlKind::RadioButton, 62, BS_AUTORADIOBUTTON | WS_GROUP);
    window.CheckRadioButton(60, 61, 60);
    window.CheckDlgButton(62, 1);
    EXPECT_TRUE(window.Click(61));
    EXPECT_EQ(window.GetCheckedRadioButton(60, 61), 61);
    EXPECT_EQ(window.IsDlgButtonChecked(60), 0);
    EXPECT_EQ(window.IsDlgButtonChecked(62), 1);  // another group
}

TEST_F(CodeBuiltWindow, ADisabledWindowTakesNoInputAndAGoneOneNoState) {
    Control button = Add(ControlKind::PushButton, 10, 0, u"按钮");
    window.EnableWindow(false);
    EXPECT_FALSE(window.Click(10));
    window.EnableWindow(true);
    EXPECT_TRUE(window.Click(10));
    window.DestroyWindow();
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(window.Handle(), 0u);
    // A handle kept by a worker still reads the last state and writes go nowhere.
    button.SetWindowText(u"之后");
    EXPECT_EQ(button.GetWindowText(), u"之后");
    EXPECT_EQ(host.Windows().size(), 0u);
    EXPECT_EQ(window.SendMessage(WM_USER), 0);
    EXPECT_FALSE(window.PostMessage(WM_USER));
}

}  // namespace
