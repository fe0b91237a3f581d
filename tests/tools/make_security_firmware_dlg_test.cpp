// The security firmware maker: its refusals (each followed by the mode's failure box, nothing written), the two
// firmware files verified by the main window's check, the module image, and what the mode changes.
#include "core/SecurityFiles.h"
#include "resources/ui/security_options.h"
#include "tests/core/FileOracle.h"
#include "tests/core/HexFixtures.h"
#include "tests/core/TestBytes.h"
#include "tests/tools/ToolDialogFixture.h"
#include "tools/MakeSecurityFirmwareDlg.h"

namespace {

using namespace fileoracle;
using fw::IDOK;

const Key16 kBuiltin = {0xB0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, size_t from, size_t n) {
    return {v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

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
        ChooseProgram("in/app.bin");
        dlg->SetDlgItemText(IDC_SECFW_KEY_PATH, dir.Wide("in/REK_IDKey_1.bin"));
        dlg->SetDlgItemText(IDC_SECFW_NONCE_PATH, dir.Wide("in/Nonce_1.bin"));
    }
    void ChooseProgram(const std::string& name) {
        host.ExpectOpenFile(dir.Wide(name));
        EXPECT_TRUE(dlg->Click(IDC_SECFW_PROGRAM_BROWSE));
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

// The key maker's enciphered files hold the keys under the built-in key: the image and the package must carry the
// keys of the draw, not the enciphered bytes.
TEST_F(SecurityFirmwareTest, EncipheredKeyFilesAreDecipheredBeforeUse) {
    Open(0);
    const std::string programText = Program(0x180);
    Inputs(programText);
    const std::vector<uint8_t> program(programText.begin(), programText.end());
    const std::vector<uint8_t> draw = testbytes::Random(48, 21);
    const RekIdKeyFiles files = MakeRekIdKeyFiles(std::span<const uint8_t, 48>(draw.data(), 48), true, kBuiltin);
    dir.Write("in/REK_IDKey_1.enc", hexfix::AsString({files.rekIdKey.begin(), files.rekIdKey.end()}));
    dir.Write("in/Nonce_1.enc", hexfix::AsString(Vec(files.nonce)));
    dlg->SetDlgItemText(IDC_SECFW_KEY_PATH, dir.Wide("in/REK_IDKey_1.enc"));
    dlg->SetDlgItemText(IDC_SECFW_NONCE_PATH, dir.Wide("in/Nonce_1.enc"));
    const std::vector<uint8_t> rek = Slice(draw, 0, 16), idKey = Slice(draw, 16, 16);
    const std::vector<uint8_t> builtin = Vec(kBuiltin);

    for (int binding : {0, 1}) {
        SCOPED_TRACE(binding);
        EXPECT_TRUE(dlg->Select(IDC_SECFW_BINDING, binding));
        Build(u"生成安全固件成功！");
        std::vector<uint8_t> image = Bytes("Firmware/app_Firmware(0x15000000).bin");
        ASSERT_EQ(image.size(), program.size());
        if (binding == 1) {
            const std::vector<uint8_t> digest = Ctr(idKey, BuiltinCounter(), Slice(image, 0x30, 32));
            std::copy(digest.begin(), digest.end(), image.begin() + 0x30);
        }
        const std::vector<uint8_t> header = Ctr(builtin, BuiltinCounter(), Slice(image, 0x10, 0xF0));
        EXPECT_EQ(Slice(header, 0, 12), Slice(draw, 32, 12));  // the nonce
        EXPECT_EQ(Slice(header, 0x10, 16), rek);
        const std::vector<uint8_t> body = Slice(program, 0x100, program.size() - 0x100);
        EXPECT_EQ(Slice(header, 0x20, 32), oracle::Sha256(body));
        const std::vector<uint8_t> nonce = Slice(header, 0, 16);
        EXPECT_EQ(BodyCipher(rek, nonce, 0x15000000u + 0x6B020100, Slice(image, 0x100, body.size())), body);

        const auto pack = DecodeSecurityInfoPack(Bytes("Firmware/app_InfoPack(0x15000000).bin"));
        ASSERT_TRUE(pack);
        std::vector<uint8_t> packNonce = Slice(draw, 32, 12);
        packNonce.resize(16, 0);
        EXPECT_EQ(Ctr(builtin, BuiltinCounter(), Vec(pack->nonce)), packNonce);
        EXPECT_EQ(Ctr(builtin, BuiltinCounter(), Vec(pack->rek)), rek);
        EXPECT_EQ(Ctr(builtin, BuiltinCounter(), Vec(pack->idKey)), idKey);
    }
}

// A HEX program over several 64 KiB windows whose length is no multiple of 16: every byte is in the image, and the
// image is padded with zero bytes as a binary program is.
TEST_F(SecurityFirmwareTest, HexProgramsOverSeveralWindowsKeepEveryByte) {
    const std::string headed = Program(0x2A000 + 0x1235);
    const std::vector<uint8_t> program(headed.begin(), headed.end());
    std::vector<uint8_t> padded = program;
    padded.resize((program.size() + 15) / 16 * 16, 0);
    ASSERT_NE(padded.size(), program.size());
    std::string hex = hexfix::ObjcopyHex(dir, program, 0x08010000);
    std::erase(hex, '\r');  // LF line ends
    dir.Write("in/app.hex", hex);
    const std::vector<uint8_t> rek(16, 0x11);
    std::vector<uint8_t> nonce(16, 0x33);
    std::fill(nonce.begin() + 12, nonce.end(), 0);
    for (uint8_t kind : {0, 1}) {
        SCOPED_TRACE(static_cast<int>(kind));
        Open(kind);
        Inputs();
        ChooseProgram("in/app.hex");
        if (kind == 1) {
            Build(u"生成安全模块成功！");
            EXPECT_EQ(BodyCipher(rek, nonce, 0x15000000u + 0x6B020000, Bytes("Firmware/app_Module(0x15000000).bin")),
                      padded);
            continue;
        }
        Build(u"生成安全固件成功！");
        const std::vector<uint8_t> image = Bytes("Firmware/app_Firmware(0x15000000).bin");
        ASSERT_EQ(image.size(), padded.size());
        EXPECT_EQ(BodyCipher(rek, nonce, 0x15000000u + 0x6B020100, Slice(image, 0x100, image.size() - 0x100)),
                  Slice(padded, 0x100, padded.size() - 0x100));
        const auto pack = DecodeSecurityInfoPack(Bytes("Firmware/app_InfoPack(0x15000000).bin"));
        ASSERT_TRUE(pack);
        EXPECT_TRUE(VerifySecurityFirmware(image, 0x15000000, *pack, kBuiltin));
    }
}

// An empty program makes no image in either mode, from a binary or from a HEX file without data.
TEST_F(SecurityFirmwareTest, AnEmptyProgramIsRefusedInBothModes) {
    dir.Write("in/empty.hex", hexfix::End());
    for (uint8_t kind : {0, 1}) {
        for (const char* name : {"in/app.bin", "in/empty.hex"}) {
            SCOPED_TRACE(std::string(name) + (kind == 1 ? " module" : " firmware"));
            Open(kind);
            Inputs("");
            ChooseProgram(name);
            host.ExpectBox(u"加载程序文件失败！", IDOK);
            Build(kind == 1 ? u"生成安全模块失败！" : u"生成安全固件失败！");
            EXPECT_EQ(Written(), std::vector<std::string>{});
        }
    }
}

// The package belongs to its image: when it cannot be written, the image of an earlier build stays as it was, and
// a first build leaves no image behind.
TEST_F(SecurityFirmwareTest, ImageAndPackageAreWrittenTogetherOrNotAtAll) {
    Open(0);
    Inputs();
    std::filesystem::create_directories(dir.Path() / "Firmware/app_InfoPack(0x15000000).bin");
    host.ExpectBox(dir.Wide("Firmware/app_InfoPack(0x15000000).bin") + u"文件打开失败！", IDOK);
    Build(u"生成安全固件失败！");
    EXPECT_EQ(Written(), std::vector<std::string>{});

    std::filesystem::remove(dir.Path() / "Firmware/app_InfoPack(0x15000000).bin");
    Build(u"生成安全固件成功！");
    const std::vector<uint8_t> image = Bytes("Firmware/app_Firmware(0x15000000).bin");
    const std::vector<uint8_t> pack = Bytes("Firmware/app_InfoPack(0x15000000).bin");
    std::filesystem::remove(dir.Path() / "Firmware/app_InfoPack(0x15000000).bin");
    std::filesystem::create_directories(dir.Path() / "Firmware/app_InfoPack(0x15000000).bin");
    dir.Write("in/REK_IDKey_1.bin", std::string(32, '\x55'));  // a new image and package
    host.ExpectBox(dir.Wide("Firmware/app_InfoPack(0x15000000).bin") + u"文件打开失败！", IDOK);
    Build(u"生成安全固件失败！");
    EXPECT_EQ(Bytes("Firmware/app_Firmware(0x15000000).bin"), image);
    EXPECT_EQ(Written(), std::vector<std::string>{"Firmware/app_Firmware(0x15000000).bin"});
}

}  // namespace
