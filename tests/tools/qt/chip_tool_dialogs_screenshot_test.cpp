// The run-address dialog, the external flash key dialog and the chip-series chooser drawn by the Qt host,
// offscreen, in Chinese and English: one picture each under the build folder, and the checks a person would make
// looking at them (every text fits its control, nothing overlaps).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QWidget>
#include <functional>

#include "devicelib/OvMcuSim.h"
#include "framework/UiThread.h"
#include "framework/host/qt/QtHost.h"
#include "resources/ui/read_flash.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/framework/host/qt/QtTestApp.h"
#include "tests/tools/qt/ToolDialogPicture.h"
#include "tools/AppGoDlg.h"
#include "tools/ExtOptDlg.h"
#include "tools/FlashDlg.h"
#include "tools/PartitionDownloadConfigDlg.h"
#include "tools/ReadFlashDlg.h"
#include "tools/SelectChipSeriesDlg.h"
#include "tools/SetExtFlashKeyDlg.h"
#include "tools/SetOtpDlg.h"
#include "tools/SetParttionDlg.h"
#include "tools/UpdateKeyDlg.h"

namespace {

// The viewer reads while it is drawn: it is drawn once its bytes and CRC are there.
QString Draw(uint32_t languageId, const QString& file, const MakeToolDialog& make) {
    return DrawToolDialog(languageId, file, make, [](fw::Dialog& dialog) {
        const bool viewer = dynamic_cast<CFlashDlg*>(&dialog) != nullptr;
        for (int i = 0; viewer && i < 500 && dialog.GetDlgItemText(IDC_FLASH_VIEW_CRC).empty(); ++i) {
            fw::ServeQueuedWorkFor(std::chrono::milliseconds(10));
        }
    });
}

// A simulated chip of the series on USART, connected as the window's device.
void ConnectSimulated(CQXDownloadToolDlg& w, uint8_t series) {
    ovsim::Reset();
    ovsim::ChipSpec spec;
    spec.series = series;
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", spec);
    char16_t names[256] = {};
    OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 256);
    DeviceHandle handle = 0;
    EXPECT_EQ(OV_CMD_CONNECT_DEV(&handle, u"/dev/ttyUSB0", 115200), 0);
    w.m_hDevice = handle;
    w.m_interface = kIfaceUsart;
    w.m_chipSeries = series;
}

struct Row {
    const char* file;
    uint32_t language;
    QString caption;
    std::function<std::unique_ptr<fw::Dialog>(CQXDownloadToolDlg&)> make;
};

TEST(ChipToolDialogPictures, BothLanguages) {
    const auto appGo = [](CQXDownloadToolDlg& w) { return std::make_unique<AppGoDlg>(&w); };
    const auto key = [](CQXDownloadToolDlg& w) { return std::make_unique<CSetExtFlashKeyDlg>(&w); };
    const auto series = [](CQXDownloadToolDlg& w) { return std::make_unique<CSelectChipSeriesDlg>(&w); };
    const auto range = [](CQXDownloadToolDlg& w) {
        w.m_readStart = 0x08000000;
        w.m_readEnd = 0x0803FFFF;
        return std::make_unique<CReadFlashDlg>(&w);
    };
    const auto viewer = [](CQXDownloadToolDlg& w) {
        ConnectSimulated(w, 0);
        w.m_pageSize = 2048;
        w.m_readStart = 0x08000000;
        w.m_readEnd = 0x080003FF;
        return std::make_unique<CFlashDlg>(&w);
    };
    const auto extOptions = [](CQXDownloadToolDlg& w) {
        ConnectSimulated(w, 8);
        ovsim::SetExternalOptions("/dev/ttyUSB0",
                                  {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0x00, 0x08});
        return std::make_unique<CExtOPTDlg>(&w);
    };
    const auto otp = [](CQXDownloadToolDlg& w) {
        ConnectSimulated(w, 10);
        return std::make_unique<CSetOTPDlg>(&w);
    };
    // The watchdog bits over an OTP dialog that was never shown: it only hands over the word.
    struct WatchdogBits : OTPSYSCFGIWDGDlg {
        explicit WatchdogBits(std::unique_ptr<CSetOTPDlg> owner)
            : OTPSYSCFGIWDGDlg(owner.get()), m_owner(std::move(owner)) {}
        std::unique_ptr<CSetOTPDlg> m_owner;
    };
    const auto watchdog = [](CQXDownloadToolDlg& w) {
        auto owner = std::make_unique<CSetOTPDlg>(&w);
        owner->m_iwdgText = u"C005";
        return std::make_unique<WatchdogBits>(std::move(owner));
    };
    const Row rows[] = {
        {"app_go_zh.png", 2052, QStringLiteral("跳转"), appGo},
        {"app_go_en.png", 1033, QStringLiteral("APP GO"), appGo},
        {"set_ext_flash_key_zh.png", 2052, QStringLiteral("设置外设Flash密钥"), key},
        {"set_ext_flash_key_en.png", 1033, QStringLiteral("Set External Flash Key"), key},
        {"select_chip_series_zh.png", 2052, QStringLiteral("选择芯片系列"), series},
        {"select_chip_series_en.png", 1033, QStringLiteral("Select Chip Series"), series},
        {"read_flash_range_zh.png", 2052, QStringLiteral("按范围读取FLASH"), range},
        {"read_flash_range_en.png", 1033, QStringLiteral("Read flash by range"), range},
        {"flash_view_zh.png", 2052, QStringLiteral("FLASH"), viewer},
        {"flash_view_en.png", 1033, QStringLiteral("FLASH"), viewer},
        {"ext_options_zh.png", 2052, QStringLiteral("外设选项字节"), extOptions},
        {"ext_options_en.png", 1033, QStringLiteral("Set EXT OPT"), extOptions},
        {"set_otp_zh.png", 2052, QStringLiteral("配置OTP"), otp},
        {"set_otp_en.png", 1033, QStringLiteral("Set OTP"), otp},
        {"otp_iwdg_zh.png", 2052, QStringLiteral("OTP_SYS_CFG_IWDG"), watchdog},
        {"otp_iwdg_en.png", 1033, QStringLiteral("OTP_SYS_CFG_IWDG"), watchdog},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        EXPECT_EQ(Draw(r.language, r.file, r.make), r.caption);
    }
}

TEST(PartitionDialogPictures, BothLanguages) {
    // USER1 of a 256 KB chip as read: 160 KB, its key id configured and authentication on.
    const auto partition = [](CQXDownloadToolDlg& w) {
        w.m_chipSeries = 0;
        w.m_flashSizeKB = 256;
        w.m_partitionUnitKB = 16;
        w.m_partitions[0] = UserPartitionRecord{0, 0, 10, 0, 0x10};
        return std::make_unique<CSetParttionDlg>(&w);
    };
    const auto updateKey = [](CQXDownloadToolDlg& w) {
        w.m_chipSeries = 8;
        return std::make_unique<CUpdateKeyDlg>(&w);
    };
    // USER1 and USER3 chosen, USER3 read with authentication; no USER2 on this chip.
    const auto download = [](CQXDownloadToolDlg& w) {
        w.m_chipSeries = 0;
        w.m_fileExt = u"bin";
        w.m_items[0].path = u"/home/user/firmware/app.bin";
        w.m_items[0].addressText[0] = u"08000000";
        w.m_items[0].enabled = 1;
        w.m_items[2].path = u"/home/user/firmware/user3.enc";
        w.m_items[2].addressText[0] = u"08030000";
        w.m_items[2].readSize = 4;
        w.m_items[2].readAuthentication = 1;
        w.m_items[2].enciphered = 1;
        w.m_items[2].enabled = 1;
        return std::make_unique<CPartitionDownloadConfigDlg>(&w);
    };
    const Row rows[] = {
        {"set_partition_zh.png", 2052, QStringLiteral("配置分区"), partition},
        {"set_partition_en.png", 1033, QStringLiteral("Configure partitions"), partition},
        {"update_key_zh.png", 2052, QStringLiteral("更新密钥"), updateKey},
        {"update_key_en.png", 1033, QStringLiteral("Update Key"), updateKey},
        {"partition_download_zh.png", 2052, QStringLiteral("分区下载"), download},
        {"partition_download_en.png", 1033, QStringLiteral("Partition download"), download},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        EXPECT_EQ(Draw(r.language, r.file, r.make), r.caption);
    }
}

}  // namespace
