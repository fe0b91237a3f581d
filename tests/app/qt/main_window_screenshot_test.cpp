// The main window drawn by the Qt host, offscreen, connected to a simulated chip: one picture per language under
// the build folder, and the checks a person would make looking at them.
#include <QApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "framework/host/qt/QtHost.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/qt/PictureChecks.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace {

struct Picture {
    QImage image;
    std::vector<fw::ControlState> controls;
};

Picture DrawConnectedWindow(uint32_t languageId, const QString& file) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    ovsim::ChipSpec chip;
    chip.series = 0;
    chip.model = "VK517C8T6";
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", chip);

    Picture picture;
    {
        fw::qt::QtHost host;
        fw::InstallHost(&host);
        fw::SetResourceLanguage(static_cast<int>(languageId));
        {
            CQXDownloadToolDlg window(languageId);
            EXPECT_TRUE(window.Create());
            window.Click(IDC_BTN_CONNECT);
            host.ApplyPendingChanges();
            QApplication::processEvents();
            const QString path = fw::qt::testing::PictureFolder() + "/" + file;
            EXPECT_TRUE(host.SaveWindowPng(window.Handle(), path));
            picture.image = QImage(path);
            picture.controls = window.Controls();
            window.Click(IDC_BTN_CONNECT);
        }
        fw::InstallHost(nullptr);
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
}

TEST(MainWindowPicture, ChineseConnected) {
    const Picture p = DrawConnectedWindow(2052, "main_window_zh.png");
    CheckPicture(p);
}

TEST(MainWindowPicture, EnglishConnected) {
    const Picture p = DrawConnectedWindow(1033, "main_window_en.png");
    CheckPicture(p);
}

}  // namespace
