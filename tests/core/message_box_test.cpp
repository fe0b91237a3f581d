#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "core/MessageBoxEx.h"
#include "framework/Window.h"
#include "framework/host/headless/HeadlessHost.h"

namespace {

using Labels = std::vector<std::pair<int, fw::Text>>;

class ProgramMessageBox : public ::testing::Test {
protected:
    void TearDown() override { g_bEnglishUi = 0; }

    fw::HeadlessHost m_host;
    CMessageBoxEx m_box;
};

TEST_F(ProgramMessageBox, CaptionAndButtonLabelsFollowTheInterfaceLanguage) {
    struct Case {
        int english;
        uint32_t style;
        int answer;
        const char16_t* caption;
        Labels labels;
    };
    const Case cases[] = {
        {1, fw::MB_YESNO | fw::MB_ICONQUESTION, fw::IDNO, u"Tip", {{fw::IDYES, u"&Yes"}, {fw::IDNO, u"&No"}}},
        {1, fw::MB_OKCANCEL, fw::IDCANCEL, u"Tip", {{fw::IDOK, u"&OK"}, {fw::IDCANCEL, u"&Cancel"}}},
        {1, 0, fw::IDOK, u"Tip", {{fw::IDOK, u"&OK"}}},
        {1,
         fw::MB_YESNOCANCEL,
         fw::IDYES,
         u"Tip",
         {{fw::IDYES, u"&Yes"}, {fw::IDNO, u"&No"}, {fw::IDCANCEL, u"&Cancel"}}},
        {1, fw::MB_RETRYCANCEL, fw::IDRETRY, u"Tip", {{fw::IDCANCEL, u"&Cancel"}}},  // Retry keeps its label
        {1, fw::MB_ABORTRETRYIGNORE, fw::IDIGNORE, u"Tip", {}},
        {0, fw::MB_YESNO, fw::IDYES, u"提示", {}},
        {0, fw::MB_OKCANCEL, fw::IDOK, u"提示", {}},
        {2, fw::MB_YESNO, fw::IDYES, u"提示", {}},  // only 1 means English
        {-1, 0, fw::IDOK, u"提示", {}},
    };
    for (const Case& c : cases) {
        g_bEnglishUi = c.english;
        m_host.ClearRecords();
        m_host.ExpectBox(u"请先连接设备！", c.answer);
        EXPECT_EQ(m_box.MessageBox(nullptr, u"请先连接设备！", c.style), c.answer);
        ASSERT_EQ(m_host.Boxes().size(), 1u);
        const fw::HeadlessHost::BoxRecord box = m_host.Boxes()[0];
        EXPECT_EQ(box.caption, c.caption) << c.english << " " << c.style;
        EXPECT_EQ(box.style, c.style) << "the style goes through unchanged";
        EXPECT_EQ(box.labels, c.labels) << c.english << " " << c.style;
    }
}

TEST_F(ProgramMessageBox, OwnedBoxAnswersThePressedButton) {
    fw::Window owner;
    ASSERT_TRUE(owner.CreateEx(nullptr, u"Owner", fw::WS_POPUP | fw::WS_CAPTION, 0, fw::Rect{0, 0, 200, 100}));
    g_bEnglishUi = 1;
    m_host.ExpectBox(u"确定要擦除吗？", fw::IDYES);
    EXPECT_EQ(m_box.MessageBox(&owner, u"确定要擦除吗？", fw::MB_YESNO | fw::MB_DEFBUTTON2), fw::IDYES);
}

TEST_F(ProgramMessageBox, WorkerBoxIsAskedOfTheUserInterfaceAndBlocksOnlyTheWorker) {
    g_bEnglishUi = 1;
    m_host.ExpectBox(u"界面的问题", fw::IDNO);
    m_host.ExpectBox(u"工作线程的问题", fw::IDCANCEL);
    EXPECT_EQ(m_box.MessageBox(nullptr, u"界面的问题", fw::MB_YESNO), fw::IDNO);

    int workerAnswer = 0;
    bool workerDone = false;
    std::thread worker([&] {
        workerAnswer = CMessageBoxEx().MessageBox(nullptr, u"工作线程的问题", fw::MB_OKCANCEL);
        workerDone = true;
    });
    EXPECT_TRUE(m_host.PumpUntil([&] { return m_host.Boxes().size() == 2; }));
    worker.join();
    EXPECT_TRUE(workerDone);
    EXPECT_EQ(workerAnswer, fw::IDCANCEL);

    const std::vector<fw::HeadlessHost::BoxRecord> boxes = m_host.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].fromUiThread);
    EXPECT_FALSE(boxes[1].fromUiThread);
    EXPECT_EQ(boxes[1].caption, u"Tip");
    EXPECT_EQ(boxes[1].labels, (Labels{{fw::IDOK, u"&OK"}, {fw::IDCANCEL, u"&Cancel"}}));
    EXPECT_EQ(boxes[0].labels, (Labels{{fw::IDYES, u"&Yes"}, {fw::IDNO, u"&No"}}));
}

}  // namespace
