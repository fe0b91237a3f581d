#include <gtest/gtest.h>

#include <QMessageBox>
#include <atomic>
#include <thread>

#include "core/MessageBoxEx.h"
#include "framework/Resources.h"
#include "framework/Styles.h"
#include "tests/core/qt/QtHostFixture.h"

namespace {

class ProgramMessageBoxQt : public qx::testing::QtHostFixture {
protected:
    ~ProgramMessageBoxQt() override { g_bEnglishUi = 0; }
};

// Pictures of both languages: <build>/screenshots/message_box_en.png and message_box_zh.png.
TEST_F(ProgramMessageBoxQt, CaptionAndButtonsFollowTheInterfaceLanguage) {
    struct Case {
        int english;
        int resourceLanguage;
        const char16_t* text;
        uint32_t style;
        QString press;
        int answer;
        QString caption;
        QStringList buttons;
        const char* picture;
    };
    const Case cases[] = {
        {1,
         0x409,
         u"Erase the whole chip? Everything in the flash will be lost.",
         fw::MB_YESNO | fw::MB_ICONQUESTION,
         "&No",
         fw::IDNO,
         "Tip",
         {"&No", "&Yes"},
         "message_box_en.png"},
        {0,
         0x804,
         u"请先连接设备！",
         fw::MB_OKCANCEL | fw::MB_ICONEXCLAMATION,
         QStringLiteral("确定"),
         fw::IDOK,
         QStringLiteral("提示"),
         {QStringLiteral("取消"), QStringLiteral("确定")},
         "message_box_zh.png"},
    };
    for (const Case& c : cases) {
        g_bEnglishUi = c.english;
        fw::SetResourceLanguage(c.resourceLanguage);
        QString caption;
        QStringList buttons;
        bool saved = false;
        WhenBoxShows([&](QMessageBox& box) {
            caption = box.windowTitle();
            buttons = ButtonTexts(box);
            saved = Save(box, c.picture);
            Button(box, c.press)->click();
        });
        EXPECT_EQ(CMessageBoxEx().MessageBox(nullptr, c.text, c.style), c.answer) << c.picture;
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_TRUE(saved) << c.picture;
    }
}

TEST_F(ProgramMessageBoxQt, AbortRetryIgnoreKeepTheirLabelsInEnglish) {
    g_bEnglishUi = 1;
    fw::SetResourceLanguage(0x409);
    QStringList buttons;
    WhenBoxShows([&](QMessageBox& box) {
        buttons = ButtonTexts(box);
        Button(box, "&Retry")->click();
    });
    EXPECT_EQ(CMessageBoxEx().MessageBox(nullptr, u"Download failed.", fw::MB_ABORTRETRYIGNORE), fw::IDRETRY);
    EXPECT_EQ(buttons, (QStringList{"&Abort", "&Ignore", "&Retry"}));
}

// A worker's question comes up while the user-interface thread's box is still open; each keeps its own buttons.
TEST_F(ProgramMessageBoxQt, WorkerBoxOverAnOpenBoxKeepsEachBoxsButtons) {
    g_bEnglishUi = 1;
    fw::SetResourceLanguage(0x409);
    std::atomic<int> workerAnswer{0};
    std::thread worker;
    QStringList firstButtons, secondButtons, firstButtonsLater;
    WhenBoxShows([&](QMessageBox& first) {
        firstButtons = ButtonTexts(first);
        worker = std::thread(
            [&] { workerAnswer = CMessageBoxEx().MessageBox(nullptr, u"Lift read protection?", fw::MB_OKCANCEL); });
        QMessageBox* firstBox = &first;
        WhenBoxShows(
            [&, firstBox](QMessageBox& second) {
                secondButtons = ButtonTexts(second);
                firstButtonsLater = ButtonTexts(*firstBox);
                Button(second, "&Cancel")->click();
                // The first box is answered once the worker has its answer.
                Poll([&, firstBox] {
                    if (workerAnswer.load() == 0) return false;
                    Button(*firstBox, "&Yes")->click();
                    return true;
                });
            },
            firstBox);
    });
    const int answer = CMessageBoxEx().MessageBox(nullptr, u"Connect the chip?", fw::MB_YESNO);
    worker.join();
    EXPECT_EQ(answer, fw::IDYES);
    EXPECT_EQ(workerAnswer.load(), fw::IDCANCEL);
    EXPECT_EQ(firstButtons, (QStringList{"&No", "&Yes"}));
    EXPECT_EQ(secondButtons, (QStringList{"&Cancel", "&OK"}));
    EXPECT_EQ(firstButtonsLater, firstButtons);
}

}  // namespace
