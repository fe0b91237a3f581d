// The encrypted file page and its chip chooser: refusals in their order, when the chip is asked for, and the
// digest-header file written.
#include "tests/core/FileOracle.h"
#include "tests/core/HexFixtures.h"
#include "tests/tools/ToolDialogFixture.h"
#include "tools/EnFileDlg.h"
#include "tools/EncFiles.h"
#include "tools/McuSelectDlg.h"

namespace {

using fw::IDOK;

constexpr char16_t kKeyText[] = u"2b7e151628aed2a6abf7158809cf4f3c";

struct EncFilePageTest : ToolDialogTest {
    void SetUp() override {
        ToolDialogTest::SetUp();
        page.m_initialKeyText = kKeyText;
        page.m_choosePageSize = [this](fw::Window*) {
            ++chooserRuns;
            return chooserAnswer;
        };
        ASSERT_TRUE(page.Create());
    }
    void Choose(const std::string& name, const std::string& contents) {
        dir.Write(name, contents);
        host.ExpectOpenFile(dir.Wide(name));
        EXPECT_TRUE(page.Click(IDC_ENCPAGE_BROWSE));
    }
    void Make(const char16_t* message) {
        host.ExpectBox(message, IDOK);
        EXPECT_TRUE(page.Click(IDC_ENCPAGE_MAKE));
    }
    CEnFileDlg page;
    int chooserRuns = 0;
    std::optional<uint32_t> chooserAnswer = 0x800;
};

TEST_F(EncFilePageTest, ShortImagesAskForTheChipAndLongOnesDoNot) {
    EXPECT_EQ(page.GetDlgItemText(IDC_ENCPAGE_KEY), kKeyText);
    const Key16 key = *KeyFromText(kKeyText);
    struct Case {
        size_t size;
        int chooserRuns;
    };
    for (const Case& c : {Case{100, 1}, Case{2047, 0}, Case{2048, 0}}) {
        SCOPED_TRACE(c.size);
        chooserRuns = 0;
        const std::string plain(c.size, '\x7E');
        Choose("fw.bin", plain);
        Make(u"加密文件制作完成");
        EXPECT_EQ(chooserRuns, c.chooserRuns);
        EXPECT_EQ(Bytes("EncFile/fw.enc"),
                  MakeDigestHeaderEncFile(std::vector<uint8_t>(plain.begin(), plain.end()), key, 0x800));
        EXPECT_EQ(page.GetDlgItemText(IDC_ENCPAGE_OUTPUT_PATH), dir.Wide("EncFile/fw.enc"));
    }
}

TEST_F(EncFilePageTest, RefusalsInTheirOrderWriteNothing) {
    struct Case {
        const char* name;
        const char* file;  // nullptr: nothing chosen
        std::optional<uint32_t> pageSize;
        const char16_t* key;
        const char16_t* message;  // nullptr: silent
    };
    const Case cases[] = {
        {"nothing chosen", nullptr, 0x800, kKeyText, u"请先选择原始文件"},
        {"unknown extension", "fw.elf", 0x800, kKeyText, u"文件打开失败！"},
        {"chooser cancelled", "fw.bin", std::nullopt, kKeyText, nullptr},
        {"page size 0", "fw.bin", 0u, kKeyText, u"所选型号的页大小不正确！"},
        {"page size not whole words", "fw.bin", 0x802u, kKeyText, u"所选型号的页大小不正确！"},
        {"no key", "fw.bin", 0x800, u"", u"无可用密钥"},
        {"a g in a 32-digit key", "fw.bin", 0x800, u"2b7e151628aed2a6abf7158809cf4f3g", u"密钥必须是十六进制字符！"},
        {"30 digits", "fw.bin", 0x800, u"2b7e151628aed2a6abf7158809cf4f", u"密钥长度必须是16字节！"},
        {"a blank", "fw.bin", 0x800, u"2b7e151628aed2a6 bf7158809cf4f3c", u"密钥必须是十六进制字符！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.file) Choose(c.file, "short");
        chooserAnswer = c.pageSize;
        page.SetDlgItemText(IDC_ENCPAGE_KEY, c.key);
        if (c.message) {
            Make(c.message);
        } else {
            const size_t boxes = host.Boxes().size();
            EXPECT_TRUE(page.Click(IDC_ENCPAGE_MAKE));
            EXPECT_EQ(host.Boxes().size(), boxes);
        }
        for (const std::string& f : Files())
            EXPECT_NE(f.rfind("EncFile/", 0), 0u) << f;
    }
}

TEST_F(EncFilePageTest, ChipChooserListsClassesOnceAndAnswersTheModelsPageSize) {
    dir.Write("Series CFG Table.ini",
              "CLASS=VK51X\nCHIPMARK=VK5101\nPAGESIZE=0x800\n"
              "CLASS=VK26X\nCHIPMARK=VK2601\nPAGESIZE=0x200\n"
              "CLASS=VK51X\nCHIPMARK=VK5102\nPAGESIZE=0x400\n");
    int answered = 0;
    host.OnModal(IDD_MCU_SELECT, [&](fw::Dialog& d) {
        fw::Control classes = d.GetDlgItem(IDC_MCUSEL_CLASS);
        EXPECT_EQ(classes.GetCount(), 2);
        EXPECT_EQ(classes.GetLBText(0), u"VK51X");
        host.ExpectBox(u"请先选择MCU类型！", IDOK);
        d.Click(IDC_MCUSEL_OK);
        d.SelectText(IDC_MCUSEL_CLASS, u"VK51X");
        fw::Control models = d.GetDlgItem(IDC_MCUSEL_MODEL);
        EXPECT_EQ(models.GetCount(), 2);
        EXPECT_EQ(models.GetCurSel(), 0);
        d.SelectText(IDC_MCUSEL_MODEL, u"VK5102");
        d.Click(IDC_MCUSEL_OK);
        ++answered;
    });
    EXPECT_EQ(ChoosePageSize(nullptr), 0x400u);
    EXPECT_EQ(answered, 1);

    host.OnModal(IDD_MCU_SELECT, [](fw::Dialog& d) { d.Click(fw::IDCANCEL); });
    EXPECT_EQ(ChoosePageSize(nullptr), std::nullopt);
}

// A HEX build as a linker writes it: data over several 64 KiB windows with a gap, LF line ends. The image runs from
// the lowest to the highest address, 0xFF in the gap and up to a multiple of 16.
TEST_F(EncFilePageTest, HexBuildsOverSeveralWindowsAreEnciphered) {
    const std::vector<uint8_t> low = hexfix::Counting(150001, 5);
    const std::vector<uint8_t> high = hexfix::Counting(40, 0x80);
    std::string hex = hexfix::ObjcopyHex(dir, low, 0x08000000);
    hex.resize(hex.find(":00000001FF"));
    hex += hexfix::Linear(0x0803) + hexfix::Data(0x0000, high) + hexfix::End();
    std::erase(hex, '\r');
    Choose("app.hex", hex);
    Make(u"加密文件制作完成");
    EXPECT_EQ(chooserRuns, 0);

    std::vector<uint8_t> padded(0x30000 + 48, 0xFF);
    std::copy(low.begin(), low.end(), padded.begin());
    std::copy(high.begin(), high.end(), padded.begin() + 0x30000);
    using namespace fileoracle;
    std::vector<uint8_t> expected = Be32(static_cast<uint32_t>(padded.size()));
    const std::vector<uint8_t> digest = oracle::Sha256(padded);
    const std::vector<uint8_t> crc = Be32(ChipCrc(padded));
    const std::vector<uint8_t> cipher = EcbEncrypt(Vec(*KeyFromText(kKeyText)), padded);
    for (const auto* part : {&digest, &crc, &cipher})
        expected.insert(expected.end(), part->begin(), part->end());
    EXPECT_EQ(Bytes("EncFile/app.enc"), expected);
}

}  // namespace
