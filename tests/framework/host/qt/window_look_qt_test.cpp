// What the Qt host makes of a window's frame style, its own background and cursor, a place on top, and Qt's own
// texts in the interface language.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include "framework/Resources.h"
#include "framework/Styles.h"
#include "framework/Window.h"
#include "framework/host/qt/QtHost.h"
#include "framework/host/qt/QtTranslations.h"
#include "framework/host/qt/WindowFrame.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace fw::qt {
namespace {

class WindowLook : public ::testing::Test {
protected:
    WindowLook() { InstallHost(&m_host); }
    ~WindowLook() override { InstallHost(nullptr); }

    QWidget& Shown(Window& window, uint32_t style, uint32_t exStyle) {
        EXPECT_TRUE(
            window.CreateEx(nullptr, u"Window", WS_POPUP | WS_CAPTION | style, exStyle, Rect{50, 50, 320, 200}));
        window.ShowWindow(SW_SHOW);
        m_host.ApplyPendingChanges();
        return *m_host.WindowWidget(window.Handle());
    }

    QtHost m_host;
};

// A layout made for one size: without a sizing frame the window cannot be dragged to another, yet the program
// still moves and resizes it.
TEST_F(WindowLook, OnlyAWindowWithASizingFrameIsResizable) {
    Window fixed, sizable;
    QWidget& fixedFrame = Shown(fixed, 0, 0);
    QWidget& sizableFrame = Shown(sizable, WS_THICKFRAME, 0);
    EXPECT_EQ(fixedFrame.minimumSize(), fixedFrame.maximumSize());
    EXPECT_EQ(fixedFrame.size(), QSize(320, 200));
    EXPECT_NE(sizableFrame.minimumSize(), sizableFrame.maximumSize());

    fixed.MoveWindow(Rect{60, 60, 400, 240});
    m_host.ApplyPendingChanges();
    EXPECT_EQ(fixedFrame.size(), QSize(400, 240));
    EXPECT_EQ(fixedFrame.minimumSize(), fixedFrame.maximumSize());
}

TEST_F(WindowLook, BackgroundCursorAndTopmostReachTheWidget) {
    Window plain, busy;
    QWidget& plainFrame = Shown(plain, 0, 0);
    QWidget& busyFrame = Shown(busy, 0, WS_EX_TOPMOST);
    busy.SetBackgroundColor(Rgb(202, 225, 243));
    busy.SetCursor(Cursor::AppStarting);
    m_host.ApplyPendingChanges();

    EXPECT_TRUE(busyFrame.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(plainFrame.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(busyFrame.cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(plainFrame.cursor().shape(), Qt::ArrowCursor);
    const QWidget& client = static_cast<WindowFrame&>(busyFrame).Client();
    EXPECT_TRUE(client.autoFillBackground());
    EXPECT_EQ(client.palette().color(QPalette::Window), QColor(202, 225, 243));
    EXPECT_FALSE(static_cast<WindowFrame&>(plainFrame).Client().autoFillBackground());

    busy.SetCursor(Cursor::Arrow);
    m_host.ApplyPendingChanges();
    EXPECT_EQ(busyFrame.cursor().shape(), Qt::ArrowCursor);
}

// Qt's file dialog and buttons speak the interface language.
TEST(QtTranslations, FollowTheInterfaceLanguage) {
    const QString english = QStringLiteral("Look in:");
    ASSERT_TRUE(UseQtTranslations(kLangChinese));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), english);
    EXPECT_FALSE(UseQtTranslations(kLangEnglish));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), english);
}

}  // namespace
}  // namespace fw::qt
