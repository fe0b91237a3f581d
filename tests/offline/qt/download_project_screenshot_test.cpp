// The download project maker drawn by the Qt host offscreen in Chinese and English, showing an opened project with
// a bin, a HEX and an enciphered row: one picture each under the build folder, and the checks a person would make
// looking at them (every text fits its control, nothing overlaps, the caption is the language's).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include "core/Translation.h"
#include "framework/host/qt/QtHost.h"
#include "offline/DownloadProjectDlg.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/qt/QtMainWindow.h"
#include "tests/framework/host/qt/QtTestApp.h"
#include "tests/offline/DownloadProjectSamples.h"

namespace {

QString Draw(uint32_t languageId, const QString& file) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    dir.Write("Series CFG Table.ini",
              "CLASS = VK517\nCHIPMARK = VK517C8\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n"
              "CLASS = VK517\nCHIPMARK = VK517K6\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x8000\nPAGESIZE = 0x800\n");
    const sealed_project::Bytes project = download_project_samples::Encode(download_project_samples::ThreeRowProject());
    dir.Write("p.dlpf", std::string(project.begin(), project.end()));
    QString caption;
    {
        SetLanguageFile(languageId == 1033 ? 1 : 0);
        QtMainWindow drawn(languageId);
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        CDownloadProjectDlg dialog(&window);
        EXPECT_TRUE(dialog.Create(&window));
        EXPECT_EQ(dialog.ReadProjectFile(dir.Wide("p.dlpf")), CDownloadProjectDlg::ProjectLoad::Shown);
        dialog.ShowWindow(fw::SW_SHOW);
        host.ApplyPendingChanges();
        QApplication::processEvents();
        QWidget* widget = host.WindowWidget(dialog.Handle());
        EXPECT_NE(widget, nullptr);
        if (widget) {
            caption = widget->windowTitle();
            fw::qt::testing::ExpectTextsFitAndNothingOverlaps(*widget);
        }
        const QString path = fw::qt::testing::PictureFolder() + "/" + file;
        EXPECT_TRUE(host.SaveWindowPng(dialog.Handle(), path));
        EXPECT_FALSE(QImage(path).isNull());
    }
    fw::SetResourceLanguage(fw::kLangChinese);
    SetLanguageFile(0);
    fw::SetWorkingDirectory(previous);
    return caption;
}

TEST(DownloadProjectPictures, BothLanguages) {
    EXPECT_EQ(Draw(2052, "download_project_zh.png"), QStringLiteral("制作下载项目文件"));
    EXPECT_EQ(Draw(1033, "download_project_en.png"), QStringLiteral("Make the download project files"));
}

}  // namespace
