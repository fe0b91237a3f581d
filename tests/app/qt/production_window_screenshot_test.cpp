// The production window drawn by the Qt host, offscreen, with eight simulated chips halfway through their download:
// the rows as the operator watches them, folded and unfolded, in both languages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <chrono>
#include <string>
#include <thread>

#include "app/DownloadCounters.h"
#include "framework/host/qt/QtHost.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/app/qt/PictureChecks.h"
#include "tests/app/qt/QtMainWindow.h"
#include "tests/app/qt/ShownPanes.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace {

constexpr int kRowBar[8] = {IDC_ROW1_PROGRESS, IDC_ROW2_PROGRESS, IDC_ROW3_PROGRESS, IDC_ROW4_PROGRESS,
                            IDC_ROW5_PROGRESS, IDC_ROW6_PROGRESS, IDC_ROW7_PROGRESS, IDC_ROW8_PROGRESS};
constexpr int kRowEdit[8] = {IDC_ROW1_EDIT, IDC_ROW2_EDIT, IDC_ROW3_EDIT, IDC_ROW4_EDIT,
                             IDC_ROW5_EDIT, IDC_ROW6_EDIT, IDC_ROW7_EDIT, IDC_ROW8_EDIT};
constexpr int kRowText[8] = {IDC_ROW1_TEXT, IDC_ROW2_TEXT, IDC_ROW3_TEXT, IDC_ROW4_TEXT,
                             IDC_ROW5_TEXT, IDC_ROW6_TEXT, IDC_ROW7_TEXT, IDC_ROW8_TEXT};

struct Picture {
    QImage image;
    std::vector<fw::ControlState> controls;
    std::vector<ShownPane> panes;
    bool midDownload = false;  // every bar had moved and none was full when it was taken
};

bool PumpUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool Idle() {
    fw::ScopedLock lock(g_csCounters);
    return g_activeWorkers == 0;
}

// Production mode with the HEX file chosen, as Browse leaves it.
void EnterProductionWith(CQXDownloadToolDlg& window, const fw::Text& hexPath) {
    window.SendCommand(ID_PRODUCTION_MODE);
    window.m_fileExt = u"hex";
    EXPECT_TRUE(window.LoadHexFile(hexPath, 0));
    window.SetDlgItemText(IDC_EDIT_FILE, hexPath);
}

Picture DrawEightRowsDownloading(uint32_t languageId, const QString& file, bool unfold) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    // A line that has been running for a while: counts of several digits.
    dir.Write("SysConfig.ini", "[dlparam]\ninterface=03\ntotal=13023\npass=12345\nfail=678\n");
    dir.Write("Series CFG Table.ini", "CLASS=VK51x\nCLASS=VK42x\n");
    dir.Write("app.hex", hexfile::Text({{0x08000000, hexfile::Pattern(0x10000)}}));
    for (int n = 0; n < 8; ++n) {
        ovsim::ChipSpec chip;
        chip.series = 0;
        ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, "07000001" + std::to_string(10 + n), chip);
    }

    Picture picture;
    {
        QtMainWindow drawn(languageId);
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        EnterProductionWith(window, dir.Wide("app.hex"));
        ovsim::SetLinkSpeed(60000);
        window.Click(IDC_BTN_PRODUCTION_DOWNLOAD);
        if (unfold) window.Click(IDC_BTN_HIDE);
        const auto bar = [&](int n) { return window.GetDlgItem(kRowBar[n]); };
        const bool started = PumpUntil(
            [&] {
                for (int n = 0; n < 8; ++n) {
                    if (bar(n).GetPos() * 3 < bar(n).GetRangeUpper()) return false;
                }
                return true;
            },
            std::chrono::seconds(20));
        window.SendMessage(fw::WM_TIMER, TIMER_CLOCK);  // the clock as it reads once it ticks, whatever the load
        host.ApplyPendingChanges();
        QApplication::processEvents();
        picture.midDownload = started;
        for (int n = 0; n < 8; ++n) {
            if (bar(n).GetPos() >= bar(n).GetRangeUpper()) picture.midDownload = false;
        }
        const QString path = fw::qt::testing::PictureFolder() + "/" + file;
        EXPECT_TRUE(host.SaveWindowPng(window.Handle(), path));
        picture.image = QImage(path);
        picture.controls = window.Controls();
        picture.panes = ShownPanes(host, window);
        ovsim::SetLinkSpeed(0);
        // The workers wait on the window's progress messages: the window runs until the last one is done.
        EXPECT_TRUE(PumpUntil(Idle, std::chrono::seconds(30)));
        for (int n = 0; n < 8; ++n)
            EXPECT_NE(window.GetDlgItemText(kRowText[n]).find(u"--07000001"), fw::Text::npos);
    }
    fw::SetResourceLanguage(fw::kLangChinese);
    fw::SetWorkingDirectory(previous);
    return picture;
}

void CheckPicture(const Picture& p) {
    ASSERT_FALSE(p.image.isNull());
    EXPECT_TRUE(p.midDownload);
    EXPECT_GT(p.image.height(), 400);
    ExpectNoVisibleControlsOverlap(p.controls);
    ExpectCountsAndClockWhole(p.panes);
}

TEST(ProductionWindowPicture, ChineseFoldedMidDownload) {
    const Picture p = DrawEightRowsDownloading(2052, "production_window_zh.png", false);
    CheckPicture(p);
    EXPECT_LT(p.image.width(), 600);  // the settings panel is folded away
}

TEST(ProductionWindowPicture, EnglishFoldedMidDownload) {
    const Picture p = DrawEightRowsDownloading(1033, "production_window_en.png", false);
    CheckPicture(p);
}

TEST(ProductionWindowPicture, ChineseUnfoldedMidDownload) {
    const Picture p = DrawEightRowsDownloading(2052, "production_window_unfolded_zh.png", true);
    CheckPicture(p);
    EXPECT_GT(p.image.width(), 600);
}

// The characters a line edit shows between its left and right edge, as it was last painted.
QString ShownText(QLineEdit& line) {
    const QRect inside = line.contentsRect();
    const int first = line.cursorPositionAt(QPoint(inside.left() + 1, inside.center().y()));
    const int last = line.cursorPositionAt(QPoint(inside.right() - 1, inside.center().y()));
    return line.text().mid(first, last - first);
}

// A refusal longer than its row: the operator reads its start, where the cause is named, and the whole of it in the
// row's tooltip; a row that fits has no tooltip.
TEST(ProductionWindowPicture, EnglishRowShowsTheStartOfALongFailure) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    dir.Write("SysConfig.ini", "[dlparam]\ninterface=00\n");
    dir.Write("Series CFG Table.ini", "CLASS=VK51x\nCLASS=VK203\n");
    dir.Write("app.hex", hexfile::Text({{0x08000000, hexfile::Pattern(0x400)}}));
    // VK203 chips on the serial boot loader keep their first 3 KB for the boot loader.
    for (const char* name : {"/dev/ttyUSB0", "/dev/ttyUSB1"}) {
        ovsim::ChipSpec chip;
        chip.series = 7;
        ovsim::Attach(OV_IFACE_USART, name, chip);
    }
    const fw::Text refusal =
        u"The download start address is out of range! On VK203 chips the first 3K hold the boot loader; the user area "
        u"starts at 0x08000C00!";
    {
        QtMainWindow drawn(1033);
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        ASSERT_TRUE(window.Create());
        EnterProductionWith(window, dir.Wide("app.hex"));
        window.Click(IDC_BTN_PRODUCTION_DOWNLOAD);
        EXPECT_TRUE(PumpUntil(Idle, std::chrono::seconds(30)));
        EXPECT_EQ(window.GetDlgItemText(kRowEdit[0]), refusal);
        window.SetDlgItemText(kRowEdit[1], u"Ready...");
        const QString path = fw::qt::testing::PictureFolder() + "/production_window_refused_en.png";
        EXPECT_TRUE(host.SaveWindowPng(window.Handle(), path));
        EXPECT_FALSE(QImage(path).isNull());

        auto* cut =
            qobject_cast<QLineEdit*>(host.ControlWidget(window.Handle(), window.GetDlgItem(kRowEdit[0]).Index()));
        ASSERT_NE(cut, nullptr);
        const QString shown = ShownText(*cut);
        EXPECT_GT(shown.size(), 10);
        EXPECT_LT(shown.size(), cut->text().size());
        EXPECT_TRUE(QString::fromStdU16String(refusal).startsWith(shown)) << shown.toStdString();
        EXPECT_EQ(cut->toolTip().toStdU16String(), refusal);

        auto* fits =
            qobject_cast<QLineEdit*>(host.ControlWidget(window.Handle(), window.GetDlgItem(kRowEdit[1]).Index()));
        ASSERT_NE(fits, nullptr);
        EXPECT_EQ(ShownText(*fits), QStringLiteral("Ready..."));
        EXPECT_TRUE(fits->toolTip().isEmpty());
    }
    fw::SetResourceLanguage(fw::kLangChinese);
    fw::SetWorkingDirectory(previous);
}

}  // namespace
