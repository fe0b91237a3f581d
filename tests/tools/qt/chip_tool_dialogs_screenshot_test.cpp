// The run-address dialog, the external flash key dialog and the chip-series chooser drawn by the Qt host,
// offscreen, in Chinese and English: one picture each under the build folder, and the checks a person would make
// looking at them (every text fits its control, nothing overlaps).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QWidget>
#include <functional>

#include "framework/host/qt/QtHost.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/framework/host/qt/QtTestApp.h"
#include "tools/AppGoDlg.h"
#include "tools/SelectChipSeriesDlg.h"
#include "tools/SetExtFlashKeyDlg.h"

namespace {

// Draws the dialog that `make` builds over a main window of the language; answers the dialog's caption.
QString Draw(uint32_t languageId, const QString& file,
             const std::function<std::unique_ptr<fw::Dialog>(CQXDownloadToolDlg&)>& make) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    dir.Write("SysConfig.ini", "[dlparam]\ndevice 1=VK517C8T6\ndevice 2=VK232C8T6\n");
    QString caption;
    {
        fw::qt::QtHost host;
        fw::InstallHost(&host);
        fw::SetResourceLanguage(static_cast<int>(languageId));
        {
            CQXDownloadToolDlg window(languageId);
            EXPECT_TRUE(window.Create());
            std::unique_ptr<fw::Dialog> dialog = make(window);
            EXPECT_TRUE(dialog->Create(&window));
            dialog->ShowWindow(fw::SW_SHOW);
            host.ApplyPendingChanges();
            QApplication::processEvents();
            QWidget* widget = host.WindowWidget(dialog->Handle());
            EXPECT_NE(widget, nullptr);
            if (widget) {
                caption = widget->windowTitle();
                fw::qt::testing::ExpectTextsFitAndNothingOverlaps(*widget);
            }
            const QString path = fw::qt::testing::PictureFolder() + "/" + file;
            EXPECT_TRUE(host.SaveWindowPng(dialog->Handle(), path));
            EXPECT_FALSE(QImage(path).isNull());
            dialog.reset();
        }
        fw::InstallHost(nullptr);
    }
    fw::SetResourceLanguage(fw::kLangChinese);
    fw::SetWorkingDirectory(previous);
    return caption;
}

struct Row {
    const char* file;
    uint32_t language;
    QString caption;
    std::function<std::unique_ptr<fw::Dialog>(CQXDownloadToolDlg&)> make;
};

TEST(ChipToolDialogPictures, BothLanguages) {
    const auto appGo = [](CQXDownloadToolDlg& w) { return std::make_unique<AppGoDlg>(&w); };
    const auto key = [](CQXDownloadToolDlg& w) { return std::make_unique<CSetExtFlashKeyDlg>(&w); };
    const auto series = [](CQXDownloadToolDlg& w) { return std::make_unique<CSelectChipSeriesDlg>(&w); };
    const Row rows[] = {
        {"app_go_zh.png", 2052, QStringLiteral("跳转"), appGo},
        {"app_go_en.png", 1033, QStringLiteral("APP GO"), appGo},
        {"set_ext_flash_key_zh.png", 2052, QStringLiteral("设置外设Flash密钥"), key},
        {"set_ext_flash_key_en.png", 1033, QStringLiteral("Set External Flash Key"), key},
        {"select_chip_series_zh.png", 2052, QStringLiteral("选择芯片系列"), series},
        {"select_chip_series_en.png", 1033, QStringLiteral("Select Chip Series"), series},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        EXPECT_EQ(Draw(r.language, r.file, r.make), r.caption);
    }
}

}  // namespace
