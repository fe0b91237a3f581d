// The page erase dialog and the security chip's set-key dialog in its three uses, drawn by the Qt host, offscreen,
// in Chinese and English: one picture each under the build folder, and the checks a person would make looking at
// them (every text fits its control, nothing overlaps).
#include "tests/tools/qt/ToolDialogPicture.h"
#include "tools/FlashEraseDlg.h"
#include "tools/SetDlg.h"

namespace {

struct Row {
    const char* file;
    uint32_t language;
    QString caption;
    MakeToolDialog make;
};
TEST(EraseAndSetKeyPictures, BothLanguages) {
    // A series-11 chip over a probe: the dialog takes the sizes as given and offers all five areas.
    const auto erase = [](CQXDownloadToolDlg& w) {
        w.m_chipSeries = 11;
        w.m_interface = kIfaceSwdCmsisDap;
        w.m_flashSizeKB = 128;
        w.m_partitionUnitKB = 4;
        w.m_pageSize = 512;
        return std::make_unique<CFlashEraseDlg>(&w);
    };
    const auto setKey = [](uint8_t use) {
        return [use](CQXDownloadToolDlg& w) {
            w.m_setKeyMode = use;
            return std::make_unique<CSetDlg>(&w);
        };
    };
    const Row rows[] = {
        {"flash_erase_zh.png", 2052, QStringLiteral("擦除 FLASH"), erase},
        {"flash_erase_en.png", 1033, QStringLiteral("Erase FLASH"), erase},
        {"set_secure_mode_zh.png", 2052, QStringLiteral("设置安全模式"), setKey(kSetSecureMode)},
        {"set_secure_mode_en.png", 1033, QStringLiteral("Set Secure Mode"), setKey(kSetSecureMode)},
        {"set_jtag_mode_zh.png", 2052, QStringLiteral("设置JTAG模式"), setKey(kSetJtagMode)},
        {"set_jtag_mode_en.png", 1033, QStringLiteral("Set JTAG Mode"), setKey(kSetJtagMode)},
        {"set_jtag_key_zh.png", 2052, QStringLiteral("设置JTAG密钥"), setKey(kSetJtagKey)},
        {"set_jtag_key_en.png", 1033, QStringLiteral("Set JTAG Key"), setKey(kSetJtagKey)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        EXPECT_EQ(DrawToolDialog(r.language, r.file, r.make), r.caption);
    }
}

}  // namespace
