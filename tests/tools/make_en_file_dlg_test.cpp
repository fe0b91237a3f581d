// The encrypted download file maker: key ids by chip series, its refusals, and the file it writes.
#include "framework/Format.h"
#include "tests/core/FileOracle.h"
#include "tests/core/HexFixtures.h"
#include "tests/tools/ToolDialogFixture.h"
#include "tools/EncFiles.h"
#include "tools/MakeEnFileDlg.h"

namespace {

using fw::IDOK;

std::vector<fw::Text> KeyTable() {
    std::vector<fw::Text> table;
    for (int i = 0; i < 32; ++i)
        table.push_back(fw::Text(30, u'0') + fw::Format(u"%02X", i));
    return table;
}

Key16 KeyOfEntry(int entry) {
    Key16 key{};
    key[15] = static_cast<uint8_t>(entry);
    return key;
}

struct MakeEnFileTest : ToolDialogTest {
    void Open(uint8_t series) {
        dlg = std::make_unique<CMakeEnFileDlg>(nullptr, series, keys);
        ASSERT_TRUE(dlg->Create());
    }
    void Choose(const std::string& name) {
        host.ExpectOpenFile(dir.Wide(name));
        EXPECT_TRUE(dlg->Click(IDC_MAKEENC_BROWSE));
    }
    void Make(const char16_t* message) {
        host.ExpectBox(message, IDOK);
        EXPECT_TRUE(dlg->Click(IDC_MAKEENC_MAKE));
    }
    std::vector<fw::Text> keys = KeyTable();
    std::unique_ptr<CMakeEnFileDlg> dlg;
};

TEST_F(MakeEnFileTest, KeyIdsAndTheEntriesTheyUseFollowTheChipSeries) {
    struct Case {
        uint8_t series;
        std::vector<int> entries;  // entry of key id 0, 1, ...
    };
    std::vector<int> identity(32);
    for (int i = 0; i < 32; ++i)
        identity[i] = i;
    const Case cases[] = {{5, {30, 31}}, {8, {28, 29, 30}}, {9, {28, 29, 30}}, {0, identity}, {10, identity}};
    dir.Write("a.bin", std::string(100, '\x11'));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.series);
        Open(c.series);
        fw::Control ids = dlg->GetDlgItem(IDC_MAKEENC_KEY_ID);
        ASSERT_EQ(ids.GetCount(), static_cast<int>(c.entries.size()));
        EXPECT_EQ(ids.GetCurSel(), 0);
        Choose("a.bin");
        for (size_t id = 0; id < c.entries.size(); ++id) {
            EXPECT_EQ(ids.GetLBText(static_cast<int>(id)), fw::Format(u"%d", static_cast<int>(id)));
            EXPECT_TRUE(dlg->Select(IDC_MAKEENC_KEY_ID, static_cast<int>(id)));
            Make(u"加密文件制作完成");
            const std::vector<uint8_t> plain(100, 0x11);
            EXPECT_EQ(Bytes("EncFile/a.enc"), MakeCrcPrefixedEncFile(plain, KeyOfEntry(c.entries[id])));
        }
        EXPECT_EQ(dlg->GetDlgItemText(IDC_MAKEENC_OUTPUT_PATH), dir.Wide("EncFile/a.enc"));
    }
}

TEST_F(MakeEnFileTest, RefusalsWriteNothing) {
    struct Case {
        const char* file;          // nullptr: none chosen
        const char* contents;      // nullptr: the file does not exist
        const char16_t* keyEntry;  // what entry 0 holds
        const char16_t* message;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, u"请先选择原始文件"},
        {"gone.bin", nullptr, nullptr, u"BIN文件打开失败！"},
        {"empty.bin", "", nullptr, u"文件打开失败！"},
        {"a.txt", "abc", nullptr, u"文件打开失败！"},
        {"bad.hex", ":0200000011\r\n", nullptr, u"文件打开失败！"},
        {"a.bin", "abc", u"", u"无可用密钥"},
        {"a.bin", "abc", u"00112233", u"无可用密钥"},
        {"a.bin", "abc", u"0011223344556677889900AABBCCDDXX", u"无可用密钥"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fw::TextToUtf8(c.message) + (c.file ? c.file : ""));
        keys = KeyTable();
        if (c.keyEntry) keys[0] = c.keyEntry;
        Open(0);
        if (c.contents) dir.Write(c.file, c.contents);
        if (c.file) Choose(c.file);
        Make(c.message);
        EXPECT_FALSE(Exists("EncFile/a.enc"));
        EXPECT_EQ(dlg->GetDlgItemText(IDC_MAKEENC_OUTPUT_PATH), u"");
    }
}

TEST_F(MakeEnFileTest, UpperCaseHexNamesGiveALowerCaseEncName) {
    Open(0);
    dir.Write("FIRMWARE.HEX", ":020000001122CB\r\n:00000001FF\r\n");
    Choose("FIRMWARE.HEX");
    Make(u"加密文件制作完成");
    std::vector<uint8_t> image(16, 0xFF);
    image[0] = 0x11, image[1] = 0x22;
    EXPECT_EQ(Bytes("EncFile/FIRMWARE.enc"), MakeCrcPrefixedEncFile(image, KeyOfEntry(0)));
}

// A HEX build as a linker writes it: data over several 64 KiB windows, LF line ends. The image is the data from the
// lowest address, 0xFF up to a multiple of 16.
TEST_F(MakeEnFileTest, HexBuildsOverSeveralWindowsAreEnciphered) {
    Open(0);
    const std::vector<uint8_t> data = hexfix::Counting(200001, 9);
    std::string hex = hexfix::ObjcopyHex(dir, data, 0x0800F000);
    std::erase(hex, '\r');
    dir.Write("app.hex", hex);
    Choose("app.hex");
    Make(u"加密文件制作完成");
    std::vector<uint8_t> padded = data;
    padded.resize(200016, 0xFF);
    std::vector<uint8_t> expected = fileoracle::Be32(fileoracle::ChipCrc(padded));
    const std::vector<uint8_t> cipher = fileoracle::EcbEncrypt(fileoracle::Vec(KeyOfEntry(0)), padded);
    expected.insert(expected.end(), cipher.begin(), cipher.end());
    EXPECT_EQ(Bytes("EncFile/app.enc"), expected);
}

}  // namespace
