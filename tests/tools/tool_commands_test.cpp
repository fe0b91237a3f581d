// The File menu's file-making tools open from the main window; the encrypted-file maker only with a chip connected.
#include "resources/ui/bin2hex_file.h"
#include "resources/ui/create_key.h"
#include "resources/ui/make_en_file.h"
#include "resources/ui/make_security_firmware.h"
#include "tests/app/MainWindowFixture.h"
#include "tools/ToolCommands.h"

namespace {

using ToolCommands = MainWindowFixture;

TEST_F(ToolCommands, EveryFileMenuToolOpensItsDialog) {
    RegisterToolCommands();
    CQXDownloadToolDlg& w = Start();
    struct Case {
        int command;
        int dialog;
        const char16_t* caption;
    };
    const Case cases[] = {
        {ID_MAKE_KEY_FILES, IDD_CREATE_KEY, u"生成密钥"},
        {ID_MAKE_SECURITY_FIRMWARE_FILES, IDD_MAKE_SECURITY_FIRMWARE, u"生成安全固件"},
        {ID_MAKE_SECURITY_MODULE_FILES, IDD_MAKE_SECURITY_FIRMWARE, u"生成安全模块"},
        {ID_MAKE_BIN_HEX_FILE, IDD_BIN2HEX_FILE, u"制作bin/hex文件"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        fw::Text caption;
        host.OnModal(c.dialog, [&](fw::Dialog& d) {
            caption = d.GetWindowText();
            d.EndDialog(fw::IDCANCEL);  // the bin/hex tool has no Cancel button: its window is closed
        });
        w.SendCommand(c.command);
        EXPECT_EQ(host.ModalsRun().back(), c.dialog);
        EXPECT_EQ(caption, c.caption);
    }
    EXPECT_EQ(w.m_securityFileKind, 1);

    const size_t modals = host.ModalsRun().size();
    host.ExpectBox(u"请先连接设备！", fw::IDOK);
    w.SendCommand(ID_MAKE_ENCRYPTED_FILES);
    EXPECT_EQ(host.ModalsRun().size(), modals);

    w.m_connected = 1;
    w.m_chipSeries = 5;
    int keyIds = 0;
    host.OnModal(IDD_MAKE_EN_FILE, [&](fw::Dialog& d) {
        keyIds = d.GetDlgItem(IDC_MAKEENC_KEY_ID).GetCount();
        d.Click(fw::IDCANCEL);
    });
    w.SendCommand(ID_MAKE_ENCRYPTED_FILES);
    EXPECT_EQ(keyIds, 2);
    w.m_connected = 0;
}

}  // namespace
