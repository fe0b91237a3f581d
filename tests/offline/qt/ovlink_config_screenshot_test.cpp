// The offline downloader's configuration window (on its parameter page, read from a simulated downloader, and on
// its project page with a composed project), the device key dialog, the firmware upgrade dialog and the
// start-address dialog, drawn by the Qt host offscreen in Chinese and English: one picture each under the build
// folder, and the checks a person would make looking at them (every text fits its control, nothing overlaps).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QTableView>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "framework/host/qt/QtHost.h"
#include "linksim/LinkSim.h"
#include "offline/AddStarAddressDlg.h"
#include "offline/FirmwareUpgrade.h"
#include "offline/LinkSession.h"
#include "offline/OVLinkConfigTabDlg.h"
#include "offline/OfflineCommands.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/UpdateBootDlg.h"
#include "offline/UpdateDevKeyDlg.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/qt/QtMainWindow.h"
#include "tests/framework/host/qt/QtTestApp.h"
#include "tests/offline/ClosedUpdatePort.h"

namespace {

// A working directory with one simulated downloader, interface 4 chosen for the main window.
class LinkWorkdir {
    ClosedUpdatePort m_closedUpdatePort;

public:
    LinkWorkdir() : m_previous(EnterMainWindowWorkdir(m_dir)) {
        RegisterOfflineCommands();
        linksim::Reset();
        linksim::Plug();
        m_dir.Write("SysConfig.ini", "[dlparam]\ninterface=04\n");
        std::filesystem::copy_file(std::filesystem::path(QX_SOURCE_DIR) / "resources" / "Series CFG Table.ini",
                                   m_dir.Path() / "Series CFG Table.ini");
    }
    ~LinkWorkdir() {
        linksim::Reset();
        fw::SetResourceLanguage(fw::kLangChinese);
        fw::SetWorkingDirectory(m_previous);
    }

private:
    fw::testing::TempFolder m_dir;
    fw::Text m_previous;
};

// A window manager shows a title that is wider than the room beside the title bar's icon and buttons with its
// middle dropped: the title must fit the window.
void ExpectTitleFits(const QWidget& window) {
    constexpr int kTitleBarItems = 120;  // window icon, minimise, maximise and close buttons
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    EXPECT_LE(metrics.horizontalAdvance(window.windowTitle()) + kTitleBarItems, window.width())
        << window.windowTitle().toStdString();
}

// Draws what `make` builds over a main window of the language that has the simulated downloader connected;
// `inner` names the window inside it whose controls are checked too. Answers the caption.
QString Draw(uint32_t languageId, const QString& file,
             const std::function<std::unique_ptr<fw::Dialog>(CQXDownloadToolDlg&)>& make,
             const std::function<fw::Window*(fw::Dialog&)>& inner, const std::function<void(fw::Dialog&)>& prepare) {
    const LinkWorkdir workdir;
    QString caption;
    {
        QtMainWindow drawn(languageId);
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        // Connected as the Connect button would, without the window it opens modally.
        EXPECT_EQ(OpenLink(window), 1);
        EXPECT_EQ(ReadLinkInfo(window), 1);
        window.m_connected = 1;
        std::unique_ptr<fw::Dialog> dialog = make(window);
        EXPECT_TRUE(dialog->Create(&window));
        dialog->ShowWindow(fw::SW_SHOW);
        if (prepare) prepare(*dialog);
        host.ApplyPendingChanges();
        QApplication::processEvents();
        QApplication::processEvents();
        for (fw::Window* w : {static_cast<fw::Window*>(dialog.get()), inner(*dialog)}) {
            if (!w) continue;
            QWidget* widget = host.WindowWidget(w->Handle());
            EXPECT_NE(widget, nullptr);
            if (!widget) continue;
            if (w == dialog.get()) {
                caption = widget->windowTitle();
                ExpectTitleFits(*widget);
            }
            fw::qt::testing::ExpectTextsFitAndNothingOverlaps(*widget);
            // A list filled while its page was hidden still shows its headings and rows.
            for (const QTableView* list : widget->findChildren<QTableView*>()) {
                if (list->model()->rowCount() == 0) continue;
                EXPECT_GT(list->horizontalHeader()->height(), 0);
                EXPECT_GT(list->visualRect(list->model()->index(0, 0)).height(), 0);
            }
        }
        const QString path = fw::qt::testing::PictureFolder() + "/" + file;
        EXPECT_TRUE(host.SaveWindowPng(dialog->Handle(), path));
        EXPECT_FALSE(QImage(path).isNull());
        dialog.reset();
    }
    return caption;
}

struct Row {
    const char* file;
    uint32_t language;
    QString caption;
    std::function<std::unique_ptr<fw::Dialog>(CQXDownloadToolDlg&)> make;
    std::function<fw::Window*(fw::Dialog&)> inner;
    std::function<void(fw::Dialog&)> prepare;
};

// The project page as a user leaves it after composing: a chip, a name, a limit, three files on two partitions.
void ComposeProject(fw::Dialog& d) {
    auto& tabs = static_cast<COVLinkConfigTabDlg&>(d);
    EXPECT_TRUE(tabs.Select(IDC_OVLINK_TAB, 1));
    COVLinkProjectDlg& page = tabs.m_projectPage;
    EXPECT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK517"));
    EXPECT_TRUE(page.Select(IDC_OVPROJ_INTERFACE, 1));
    EXPECT_TRUE(page.EnterText(IDC_OVPROJ_NAME, u"Line 7"));
    EXPECT_TRUE(page.Tick(IDC_OVPROJ_LIMIT_ON, true));
    EXPECT_TRUE(page.EnterText(IDC_OVPROJ_LIMIT, u"5000"));
    fw::Control list = page.GetDlgItem(IDC_OVPROJ_FILES);
    const std::array<std::array<const char16_t*, 5>, 3> rows = {{
        {u"1", u"boot.bin", u"8192", u"08000000-08001FFF", u"0"},
        {u"2", u"app.hex", u"40960", u"08002000-0800BFFF", u"0"},
        {u"3", u"user.enc", u"4096", u"0801C000-0801CFFF", u"2"},
    }};
    for (int i = 0; i < 3; ++i) {
        list.InsertItem(i, rows[i][0]);
        for (int column = 1; column < 5; ++column)
            list.SetItemText(i, column, rows[i][column]);
    }
}

// The start-address dialog of a project placed per partition, USER1 and USER3 configured.
void PartitionedSettings() {
    OfflineProjectSettings& s = ProjectSettings();
    s.partitionMode = 1;
    s.seriesCode = 0;
    s.flashSizeKB = 128;
    s.partitionConfigured = {kProjectMarkerValid, kProjectMarkerAbsent, kProjectMarkerValid};
    s.partitionSize = {0, 0, 1};
}

TEST(OfflineDownloaderPictures, BothLanguages) {
    const auto config = [](CQXDownloadToolDlg& w) { return std::make_unique<COVLinkConfigTabDlg>(w); };
    const auto page = [](fw::Dialog& d) -> fw::Window* { return &static_cast<COVLinkConfigTabDlg&>(d).m_paramPage; };
    const auto key = [](CQXDownloadToolDlg& w) { return std::make_unique<CUpdateDevKeyDlg>(&w); };
    const auto none = [](fw::Dialog&) -> fw::Window* { return nullptr; };
    // The firmware upgrade as the menu entry opens it: the user still has to pick a file.
    const auto upgrade = [](CQXDownloadToolDlg& w) {
        w.m_firmwareUpdateOnline = 0;
        return std::make_unique<CUpdateBootDlg>(&w);
    };
    // Halfway through an upgrade the caption shows its progress.
    const auto upgrading = [](fw::Dialog& d) { d.SetWindowText(FirmwareUpgrade::ProgressCaption(37, 100)); };
    const auto projectPage = [](fw::Dialog& d) -> fw::Window* {
        return &static_cast<COVLinkConfigTabDlg&>(d).m_projectPage;
    };
    const auto start = [](CQXDownloadToolDlg& w) {
        PartitionedSettings();
        return std::make_unique<CAddStarAddressDlg>(0x08000000, &w);
    };
    const Row rows[] = {
        {"ovlink_config_zh.png", 2052, QStringLiteral("离线下载器配置"), config, page, nullptr},
        {"ovlink_config_en.png", 1033, QStringLiteral("Offline downloader configuration"), config, page, nullptr},
        {"update_dev_key_zh.png", 2052, QStringLiteral("更新设备密钥"), key, none, nullptr},
        {"update_dev_key_en.png", 1033, QStringLiteral("Update device key"), key, none, nullptr},
        {"update_boot_zh.png", 2052, QStringLiteral("下载器固件升级"), upgrade, none, nullptr},
        {"update_boot_en.png", 1033, QStringLiteral("Downloader firmware upgrade"), upgrade, none, nullptr},
        {"update_boot_upgrading_zh.png", 2052, QStringLiteral(" 正在升级固件，请勿关闭窗口... 37%"), upgrade, none,
         upgrading},
        {"update_boot_upgrading_en.png", 1033, QStringLiteral("Upgrading firmware, do not close... 37%"), upgrade, none,
         upgrading},
        {"ovlink_project_zh.png", 2052, QStringLiteral("离线下载器配置"), config, projectPage, ComposeProject},
        {"ovlink_project_en.png", 1033, QStringLiteral("Offline downloader configuration"), config, projectPage,
         ComposeProject},
        {"add_start_address_zh.png", 2052, QStringLiteral("添加起始地址"), start, none, nullptr},
        {"add_start_address_en.png", 1033, QStringLiteral("Add Start Address"), start, none, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        EXPECT_EQ(Draw(r.language, r.file, r.make, r.inner, r.prepare), r.caption);
    }
}

// What a user sees: OV-Link-Pro chosen, Connect pressed; the configuration window comes up over the main window
// on its project page, and once it is closed the log shows the downloader's identity.
TEST(OfflineDownloaderPictures, ConnectShowsTheIdentityAndOpensTheConfiguration) {
    const LinkWorkdir workdir;
    {
        QtMainWindow drawn(2052);
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        bool configShown = false;
        fw::qt::testing::WhenModal(
            [](QWidget& w) { return w.windowTitle() == QStringLiteral("离线下载器配置"); },
            [&](QWidget& w) {
                configShown = true;
                EXPECT_NE(fw::qt::testing::ButtonWithText(w, QStringLiteral("保存项目到下载器")), nullptr);
                EXPECT_EQ(fw::qt::testing::ButtonWithText(w, QStringLiteral("保存设备参数")), nullptr);
                EXPECT_TRUE(w.grab().save(fw::qt::testing::PictureFolder() + "/ovlink_after_connect_zh.png"));
                w.close();
            });
        window.Click(IDC_BTN_CONNECT);
        EXPECT_TRUE(configShown);
        EXPECT_EQ(window.m_connected, 1);
        host.ApplyPendingChanges();
        QApplication::processEvents();
        EXPECT_TRUE(host.SaveWindowPng(window.Handle(),
                                       fw::qt::testing::PictureFolder() + "/main_window_link_connected_zh.png"));
        EXPECT_EQ(window.m_linkFirmwareVersion, u"3.1.6");
        window.Click(IDC_BTN_CONNECT);
    }
}

}  // namespace
