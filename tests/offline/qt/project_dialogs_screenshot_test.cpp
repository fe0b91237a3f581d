// The offline project's setup, serial-number, partition and chip-key dialogs drawn by the Qt host offscreen in
// Chinese and English, each over settings that show most of its controls: one picture each under the build
// folder, and the checks a person would make looking at them (every text fits, nothing overlaps).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "framework/Resources.h"
#include "framework/host/qt/QtHost.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/PartitionCFGLinkDlg.h"
#include "offline/ProjectFileCFGDlg.h"
#include "offline/UpdateChipKeyDlg.h"
#include "offline/WriteSNDlg.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/qt/PictureChecks.h"
#include "tests/app/qt/QtMainWindow.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace {

struct Row {
    std::string file;
    int language;
    fw::Text caption;
    std::function<std::unique_ptr<fw::Dialog>()> make;
    const char16_t* units = nullptr;  // the partition dialog's USER1 label
};

// Over a main window of the language, which loads the catalog the dialogs' messages and labels come from.
void Draw(const Row& row) {
    fw::testing::TempFolder dir;
    const fw::Text previous = EnterMainWindowWorkdir(dir);
    {
        QtMainWindow drawn(static_cast<uint32_t>(row.language));
        fw::qt::QtHost& host = drawn.host;
        CQXDownloadToolDlg& window = drawn.window;
        EXPECT_TRUE(window.Create());
        const std::unique_ptr<fw::Dialog> dialog = row.make();
        EXPECT_TRUE(dialog->Create(&window));
        dialog->ShowWindow(fw::SW_SHOW);
        host.ApplyPendingChanges();
        QApplication::processEvents();
        if (QWidget* widget = host.WindowWidget(dialog->Handle())) {
            fw::qt::testing::ExpectTextsFitAndNothingOverlaps(*widget);
        } else {
            ADD_FAILURE() << "no widget";
        }
        ExpectNoVisibleControlsOverlap(dialog->Controls());
        if (row.units) {
            EXPECT_EQ(dialog->GetDlgItemText(IDC_PART_UNITS1), row.units);
        }
        EXPECT_EQ(dialog->GetWindowText(), row.caption);
        const QString path = fw::qt::testing::PictureFolder() + "/" + QString::fromStdString(row.file);
        EXPECT_TRUE(host.SaveWindowPng(dialog->Handle(), path));
        EXPECT_FALSE(QImage(path).isNull());
        dialog->DestroyWindow();
    }
    fw::SetResourceLanguage(fw::kLangChinese);
    fw::SetWorkingDirectory(previous);
}

TEST(OfflineProjectDialogPictures, BothLanguages) {
    OfflineProjectSettings& settings = ProjectSettings();
    settings = OfflineProjectSettings{};
    // Series 0 with all three partitions: every row control shows, the labels hold the longest unit texts.
    settings.seriesCode = 0;
    settings.flashSizeKB = 4096;
    settings.partitionsEditable = 1;
    settings.partitionConfigured = {0xA5A5A5A5, 0xA5A5A5A5, 0xA5A5A5A5};
    settings.partitionSize = {0xC0, 0x20, 0x20};
    settings.partitionFlags = {0x11, 0x10, 0x01};
    settings.partitionKeyId = {3, 4, 5};
    settings.snEditable = 1;
    settings.snAddress = 0x0800F000;
    settings.snInitial = 1;
    settings.snStep = 1;
    const auto setup = [] { return std::make_unique<CProjectFileCFGDlg>(); };
    const auto serial = [] { return std::make_unique<CWriteSNDlg>(); };
    const auto partitions = [] { return std::make_unique<CPartitionCFGLinkDlg>(); };
    const auto keys = [] {
        return std::make_unique<CUpdateChipKeyDlg>(nullptr, ChipKeyCaller::OfflineProjectPage,
                                                   u"4F564C494E4B50524F00000000000001");
    };
    const Row rows[] = {
        {"project_setup_zh.png", fw::kLangChinese, u"项目设置", setup},
        {"project_setup_en.png", fw::kLangEnglish, u"Project setup", setup},
        {"write_sn_zh.png", fw::kLangChinese, u"写入序列号", serial},
        {"write_sn_en.png", fw::kLangEnglish, u"Write SN", serial},
        {"partition_cfg_link_zh.png", fw::kLangChinese, u"配置分区", partitions, u"(3072KB)(最小单位16K)"},
        {"partition_cfg_link_en.png", fw::kLangEnglish, u"Configuration partition", partitions,
         u"(3072KB)(minimum unit 16K)"},
        {"update_chip_key_zh.png", fw::kLangChinese, u"更新芯片密钥", keys},
        {"update_chip_key_en.png", fw::kLangEnglish, u"Update chip key", keys},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        Draw(row);
    }
    settings = OfflineProjectSettings{};
}

}  // namespace
