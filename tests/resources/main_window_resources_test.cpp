// The main window's templates in both languages: every control and menu item the code addresses is there, with
// the texts the code compares against, and what is visible at start-up is laid out without overlaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "framework/Resources.h"
#include "framework/Styles.h"
#include "framework/Template.h"
#include "resources/ui/resource.h"

namespace {

const int kLanguages[] = {fw::kLangChinese, fw::kLangEnglish};

const fw::ResourceSet& Set(int language) { return fw::EmbeddedResources().at(language); }

const fw::DialogTemplate& MainDialog(int language) { return Set(language).dialogs.at(IDD_QXDOWNLOADTOOL_DIALOG); }

const fw::ControlTemplate* FindControl(const fw::DialogTemplate& d, int id) {
    for (const auto& c : d.controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

std::string Utf8(const fw::Text& t) { return fw::TextToUtf8(t); }

std::string ControlText(const fw::DialogTemplate& d, int id) {
    const auto* control = FindControl(d, id);
    if (!control) {
        ADD_FAILURE() << "no control " << id;
        return {};
    }
    return Utf8(control->text);
}

// Every control id of the main window that the code reads, writes, shows or hides.
const std::vector<int> kMainWindowIds = {
    1001, 1005, 1006, 1013, 1014, 1015, 1016, 1027, 1044, 1071, 1081, 1082, 1083, 1084, 1085, 1086, 1087, 1088,
    1089, 1117, 1123, 1124, 1125, 1126, 1127, 1128, 1149, 1150, 1151, 1152, 1154, 1156, 1157, 1165, 1166, 1167,
    1168, 1169, 1170, 1171, 1172, 1173, 1174, 1209, 1210, 1211, 1212, 1240, 1241, 1242, 1251, 1252, 1253, 1260,
    1261, 1262, 1263, 1264, 1265, 1266, 1267, 1268, 1269, 1270, 1271, 1272, 1273, 1274, 1275, 1276, 1277, 1278,
    1279, 1280, 1281, 1282, 1283, 1284, 1285, 1286, 1287, 1288, 1289, 1290, 1291, 1292, 1293, 1294, 1295, 1296,
    1297, 1298, 1299, 1300, 1301, 1302, 1303, 1304, 1305, 1306, 1335, 1337, 1339};

TEST(MainWindowTemplate, HoldsEveryControlOnceInBothLanguages) {
    for (int language : kLanguages) {
        SCOPED_TRACE(language);
        std::multiset<int> ids;
        for (const auto& c : MainDialog(language).controls) {
            if (c.id != fw::IDC_STATIC) ids.insert(c.id);
        }
        for (int id : kMainWindowIds) EXPECT_EQ(ids.count(id), 1u) << "control " << id;
        EXPECT_EQ(ids.size(), kMainWindowIds.size()) << "a control the code does not know";
    }
}

TEST(MainWindowTemplate, ControlsAreOfTheKindTheCodeDrives) {
    struct Case {
        int id;
        fw::ControlKind kind;
    };
    const Case cases[] = {
        {1165, fw::ControlKind::RichEdit}, {1166, fw::ControlKind::Progress},  {1167, fw::ControlKind::Progress},
        {1174, fw::ControlKind::Progress}, {1044, fw::ControlKind::ComboBox},  {1085, fw::ControlKind::ComboBox},
        {1001, fw::ControlKind::ComboBox}, {1123, fw::ControlKind::ComboBox},  {1124, fw::ControlKind::ComboBox},
        {1084, fw::ControlKind::CheckBox}, {1240, fw::ControlKind::CheckBox},  {1260, fw::ControlKind::CheckBox},
        {1262, fw::ControlKind::CheckBox}, {1304, fw::ControlKind::CheckBox},  {1298, fw::ControlKind::CheckBox},
        {1299, fw::ControlKind::CheckBox}, {1263, fw::ControlKind::CheckBox},  {1264, fw::ControlKind::CheckBox},
        {1268, fw::ControlKind::CheckBox}, {1267, fw::ControlKind::Icon},      {1296, fw::ControlKind::Icon},
        {1005, fw::ControlKind::Edit},     {1209, fw::ControlKind::Edit},      {1265, fw::ControlKind::Edit},
        {1087, fw::ControlKind::PushButton}, {1253, fw::ControlKind::PushButton}, {1149, fw::ControlKind::GroupBox},
        {1152, fw::ControlKind::GroupBox},
    };
    for (int language : kLanguages) {
        for (const Case& c : cases) {
            const auto* control = FindControl(MainDialog(language), c.id);
            ASSERT_NE(control, nullptr) << c.id;
            EXPECT_EQ(control->kind, c.kind) << "control " << c.id << " in " << language;
        }
    }
}

TEST(MainWindowTemplate, TextsTheCodeComparesAgainst) {
    struct Case {
        int id;
        const char* zh;
        const char* en;
    };
    const Case cases[] = {
        {1149, "设备配置", "Configuration"},
        {1117, "仅用于离线下载", "For offline download only"},
        {1154, "起始地址:0x", "Start Address:0x"},
        {1087, "连接设备", "Connect"},
        {1071, "清空显示", "Clear"},
        {1251, "重新统计", "Recount"},
        {1252, "下载", "Download"},
        {1253, "隐藏<<", "Hide<<"},
        {1152, "下载操作", "Download"},
        {1266, "未连接设备", "The device is not connected"},
        {1289, "未连接设备", "The device is not connected"},
        {1268, "全选/全否", "All/None"},
        {1298, "Safe Module:", "Safe Module:"},
        {1156, "Info Package:", "Info Package:"},
        {1299, "Firmware File", "Firmware File"},
        {1263, "JTAG Mode", "JTAG Mode"},
        {1300, "JTAG Key", "JTAG Key"},
        {1305, "前跨页不擦除当前页", "The front cross page does not erase the current page"},
        {1297, "后跨页不擦除当前页", "The behind cross page does not erase the current page"},
        {1240, "下载前解除读保护等级L1", "Unlock the read protection L1 before downloading"},
        {1241, "下载后使能读保护等级L1", "Enable reading protection L1 after downloading"},
        {1242, "下载后使能读保护等级L2", "Enable reading protection L2 after downloading"},
        {1261, "下载后写下载标志", "Write download flag after downloading"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ControlText(MainDialog(fw::kLangChinese), c.id), c.zh) << c.id;
        EXPECT_EQ(ControlText(MainDialog(fw::kLangEnglish), c.id), c.en) << c.id;
    }
}

TEST(MainWindowTemplate, ConnectIsTheOnlyDefaultButton) {
    for (int language : kLanguages) {
        for (const auto& c : MainDialog(language).controls) {
            if (c.kind != fw::ControlKind::PushButton) continue;
            const bool isDefault = (c.style & fw::BS_TYPEMASK) == fw::BS_DEFPUSHBUTTON;
            EXPECT_EQ(isDefault, c.id == IDC_BTN_CONNECT) << "button " << c.id;
        }
    }
}

bool Overlap(const fw::Rect& a, const fw::Rect& b) {
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

// Group boxes and frames enclose others by design; combo boxes are measured by their closed height.
fw::Rect VisibleRect(const fw::ControlTemplate& c) {
    fw::Rect r = c.rect;
    if (c.kind == fw::ControlKind::ComboBox) r.height = 12;
    return r;
}

TEST(MainWindowTemplate, WhatStartsVisibleIsInsideAndDoesNotOverlap) {
    for (int language : kLanguages) {
        const auto& d = MainDialog(language);
        std::vector<const fw::ControlTemplate*> shown;
        for (const auto& c : d.controls) {
            if (!(c.style & fw::WS_VISIBLE)) continue;
            EXPECT_GE(c.rect.x, 0) << c.id;
            EXPECT_LE(c.rect.Right(), d.rect.width) << c.id;
            EXPECT_LE(VisibleRect(c).Bottom(), d.rect.height) << c.id;
            if (c.kind != fw::ControlKind::GroupBox && c.kind != fw::ControlKind::Frame) shown.push_back(&c);
        }
        for (size_t i = 0; i < shown.size(); ++i) {
            for (size_t j = i + 1; j < shown.size(); ++j) {
                EXPECT_FALSE(Overlap(VisibleRect(*shown[i]), VisibleRect(*shown[j])))
                    << "controls " << shown[i]->id << " and " << shown[j]->id << " overlap in " << language;
            }
        }
    }
}

const fw::MenuItemTemplate* FindMenuItem(const std::vector<fw::MenuItemTemplate>& items, int id) {
    for (const auto& item : items) {
        if (!item.popup && item.id == id) return &item;
        if (item.popup) {
            if (const auto* found = FindMenuItem(item.items, id)) return found;
        }
    }
    return nullptr;
}

TEST(MainMenu, HoldsEveryCommandOfTheMessageMapAndStartsWithTheListedItemsGreyed) {
    const std::vector<int> commands = {32897, 32898, 32814, 32900, 32925, 32926, 32923, 32956, 32833, 32809,
                                       32854, 32834, 32835, 32837, 32870, 32871, 32851, 32877, 32841, 32905,
                                       32910, 32911, 32917, 32930, 32932, 32941, 32944, 32946, 32883, 32885,
                                       32893, 32842, 32844, 32948, 32863, 32802, 32812, 32890, 32866, 32954};
    const std::set<int> greyed = {32897, 32898, 32900, 32925, 32926, 32923, 32905, 32944,
                                  32893, 32930, 32932, 32941, 32946, 32948};
    for (int language : kLanguages) {
        SCOPED_TRACE(language);
        const auto& bar = Set(language).menus.at(IDR_MENU_MAIN).items;
        for (int id : commands) {
            const auto* item = FindMenuItem(bar, id);
            ASSERT_NE(item, nullptr) << "menu item " << id;
            EXPECT_EQ(item->grayed, greyed.count(id) == 1) << "menu item " << id;
        }
        // Model, File, Operations, the offline downloader command, Help; the language popup is inserted at 4.
        ASSERT_EQ(bar.size(), 5u);
        EXPECT_FALSE(bar[3].popup);
        EXPECT_EQ(bar[3].id, ID_OFFLINE_DOWNLOADER);
        const auto& operations = bar[2].items;
        ASSERT_GT(operations.size(), 23u);
        EXPECT_TRUE(operations[23].popup);
        EXPECT_NE(FindMenuItem(operations[23].items, ID_READ_FLASH_ENTIRE_CHIP), nullptr);
        const auto api = std::find_if(operations.begin(), operations.end(), [](const fw::MenuItemTemplate& i) {
            return i.popup && FindMenuItem(i.items, ID_LOAD_API_FROM_NVR) != nullptr;
        });
        ASSERT_NE(api, operations.end());
        EXPECT_TRUE(api->grayed);
    }
}

TEST(MainWindowStrings, TitleIndicatorsAndAboutItem) {
    for (int language : kLanguages) {
        const auto& strings = Set(language).strings;
        EXPECT_EQ(Utf8(strings.at(IDS_ABOUTBOX)), "About Orvane MCU Download tool V1.3.7");
        EXPECT_EQ(Utf8(strings.at(IDS_INDICATOR_TOTAL)), "Total");
        EXPECT_EQ(Utf8(strings.at(IDS_INDICATOR_PASS)), "Pass");
        EXPECT_EQ(Utf8(strings.at(IDS_INDICATOR_FAIL)), "Fail");
        EXPECT_EQ(Utf8(strings.at(IDS_INDICATOR_TIME)), "Time");
        EXPECT_FALSE(strings.at(IDS_INDICATOR_NOTICE).empty());
    }
    EXPECT_EQ(Utf8(Set(fw::kLangChinese).strings.at(AFX_IDS_APP_TITLE)), "Tip");
    EXPECT_EQ(Utf8(Set(fw::kLangEnglish).strings.at(AFX_IDS_APP_TITLE)), "??");
}

TEST(MainWindowIcons, AreEmbeddedPngs) {
    for (int id : {IDR_MAINFRAME, IDI_STATUS_PASS, IDI_STATUS_FAIL, IDI_STATUS_IDLE}) {
        const auto bytes = fw::IconBytes(id);
        ASSERT_TRUE(bytes.has_value()) << id;
        EXPECT_EQ(bytes->substr(0, 8), std::string_view("\x89PNG\r\n\x1a\n", 8)) << id;
    }
}

TEST(AboutBox, TemplateInBothLanguages) {
    for (int language : kLanguages) {
        const auto& d = Set(language).dialogs.at(IDD_ABOUTBOX);
        EXPECT_EQ(Utf8(d.caption), "About Orvane MCU Download Tool V1.3.7");
        const auto* history = FindControl(d, IDC_ABOUT_HISTORY);
        ASSERT_NE(history, nullptr);
        EXPECT_EQ(history->kind, fw::ControlKind::RichEdit);
        EXPECT_TRUE(history->style & fw::ES_READONLY);
        EXPECT_TRUE(history->style & fw::ES_MULTILINE);
        EXPECT_TRUE(history->style & fw::WS_VSCROLL);
        ASSERT_NE(FindControl(d, fw::IDOK), nullptr);
        const bool hasIcon = std::any_of(d.controls.begin(), d.controls.end(), [](const fw::ControlTemplate& c) {
            return c.kind == fw::ControlKind::Icon && c.iconId == IDR_MAINFRAME;
        });
        EXPECT_TRUE(hasIcon);
    }
    EXPECT_EQ(ControlText(Set(fw::kLangChinese).dialogs.at(IDD_ABOUTBOX), fw::IDOK), "确定");
    EXPECT_EQ(ControlText(Set(fw::kLangEnglish).dialogs.at(IDD_ABOUTBOX), fw::IDOK), "OK");
}

}  // namespace
