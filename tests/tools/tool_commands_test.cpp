// The File menu's file-making tools open from the main window; the encrypted-file maker only with a chip connected.
#include "app/DownloadItem.h"
#include "core/SecurityFiles.h"
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

// The files the File menu's tools make are the files the main window loads: enciphered key files from the
// random-number library, a bound firmware image and its package from them, a JTAG key, all read back through the
// window's own Browse buttons and the check a download start makes.
TEST_F(ToolCommands, FilesMadeByTheToolsLoadIntoTheMainWindow) {
    RegisterToolCommands();
    CQXDownloadToolDlg& w = Start();
    host.OnModal(IDD_CREATE_KEY, [&](fw::Dialog& d) {
        d.Tick(IDC_CREATEKEY_ENCIPHER, true);
        host.ExpectBox(u"生成密钥成功！", fw::IDOK);
        d.Click(IDC_CREATEKEY_CREATE);
        d.EndDialog(fw::IDCANCEL);
    });
    w.SendCommand(ID_MAKE_KEY_FILES);
    ASSERT_TRUE(std::filesystem::exists(dir.Path() / "Key" / "REK_IDKey_1.enc"));

    std::string program(0x100 + 0x60, '\0');
    for (size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<char>(i * 13);
    program.replace(0, 4, "FSVO");
    const uint32_t entry = 0x15000100 + 0x100;
    for (int i = 0; i < 4; ++i)
        program[0x50 + i] = static_cast<char>(entry >> (8 * i));
    dir.Write("app.bin", program);
    host.OnModal(IDD_MAKE_SECURITY_FIRMWARE, [&](fw::Dialog& d) {
        host.ExpectOpenFile(dir.Wide("app.bin"));
        d.Click(IDC_SECFW_PROGRAM_BROWSE);
        host.ExpectOpenFile(dir.Wide("Key/REK_IDKey_1.enc"));
        d.Click(IDC_SECFW_KEY_BROWSE);
        host.ExpectOpenFile(dir.Wide("Key/Nonce_1.enc"));
        d.Click(IDC_SECFW_NONCE_BROWSE);
        d.SetDlgItemText(IDC_SECFW_START_ADDRESS, u"15000100");
        d.Select(IDC_SECFW_BINDING, 1);
        host.ExpectBox(u"生成安全固件成功！", fw::IDOK);
        d.Click(IDC_SECFW_BUILD);
        d.EndDialog(fw::IDCANCEL);
    });
    w.SendCommand(ID_MAKE_SECURITY_FIRMWARE_FILES);

    for (int button : {IDC_BTN_BROWSE_INFO_PACKAGE, IDC_BTN_BROWSE_JTAG_KEY}) {
        w.GetDlgItem(button).ShowWindow(fw::SW_SHOW);
        w.GetDlgItem(button).EnableWindow(true);
    }
    host.ExpectOpenFile(dir.Wide("Firmware/app_InfoPack(0x15000100).bin"));
    w.Click(IDC_BTN_BROWSE_INFO_PACKAGE);
    EXPECT_EQ(w.m_infoPackMode, 1);
    const std::string image = dir.Read("Firmware/app_Firmware(0x15000100).bin");
    SetSegment(w.m_items[0], 0, std::vector<uint8_t>(image.begin(), image.end()), static_cast<uint32_t>(image.size()));
    w.m_items[0].address[0] = 0x15000100;
    EXPECT_EQ(w.VerifyInfoPackage(), 1);
    w.m_items[0].address[0] = 0x15000000;
    EXPECT_EQ(w.VerifyInfoPackage(), 0);

    host.ExpectOpenFile(dir.Wide("Key/JTAG_Key_1.enc"));
    w.Click(IDC_BTN_BROWSE_JTAG_KEY);
    const std::string jtag = dir.Read("Key/JTAG_Key_1.enc");
    std::vector<uint8_t> plain(jtag.begin(), jtag.end());
    CipherWithBuiltinCounter(plain, w.m_builtinKey);
    EXPECT_EQ(w.m_jtagKey, plain[0] | plain[1] << 8 | plain[2] << 16 | static_cast<uint32_t>(plain[3]) << 24);
    EXPECT_EQ(std::vector<uint8_t>(plain.begin() + 4, plain.begin() + 8),
              std::vector<uint8_t>(plain.begin(), plain.begin() + 4));
}

}  // namespace
