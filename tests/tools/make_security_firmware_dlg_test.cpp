// The security firmware maker: its refusals (each followed by the mode's failure box, nothing written), the two
// firmware files verified by the main window's check, the module image, and what the mode changes.
#include "core/SecurityFiles.h"
#include "resources/ui/security_options.h"
#include "tests/tools/ToolDialogFixture.h"
#include "tools/MakeSecurityFirmwareDlg.h"

namespace {

using fw::IDOK;

const Key16 kBuiltin = {0xB0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

std::string Program(size_t size, uint32_t entry = 0x15000000) {
    std::string p(size, '\0');
    for (size_t i = 0; i < size; ++i)
        p[i] = static_cast<char>(i * 7);
    p.replace(0, 4, "FSVO");
    for (int i = 0; i < 4; ++i)
        p[0x50 + i] = static_cast<char>((entry + 0x100) >> (8 * i));
    return p;
}

struct SecurityFirmwareTest : ToolDialogTest {
    void Open(uint8_t kind) {
        dlg = std::make_unique<CMakeSecurityFirmwareDlg>(
            nullptr, SecurityFirmwareSettings{kind, dir.Wide(), kBuiltin, 0x151DFFFF});
        ASSERT_TRUE(dlg->Create());
    }
    // A plain key file pair and a program, chosen in the dialog.
    void Inputs(const std::string& program = Program(0x140)) {
        dir.Write("in/REK_IDKey_1.bin", std::string(16, '\x11') + std::string(16, '\x22'));
        dir.Write("in/Nonce_1.bin", std::string(12, '\x33') + std::string(4, '\0'));
        dir.Write("in/app.bin", program);
        host.ExpectOpenFile(dir.Wide("in/app.bin"));
        EXPECT_TRUE(dlg->Click(IDC_SECFW_PROGRAM_BROWSE));
        dlg->SetDlgItemText(IDC_SECFW_KEY_PATH, dir.Wide("in/REK_IDKey_1.bin"));
        dlg->SetDlgItemText(IDC_SECFW_NONCE_PATH, dir.Wide("in/Nonce_1.bin"));
    }
    void Build(const char16_t* message) {
        host.ExpectBox(message, IDOK);
        EXPECT_TRUE(dlg->Click(IDC_SECFW_BUILD));
    }
    std::vector<std::string> Written() {
        std::vector<std::string> out;
        for (const std::string& f : Files()) {
            if (f.rfind("in/", 0) != 0) out.push_back(f);
        }
        return out;
    }
    std::unique_ptr<CMakeSecurityFirmwareDlg> dlg;
};

TEST_F(SecurityFirmwareTest, FirmwareModeWritesAnImageThatItsPackageVerifies) {
    Open(0);
    EXPECT_EQ(dlg->GetDlgItemText(IDC_SECFW_START_ADDRESS), u"15000000");
    EXPECT_EQ(dlg->GetDlgItem(IDC_SECFW_BINDING).GetCount(), 2);
    Inputs();
    for (int binding : {0, 1}) {
        SCOPED_TRACE(binding);
        EXPECT_TRUE(dlg->Select(IDC_SECFW_BINDING, binding));
        Build(u"生成安全固件成功！");
        EXPECT_EQ(Written(), (std::vector<std::string>{"Firmware/app_Firmware(0x15000000).bin",
                                                       "Firmware/app_InfoPack(0x15000000).bin"}));
        EXPECT_EQ(dlg->GetDlgItemText(IDC_SECFW_SAVE_PATH), dir.Wide("Firmware/app_Firmware(0x15000000).bin"));
        const std::vector<uint8_t> image = Bytes("Firmware/app_Firmware(0x15000000).bin");
        EXPECT_EQ(image.size(), 0x140u);
        const auto pack = DecodeSecurityInfoPack(Bytes("Firmware/app_InfoPack(0x15000000).bin"));
        ASSERT_TRUE(pack);
        EXPECT_EQ(pack->mode, binding == 1 ? 0x55 : 0xAA);
        EXPECT_TRUE(pack->options.empty());
        EXPECT_TRUE(VerifySecurityFirmware(image, 0x15000000, *pack, kBuiltin));
        EXPECT_FALSE(VerifySecurityFirmware(image, 0x15000010, *pack, kBuiltin));
    }
}

// Ticking "option bytes" runs the item editor without a chip; the items it records go into the package, as long as
// the box stays ticked.
TEST_F(SecurityFirmwareTest, OptionItemsFromTheEditorGoIntoThePackage) {
    Open(0);
    Inputs();
    EXPECT_TRUE(dlg->Select(IDC_SECFW_BINDING, 1));
    int shownCryption = -1;
    bool cryptionEditable = true;
    int shownSecMode = -1;
    host.OnModal(IDD_WRITE_BYTE4, [&](fw::Dialog& d) {
        shownCryption = d.GetDlgItem(IDC_SO_CRYPTION).GetCurSel();
        cryptionEditable = d.GetDlgItem(IDC_SO_CRYPTION_BOX).IsWindowEnabled();
        shownSecMode = d.GetDlgItem(IDC_SO_SEC_MODE).GetCurSel();
        d.Tick(IDC_SO_SEC_BOX, true);
        d.EnterText(IDC_SO_SEC_BEGIN, u"10");
        d.EnterText(IDC_SO_SEC_END, u"20");
        d.Tick(IDC_SO_DMES, true);
        d.Select(IDC_SO_SEC_ERASE, 2);
        d.Tick(IDC_SO_SEC_MODE_BOX, true);
        d.Select(IDC_SO_SEC_MODE, 0);
        d.Click(IDC_SO_OK);
    });
    EXPECT_TRUE(dlg->Tick(IDC_SECFW_OPTION_BYTES, true));
    EXPECT_EQ(shownCryption, 1);
    EXPECT_FALSE(cryptionEditable);
    EXPECT_EQ(shownSecMode, 1);  // "disabled": the maker does not switch secure mode on unasked
    // SEC_CFG1 10..20, DMES, bank erase; SEC_MODE on, carrying the area item's sub-index and erase mode.
    EXPECT_EQ(dlg->m_optionText, u"0405010002802000100207010002CEE5");
    Build(u"生成安全固件成功！");
    auto pack = DecodeSecurityInfoPack(Bytes("Firmware/app_InfoPack(0x15000000).bin"));
    ASSERT_TRUE(pack);
    const std::vector<uint8_t> items = {0x04, 0x05, 0x01, 0x00, 0x02, 0x80, 0x20, 0x00,
                                        0x10, 0x02, 0x07, 0x01, 0x00, 0x02, 0xCE, 0xE5};
    EXPECT_EQ(pack->options, items);

    EXPECT_TRUE(dlg->Tick(IDC_SECFW_OPTION_BYTES, false));  // no editor when the box is cleared
    Build(u"生成安全固件成功！");
    pack = DecodeSecurityInfoPack(Bytes("Firmware/app_InfoPack(0x15000000).bin"));
    ASSERT_TRUE(pack);
    EXPECT_TRUE(pack->options.empty());
}

TEST_F(SecurityFirmwareTest, RefusalsShowTheirMessageThenTheFailureAndWriteNothing) {
    struct Case {
        const char* name;
        const char16_t* address;
        std::string program;
        std::string nonce;  // empty: no nonce file chosen
        std::string key;
        const char16_t* message;
    };
    const std::string nonce(16, '\x33'), key(32, '\x44');
    const Case cases[] = {
        {"no address", u"", Program(0x140), nonce, key, u"请输入下载起始地址！"},
        {"below the flash", u"14FFFFFF", Program(0x140), nonce, key, u"下载地址不正确！"},
        {"above the limit", u"151E0000", Program(0x140), nonce, key, u"下载地址不正确！"},
        {"not hex", u"15 000000", Program(0x140), nonce, key, u"下载地址不正确！"},
        {"no nonce", u"15000000", Program(0x140), "", key, u"请先选择nonce文件！"},
        {"short nonce", u"15000000", Program(0x140), std::string(12, 'n'), key, u"nonce长度不正确！"},
        {"short key", u"15000000", Program(0x140), nonce, std::string(16, 'k'), u"密钥长度不正确！"},
        {"no magic", u"15000000", "XXXX" + Program(0x140).substr(4), nonce, key,
         u"程序文件不包含安全配置信息,不合法！"},
        {"shorter than the header", u"15000000", Program(0x100).substr(0, 0xF0), nonce, key,
         u"程序文件不包含安全配置信息,不合法！"},
        {"entry out of range", u"15000000", Program(0x140, 0x24120000), nonce, key, u"M7固件程序执行地址超出范围！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(0);
        Inputs(c.program);
        dir.Write("in/n.bin", c.nonce);
        dir.Write("in/k.bin", c.key);
        dlg->SetDlgItemText(IDC_SECFW_NONCE_PATH, c.nonce.empty() ? fw::Text() : dir.Wide("in/n.bin"));
        dlg->SetDlgItemText(IDC_SECFW_KEY_PATH, dir.Wide("in/k.bin"));
        dlg->SetDlgItemText(IDC_SECFW_START_ADDRESS, c.address);
        host.ExpectBox(c.message, IDOK);
        Build(u"生成安全固件失败！");
        EXPECT_EQ(Written(), std::vector<std::string>{});
    }
}

TEST_F(SecurityFirmwareTest, AnImageThatCannotBeWrittenIsAFailure) {
    Open(0);
    Inputs();
    host.ExpectFolder(dir.Wide("nowhere/at/all"));
    EXPECT_TRUE(dlg->Click(IDC_SECFW_SAVE_BROWSE));
    host.ExpectBox(dir.Wide("nowhere/at/all/app_Firmware(0x15000000).bin") + u"文件打开失败！", IDOK);
    Build(u"生成安全固件失败！");
}

TEST_F(SecurityFirmwareTest, ModuleModeWritesOnlyTheModuleImage) {
    Open(1);
    EXPECT_EQ(dlg->GetWindowText(), u"生成安全模块");
    EXPECT_FALSE(dlg->GetDlgItem(IDC_SECFW_BINDING).IsWindowVisible());
    EXPECT_FALSE(dlg->GetDlgItem(IDC_SECFW_OPTION_BYTES).IsWindowVisible());
    const std::string program(100, '\x5C');  // no header needed; padded with zeros to 112
    Inputs(program);
    Build(u"生成安全模块成功！");
    EXPECT_EQ(Written(), std::vector<std::string>{"Firmware/app_Module(0x15000000).bin"});
    std::vector<uint8_t> expected(program.begin(), program.end());
    expected.resize(112, 0);
    Key16 rek{}, nonce{};
    rek.fill(0x11);
    nonce.fill(0x33);
    std::fill(nonce.begin() + 12, nonce.end(), 0);
    BuildSecurityModuleImage(expected, rek, nonce, 0x15000000);
    EXPECT_EQ(Bytes("Firmware/app_Module(0x15000000).bin"), expected);
}

}  // namespace
