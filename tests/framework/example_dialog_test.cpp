// The example dialog driven by the headless host: templates in both languages, message-map dispatch, data
// exchange, nested modal dialogs, boxes, file dialogs, timers, menus, Enter and Esc.
#include <gtest/gtest.h>

#include "framework/FileDialog.h"
#include "framework/Resources.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/framework/example/ExampleDlg.h"

namespace {

using namespace fw;

// Every test leaves the language as it found it.
struct LanguageGuard {
    explicit LanguageGuard(int language) : previous(ResourceLanguage()) { SetResourceLanguage(language); }
    ~LanguageGuard() { SetResourceLanguage(previous); }
    int previous;
};

struct ExampleTest : ::testing::Test {
    HeadlessHost host;
    LanguageGuard chinese{kLangChinese};
    CExampleDlg dlg;
    std::vector<std::string> failures;

    void CaptureFailures() {
        host.SetFailureHandler([this](const std::string& m) { failures.push_back(m); });
    }
};

TEST(ExampleTemplates, EveryControlOfTheTemplateExistsInBothLanguages) {
    HeadlessHost host;
    for (int language : {kLangChinese, kLangEnglish}) {
        LanguageGuard guard(language);
        SCOPED_TRACE(language);
        const DialogTemplate* t = FindDialogTemplate(IDD_EXAMPLE);
        ASSERT_NE(t, nullptr);
        CExampleDlg dlg;
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(dlg.GetWindowText(), language == kLangEnglish ? u"Control example" : u"控件示例");
        const std::vector<ControlState> controls = dlg.Controls();
        ASSERT_GE(controls.size(), t->controls.size());
        for (size_t i = 0; i < t->controls.size(); ++i) {
            const ControlTemplate& c = t->controls[i];
            EXPECT_EQ(controls[i].id, c.id);
            EXPECT_EQ(controls[i].kind, c.kind);
            // The headless host's font is 8 by 16 pixels: two pixels per dialog unit either way.
            if (c.kind != ControlKind::Icon) {
                EXPECT_EQ(controls[i].rect, (Rect{2 * c.rect.x, 2 * c.rect.y, 2 * c.rect.width, 2 * c.rect.height}));
            }
        }
        EXPECT_EQ(dlg.GetDlgItemText(IDC_OPEN_CHILD), language == kLangEnglish ? u"Child..." : u"子对话框...");
        EXPECT_EQ(dlg.GetMenu().GetMenuString(ID_OPTION_VERBOSE, MF_BYCOMMAND),
                  language == kLangEnglish ? u"Verbose log" : u"详细日志");
        EXPECT_EQ(dlg.m_status.GetPaneText(0), language == kLangEnglish ? u"Ready" : u"就绪");
        // Every kind of control is in the fixture.
        for (ControlKind kind : {ControlKind::Static, ControlKind::Frame, ControlKind::Icon, ControlKind::GroupBox,
                                 ControlKind::PushButton, ControlKind::CheckBox, ControlKind::RadioButton,
                                 ControlKind::Edit, ControlKind::ComboBox, ControlKind::ListBox, ControlKind::ListView,
                                 ControlKind::Progress, ControlKind::Slider, ControlKind::Tab, ControlKind::RichEdit,
                                 ControlKind::StatusBar}) {
            EXPECT_TRUE(std::any_of(controls.begin(), controls.end(), [&](const ControlState& c) { return c.kind == kind; }))
                << ControlKindName(kind);
        }
    }
    const auto icon = IconBytes(IDI_EXAMPLE);
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->substr(1, 3), "PNG");
}

TEST_F(ExampleTest, DataExchangeLoadsTheMembersIntoTheControls) {
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.GetDlgItemText(IDC_NAME_EDIT), u"示例");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_COUNT_EDIT), u"3");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_ADDRESS_EDIT), u"4096");
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_ENABLE_CHECK), 1);
    EXPECT_EQ(dlg.GetCheckedRadioButton(IDC_MODE_SERIAL, IDC_MODE_SWD), IDC_MODE_USB);
    EXPECT_EQ(dlg.GetDlgItem(IDC_SPEED_COMBO).GetCurSel(), 2);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_SPEED_COMBO), u"115200");
    EXPECT_EQ(dlg.GetDlgItem(IDC_LEVEL_SLIDER).GetPos(), 30);
    EXPECT_EQ(dlg.GetDlgItem(IDC_NAME_EDIT).GetLimitText(), 16);
    // Loading the count is a text change of its edit, as on the platform the program was written for.
    EXPECT_EQ(dlg.m_events, std::vector<Text>{u"count 3"});
}

TEST_F(ExampleTest, DataExchangeSavesWhatTheUserEntered) {
    ASSERT_TRUE(dlg.Create());
    EXPECT_TRUE(dlg.EnterText(IDC_NAME_EDIT, u"新名称"));
    EXPECT_TRUE(dlg.EnterText(IDC_COUNT_EDIT, u" 42 "));
    EXPECT_TRUE(dlg.EnterText(IDC_ADDRESS_EDIT, u"4294967295"));
    EXPECT_TRUE(dlg.EnterText(IDC_PASSWORD_EDIT, u"secret"));
    EXPECT_TRUE(dlg.Tick(IDC_ENABLE_CHECK, false));
    EXPECT_TRUE(dlg.Click(IDC_MODE_SWD));
    EXPECT_TRUE(dlg.SelectText(IDC_SPEED_COMBO, u"921600"));
    EXPECT_TRUE(dlg.MoveSlider(IDC_LEVEL_SLIDER, 75));
    EXPECT_TRUE(dlg.Click(IDC_APPLY));
    EXPECT_EQ(dlg.m_name, u"新名称");
    EXPECT_EQ(dlg.m_count, 42);
    EXPECT_EQ(dlg.m_address, 4294967295u);
    EXPECT_EQ(dlg.m_password, u"secret");
    EXPECT_FALSE(dlg.m_enabled);
    EXPECT_EQ(dlg.m_mode, 2);
    EXPECT_EQ(dlg.m_speed, 3);
    EXPECT_EQ(dlg.m_level, 75);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_LEVEL_TEXT), u"75");
    ASSERT_EQ(host.LogLines().size(), 1u);
    EXPECT_EQ(host.LogLines()[0].text, u"应用: 新名称 42");
    EXPECT_EQ(host.PaneTexts(0).back(), u"已应用 42");
    EXPECT_EQ(dlg.m_log.GetLineCount(), 2);  // the line and the empty one after its line break
}

TEST_F(ExampleTest, DataExchangeRefusesBadValuesWithTheFrameworksMessage) {
    struct Case {
        int id;
        const char16_t* text;
        const char16_t* message;
    };
    const Case cases[] = {
        {IDC_COUNT_EDIT, u"abc", u"请输入一个整数。"},
        {IDC_COUNT_EDIT, u"", u"请输入一个整数。"},
        {IDC_COUNT_EDIT, u"99999999999", u"请输入一个整数。"},
        {IDC_COUNT_EDIT, u"0", u"请输入一个介于 1 和 100 之间的整数。"},
        {IDC_ADDRESS_EDIT, u"-1", u"请输入一个正整数。"},
        {IDC_ADDRESS_EDIT, u"4294967296", u"请输入一个正整数。"},
        {IDC_NAME_EDIT, u"12345678901234567", nullptr},  // the limit cuts what is typed: no message
    };
    ASSERT_TRUE(dlg.Create());
    for (const Case& c : cases) {
        SCOPED_TRACE(TextToUtf8(c.text));
        // A refused value has reached its member already (the check comes after the exchange): start over.
        dlg.m_count = 3;
        dlg.m_address = 4096;
        dlg.UpdateData(false);
        dlg.EnterText(c.id, c.text);
        const Text nameBefore = dlg.m_name;
        if (c.message) host.ExpectBox(c.message, IDOK);
        const bool saved = dlg.UpdateData(true);
        EXPECT_EQ(saved, c.message == nullptr);
        if (c.message) {
            EXPECT_EQ(dlg.State().focusControl, dlg.GetDlgItem(c.id).Index());
            EXPECT_EQ(host.Boxes().back().style & MB_ICONMASK, MB_ICONEXCLAMATION);
            // Members before the refused one were saved; the refused one and those after it were not.
            EXPECT_EQ(dlg.m_name, nameBefore);
        }
    }
    EXPECT_EQ(dlg.m_name, u"1234567890123456");
}

TEST_F(ExampleTest, EnglishInterfaceShowsTheFrameworksMessagesInEnglish) {
    LanguageGuard english(kLangEnglish);
    CExampleDlg english_dlg;
    ASSERT_TRUE(english_dlg.Create());
    english_dlg.EnterText(IDC_COUNT_EDIT, u"x");
    host.ExpectBox(u"Please enter an integer.", IDOK);
    EXPECT_FALSE(english_dlg.UpdateData(true));
}

TEST_F(ExampleTest, MessageMapRoutesNotificationsToTheirHandlers) {
    ASSERT_TRUE(dlg.Create());
    dlg.m_events.clear();
    EXPECT_TRUE(dlg.Select(IDC_SPEED_COMBO, 0));
    EXPECT_TRUE(dlg.CheckItem(IDC_CHIPS_LIST, 1, true));
    EXPECT_TRUE(dlg.Select(IDC_CHIPS_LIST, 2));
    EXPECT_TRUE(dlg.DoubleClick(IDC_FILES_LIST, 1));
    EXPECT_TRUE(dlg.EnterText(IDC_COUNT_EDIT, u"7"));
    // Setting a list view's check from the program reports the change as the user's would.
    dlg.GetDlgItem(IDC_CHIPS_LIST).SetCheck(0, true);
    const std::vector<Text> expected = {u"speed 9600",     u"chip 1 checked 1 selected 0", u"chip 2 checked 0 selected 1",
                                        u"open app.hex",   u"count 7",                     u"chip 0 checked 1 selected 0"};
    EXPECT_EQ(dlg.m_events, expected);
    // A message map entry answers SendMessage with the handler's result.
    EXPECT_EQ(dlg.SendMessage(WM_EXAMPLE_STEP, 21), 42);
    EXPECT_EQ(host.LogTexts().back(), u"步骤 21");
}

TEST_F(ExampleTest, UserInputRespectsWhatTheControlAllows) {
    ASSERT_TRUE(dlg.Create());
    EXPECT_FALSE(dlg.EnterText(IDC_DIGITS_EDIT, u"12a"));
    EXPECT_TRUE(dlg.EnterText(IDC_DIGITS_EDIT, u"123"));
    EXPECT_FALSE(dlg.EnterText(IDC_SPEED_COMBO, u"1"));  // a drop-down list takes no typing
    EXPECT_FALSE(dlg.EnterText(IDC_LOG, u"x"));          // read-only
    EXPECT_FALSE(dlg.Select(IDC_SPEED_COMBO, 9));
    EXPECT_FALSE(dlg.Click(4242));
    dlg.GetDlgItem(IDC_APPLY).EnableWindow(false);
    EXPECT_FALSE(dlg.Click(IDC_APPLY));
    dlg.GetDlgItem(IDC_ASK).ShowWindow(SW_HIDE);
    EXPECT_FALSE(dlg.Click(IDC_ASK));
    EXPECT_EQ(dlg.GetDlgItem(IDC_PASSWORD_EDIT).GetPasswordChar(), u'*');
    EXPECT_TRUE(dlg.m_events.size() == 1);  // only the loading of the count
}

TEST_F(ExampleTest, MenuChecksAndGreysFollowTheHandlers) {
    ASSERT_TRUE(dlg.Create());
    Menu menu = dlg.GetMenu();
    EXPECT_TRUE(menu.IsChecked(ID_OPTION_VERBOSE));
    EXPECT_TRUE(menu.IsGrayed(ID_OPTION_EXPERT));
    // A greyed item cannot be chosen, but its command can still be sent.
    EXPECT_FALSE(dlg.ChooseMenu(ID_OPTION_EXPERT));
    dlg.UserCommand(ID_OPTION_EXPERT);
    EXPECT_TRUE(dlg.m_events.size() == 1);
    dlg.SendCommand(ID_OPTION_EXPERT);
    EXPECT_EQ(dlg.m_events.back(), u"expert");

    EXPECT_TRUE(dlg.ChooseMenu(ID_OPTION_VERBOSE));
    EXPECT_FALSE(menu.IsChecked(ID_OPTION_VERBOSE));
    EXPECT_FALSE(menu.IsGrayed(ID_OPTION_EXPERT));
    EXPECT_TRUE(dlg.ChooseMenu(ID_OPTION_EXPERT));

    // Inserting a popup by position, as the language menu is.
    Menu popup = menu.InsertPopup(2, u"语言");
    popup.AppendMenu(MF_STRING, 32819, u"简体中文");
    popup.AppendMenu(MF_STRING | MF_CHECKED, 32820, u"English");
    EXPECT_EQ(menu.GetMenuItemCount(), 4);
    EXPECT_EQ(menu.GetMenuString(2, MF_BYPOSITION), u"语言");
    EXPECT_EQ(menu.GetSubMenu(2).GetMenuItemID(1), 32820);
    EXPECT_TRUE(menu.IsChecked(32820));
    EXPECT_EQ(menu.GetSubMenu(3).GetMenuString(0, MF_BYPOSITION), u"关于(&A)...");
    EXPECT_EQ(menu.CheckMenuItem(4711, MF_CHECKED), kMenuItemMissing);
    // The system menu got the About item; choosing it runs the handler.
    ASSERT_EQ(dlg.SystemMenuItems().size(), 2u);
    EXPECT_TRUE(dlg.SystemMenuItems()[0].separator);
    EXPECT_EQ(dlg.SystemMenuItems()[1].text, u"关于示例(&A)...");
    host.ExpectBox(u"示例 1.0", IDOK);
    dlg.UserSysCommand(IDM_ABOUT_EXAMPLE);
    const auto changes = host.Changes();
    EXPECT_TRUE(std::any_of(changes.begin(), changes.end(), [](const Change& c) { return c.kind == ChangeKind::MenuBar; }));
}

TEST_F(ExampleTest, NestedModalDialogsRunTheirScripts) {
    int depthSeen = 0;
    host.OnModal(IDD_EXAMPLE_CHILD, [&](Dialog& d) {
        auto& child = dynamic_cast<CExampleChildDlg&>(d);
        depthSeen = std::max(depthSeen, child.m_depth);
        if (child.m_depth == 1) {
            EXPECT_EQ(d.GetDlgItemText(IDC_CHILD_VALUE), u"初始");
            EXPECT_FALSE(dlg.IsWindowEnabled());  // the owner takes no input while the child runs
            d.Click(IDC_CHILD_ASK);
            d.Click(IDC_CHILD_NEST);  // runs this script again, one level deeper
            d.PressEnter();           // OK is the default button
        } else {
            d.EnterText(IDC_CHILD_VALUE, u"来自第二层");
            d.Click(IDOK);
        }
    });
    host.ExpectBox(u"第1层的问题", IDCANCEL);
    ASSERT_TRUE(dlg.Create());
    EXPECT_TRUE(dlg.Click(IDC_OPEN_CHILD));
    EXPECT_EQ(depthSeen, 2);
    EXPECT_EQ(dlg.m_childValue, u"来自第二层");
    EXPECT_EQ(dlg.m_events.back(), u"child 1");
    EXPECT_EQ(host.ModalsRun(), (std::vector<int>{IDD_EXAMPLE_CHILD, IDD_EXAMPLE_CHILD}));
    EXPECT_TRUE(dlg.IsWindowEnabled());
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].caption, u"提示");
    EXPECT_EQ(host.Boxes()[0].style, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_TRUE(host.Boxes()[0].fromUiThread);
}

TEST_F(ExampleTest, EnterPressesTheDefaultButtonAndEscCancels) {
    struct Case {
        std::function<void(Dialog&)> script;
        int result;
        int boxes;
    };
    const Case cases[] = {
        {[](Dialog& d) { d.PressEnter(); }, IDOK, 0},
        {[](Dialog& d) { d.PressEscape(); }, IDCANCEL, 0},
        // Bad data keeps the dialog open after Enter; Esc still leaves.
        {[](Dialog& d) {
             d.EnterText(IDC_COUNT_EDIT, u"x");
             d.PressEnter();
             EXPECT_TRUE(d.IsWindow());
             d.PressEscape();
         },
         IDCANCEL, 1},
        // A disabled default button takes no Enter.
        {[](Dialog& d) {
             d.GetDlgItem(IDOK).EnableWindow(false);
             d.PressEnter();
             d.Click(IDCANCEL);
         },
         IDCANCEL, 0},
        // Another default button takes Enter.
        {[](Dialog& d) {
             d.SetDefID(IDC_APPLY);
             d.PressEnter();
             EXPECT_EQ(d.GetDefID(), IDC_APPLY);
             d.EndDialog(77);
         },
         77, 0},
        // Closing from the title bar asks first.
        {[](Dialog& d) {
             d.CloseByUser();
             EXPECT_TRUE(d.IsWindow());
             d.CloseByUser();
         },
         IDCANCEL, 2},
    };
    for (const Case& c : cases) {
        CExampleDlg modal;
        host.OnModal(IDD_EXAMPLE, c.script);
        if (c.boxes == 1) host.ExpectBox(u"请输入一个整数。", IDOK);
        if (c.boxes == 2) {
            host.ExpectBox(u"确定退出?", IDNO);
            host.ExpectBox(u"确定退出?", IDYES);
        }
        EXPECT_EQ(modal.DoModal(), c.result);
        EXPECT_FALSE(modal.IsWindow());
    }
}

TEST_F(ExampleTest, TimersFireOnTheVirtualClock) {
    ASSERT_TRUE(dlg.Create());
    EXPECT_TRUE(dlg.Click(IDC_START_TIMER));
    EXPECT_TRUE(host.TimerRunning(dlg.Handle(), kTickTimer));
    host.AdvanceClock(std::chrono::milliseconds(249));
    EXPECT_EQ(dlg.m_timerTicks, 0);
    host.AdvanceClock(std::chrono::milliseconds(751));
    EXPECT_EQ(dlg.m_timerTicks, 4);
    EXPECT_EQ(host.PaneTexts(1).back(), u"计时 4");
    host.AdvanceClock(std::chrono::seconds(10));
    EXPECT_EQ(dlg.m_timerTicks, 5);  // the handler killed it at the fifth tick
    EXPECT_FALSE(host.TimerRunning(dlg.Handle(), kTickTimer));
    EXPECT_EQ(host.Positions(IDC_PROGRESS), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    // Destroying the window stops its timers.
    dlg.Click(IDC_START_TIMER);
    dlg.DestroyWindow();
    EXPECT_FALSE(host.TimerRunning(0, kTickTimer));
    host.AdvanceClock(std::chrono::seconds(1));
    EXPECT_EQ(dlg.m_timerTicks, 0);
}

TEST_F(ExampleTest, FileDialogsTakeTheirAnswersFromTheQueue) {
    ASSERT_TRUE(dlg.Create());
    host.ExpectOpenFile(u"/data/firmware.hex");
    EXPECT_TRUE(dlg.Click(IDC_BROWSE));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_NAME_EDIT), u"firmware.hex");
    EXPECT_EQ(dlg.m_events.back(), u"browse hex");
    const FileDialogRequest request = host.FileDialogs().back();
    EXPECT_EQ(request.kind, FileDialogKind::Open);
    ASSERT_EQ(request.filters.size(), 3u);
    EXPECT_EQ(request.filters[1].patterns, std::vector<Text>{u"*.hex"});
    EXPECT_EQ(request.defaultExtension, u"bin");
    EXPECT_TRUE(request.fileMustExist);

    host.CancelNextFileDialog();
    EXPECT_TRUE(dlg.ChooseMenu(ID_FILE_OPEN));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_NAME_EDIT), u"firmware.hex");

    FileDialog save(false, u".bin", u"out", OFN_OVERWRITEPROMPT, u"Bin|*.bin||", &dlg);
    host.ExpectSaveFile(u"/tmp/x/out");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), u"/tmp/x/out.bin");
    EXPECT_EQ(save.GetFileTitle(), u"out");
    EXPECT_EQ(save.GetFolderPath(), u"/tmp/x");
    EXPECT_TRUE(host.FileDialogs().back().overwritePrompt);

    host.ExpectFolder(u"/data/out");
    EXPECT_EQ(BrowseForFolder(&dlg, u"选择文件夹"), std::optional<Text>(u"/data/out"));
}

TEST_F(ExampleTest, TabPagesAreChildDialogsWithTheirOwnMessageMap) {
    ASSERT_TRUE(dlg.Create());
    const WindowState page = dlg.m_page.State();
    EXPECT_TRUE(page.child);
    EXPECT_EQ(page.parent, dlg.Handle());
    EXPECT_EQ(page.parentControl, dlg.GetDlgItem(IDC_PAGES_TAB).Index());
    EXPECT_EQ(page.rect, dlg.GetDlgItem(IDC_PAGES_TAB).GetDisplayRect());
    EXPECT_TRUE(dlg.m_page.Click(IDC_PAGE_CHECK));
    EXPECT_EQ(dlg.m_page.m_events, std::vector<Text>{u"page check 1"});
    EXPECT_TRUE(dlg.Select(IDC_PAGES_TAB, 1));
    EXPECT_FALSE(dlg.m_page.IsWindowVisible());
    // Enter in a page is the dialog's Enter.
    dlg.m_page.PressEscape();
    EXPECT_EQ(dlg.GetResult(), IDCANCEL);
    EXPECT_FALSE(dlg.IsWindowVisible());
    dlg.DestroyWindow();
    EXPECT_FALSE(dlg.m_page.IsWindow());
}

TEST_F(ExampleTest, WhatNobodyExpectedFailsTheTestWithItsText) {
    CaptureFailures();
    ASSERT_TRUE(dlg.Create());
    dlg.Click(IDC_ASK);  // no answer queued: the box is answered No and the test fails
    EXPECT_EQ(host.LogTexts().back(), u"不继续");
    host.ExpectBox(u"另一个问题", IDYES);
    dlg.Click(IDC_ASK);
    host.ExpectBox(u"确定要继续吗？", IDOK);  // no such button
    dlg.Click(IDC_ASK);
    dlg.Click(IDC_OPEN_CHILD);  // a modal dialog without a script is cancelled
    EXPECT_EQ(dlg.m_events.back(), u"child 2");
    dlg.Click(IDC_BROWSE);
    ASSERT_EQ(failures.size(), 5u);
    EXPECT_NE(failures[0].find("unexpected message box \"确定要继续吗？\""), std::string::npos) << failures[0];
    EXPECT_NE(failures[1].find("where \"另一个问题\" was expected"), std::string::npos) << failures[1];
    EXPECT_NE(failures[2].find("has no button 1"), std::string::npos) << failures[2];
    EXPECT_NE(failures[3].find("unexpected modal dialog 101 \"子对话框\""), std::string::npos) << failures[3];
    EXPECT_NE(failures[4].find("unexpected open dialog"), std::string::npos) << failures[4];
    EXPECT_EQ(host.Boxes()[0].labels, (std::vector<std::pair<int, Text>>{{IDYES, u"&Yes"}, {IDNO, u"&No"}}));
}

TEST(HeadlessHostChecks, AnswersNobodyAskedForFailTheTest) {
    std::vector<std::string> failures;
    {
        HeadlessHost host;
        host.SetFailureHandler([&](const std::string& m) { failures.push_back(m); });
        host.ExpectBox(u"从未出现", IDOK);
        host.ExpectSaveFile(u"/x");
    }
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[0].find("\"从未出现\""), std::string::npos);
    EXPECT_NE(failures[1].find("save dialog was expected"), std::string::npos);
}

TEST(HeadlessHostChecks, AScriptThatLeavesItsDialogOpenFailsAfterTheTimeout) {
    std::vector<std::string> failures;
    HeadlessHost host;
    host.SetFailureHandler([&](const std::string& m) { failures.push_back(m); });
    host.OnModal(IDD_EXAMPLE_CHILD, [](Dialog&) {});
    host.SetModalTimeout(std::chrono::milliseconds(100));
    CExampleChildDlg child(nullptr, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(child.DoModal(), IDCANCEL);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[1].find("left it open"), std::string::npos);
}

}  // namespace

namespace {

// A font whose cell does not divide dialog units evenly: edges are rounded on their own, so that controls that
// meet in dialog units meet in pixels as well.
class OddFontHost : public fw::HeadlessHost {
public:
    fw::Size DialogBaseUnits(const fw::FontSpec&) override { return fw::Size{7, 15}; }
};

TEST(ExampleTemplates, DialogUnitsMapEdgesToTheNearestPixel) {
    OddFontHost host;
    CExampleDlg dlg;
    ASSERT_TRUE(dlg.Create());
    // IDC_NAME_EDIT is at 60, 20 and 130 by 12 dialog units.
    EXPECT_EQ(dlg.GetDlgItem(IDC_NAME_EDIT).GetRect(), (fw::Rect{105, 38, 228, 22}));
    EXPECT_EQ(dlg.GetClientRect(), (fw::Rect{0, 0, 700, 491}));
}

}  // namespace
