// The key file maker with a scripted random source: the files of each kind, plain and enciphered, its refusals,
// and that a missing or failing source makes no file.
#include "core/SecurityFiles.h"
#include "tests/tools/ToolDialogFixture.h"
#include "tools/CreateKeyDlg.h"

namespace {

using fw::IDOK;

const Key16 kBuiltin = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// Each draw fills its buffer with the draw's number, so every file can be traced to its draw.
int g_draws = 0;
int g_failFromDraw = 1000;
int CountingRandom(unsigned char* out, unsigned len) {
    ++g_draws;
    if (g_draws >= g_failFromDraw) return 1;
    std::fill(out, out + len, static_cast<unsigned char>(0xA0 + g_draws));
    return 0;
}

struct CreateKeyTest : ToolDialogTest {
    void Open(GenerateRandomFunction source = CountingRandom) {
        g_draws = 0;
        g_failFromDraw = 1000;
        dlg = std::make_unique<CCreateKeyDlg>(nullptr, kBuiltin);
        dlg->m_bindRandom = [source] { return source; };
        ASSERT_TRUE(dlg->Create());
    }
    void Create(const char16_t* message) {
        host.ExpectBox(message, IDOK);
        EXPECT_TRUE(dlg->Click(IDC_CREATEKEY_CREATE));
    }
    std::unique_ptr<CCreateKeyDlg> dlg;
};

TEST_F(CreateKeyTest, MakesEveryFileOfBothKindsInTheDefaultFolder) {
    Open();
    EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CREATEKEY_REK_KIND), 1);
    EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CREATEKEY_JTAG_KIND), 1);
    EXPECT_EQ(dlg->GetDlgItemText(IDC_CREATEKEY_REK_COUNT), u"1");
    dlg->EnterText(IDC_CREATEKEY_REK_COUNT, u"2");
    dlg->EnterText(IDC_CREATEKEY_JTAG_COUNT, u"3");
    Create(u"生成密钥成功！");
    const std::vector<std::string> expected = {"Key/JTAG_Key_1.bin", "Key/JTAG_Key_2.bin", "Key/JTAG_Key_3.bin",
                                               "Key/Nonce_1.bin",    "Key/Nonce_2.bin",    "Key/REK_IDKey_1.bin",
                                               "Key/REK_IDKey_2.bin"};
    EXPECT_EQ(Files(), expected);
    EXPECT_EQ(Bytes("Key/REK_IDKey_2.bin"), std::vector<uint8_t>(32, 0xA2));
    std::vector<uint8_t> nonce(16, 0);
    std::fill_n(nonce.begin(), 12, 0xA1);
    EXPECT_EQ(Bytes("Key/Nonce_1.bin"), nonce);
    std::vector<uint8_t> jtag(16, 0);
    std::fill_n(jtag.begin(), 4, 0xA5);  // draws 3 to 5 are the JTAG keys
    EXPECT_EQ(Bytes("Key/JTAG_Key_3.bin"), jtag);
    EXPECT_EQ(dlg->GetDlgItemText(IDC_CREATEKEY_REK_FOLDER), dir.Wide("Key"));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_CREATEKEY_JTAG_FOLDER), dir.Wide("Key"));
}

TEST_F(CreateKeyTest, EncipheredFilesReadBackToTheDraw) {
    Open();
    EXPECT_TRUE(dlg->Tick(IDC_CREATEKEY_ENCIPHER, true));
    Create(u"生成密钥成功！");
    const auto keys = ReadRekIdKeyFile(Bytes("Key/REK_IDKey_1.enc"), true, kBuiltin);
    ASSERT_TRUE(keys);
    EXPECT_EQ(std::vector<uint8_t>(keys->rek.begin(), keys->rek.end()), std::vector<uint8_t>(16, 0xA1));
    const std::vector<uint8_t> nonceFile = Bytes("Key/Nonce_1.enc");
    ASSERT_EQ(nonceFile.size(), 16u);
    EXPECT_EQ(std::vector<uint8_t>(nonceFile.begin() + 12, nonceFile.end()), std::vector<uint8_t>(4, 0));
    EXPECT_EQ(ReadJtagKeyFile(Bytes("Key/JTAG_Key_1.enc"), true, kBuiltin), 0xA2A2A2A2u);
}

TEST_F(CreateKeyTest, RefusalsAndTheirMessages) {
    Open();
    dlg->Tick(IDC_CREATEKEY_REK_KIND, false);
    dlg->Tick(IDC_CREATEKEY_JTAG_KIND, false);
    Create(u"请选择需要创建的密钥类型！");
    dlg->Tick(IDC_CREATEKEY_JTAG_KIND, true);
    dlg->EnterText(IDC_CREATEKEY_JTAG_COUNT, u"");
    Create(u"请输入需要创建的密钥数量！");
    EXPECT_EQ(Files(), std::vector<std::string>{});
    // An empty JTAG count stops there; the REK/IDKey files made before it stay.
    dlg->Tick(IDC_CREATEKEY_REK_KIND, true);
    Create(u"请输入需要创建的密钥数量！");
    EXPECT_EQ(Files(), (std::vector<std::string>{"Key/Nonce_1.bin", "Key/REK_IDKey_1.bin"}));
    // A count of 0 makes nothing and still succeeds.
    dlg->EnterText(IDC_CREATEKEY_JTAG_COUNT, u"0");
    dlg->Tick(IDC_CREATEKEY_REK_KIND, false);
    Create(u"生成密钥成功！");
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(CreateKeyTest, WithoutARandomSourceNoFileIsMade) {
    Open(nullptr);
    Create(u"随机数库加载失败，无法生成密钥！");
    EXPECT_EQ(Files(), std::vector<std::string>{});
    EXPECT_FALSE(Exists("Key"));  // no default folder either
}

TEST_F(CreateKeyTest, AFailedDrawStopsBeforeItsFile) {
    Open();
    g_failFromDraw = 2;
    dlg->EnterText(IDC_CREATEKEY_REK_COUNT, u"3");
    Create(u"生成随机数失败！");
    EXPECT_EQ(Files(), (std::vector<std::string>{"Key/Nonce_1.bin", "Key/REK_IDKey_1.bin"}));
}

TEST_F(CreateKeyTest, AFileThatCannotBeWrittenEndsInFailure) {
    Open();
    dlg->Tick(IDC_CREATEKEY_REK_KIND, false);
    host.ExpectFolder(dir.Wide("missing/folder"));
    EXPECT_TRUE(dlg->Click(IDC_CREATEKEY_JTAG_BROWSE));
    host.ExpectBox(dir.Wide("missing/folder/JTAG_Key_1.bin") + u"文件打开失败！", IDOK);
    Create(u"生成密钥失败！");
    EXPECT_EQ(Files(), std::vector<std::string>{});
}

// A key and its nonce are one draw: when the nonce cannot take the new draw's place, the key keeps its old one too,
// so a key never sits beside the nonce of another draw.
TEST_F(CreateKeyTest, ANonceThatCannotBeWrittenLeavesItsKeyAsItWas) {
    Open();
    dlg->Tick(IDC_CREATEKEY_JTAG_KIND, false);
    Create(u"生成密钥成功！");
    const std::vector<uint8_t> oldKey = Bytes("Key/REK_IDKey_1.bin");
    ASSERT_EQ(oldKey, std::vector<uint8_t>(32, 0xA1));
    // What stands at the nonce's name cannot be replaced by a file.
    std::filesystem::remove(dir.Path() / "Key/Nonce_1.bin");
    std::filesystem::create_directory(dir.Path() / "Key/Nonce_1.bin");
    dir.Write("Key/Nonce_1.bin/kept", "old nonce");
    host.ExpectBox(dir.Wide("Key/Nonce_1.bin") + u"文件打开失败！", IDOK);
    Create(u"生成密钥失败！");
    EXPECT_EQ(Bytes("Key/REK_IDKey_1.bin"), oldKey);
    EXPECT_EQ(dir.Read("Key/Nonce_1.bin/kept"), "old nonce");
    EXPECT_EQ(Files(), (std::vector<std::string>{"Key/Nonce_1.bin/kept", "Key/REK_IDKey_1.bin"}))
        << "no temporary is left";
}

TEST_F(CreateKeyTest, CancellingAFolderChoiceReturnsToTheDefault) {
    Open();
    host.ExpectFolder(dir.Wide("mine"));
    std::filesystem::create_directory(dir.Path() / "mine");
    EXPECT_TRUE(dlg->Click(IDC_CREATEKEY_REK_BROWSE));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_CREATEKEY_REK_FOLDER), dir.Wide("mine"));
    host.CancelNextFileDialog();
    EXPECT_TRUE(dlg->Click(IDC_CREATEKEY_REK_BROWSE));
    dlg->Tick(IDC_CREATEKEY_JTAG_KIND, false);
    Create(u"生成密钥成功！");
    EXPECT_TRUE(Exists("Key/REK_IDKey_1.bin"));
}

}  // namespace
