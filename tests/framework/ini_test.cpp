#include "framework/Ini.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "framework/Files.h"
#include "framework/Format.h"
#include "tests/framework/TempFolder.h"

namespace fw {
namespace {

using fw::testing::TempFolder;

std::string U8(TextView t) { return TextToUtf8(t); }

TEST(Ini, ReadStringSemantics) {
    struct Row {
        const char* file;
        Text section, key;
        std::size_t buffer;
        const char* want;
    };
    const Row rows[] = {
        {"[dlparam]\nBaud=115200\n", u"dlparam", u"Baud", 260, "115200"},
        {"[DLPARAM]\nbaud=1\n", u"dlparam", u"BAUD", 260, "1"},                      // names without case
        {"  [ dlparam ]  \n  Baud  =  9600  \n", u"dlparam", u"Baud", 260, "9600"},  // blanks trimmed
        {"[dlparam]\n\tBaud\t=\t a b \t\n", u"dlparam", u"Baud", 260, "a b"},
        {"[dlparam]\nname=\"  quoted  \"\n", u"dlparam", u"name", 260, "  quoted  "},
        {"[dlparam]\nname='x'\n", u"dlparam", u"name", 260, "x"},
        {"[dlparam]\nname=\"x'\n", u"dlparam", u"name", 260, "\"x'"},  // quotes must match
        {"[dlparam]\nname=\"\n", u"dlparam", u"name", 260, "\""},
        {"[dlparam]\nk=first\nk=second\n", u"dlparam", u"k", 260, "first"},
        {"[dlparam]\nk=first\n[dlparam]\nk=second\nj=only\n", u"dlparam", u"j", 260, "only"},
        {"[other]\nk=x\n[dlparam]\nk=y\n", u"dlparam", u"k", 260, "y"},
        {"k=outside\n[dlparam]\n", u"dlparam", u"k", 260, "default"},  // keys before any section belong to none
        {"[dlparam]\n;k=commented\n", u"dlparam", u"k", 260, "default"},
        {"[dlparam]\nk\n", u"dlparam", u"k", 260, "default"},  // a line without "=" is no key
        {"[dlparam]\nk=\n", u"dlparam", u"k", 260, ""},
        {"[dlparam]\nk=a=b\n", u"dlparam", u"k", 260, "a=b"},
        {"[dlparam]\r\nk=crlf\r\n", u"dlparam", u"k", 260, "crlf"},
        {"\xEF\xBB\xBF[dlparam]\nk=bom\n", u"dlparam", u"k", 260, "bom"},
        {"[dlparam]\n未连接设备=Not connected\n", u"dlparam", u"未连接设备", 260, "Not connected"},
        {"[dlparam]\nk=abcdef\n", u"dlparam", u"k", 4, "abc"},  // cut to the buffer size minus one
        {"[dlparam]\nk=abcdef\n", u"dlparam", u"k", 1, ""},
        {"[dlparam]\nk=abcdef\n", u"dlparam", u"k", 0, ""},
        {"[dlparam]\n", u"dlparam", u"missing", 5, "defa"},  // the default is cut too
        {"[dlparam\nk=unclosed\n", u"dlparam", u"k", 260, "unclosed"},
        {"[dlparam]\nk=no final newline", u"dlparam", u"k", 260, "no final newline"},
        {"", u"dlparam", u"k", 260, "default"},
    };
    TempFolder dir;
    for (const Row& r : rows) {
        dir.Write("a.ini", r.file);
        EXPECT_EQ(U8(GetPrivateProfileString(r.section, r.key, u"default", r.buffer, dir.Wide("a.ini"))), r.want)
            << r.file;
    }
    EXPECT_EQ(U8(GetPrivateProfileString(u"dlparam", u"k", u"absent", 260, dir.Wide("missing.ini"))), "absent");
    EXPECT_EQ(U8(GetPrivateProfileString(u"dlparam", u"k", u"folder", 260, dir.Wide())), "folder");
}

TEST(Ini, ReadIntSemantics) {
    struct Row {
        const char* value;  // nullptr: the key is absent
        int want;
    };
    const Row rows[] = {
        {nullptr, 77},
        {"12", 12},
        {"  -5 ", -5},
        {"+3", 3},
        {"42abc", 42},
        {"abc", 0},
        {"", 0},
        {"0x10", 0},
        {"- 4", 0},
        {"007", 7},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
        {"\"15\"", 15},
    };
    TempFolder dir;
    for (const Row& r : rows) {
        dir.Write("a.ini", r.value == nullptr ? std::string("[dlparam]\nother=1\n")
                                              : std::string("[dlparam]\ntotal=") + r.value + "\n");
        EXPECT_EQ(GetPrivateProfileInt(u"dlparam", u"total", 77, dir.Wide("a.ini")), r.want)
            << (r.value ? r.value : "(absent)");
    }
    EXPECT_EQ(GetPrivateProfileInt(u"dlparam", u"total", -1, dir.Wide("missing.ini")), -1);
}

TEST(Ini, EveryCallReadsTheFileAnew) {
    TempFolder dir;
    dir.Write("a.ini", "[s]\nk=1\n");
    EXPECT_EQ(GetPrivateProfileInt(u"s", u"k", 0, dir.Wide("a.ini")), 1);
    dir.Write("a.ini", "[s]\nk=2\n");
    EXPECT_EQ(GetPrivateProfileInt(u"s", u"k", 0, dir.Wide("a.ini")), 2);
}

TEST(Ini, WritesKeepEveryOtherLine) {
    struct Row {
        const char* before;
        Text section, key, value;
        const char* after;
    };
    const Row rows[] = {
        // Replaces the value in place, keeping the key's spelling, comments, order and line ends.
        {"; settings\r\n[dlparam]\r\nBaud = 9600\r\nunknown=x\r\n\r\n[other]\r\nk=1\r\n", u"DLPARAM", u"baud",
         u"115200", "; settings\r\n[dlparam]\r\nBaud=115200\r\nunknown=x\r\n\r\n[other]\r\nk=1\r\n"},
        // A new key goes after the section's last key, before the blank line that separates sections.
        {"[dlparam]\na=1\n\n; next\n[other]\n", u"dlparam", u"b", u"2", "[dlparam]\na=1\nb=2\n\n; next\n[other]\n"},
        {"[dlparam]\n[other]\n", u"dlparam", u"b", u"2", "[dlparam]\nb=2\n[other]\n"},
        // A new section is appended, completing a last line without line end.
        {"[other]\nk=1", u"dlparam", u"total", u"5", "[other]\nk=1\n[dlparam]\ntotal=5\n"},
        {"", u"dlparam", u"total", u"5", "[dlparam]\ntotal=5\n"},
        {"\xEF\xBB\xBF[dlparam]\nk=1\n", u"dlparam", u"k", u"2", "\xEF\xBB\xBF[dlparam]\nk=2\n"},
        // Only the first occurrence changes, as only it is read.
        {"[s]\nk=1\nk=2\n", u"s", u"k", u"3", "[s]\nk=3\nk=2\n"},
        // Values that reading would change are quoted so they read back as written.
        {"[s]\n", u"s", u"k", u" padded ", "[s]\nk=\" padded \"\n"},
        {"[s]\n", u"s", u"k", u"\"q\"", "[s]\nk=\"\"q\"\"\n"},
        {"[s]\n", u"s", u"路径", u"C:\\文件.bin", "[s]\n路径=C:\\文件.bin\n"},
    };
    TempFolder dir;
    for (const Row& r : rows) {
        dir.Write("a.ini", r.before);
        ASSERT_TRUE(WritePrivateProfileString(r.section, r.key, r.value, dir.Wide("a.ini"))) << r.before;
        EXPECT_EQ(dir.Read("a.ini"), r.after) << r.before;
        EXPECT_EQ(GetPrivateProfileString(r.section, r.key, u"", 260, dir.Wide("a.ini")), r.value);
    }
}

TEST(Ini, WritesThatCannotBeStoredAsWrittenAreRefused) {
    TempFolder dir;
    dir.Write("a.ini", "[s]\nk=1\n");
    const Text file = dir.Wide("a.ini");
    EXPECT_FALSE(WritePrivateProfileString(u"s", u"k", u"1\n[evil]\nx=1", file));
    EXPECT_FALSE(WritePrivateProfileString(u"s", u"a=b", u"1", file));
    EXPECT_FALSE(WritePrivateProfileString(u"s", u"", u"1", file));
    EXPECT_FALSE(WritePrivateProfileString(u"s]x", u"k", u"1", file));
    EXPECT_FALSE(WritePrivateProfileString(u"s", u"k", u"1", dir.Wide("missing/a.ini")));
    EXPECT_EQ(dir.Read("a.ini"), "[s]\nk=1\n");
}

// What an INI file can hold so that the key reads back exactly its value: the program's INI mode takes everything
// else from elsewhere.
TEST(Ini, CanHoldOnlyWhatReadsBackUnchanged) {
    struct Case {
        const char16_t* key;
        const char16_t* value;
        bool held;
    };
    const Case cases[] = {
        {u"请先连接设备！", u"Please connect a device first!", true},
        {u"后缀", u" suffix ", true},
        {u"比较", u"a=b; c", true},
        {u"引号", u"\"quoted\"", true},
        {u"空", u"", true},
        {u"两行\n文本", u"two\nlines", false},
        {u"一行", u"two\nlines", false},
        {u" 前导空格", u"leading blank", false},
        {u"末尾空格 ", u"trailing blank", false},
        {u"地址=%08X", u"address=%08X", false},
        {u"[提示]", u"[Tip]", false},
        {u";注释", u";comment", false},
        {u"", u"empty", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IniCanHold(u"dlparam", c.key, c.value), c.held) << TextToUtf8(c.key);
}

TEST(Ini, DeleteKeyAndSection) {
    TempFolder dir;
    const Text file = dir.Wide("a.ini");
    dir.Write("a.ini", "[dlparam]\ntotal=3\npass=2\nTOTAL=9\n[x]\ntotal=1\n");
    ASSERT_TRUE(DeletePrivateProfileKey(u"DlParam", u"total", file));
    EXPECT_EQ(dir.Read("a.ini"), "[dlparam]\npass=2\n[x]\ntotal=1\n");
    EXPECT_EQ(GetPrivateProfileInt(u"dlparam", u"total", -1, file), -1);
    ASSERT_TRUE(DeletePrivateProfileKey(u"dlparam", u"absent", file));
    ASSERT_TRUE(DeletePrivateProfileSection(u"dlparam", file));
    EXPECT_EQ(dir.Read("a.ini"), "[x]\ntotal=1\n");
    EXPECT_TRUE(DeletePrivateProfileKey(u"x", u"k", dir.Wide("missing.ini")));
    EXPECT_FALSE(FileExists(dir.Wide("missing.ini")));
}

// Several download workers write their counters to one file at once: every write must survive.
TEST(Ini, ConcurrentWritersOfDifferentKeysLoseNothing) {
    TempFolder dir;
    const Text file = dir.Wide("SysConfig.ini");
    dir.Write("SysConfig.ini", "; keep me\n[dlparam]\ninterface=01\n");
    constexpr int kThreads = 8;
    constexpr int kRounds = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 1; round <= kRounds; ++round) {
                EXPECT_TRUE(WritePrivateProfileString(u"dlparam", Format(u"worker%d", t), Format(u"%d", round), file));
                EXPECT_GE(GetPrivateProfileInt(u"dlparam", Format(u"worker%d", t), 0, file), round);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(GetPrivateProfileInt(u"dlparam", Format(u"worker%d", t), 0, file), kRounds) << t;
    }
    EXPECT_EQ(U8(GetPrivateProfileString(u"dlparam", u"interface", u"", 260, file)), "01");
    EXPECT_TRUE(dir.Read("SysConfig.ini").starts_with("; keep me\n[dlparam]\ninterface=01\n"));
}

}  // namespace
}  // namespace fw
