#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/ProgressWnd.h"
#include "framework/Profile.h"
#include "framework/Styles.h"
#include "framework/UiThread.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/framework/TempFolder.h"

namespace {

class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override {
        fw::SetProfileFolder(m_profile.Wide());
        ASSERT_TRUE(m_parent.CreateEx(nullptr, u"Offline project", fw::WS_POPUP | fw::WS_CAPTION | fw::WS_VISIBLE, 0,
                                      fw::Rect{100, 100, 500, 400}));
        m_parent.ShowWindow(fw::SW_SHOW);
    }
    void TearDown() override {
        fw::SetMainWindow(nullptr);
        fw::SetProfileFolder(u"");
    }

    // The program's main window, apart from the window the progress is shown over.
    void MakeMainWindow() {
        ASSERT_TRUE(m_main.CreateEx(nullptr, u"Main", fw::WS_POPUP | fw::WS_CAPTION | fw::WS_VISIBLE, 0,
                                    fw::Rect{0, 0, 800, 600}));
        fw::SetMainWindow(&m_main);
    }

    bool BroughtToFront(const fw::Window& window) const {
        for (const fw::Change& c : m_host.Changes()) {
            if (c.window == window.Handle() && c.kind == fw::ChangeKind::WindowForeground) return true;
        }
        return false;
    }

    // Every caption the window was given, in order.
    std::vector<fw::Text> Captions(const CProgressWnd& progress) const {
        std::vector<fw::Text> captions;
        for (const fw::Change& c : m_host.Changes()) {
            if (c.window == progress.Handle() && c.kind == fw::ChangeKind::WindowCaption) captions.push_back(c.text);
        }
        return captions;
    }

    fw::testing::TempFolder m_profile;
    fw::HeadlessHost m_host;
    fw::Window m_parent;
    fw::Window m_main;
};

// Its own light-blue background, the busy arrow and a place above other windows; Cancel brings the program's
// main window to the front, not the window the progress was shown over.
TEST_F(ProgressWindow, LooksBusyStaysOnTopAndCancelFrontsTheMainWindow) {
    MakeMainWindow();
    CProgressWnd progress(&m_parent, u"进度", 1);
    const fw::WindowState state = progress.State();
    EXPECT_TRUE(state.ownBackground);
    EXPECT_EQ(state.background, fw::Rgb(202, 225, 243));
    EXPECT_EQ(state.cursor, fw::Cursor::AppStarting);
    EXPECT_TRUE(state.exStyle & fw::WS_EX_TOPMOST);
    EXPECT_TRUE(progress.Click(CProgressWnd::kCancelButtonId));
    EXPECT_TRUE(BroughtToFront(m_main));
    EXPECT_FALSE(BroughtToFront(m_parent));
}

TEST_F(ProgressWindow, StepsShowThePercentageInTheCaptionOnlyWhenItChanges) {
    CProgressWnd progress(&m_parent, u"进度", 1);
    EXPECT_TRUE(progress.IsWindowVisible());
    EXPECT_EQ(progress.GetWindowText(), u"进度");
    EXPECT_TRUE(progress.GetDlgItem(CProgressWnd::kProgressBarId).GetStyle() & fw::PBS_SMOOTH);
    m_host.ClearRecords();

    progress.SetRange(0, 4);
    progress.SetStep(1);
    for (int i = 0; i < 4; ++i)
        progress.Advance();
    EXPECT_EQ(Captions(progress), (std::vector<fw::Text>{u"进度 [25%]", u"进度 [50%]", u"进度 [75%]", u"进度 [100%]"}));
    EXPECT_EQ(m_host.Positions(CProgressWnd::kProgressBarId), (std::vector<int>{1, 2, 3, 4}));

    m_host.ClearRecords();
    progress.SetRange(0, 1000);
    EXPECT_EQ(progress.SetPos(3), 4) << "the bar's previous position";
    progress.SetPos(5);  // still 0 %
    progress.SetPos(9);
    EXPECT_EQ(Captions(progress), (std::vector<fw::Text>{u"进度 [0%]"}));
}

TEST_F(ProgressWindow, FirstPositionAtZeroPercentAndEmptyRangeKeepThePlainTitle) {
    CProgressWnd progress(&m_parent, u"进度", 0);
    m_host.ClearRecords();
    progress.SetRange(0, 10);
    progress.SetPos(0);
    EXPECT_TRUE(Captions(progress).empty());

    progress.SetRange(7, 7);
    progress.SetPos(7);
    progress.SetPos(100);
    EXPECT_TRUE(Captions(progress).empty());
    EXPECT_EQ(progress.GetWindowText(), u"进度");
}

TEST_F(ProgressWindow, ExtremePositionsDoNotOverflowThePercentage) {
    CProgressWnd progress(&m_parent, u"进度", 1);
    progress.SetRange(-2000000000, 2000000000);
    progress.SetPos(2000000000);
    EXPECT_EQ(progress.GetWindowText(), u"进度 [100%]");
    progress.SetPos(0);
    EXPECT_EQ(progress.GetWindowText(), u"进度 [50%]");
}

TEST_F(ProgressWindow, StatusTextIsFormattedAndBounded) {
    CProgressWnd progress(&m_parent, u"进度", 1);
    const fw::Control text = progress.GetDlgItem(CProgressWnd::kStatusTextId);
    progress.SetText(u"正在删除项目，请稍后...");
    EXPECT_EQ(text.GetWindowText(), u"正在删除项目，请稍后...");
    progress.SetText(u"正在发送文件 %d/%d: %s", 2, 8, fw::Text(u"app.bin"));
    EXPECT_EQ(text.GetWindowText(), u"正在发送文件 2/8: app.bin");
    progress.SetText(u"100%");  // no arguments: a lone % is shown as it stands
    EXPECT_EQ(text.GetWindowText(), u"100%");
    progress.SetText(u"%s", fw::Text(2000, u'长'));
    EXPECT_EQ(text.GetWindowText(), fw::Text(511, u'长'));
}

TEST_F(ProgressWindow, ParentIsDisabledWhileTheWindowExists) {
    {
        CProgressWnd progress(&m_parent, u"进度", 1);
        EXPECT_FALSE(m_parent.IsWindowEnabled());
        EXPECT_EQ(g_pProgressReenableWnd, &m_parent);
        progress.OnCancel();
        EXPECT_FALSE(m_parent.IsWindowEnabled()) << "cancelling does not end the window";
    }
    EXPECT_TRUE(m_parent.IsWindowEnabled());
}

TEST_F(ProgressWindow, ControlsFitTheirWindowWithoutOverlapping) {
    CProgressWnd progress(&m_parent, u"进度", 1);
    const fw::Rect client = progress.GetClientRect();
    const fw::Rect text = progress.GetDlgItem(CProgressWnd::kStatusTextId).GetRect();
    const fw::Rect bar = progress.GetDlgItem(CProgressWnd::kProgressBarId).GetRect();
    const fw::Rect button = progress.GetDlgItem(CProgressWnd::kCancelButtonId).GetRect();
    for (const fw::Rect& r : {text, bar, button}) {
        EXPECT_GT(r.width, 0);
        EXPECT_GT(r.height, 0);
        EXPECT_GE(r.x, 0);
        EXPECT_LE(r.Right(), client.width);
        EXPECT_LE(r.Bottom(), client.height);
    }
    EXPECT_GE(text.height, 4 * 8) << "room for four lines";
    EXPECT_EQ(button.Right(), text.Right());
    EXPECT_GE(button.y, text.Bottom());
    EXPECT_LE(bar.Right(), button.x);
    EXPECT_EQ(progress.GetDlgItem(CProgressWnd::kCancelButtonId).GetWindowText(), u" Cancel ");
}

TEST_F(ProgressWindow, PositionIsKeptInTheProfile) {
    {
        CProgressWnd progress(&m_parent, u"进度", 1);
        const fw::Rect first = progress.GetWindowRect();
        // Without a saved position it is centred over its parent's top-level window.
        EXPECT_EQ(first.x, m_parent.GetWindowRect().x + (m_parent.GetWindowRect().width - first.width) / 2);
        progress.MoveWindow(fw::Rect{300, 200, first.width, first.height});
    }
    EXPECT_EQ(fw::GetProfileInt(u"Settings", u"X", -1), 300);
    EXPECT_EQ(fw::GetProfileInt(u"Settings", u"Y", -1), 200);

    CProgressWnd again(&m_parent, u"进度", 1);
    EXPECT_EQ(again.GetWindowRect().x, 300);
    EXPECT_EQ(again.GetWindowRect().y, 200);
}

TEST_F(ProgressWindow, SavedPositionOffTheScreenIsNotUsed) {
    struct Case {
        int x, y;
    };
    for (const Case& c : {Case{-1, -1}, Case{1920, 10}, Case{10, 1080}, Case{-5, 10}}) {
        fw::WriteProfileInt(u"Settings", u"X", c.x);
        fw::WriteProfileInt(u"Settings", u"Y", c.y);
        CProgressWnd progress(&m_parent, u"进度", 1);
        const fw::Rect r = progress.GetWindowRect();
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LT(r.Right(), 1920);
        EXPECT_LT(r.Bottom(), 1080);
        EXPECT_FALSE(r.x == c.x && r.y == c.y) << c.x << "," << c.y;
    }
}

// A long loop on the user-interface thread: the user's Esc (queued as other threads queue input) is handled
// inside PumpMessages, and the loop sees the cancellation after it.
TEST_F(ProgressWindow, EscapeDuringTheLoopCancelsAndHidesTheWindow) {
    MakeMainWindow();
    CProgressWnd progress(&m_parent, u"进度", 1);
    progress.SetRange(0, 1000);
    progress.SetStep(1);
    std::atomic<int> stepsDone{0};
    std::atomic<bool> escQueued{false};
    std::thread user([&] {
        while (stepsDone.load() < 10)
            std::this_thread::yield();
        fw::PostToUi([&] { progress.PressEscape(); });
        escQueued = true;
    });
    int steps = 0;
    for (; steps < 1000 && !progress.IsCancelled(); ++steps) {
        progress.Advance();
        stepsDone.store(steps + 1);
        // The tenth step waits for the Esc to be queued, so the step that must see it does not depend on how soon
        // a busy machine runs the user's thread.
        while (steps + 1 == 10 && !escQueued)
            std::this_thread::yield();
        progress.PumpMessages();
    }
    user.join();
    EXPECT_EQ(progress.IsCancelled(), 1);
    EXPECT_EQ(steps, 10) << "the Esc queued before the tenth step's pump ends the loop after it";
    EXPECT_FALSE(progress.IsWindowVisible());

    EXPECT_TRUE(BroughtToFront(m_main));

    progress.Advance();  // a later step shows it again
    EXPECT_TRUE(progress.IsWindowVisible());
}

TEST_F(ProgressWindow, CancelButtonCancels) {
    CProgressWnd progress(&m_parent, u"进度", 1);
    EXPECT_TRUE(progress.Click(CProgressWnd::kCancelButtonId));
    EXPECT_EQ(progress.IsCancelled(), 1);
    EXPECT_FALSE(progress.IsWindowVisible());
}

}  // namespace
