// Draws a chip tool's dialog with the Qt host, offscreen, over a main window of the language, saves the picture
// under the build folder and makes the checks a person would make looking at it (every text fits its control,
// nothing overlaps).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "framework/host/qt/QtHost.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/qt/QtMainWindow.h"
#include "tests/framework/host/qt/QtTestApp.h"

using MakeToolDialog = std::function<std::unique_ptr<fw::Dialog>(CQXDownloadToolDlg&)>;

// Answers the dialog's caption. settle runs once the dialog is shown, before it is drawn.
inline QString DrawToolDialog(uint32_t languageId, const QString& file, const MakeToolDialog& make,
                              const std::function<void(fw::Dialog&)>& settle = {}) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    dir.Write("SysConfig.ini", "[dlparam]\ndevice 1=VK517C8T6\ndevice 2=VK232C8T6\n");
    QString caption;
    {
        QtMainWindow drawn(languageId);
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        std::unique_ptr<fw::Dialog> dialog = make(window);
        EXPECT_TRUE(dialog->Create(&window));
        dialog->ShowWindow(fw::SW_SHOW);
        if (settle) settle(*dialog);
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
    fw::SetResourceLanguage(fw::kLangChinese);
    fw::SetWorkingDirectory(previous);
    return caption;
}
