// The bin and hex file tool: its refusals and messages, the files each job writes, and that a refusal writes
// nothing.
#include <set>

#include "core/IntelHex.h"
#include "tests/framework/FileSizeLimit.h"
#include "tests/tools/ToolDialogFixture.h"
#include "tools/Bin2HexFileDlg.h"

namespace {

using fw::IDOK;

struct Bin2HexTest : ToolDialogTest {
    void SetUp() override {
        ToolDialogTest::SetUp();
        ASSERT_TRUE(dlg.Create());
    }
    void Press(int id, const char16_t* message) {
        host.ExpectBox(message, IDOK);
        EXPECT_TRUE(dlg.Click(id));
    }
    CBin2HexFileDlg dlg;
};

TEST(Bin2HexTarget, TheAddressReplacesTheFileNamesTailOnly) {
    struct Case {
        const char16_t* path;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"/w/app.hex", u"/w/app(08001000).hex"},
        {u"/w/app(08000000).hex", u"/w/app(08001000).hex"},
        {u"/w/build (x64)/app.hex", u"/w/build (x64)/app(08001000).hex"},
        {u"/w/build (x64)/app(1).hex", u"/w/build (x64)/app(08001000).hex"},
        {u"app.hex", u"app(08001000).hex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fw::TextToUtf8(c.path));
        EXPECT_EQ(HexTargetWithAddress(c.path, u"08001000"), c.expected);
    }
}

TEST_F(Bin2HexTest, OpensWithItsDefaults) {
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_START_ADDRESS), u"08000000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_SIZE), u"2048");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_BYTE), u"FF");
    EXPECT_EQ(dlg.GetDlgItem(IDC_B2H_BYTE).GetLimitText(), 2);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_B2H_FIXED_BYTE), 1);
    EXPECT_TRUE(dlg.Click(IDC_B2H_RANDOM_BYTE));
    EXPECT_FALSE(dlg.GetDlgItem(IDC_B2H_BYTE).IsWindowEnabled());
    EXPECT_TRUE(dlg.Click(IDC_B2H_FIXED_BYTE));
    EXPECT_TRUE(dlg.GetDlgItem(IDC_B2H_BYTE).IsWindowEnabled());
}

TEST_F(Bin2HexTest, BinToHexRefusalsWriteNothing) {
    struct Case {
        const char16_t* bin;
        const char16_t* hex;
        const char16_t* address;
        const char16_t* message;
    };
    const Case cases[] = {
        {u"", u"x.hex", u"08000000", u"bin 文件不能为空！"},
        {u"x.bin", u"", u"08000000", u"hex 文件不能为空！"},
        {u"x.bin", u"x.hex", u"", u"起始地址不能为空！"},
        {u"x.bin", u"x.hex", u"0X08000000", u"起始地址必须是十六进制字符！"},  // only a lower-case 0x is dropped
        {u"x.bin", u"x.hex", u"0x", u"起始地址必须是十六进制字符！"},
        {u"x.bin", u"x.hex", u"08g0", u"起始地址必须是十六进制字符！"},
        {u"x.bin", u"x.hex", u"108000000", u"起始地址不能超过8位十六进制数！"},
    };
    dir.Write("x.bin", "abc");
    for (const Case& c : cases) {
        SCOPED_TRACE(fw::TextToUtf8(c.message));
        dlg.SetDlgItemText(IDC_B2H_BIN_PATH, c.bin[0] ? dir.Wide(fw::TextToUtf8(c.bin)) : fw::Text());
        dlg.SetDlgItemText(IDC_B2H_HEX_PATH, c.hex[0] ? dir.Wide(fw::TextToUtf8(c.hex)) : fw::Text());
        dlg.SetDlgItemText(IDC_B2H_START_ADDRESS, c.address);
        Press(IDC_B2H_BIN_TO_HEX, c.message);
        EXPECT_EQ(Files(), std::vector<std::string>{"x.bin"});
    }
}

TEST_F(Bin2HexTest, BinToHexNamesTheTargetAfterTheAddressAndWritesIt) {
    dir.Write("app.bin", std::string(40, '\x5A'));
    dlg.SetDlgItemText(IDC_B2H_BIN_PATH, dir.Wide("app.bin"));
    dlg.SetDlgItemText(IDC_B2H_HEX_PATH, dir.Wide("app.hex"));
    dlg.SetDlgItemText(IDC_B2H_START_ADDRESS, u" 0x0800 1000");
    Press(IDC_B2H_BIN_TO_HEX, u"Bin->Hex成功！");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_HEX_PATH), dir.Wide("app(08001000).hex"));
    HexSegment segment;
    ASSERT_EQ(ReadHexSegments(dir.Wide("app(08001000).hex"), std::span(&segment, 1)), 1);
    EXPECT_EQ(segment.startAddress, 0x08001000u);
    EXPECT_EQ(segment.data, std::vector<uint8_t>(40, 0x5A));

    dlg.SetDlgItemText(IDC_B2H_START_ADDRESS, u"08000000");
    Press(IDC_B2H_BIN_TO_HEX, u"Bin->Hex成功！");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_HEX_PATH), dir.Wide("app(08000000).hex"));

    // 40 bytes from FFFFFFF0 would run past 4 GiB and wrap to address 0.
    dlg.SetDlgItemText(IDC_B2H_START_ADDRESS, u"FFFFFFF0");
    Press(IDC_B2H_BIN_TO_HEX, u"Bin->Hex失败！");
    EXPECT_FALSE(Exists("app(FFFFFFF0).hex"));

    dlg.SetDlgItemText(IDC_B2H_BIN_PATH, dir.Wide("missing.bin"));
    Press(IDC_B2H_BIN_TO_HEX, u"Bin->Hex失败！");
}

TEST_F(Bin2HexTest, HexToBinReportsEveryResultCode) {
    struct Case {
        const char* name;
        std::string text;  // empty: the file does not exist
        const char16_t* message;
        const char* bin = "out.bin";
        bool fullDisk = false;  // the output cannot be written whole
    };
    const std::string ok = ":020000001122CB\r\n:00000001FF\r\n";
    const Case cases[] = {
        {"ok.hex", ok, u"Hex->Bin成功！"},
        {"long.hex", ":" + std::string(530, '0') + "\r\n:00000001FF\r\n", u"Hex->Bin失败:数据太长"},
        {"short.hex", ":0200\r\n:00000001FF\r\n", u"Hex->Bin失败:数据太短"},
        {"nocolon.hex", "020000001122CB\r\n:00000001FF\r\n", u"Hex->Bin失败:无标号"},
        {"type.hex", ":020000091122C2\r\n:00000001FF\r\n", u"Hex->Bin失败:类型出错，或许不存在"},
        {"count.hex", ":030000001122CB\r\n:00000001FF\r\n", u"Hex->Bin失败:数据长度字段和内容的总长度不对应"},
        {"digit.hex", ":02000000G122CB\r\n:00000001FF\r\n", u"Hex->Bin失败:数据长度字段和内容的总长度不对应"},
        {"sum.hex", ":020000001122CC\r\n:00000001FF\r\n", u"Hex->Bin失败:校验错误"},
        {"missing.hex", "", u"Hex->Bin失败:HEX文件不存在"},
        {"ok.hex", ok, u"Hex->Bin失败:BIN文件路径可能不正确", "missing/out.bin"},
        {"ok.hex", ok, u"Hex->Bin失败:写数据出错", "out.bin", true},
        {"noend.hex", ":020000001122CB\r\n", u"Hex->Bin失败:hex文件没有结束符"},
        {"below.hex", ":020010001122BB\r\n:020000001122CB\r\n:00000001FF\r\n", u"Hex->Bin失败:数据地址超出范围"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty()) dir.Write(c.name, c.text);
        dlg.SetDlgItemText(IDC_B2H_HEX_PATH, dir.Wide(c.name));
        dlg.SetDlgItemText(IDC_B2H_BIN_PATH, dir.Wide(c.bin));
        if (!c.fullDisk) {
            Press(IDC_B2H_HEX_TO_BIN, c.message);
            continue;
        }
        // A file size limit of one byte stops the write of the two-byte output.
        dir.Write(c.bin, "previous");
        {
            fw::testing::FileSizeLimit limit(1);
            ASSERT_TRUE(limit.Ok());
            Press(IDC_B2H_HEX_TO_BIN, c.message);
        }
        EXPECT_EQ(dir.Read(c.bin), "previous");
    }
    dir.Write("out.bin", "x");
    dlg.SetDlgItemText(IDC_B2H_HEX_PATH, dir.Wide("ok.hex"));
    Press(IDC_B2H_HEX_TO_BIN, u"Hex->Bin成功！");
    EXPECT_EQ(dir.Read("out.bin"), std::string("\x11\x22", 2));
    dlg.SetDlgItemText(IDC_B2H_BIN_PATH, u"");
    Press(IDC_B2H_HEX_TO_BIN, u"bin 文件不能为空！");
}

TEST_F(Bin2HexTest, MergePassesOnlyTheFilledSlots) {
    Press(IDC_B2H_MERGE, u"请选择需要合并的文件！");
    dir.Write("b.hex", ":02001000334477\r\n:00000001FF\r\n");
    dlg.SetDlgItemText(IDC_B2H_HEX2_PATH, dir.Wide("b.hex"));
    Press(IDC_B2H_MERGE, u"目标文件不能为空！");
    dlg.SetDlgItemText(IDC_B2H_MERGE_TARGET, dir.Wide("out.hex"));
    Press(IDC_B2H_MERGE, u"合并成功！");
    EXPECT_EQ(dir.Read("out.bin"), std::string("\x33\x44", 2));
    EXPECT_TRUE(Exists("out.hex"));
    dlg.SetDlgItemText(IDC_B2H_HEX1_PATH, dir.Wide("missing.hex"));
    Press(IDC_B2H_MERGE, u"合并失败！");
}

// The binary is written first and fits under the limit; the HEX text after it does not. A merge that fails must
// not leave a new binary beside the old HEX.
TEST_F(Bin2HexTest, AMergeWhoseSecondOutputFailsKeepsBothOldFiles) {
    dir.Write("b.hex", ":02001000334477\r\n:00000001FF\r\n");
    dir.Write("out.bin", "old bin");
    dir.Write("out.hex", "old hex");
    dlg.SetDlgItemText(IDC_B2H_HEX1_PATH, dir.Wide("b.hex"));
    dlg.SetDlgItemText(IDC_B2H_MERGE_TARGET, dir.Wide("out.hex"));
    {
        fw::testing::FileSizeLimit limit(16);
        ASSERT_TRUE(limit.Ok());
        Press(IDC_B2H_MERGE, u"合并失败！");
    }
    EXPECT_EQ(dir.Read("out.bin"), "old bin");
    EXPECT_EQ(dir.Read("out.hex"), "old hex");
    EXPECT_EQ(Files(), (std::vector<std::string>{"b.hex", "out.bin", "out.hex"}));

    Press(IDC_B2H_MERGE, u"合并成功！");
    EXPECT_EQ(dir.Read("out.bin"), std::string("\x33\x44", 2));
    EXPECT_EQ(dir.Read("out.hex"), ":02001000334477\r\n:00000001FF\r\n");
}

TEST_F(Bin2HexTest, GenerateChecksEverythingBeforeItTouchesTheTarget) {
    struct Case {
        const char16_t* size;
        bool random;
        const char16_t* byte;
        const char16_t* message;
    };
    const Case refused[] = {
        {u"", false, u"FF", u"大小不能为空！"},
        {u"10485761", false, u"FF", u"大小不能大于10M！"},
        {u"99999999999999999999", false, u"FF", u"大小不能大于10M！"},
        {u"16", false, u"", u"字节不能为空！"},
        {u"16", false, u"ZZ", u"字节必须是十六进制字符！"},
        {u"16", false, u"0x", u"字节必须是十六进制字符！"},
        {u"16", false, u"F ", u"字节必须是十六进制字符！"},
        {u"0", false, u"FF", u"写入bin文件失败！"},
    };
    dir.Write("gen.bin", "keep");
    dlg.SetDlgItemText(IDC_B2H_GENERATE_TARGET, dir.Wide("gen.bin"));
    for (const Case& c : refused) {
        SCOPED_TRACE(fw::TextToUtf8(c.message));
        dlg.SetDlgItemText(IDC_B2H_SIZE, c.size);
        dlg.SetDlgItemText(IDC_B2H_BYTE, c.byte);
        Press(IDC_B2H_GENERATE, c.message);
        EXPECT_EQ(dir.Read("gen.bin"), "keep");
    }

    dlg.SetDlgItemText(IDC_B2H_SIZE, u"10485760");
    dlg.SetDlgItemText(IDC_B2H_BYTE, u"A5");
    Press(IDC_B2H_GENERATE, u"生成bin文件成功！");
    EXPECT_EQ(dir.Read("gen.bin"), std::string(10485760, '\xA5'));

    dlg.SetDlgItemText(IDC_B2H_SIZE, u"4096");
    EXPECT_TRUE(dlg.Click(IDC_B2H_RANDOM_BYTE));
    dlg.SetDlgItemText(IDC_B2H_BYTE, u"");  // not looked at for random bytes
    Press(IDC_B2H_GENERATE, u"生成bin文件成功！");
    const std::vector<uint8_t> random = Bytes("gen.bin");
    ASSERT_EQ(random.size(), 4096u);
    EXPECT_TRUE(std::all_of(random.begin(), random.end(), [](uint8_t b) { return b < 100; }));
    EXPECT_GT(std::set<uint8_t>(random.begin(), random.end()).size(), 50u);

    dlg.SetDlgItemText(IDC_B2H_GENERATE_TARGET, u"");
    Press(IDC_B2H_GENERATE, u"bin 文件不能为空！");
}

TEST_F(Bin2HexTest, ChosenTargetsTakeTheirExtensionAndAskBeforeReplacing) {
    host.ExpectSaveFile(dir.Wide("out"));
    EXPECT_TRUE(dlg.Click(IDC_B2H_SELECT_MERGE_TARGET));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_MERGE_TARGET), dir.Wide("out.hex"));

    dir.Write("old.HEX", "x");
    host.ExpectSaveFile(dir.Wide("old.HEX"));
    host.ExpectBox(u"覆盖选择的文件?", fw::IDCANCEL);
    EXPECT_TRUE(dlg.Click(IDC_B2H_SELECT_MERGE_TARGET));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_MERGE_TARGET), dir.Wide("out.hex"));
    EXPECT_EQ(host.Boxes().back().caption, u"提醒");

    host.ExpectSaveFile(dir.Wide("old.HEX"));
    host.ExpectBox(u"覆盖选择的文件?", IDOK);
    EXPECT_TRUE(dlg.Click(IDC_B2H_SELECT_MERGE_TARGET));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_MERGE_TARGET), dir.Wide("old.HEX"));

    host.ExpectOpenFile(dir.Wide("fw.bin"));
    EXPECT_TRUE(dlg.Click(IDC_B2H_SELECT_BIN));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_B2H_HEX_PATH), dir.Wide("fw.hex"));
}

}  // namespace
