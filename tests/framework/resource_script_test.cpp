#include <gtest/gtest.h>

#include "framework/Styles.h"
#include "framework/Template.h"

namespace {

using namespace fw;

ResourceLibrary Parse(std::string_view script, SymbolTable symbols = {}) {
    ResourceLibrary lib;
    ParseResourceScript(script, "test.rc", symbols, kLangChinese, lib);
    return lib;
}

constexpr std::string_view kDialogScript = R"rc(
#include "resource.h"
#define IDD_SAMPLE 200
#define IDC_NAME   1001   // trailing comment
#define IDC_LIST   (1000 + 2)
/* a block comment
   #define IDC_HIDDEN 5 */
IDD_SAMPLE DIALOGEX 0, 0, 320, 200
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
EXSTYLE WS_EX_APPWINDOW
CAPTION "样例 ""quoted"""
MENU 300
FONT 9, "宋体", 400, 0, 0x86
BEGIN
    LTEXT           "名称:",IDC_STATIC,7,9,40,8
    RTEXT           "R",IDC_STATIC,7,20,40,8
    CTEXT           "C",IDC_STATIC,7,30,40,8,NOT WS_GROUP
    EDITTEXT        IDC_NAME,50,7,100,14,ES_AUTOHSCROLL | ES_PASSWORD | NOT WS_BORDER
    DEFPUSHBUTTON   "确定",IDOK,263,179,50,14
    PUSHBUTTON      "取消",IDCANCEL,207,179,50,14,WS_DISABLED
    AUTOCHECKBOX    "Check",1003,7,40,60,10
    AUTORADIOBUTTON "One",1004,7,52,60,10,WS_GROUP
    RADIOBUTTON     "Two",1005,7,64,60,10
    GROUPBOX        "Group",IDC_STATIC,2,2,316,80
    COMBOBOX        1006,50,30,100,60,CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP
    LISTBOX         1007,160,30,100,60
    ICON            128,IDC_STATIC,280,7,20,20
    ICON            "IDI_NAMED",1008,280,30
    CONTROL         "",IDC_LIST,"SysListView32",LVS_REPORT | WS_BORDER | WS_TABSTOP,7,90,150,60
    CONTROL         "",1010,"msctls_progress32",PBS_SMOOTH,7,155,150,10
    CONTROL         "",1011,"msctls_trackbar32",TBS_AUTOTICKS | WS_TABSTOP,160,90,100,15
    CONTROL         "",1012,"SysTabControl32",0x0,160,110,150,60
    CONTROL         "",1013,"RichEdit20W",ES_MULTILINE | ES_READONLY | WS_VSCROLL,7,170,150,30,WS_EX_CLIENTEDGE
    CONTROL         "Box",1014,"Button",BS_AUTOCHECKBOX | WS_TABSTOP,160,175,40,10
    CONTROL         "",1015,"Static",SS_ETCHEDHORZ,7,85,300,1
    CONTROL         129,1016,"Static",SS_ICON,300,60,20,20
    CONTROL         "",1017,"msctls_statusbar32",0,0,190,320,10
END
)rc";

TEST(ResourceScript, DialogStatementsBecomeControlsWithTheirDefaults) {
    SymbolTable symbols{{"IDI_NAMED", 130}};
    ResourceLibrary lib = Parse(kDialogScript, symbols);
    ASSERT_EQ(lib.count(kLangChinese), 1u);
    const DialogTemplate& d = lib[kLangChinese].dialogs.at(200);
    EXPECT_EQ(d.rect, (Rect{0, 0, 320, 200}));
    EXPECT_EQ(d.caption, u"样例 \"quoted\"");
    EXPECT_EQ(d.menuId, 300);
    EXPECT_EQ(d.font.pointSize, 9);
    EXPECT_EQ(d.font.face, u"宋体");
    EXPECT_EQ(d.font.charset, 0x86);
    EXPECT_EQ(d.style, DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(d.exStyle, WS_EX_APPWINDOW);
    EXPECT_EQ(d.line, 8);

    struct Expect {
        ControlKind kind;
        int id;
        const char* windowClass;
        uint32_t set;    // bits that must be set
        uint32_t clear;  // bits that must be clear
    };
    const Expect expected[] = {
        {ControlKind::Static, IDC_STATIC, "Static", WS_CHILD | WS_VISIBLE | WS_GROUP, 0},
        {ControlKind::Static, IDC_STATIC, "Static", SS_RIGHT, 0},
        {ControlKind::Static, IDC_STATIC, "Static", SS_CENTER, WS_GROUP},
        {ControlKind::Edit, 1001, "Edit", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, WS_BORDER},
        {ControlKind::PushButton, IDOK, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
        {ControlKind::PushButton, IDCANCEL, "Button", WS_DISABLED, BS_DEFPUSHBUTTON},
        {ControlKind::CheckBox, 1003, "Button", BS_AUTOCHECKBOX, 0},
        {ControlKind::RadioButton, 1004, "Button", BS_AUTORADIOBUTTON | WS_GROUP, 0},
        {ControlKind::RadioButton, 1005, "Button", BS_RADIOBUTTON, WS_GROUP},
        {ControlKind::GroupBox, IDC_STATIC, "Button", BS_GROUPBOX, 0},
        {ControlKind::ComboBox, 1006, "ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL, 0},
        {ControlKind::ListBox, 1007, "ListBox", LBS_NOTIFY | WS_VSCROLL, 0},
        {ControlKind::Icon, IDC_STATIC, "Static", SS_ICON, 0},
        {ControlKind::Icon, 1008, "Static", SS_ICON, 0},
        {ControlKind::ListView, 1002, "SysListView32", LVS_REPORT | WS_VISIBLE | WS_CHILD, 0},
        {ControlKind::Progress, 1010, "msctls_progress32", PBS_SMOOTH, 0},
        {ControlKind::Slider, 1011, "msctls_trackbar32", TBS_AUTOTICKS, 0},
        {ControlKind::Tab, 1012, "SysTabControl32", WS_VISIBLE, 0},
        {ControlKind::RichEdit, 1013, "RichEdit20W", ES_MULTILINE | ES_READONLY, 0},
        {ControlKind::CheckBox, 1014, "Button", BS_AUTOCHECKBOX, 0},
        {ControlKind::Frame, 1015, "Static", SS_ETCHEDHORZ, 0},
        {ControlKind::Icon, 1016, "Static", SS_ICON, 0},
        {ControlKind::StatusBar, 1017, "msctls_statusbar32", 0, 0},
    };
    ASSERT_EQ(d.controls.size(), std::size(expected));
    for (size_t i = 0; i < d.controls.size(); ++i) {
        SCOPED_TRACE(i);
        const ControlTemplate& c = d.controls[i];
        EXPECT_EQ(c.kind, expected[i].kind);
        EXPECT_EQ(c.id, expected[i].id);
        EXPECT_EQ(c.windowClass, expected[i].windowClass);
        EXPECT_EQ(c.style & expected[i].set, expected[i].set);
        EXPECT_EQ(c.style & expected[i].clear, 0u);
    }
    EXPECT_EQ(d.controls[0].text, u"名称:");
    EXPECT_EQ(d.controls[0].rect, (Rect{7, 9, 40, 8}));
    EXPECT_EQ(d.controls[0].line, 15);
    EXPECT_EQ(d.controls[12].iconId, 128);
    EXPECT_EQ(d.controls[13].iconId, 130);
    EXPECT_EQ(d.controls[13].rect, (Rect{280, 30, 0, 0}));
    EXPECT_EQ(d.controls[21].iconId, 129);
    EXPECT_EQ(d.controls[18].exStyle, WS_EX_CLIENTEDGE);
}

TEST(ResourceScript, MenusStringsIconsAndLanguages) {
    ResourceLibrary lib = Parse(R"rc(
LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED
128 ICON "res\\main.ico"
300 MENU
BEGIN
    POPUP "文件(&F)"
    BEGIN
        MENUITEM "打开(&O)\tCtrl+O", 32771
        MENUITEM SEPARATOR
        MENUITEM "退出", 32772, GRAYED
        POPUP "更多"
        BEGIN
            MENUITEM "详细", 32773, CHECKED, GRAYED
        END
    END
    MENUITEM "帮助", 32774 INACTIVE
END
STRINGTABLE
BEGIN
    101 "关于\n版本"
    102, "tab\there"
END

LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
301 MENUEX
BEGIN
    POPUP "&File", 0, 0, 0
    BEGIN
        MENUITEM "&Open", 32771, MFT_STRING, MFS_CHECKED
        MENUITEM "", 0, MFT_SEPARATOR
        MENUITEM "E&xit", 32772, MFT_STRING, MFS_GRAYED
    END
END
STRINGTABLE DISCARDABLE
BEGIN
    101 "About"
END
)rc");
    ASSERT_EQ(lib.size(), 2u);
    const ResourceSet& zh = lib.at(kLangChinese);
    const ResourceSet& en = lib.at(kLangEnglish);
    EXPECT_EQ(zh.icons.at(128).file, "res\\main.ico");
    EXPECT_EQ(zh.strings.at(101), u"关于\n版本");
    EXPECT_EQ(zh.strings.at(102), u"tab\there");
    EXPECT_EQ(en.strings.at(101), u"About");

    const MenuTemplate& m = zh.menus.at(300);
    ASSERT_EQ(m.items.size(), 2u);
    const MenuItemTemplate& file = m.items[0];
    EXPECT_TRUE(file.popup);
    ASSERT_EQ(file.items.size(), 4u);
    EXPECT_EQ(file.items[0].text, u"打开(&O)\tCtrl+O");
    EXPECT_EQ(file.items[0].id, 32771);
    EXPECT_TRUE(file.items[1].separator);
    EXPECT_TRUE(file.items[2].grayed);
    EXPECT_TRUE(file.items[3].items[0].checked);
    EXPECT_TRUE(file.items[3].items[0].grayed);
    EXPECT_TRUE(m.items[1].inactive);

    const MenuTemplate& ex = en.menus.at(301);
    ASSERT_EQ(ex.items[0].items.size(), 3u);
    EXPECT_TRUE(ex.items[0].items[0].checked);
    EXPECT_TRUE(ex.items[0].items[1].separator);
    EXPECT_TRUE(ex.items[0].items[2].grayed);
    EXPECT_EQ(ex.items[0].items[2].id, 32772);
}

TEST(ResourceScript, SkipsResourcesAndBlocksTheProgramDoesNotUse) {
    ResourceLibrary lib = Parse(R"rc(
#ifdef APSTUDIO_INVOKED
1 TEXTINCLUDE
BEGIN
    "resource.h\0"
END
#endif
#if 0
this is not a resource script at all {
#else
5 DIALOG DISCARDABLE 0, 0, 10, 10
BEGIN
END
#endif
1 VERSIONINFO
 FILEVERSION 1,0,0,1
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        VALUE "CompanyName", "x"
    END
END
GUIDELINES DESIGNINFO
BEGIN
    6, DIALOG
    BEGIN
        LEFTMARGIN, 7
    END
END
2 BITMAP "res\\a.bmp"
)rc");
    ASSERT_EQ(lib.at(kLangChinese).dialogs.size(), 1u);
    const DialogTemplate& d = lib.at(kLangChinese).dialogs.at(5);
    EXPECT_EQ(d.style, WS_POPUP | WS_BORDER | WS_SYSMENU);  // the default when no STYLE is given
}

TEST(ResourceScript, DefinesFromAHeader) {
    SymbolTable symbols;
    ParseDefines(R"h(
// resource header
#define IDD_MAIN                        102
#define IDC_HEX                         0x3E9
#define IDC_NEG                         (-1)
#define IDC_SUM                         (IDC_HEX + 1)
#define NOT_AN_ID                       "text"
#define MACRO(x)                        x
#ifdef APSTUDIO_INVOKED
#ifndef APSTUDIO_READONLY_SYMBOLS
#define _APS_NEXT_RESOURCE_VALUE        130
#endif
#endif
/*
#define IDC_COMMENTED 7
*/
int declarations_are_ignored;
)h",
                 "resource.h", symbols);
    EXPECT_EQ(symbols.at("IDD_MAIN"), 102);
    EXPECT_EQ(symbols.at("IDC_HEX"), 0x3E9);
    EXPECT_EQ(symbols.at("IDC_NEG"), -1);
    EXPECT_EQ(symbols.at("IDC_SUM"), 0x3EA);
    EXPECT_EQ(symbols.count("NOT_AN_ID"), 0u);
    EXPECT_EQ(symbols.count("_APS_NEXT_RESOURCE_VALUE"), 0u);
    EXPECT_EQ(symbols.count("IDC_COMMENTED"), 0u);
}

TEST(ResourceScript, ErrorsNameFileLineAndCause) {
    struct Case {
        const char* script;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"1 DIALOGEX 0,0,10,10\nBEGIN\n  EDITTEXT IDC_MISSING,1,1,1,1\nEND\n", 3, "unknown identifier 'IDC_MISSING'"},
        {"1 DIALOGEX 0,0,10,10\nBEGIN\n  CONTROL \"\",1,\"SysDateTimePick32\",0,1,1,1,1\nEND\n", 3,
         "unknown control class"},
        {"1 DIALOGEX 0,0,10,10\nCAPTION \"open\nBEGIN\nEND\n", 2, "string is not closed"},
        {"1 DIALOGEX 0,0,10,10\nBEGIN\n  LTEXT \"a\",-1,1,1,1,1\n", 4, "dialog has no END"},
        {"1 DIALOG 0,0,1,1\nBEGIN\nEND\n1 DIALOG 0,0,1,1\nBEGIN\nEND\n", 4, "dialog 1 is defined twice"},
        {"1 WIDGET \"x\"\n", 1, "unknown resource type 'WIDGET'"},
        {"1 DIALOG 0,0,1,1\nBEGIN\nEND\n#if 1\n", 4, "#if without #endif"},
        {"1 DIALOG 0,0,99999,1\nBEGIN\nEND\n", 1, "coordinate out of range"},
        {"1 DIALOG 0,0,1\nBEGIN\nEND\n", 2, "expected ','"},
        {"1 DIALOG 0,0,1,1\nBEGIN\n  PUSHBUTTON \"a\" 1,1,1,1,1\nEND\n", 3, "expected ','"},
        {"1 MENU\nBEGIN\n  MENUITEM \"a\", 5\n", 4, "menu has no END"},
        {"STRINGTABLE\nBEGIN\n 1 \"a\"\n 1 \"b\"\nEND\n", 4, "string 1 is defined twice"},
        {"1 DIALOG 0,0,1,1 /* never closed\n", 1, "comment is not closed"},
        {"1 DIALOG 0,0,1,0x\n", 1, "hexadecimal number without digits"},
        {"1 DIALOG 0,0,1,99999999999999999999\n", 1, "number is too large"},
        {"#endif\n", 1, "#endif without #if"},
        {"1 DIALOG 0,0,1,1\nBEGIN\n  LTEXT \"\xE2\x80\x9C\",1,1,1,1,1\nEND\n \xE2", 5, "unexpected byte"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        try {
            Parse(c.script);
            ADD_FAILURE() << "no error";
        } catch (const ResourceError& e) {
            EXPECT_EQ(e.file, "test.rc");
            EXPECT_EQ(e.line, c.line) << e.What();
            EXPECT_NE(e.message.find(c.message), std::string::npos) << e.What();
            EXPECT_EQ(e.What().rfind("test.rc:" + std::to_string(e.line) + ": ", 0), 0u);
        }
    }
}

}  // namespace
