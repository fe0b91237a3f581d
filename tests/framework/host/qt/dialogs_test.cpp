#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "framework/host/qt/FileDialogs.h"
#include "framework/host/qt/MessageBoxDialog.h"
#include "framework/host/qt/QtText.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace fw::qt {
namespace {

using testing::WhenModalShows;

QStringList ButtonTexts(QMessageBox& box) {
    QStringList texts;
    for (QAbstractButton* button : box.findChild<QDialogButtonBox*>()->buttons())
        texts << button->text();
    return texts;
}

TEST(MessageBox, RelabelledYesNoKeepsOrderDefaultAndCannotBeDismissed) {
    MessageBoxRequest request;
    request.text = u"Lift read protection? The flash will be erased.";
    request.caption = u"Tip";
    request.style = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
    request.buttonLabels = {{IDYES, u"&Yes"}, {IDNO, u"&No"}};
    QStringList texts;
    bool noIsDefault = false;
    bool stayedAfterEsc = false;
    WhenModalShows([&](QWidget& modal) {
        auto& box = static_cast<QMessageBox&>(modal);
        texts = ButtonTexts(box);
        noIsDefault = box.defaultButton() == testing::ButtonWithText(box, QStringLiteral("&No"));
        QTest::keyClick(&box, Qt::Key_Escape);
        box.close();
        stayedAfterEsc = box.isVisible();
        testing::ButtonWithText(box, QStringLiteral("&Yes"))->click();
    });
    EXPECT_EQ(RunMessageBox(request, nullptr, true), IDYES);
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));
    EXPECT_TRUE(noIsDefault);
    EXPECT_TRUE(stayedAfterEsc);
}

TEST(MessageBox, UnlabelledButtonsSpeakTheInterfaceLanguageAndEscCancels) {
    struct Case {
        uint32_t style;
        bool english;
        QStringList texts;
        int escAnswer;
    };
    const Case cases[] = {
        {MB_OKCANCEL, false, {QStringLiteral("确定"), QStringLiteral("取消")}, IDCANCEL},
        {MB_OK | MB_ICONHAND, true, {QStringLiteral("OK")}, IDOK},
        {MB_RETRYCANCEL, false, {QStringLiteral("重试(&R)"), QStringLiteral("取消")}, IDCANCEL},
        {MB_YESNOCANCEL, false, {QStringLiteral("是(&Y)"), QStringLiteral("否(&N)"), QStringLiteral("取消")}, IDCANCEL},
    };
    for (const Case& c : cases) {
        MessageBoxRequest request;
        request.text = u"请先连接设备！";
        request.caption = u"提示";
        request.style = c.style;
        QStringList texts;
        QString caption;
        WhenModalShows([&](QWidget& modal) {
            auto& box = static_cast<QMessageBox&>(modal);
            texts = ButtonTexts(box);
            caption = box.windowTitle();
            QTest::keyClick(&box, Qt::Key_Escape);
        });
        EXPECT_EQ(RunMessageBox(request, nullptr, c.english), c.escAnswer) << c.style;
        EXPECT_EQ(texts, c.texts) << c.style;
        EXPECT_EQ(caption, QStringLiteral("提示"));
    }
    // Abort/Retry/Ignore keeps the standard labels in English; only the caller's relabelled ids change.
    MessageBoxRequest request;
    request.style = MB_ABORTRETRYIGNORE;
    request.buttonLabels = {{IDOK, u"&OK"}};
    QStringList texts;
    WhenModalShows([&](QWidget& modal) {
        auto& box = static_cast<QMessageBox&>(modal);
        texts = ButtonTexts(box);
        testing::ButtonWithText(box, QStringLiteral("&Ignore"))->click();
    });
    EXPECT_EQ(RunMessageBox(request, nullptr, true), IDIGNORE);
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Abort"), QStringLiteral("&Retry"), QStringLiteral("&Ignore")}));
}

// A window manager elides a title that does not fit beside the title bar's icon and buttons: a box with a short
// message still shows "提示" whole.
TEST(MessageBox, AShortMessageLeavesRoomForItsTitle) {
    constexpr int kTitleBarItems = 120;  // window icon, minimise, maximise and close buttons
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    for (const char16_t* caption : {u"提示", u"Tip"}) {
        MessageBoxRequest request;
        request.text = u"OK";
        request.caption = caption;
        request.style = MB_OK;
        int width = 0;
        QString title;
        WhenModalShows([&](QWidget& modal) {
            width = modal.width();
            title = modal.windowTitle();
            QTest::keyClick(&modal, Qt::Key_Escape);
        });
        EXPECT_EQ(RunMessageBox(request, nullptr, false), IDOK);
        EXPECT_GE(width, metrics.horizontalAdvance(title) + kTitleBarItems) << title.toStdString();
    }
}

TEST(FileDialogs, FiltersBecomeQtNameFilters) {
    const std::vector<FileFilter> filters =
        ParseFileFilter(u"Bin文件(*.bin)|*.bin|Hex File|*.hex;*.ihex|所有文件(*.*)|*.*||");
    EXPECT_EQ(NameFilters(filters),
              (QStringList{QStringLiteral("Bin文件 (*.bin)"), QStringLiteral("Hex File (*.hex *.ihex)"),
                           QStringLiteral("所有文件 (*)")}));
    EXPECT_EQ(NameFilters({FileFilter{u"", {u"*.ovpf"}}}), QStringList{QStringLiteral("*.ovpf (*.ovpf)")});
}

TEST(FileDialogs, SaveAppendsTheDefaultExtensionInTheInitialFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.filters = ParseFileFilter(u"工程文件(*.ovpf)|*.ovpf||");
    request.initialFolder = FromQString(dir.path());
    request.defaultExtension = u"ovpf";
    request.overwritePrompt = true;
    QString shownFolder;
    WhenModalShows([&](QWidget& modal) {
        auto& dialog = static_cast<QFileDialog&>(modal);
        shownFolder = dialog.directory().absolutePath();
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("工程1"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    const FileDialogResult result = RunFileDialog(request, nullptr);
    EXPECT_EQ(shownFolder, QDir(dir.path()).absolutePath());
    ASSERT_TRUE(result.accepted);
    ASSERT_EQ(result.paths.size(), 1u);
    EXPECT_EQ(ToQString(result.paths[0]), dir.filePath(QStringLiteral("工程1.ovpf")));
}

TEST(FileDialogs, OpenMatchesPatternsWithoutRegardToCaseAndCancelAnswersNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"APP.BIN", "notes.txt"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.filters = ParseFileFilter(u"Bin(*.bin)|*.bin||");
    request.initialFolder = FromQString(dir.path());
    request.fileMustExist = true;
    QStringList listed;
    WhenModalShows([&](QWidget& modal) {
        auto& dialog = static_cast<QFileDialog&>(modal);
        auto* model = dialog.findChild<QFileSystemModel*>();
        const QModelIndex root = model->index(dir.path());
        EXPECT_TRUE(QTest::qWaitFor([&] { return model->rowCount(root) > 0; }, 2000));
        QTest::qWait(50);  // the model lists in the background; give a wrongly matched file time to show up
        for (int row = 0; row < model->rowCount(root); ++row)
            listed << model->index(row, 0, root).data().toString();
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("APP.BIN"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    FileDialogResult result = RunFileDialog(request, nullptr);
    EXPECT_EQ(listed, QStringList{QStringLiteral("APP.BIN")});
    ASSERT_TRUE(result.accepted);
    EXPECT_EQ(ToQString(result.paths.at(0)), dir.filePath(QStringLiteral("APP.BIN")));

    WhenModalShows([](QWidget& modal) { static_cast<QDialog&>(modal).reject(); });
    result = RunFileDialog(request, nullptr);
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(result.paths.empty());
}

TEST(FileDialogs, FolderChooserAnswersAFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("输出")));
    FileDialogRequest request;
    request.kind = FileDialogKind::Folder;
    request.initialFolder = FromQString(dir.path());
    WhenModalShows([&](QWidget& modal) {
        auto& dialog = static_cast<QFileDialog&>(modal);
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("输出"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    const FileDialogResult result = RunFileDialog(request, nullptr);
    ASSERT_TRUE(result.accepted);
    EXPECT_EQ(ToQString(result.paths.at(0)), dir.filePath(QStringLiteral("输出")));
}

}  // namespace
}  // namespace fw::qt
