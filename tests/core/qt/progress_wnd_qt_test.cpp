#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include "core/ProgressWnd.h"
#include "framework/Profile.h"
#include "framework/Styles.h"
#include "tests/core/qt/QtHostFixture.h"
#include "tests/framework/TempFolder.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace {

class ProgressWindowQt : public qx::testing::QtHostFixture {
protected:
    ProgressWindowQt() { fw::SetProfileFolder(m_profile.Wide()); }
    ~ProgressWindowQt() override { fw::SetProfileFolder(u""); }

    fw::testing::TempFolder m_profile;
};

TEST_F(ProgressWindowQt, DrawsTextBarPercentageAndCancel) {
    fw::Window parent;
    ASSERT_TRUE(
        parent.CreateEx(nullptr, u"Offline project", fw::WS_POPUP | fw::WS_CAPTION, 0, fw::Rect{100, 100, 500, 400}));
    parent.ShowWindow(fw::SW_SHOW);
    {
        CProgressWnd progress(&parent, u"进度", 1);
        progress.SetRange(0, 5);
        progress.SetStep(1);
        progress.SetText(u"正在发送项目文件 %d/%d...", 2, 5);
        progress.Advance();
        progress.Advance();
        progress.PumpMessages();
        m_host.ApplyPendingChanges();

        QWidget* window = m_host.WindowWidget(progress.Handle());
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("进度 [40%]"));
        EXPECT_FALSE(m_host.WindowWidget(parent.Handle())->isEnabled());

        const auto* bar = window->findChild<QProgressBar*>();
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->value(), 2);
        EXPECT_EQ(bar->maximum(), 5);
        bool textShown = false;
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            textShown |= label->text() == QStringLiteral("正在发送项目文件 2/5...");
        }
        EXPECT_TRUE(textShown);
        EXPECT_TRUE(m_host.SaveWindowPng(progress.Handle(), fw::qt::testing::PictureFolder() + "/progress_window.png"));

        // The user presses Cancel on the drawn window while its owner is disabled.
        QPushButton* cancel = nullptr;
        for (QPushButton* button : window->findChildren<QPushButton*>()) {
            if (button->text().trimmed() == "Cancel") cancel = button;
        }
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
        progress.PumpMessages();
        EXPECT_EQ(progress.IsCancelled(), 1);
        m_host.ApplyPendingChanges();
        EXPECT_FALSE(window->isVisible());
    }
    m_host.ApplyPendingChanges();
    EXPECT_TRUE(m_host.WindowWidget(parent.Handle())->isEnabled());
}

}  // namespace
