// The main window drawn by the Qt host, offscreen, connected to a simulated chip: one picture per language under
// the build folder, and the checks a person would make looking at them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>
#include <filesystem>
#include <memory>

#include "app/App.h"
#include "app/MainWindowCommands.h"
#include "core/Translation.h"
#include "framework/System.h"
#include "framework/host/qt/QtHost.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/qt/PictureChecks.h"
#include "tests/app/qt/QtMainWindow.h"
#include "tests/app/qt/ShownPanes.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace {

struct Picture {
    QImage image;
    std::vector<fw::ControlState> controls;
    std::vector<ShownPane> panes;
};

Picture DrawConnectedWindow(uint32_t languageId, const QString& file) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    ovsim::ChipSpec chip;
    chip.series = 0;
    chip.model = "VK517C8T6";
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", chip);
    dir.Write("SysConfig.ini", "[dlparam]\ntotal=13023\npass=12345\nfail=678\n");

    Picture picture;
    {
        QtMainWindow drawn(languageId);
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        window.Click(IDC_BTN_CONNECT);
        window.SendMessage(fw::WM_TIMER, TIMER_CLOCK);
        host.ApplyPendingChanges();
        QApplication::processEvents();
        const QString path = fw::qt::testing::PictureFolder() + "/" + file;
        EXPECT_TRUE(host.SaveWindowPng(window.Handle(), path));
        picture.image = QImage(path);
        picture.controls = window.Controls();
        picture.panes = ShownPanes(host, window);
        window.Click(IDC_BTN_CONNECT);
    }
    fw::SetResourceLanguage(fw::kLangChinese);
    fw::SetWorkingDirectory(previous);
    return picture;
}

void CheckPicture(const Picture& p) {
    ASSERT_FALSE(p.image.isNull());
    EXPECT_GT(p.image.width(), 600);
    EXPECT_GT(p.image.height(), 400);
    ExpectNoVisibleControlsOverlap(p.controls);
    ExpectCountsAndClockWhole(p.panes);
}

TEST(MainWindowPicture, ChineseConnected) {
    const Picture p = DrawConnectedWindow(2052, "main_window_zh.png");
    CheckPicture(p);
}

TEST(MainWindowPicture, EnglishConnected) {
    const Picture p = DrawConnectedWindow(1033, "main_window_en.png");
    CheckPicture(p);
}

// A first start on an English system: no "Language.ini", so the texts come through the INI language file, which
// cannot hold the irreversible level-2 warning (two lines). The warning is read in English all the same.
TEST(MainWindowPicture, FirstStartOnAnEnglishSystemWarnsOfLevelTwoInEnglish) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    ovsim::ChipSpec chip;
    chip.series = 0;
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", chip);
    fw::SetUiLanguageOverride(fw::kLanguageEnglish);
    g_bCatalogTranslation = 0;
    const uint32_t languageId = ChooseStartupLanguage(dir.Wide());
    EXPECT_EQ(languageId, 1033u);
    EXPECT_EQ(g_bCatalogTranslation, 0) << "INI mode";
    QString warning;
    QString caption;
    {
        QtMainWindow drawn(languageId);
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        window.Click(IDC_BTN_CONNECT);
        fw::qt::testing::WhenModalShows([&](QWidget& modal) {
            auto& box = static_cast<QMessageBox&>(modal);
            warning = box.text();
            caption = box.windowTitle();
            EXPECT_TRUE(box.grab().save(fw::qt::testing::PictureFolder() + "/first_start_l2_warning_en.png"));
            fw::qt::testing::ButtonWithText(box, QStringLiteral("&No"))->click();
        });
        window.SendCommand(ID_ENABLE_READ_PROTECTION_L2);
        EXPECT_EQ(ovsim::State("/dev/ttyUSB0").pendingLevel, 0) << "answered No";
        window.Click(IDC_BTN_CONNECT);
    }
    fw::SetUiLanguageOverride(0);
    fw::SetResourceLanguage(fw::kLangChinese);
    fw::SetWorkingDirectory(previous);
    EXPECT_EQ(caption, QStringLiteral("Tip"));
    EXPECT_EQ(warning, QStringLiteral("This operation cannot be undone, proceed with care!\n"
                                      "Continue to enable read protection level L2?"));
}

}  // namespace
