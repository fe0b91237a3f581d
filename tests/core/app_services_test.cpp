#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "core/AppServices.h"
#include "core/FileFilters.h"
#include "core/FileServices.h"
#include "framework/Files.h"
#include "framework/System.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/framework/TempFolder.h"

namespace {

TEST(AppServices, SplitFileNameTable) {
    struct Case {
        fw::TextView path;
        fw::TextView title;
        fw::TextView extension;
    };
    const Case cases[] = {
        {u"C:\\work\\fw.rev.bin", u"fw.rev", u"bin"},
        {u"/home/me/fw.rev.bin", u"fw.rev", u"bin"},
        {u"fw", u"fw", u"fw"},
        {u"dir.d\\fw", u"fw", u"fw"},
        {u"a/b\\c.hex", u"c", u"hex"},
        {u"", u"", u""},
    };
    for (const Case& c : cases) {
        fw::Text title = u"x", extension = u"y";
        SplitFileName(c.path, title, extension);
        EXPECT_EQ(title, c.title) << fw::TextToUtf8(c.path);
        EXPECT_EQ(extension, c.extension) << fw::TextToUtf8(c.path);
    }
}

TEST(AppServices, FileFiltersPutTheLastTypeFirst) {
    // No language bound: the texts are the Chinese keys.
    const fw::Text bin = u"Bin文件(*.bin)|*.bin|", hex = u"Hex文件(*.hex)|*.hex|", enc = u"Enc文件(*.enc)|*.enc|",
                   project = u"下载工程文件(*.dlpf)|*.dlpf|";
    struct Case {
        fw::TextView last;
        fw::Text filter;
        fw::Text projectFilter;
    };
    const Case cases[] = {
        {u"", bin + hex + enc + u"|", bin + hex + enc + project + u"|"},
        {u" ENC ", enc + bin + hex + u"|", enc + bin + hex + project + u"|"},
        {u"hex", hex + bin + enc + u"|", hex + bin + enc + project + u"|"},
        {u"dlpf", bin + hex + enc + u"|", project + bin + hex + enc + u"|"},
        {u"x", hex + bin + enc + u"|", hex + bin + enc + project + u"|"},  // occurs in "*.hex"
        {u"bin", bin + hex + enc + u"|", bin + hex + enc + project + u"|"},
        {u"zip", bin + hex + enc + u"|", bin + hex + enc + project + u"|"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildFileFilter(c.last), c.filter) << fw::TextToUtf8(c.last);
        EXPECT_EQ(BuildProjectFileFilter(c.last), c.projectFilter) << fw::TextToUtf8(c.last);
    }
}

TEST(AppServices, ReadFileToBufferPadsForTheCipher) {
    fw::testing::TempFolder dir;
    dir.Write("a.bin", std::string(20, 'a'));
    dir.Write("b.ENC", std::string(36, 'b'));
    dir.Write("c.enc", std::string(30, 'c'));
    dir.Write("d.bin", std::string(32, 'd'));
    struct Case {
        const char* name;
        bool pad;
        uint32_t size;
    };
    const Case cases[] = {
        {"a.bin", true, 32}, {"a.bin", false, 20},
        {"b.ENC", true, 36}, {"c.enc", true, 36},  // 26 bytes after the header grow to 32
        {"d.bin", true, 32},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> buffer(3, 0x55);
        uint32_t size = 0;
        ASSERT_TRUE(ReadFileToBuffer(buffer, size, dir.Wide(c.name), c.pad)) << c.name;
        EXPECT_EQ(size, c.size) << c.name;
        ASSERT_EQ(buffer.size(), c.size) << c.name;
        const std::string contents = dir.Read(c.name);
        EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + contents.size()), contents);
        for (size_t i = contents.size(); i < buffer.size(); ++i)
            EXPECT_EQ(buffer[i], 0) << c.name;
    }
    std::vector<uint8_t> kept(3, 0x55);
    uint32_t size = 7;
    EXPECT_FALSE(ReadFileToBuffer(kept, size, dir.Wide("missing.bin"), true));
    EXPECT_EQ(kept, std::vector<uint8_t>(3, 0x55));
    EXPECT_EQ(size, 7u);
}

// The comparison the program used to make: digits one by one after the dots are removed.
int DigitByDigit(const std::string& a, const std::string& b) {
    std::string x, y;
    for (char c : a)
        if (c != '.') x += c;
    for (char c : b)
        if (c != '.') y += c;
    for (size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
        if (x[i] != y[i]) return x[i] < y[i] ? 2 : 1;
    }
    return 0;
}

TEST(AppServices, CompareVersionTable) {
    struct Case {
        fw::TextView a;
        fw::TextView b;
        int result;
    };
    const Case cases[] = {
        {u"3.1.10", u"3.1.6", 1},  // numbers, not digits: 10 is newer than 6
        {u"1.2.10", u"1.2.9", 1},  {u"10.0", u"9.9", 1},    {u"1.9.0", u"1.10.0", 2},
        {u"3.1.6", u"3.1.5", 1},   {u"3.1.5", u"3.1.6", 2}, {u"2.0", u"2.0.1", 0},
        {u"1.3.7", u"1.3.7.1", 0}, {u"1.3.7", u"1.3.7", 0}, {u"", u"", 0},
        {u"1.06", u"1.6", 0},      {u"1.a", u"1.0", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareVersion(c.a, c.b), c.result) << fw::TextToUtf8(c.a) << " against " << fw::TextToUtf8(c.b);
    }
}

TEST(AppServices, CompareVersionKeepsTheOldAnswerForSingleDigitComponents) {
    std::mt19937 engine(11);
    for (int i = 0; i < 2000; ++i) {
        auto version = [&] {
            std::string v = std::to_string(engine() % 10);
            for (unsigned n = engine() % 4; n > 0; --n)
                v += "." + std::to_string(engine() % 10);
            return v;
        };
        const std::string a = version(), b = version();
        EXPECT_EQ(CompareVersion(fw::Utf8ToText(a), fw::Utf8ToText(b)), DigitByDigit(a, b)) << a << " " << b;
    }
}

TEST(AppServices, TimestampAndSerialHaveTheirForms) {
    EXPECT_TRUE(std::regex_match(fw::TextToUtf8(TimestampForFileName()),
                                 std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}-[0-9]{2}-[0-9]{2}")));
    const std::time_t before = std::time(nullptr);
    const fw::Text first = RandomSerial16();
    const fw::Text second = RandomSerial16();
    const std::time_t after = std::time(nullptr);
    EXPECT_TRUE(std::regex_match(fw::TextToUtf8(first), std::regex("[0-9]{16}")));
    if (before == after) {
        EXPECT_EQ(first, second);
    }
}

TEST(AppServices, FileModifiedTimeReadsUtcFieldsAsLocalStandardTime) {
    fw::testing::TempFolder dir;
    dir.Write("f.bin", "x");
    struct Case {
        const char* zone;
        std::time_t utc;       // the file's last-write time
        std::time_t expected;  // its UTC fields read as local standard time
    };
    const Case cases[] = {
        {"UTC0", 1705314030, 1705314030},                // 2024-01-15 10:20:30
        {"CST-8", 1705314030, 1705314030 - 8 * 3600},    // local = UTC+8
        {"EST5EDT", 1719835200, 1719835200 + 5 * 3600},  // 2024-07-01 12:00: summer, yet no daylight saving
    };
    for (const Case& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        const timeval times[2] = {{c.utc, 0}, {c.utc, 0}};
        ASSERT_EQ(utimes(dir.Os("f.bin").c_str(), times), 0);
        EXPECT_EQ(FileModifiedTime(dir.Wide("f.bin")), static_cast<uint32_t>(c.expected)) << c.zone;
    }
    EXPECT_EQ(FileModifiedTime(dir.Wide("missing.bin")), 0u);
    EXPECT_NE(FileModifiedTime(dir.Wide()), 0u);  // folders too
}

TEST(AppServices, ListFilesByExtensionAppendsNamesWithoutTheirExtension) {
    fw::testing::TempFolder dir;
    for (const char* name : {"spi.bin", "QSPI.BIN", "notes.hex", "job.dlpf"})
        dir.Write(name, "x");
    std::vector<fw::Text> names = {u"kept"};
    ListFilesByExtension(dir.Wide(), u"bin", names);
    EXPECT_EQ(names, (std::vector<fw::Text>{u"kept", u"QSPI", u"spi"}));
    std::vector<fw::Text> projects;
    ListFilesByExtension(dir.Wide(), u"dlpf", projects);
    EXPECT_EQ(projects, std::vector<fw::Text>{u"job"});
    std::vector<fw::Text> none;
    ListFilesByExtension(dir.Wide("missing"), u"bin", none);
    EXPECT_TRUE(none.empty());
}

TEST(AppServices, FailureTraceCollectsLines) {
    const fw::Text before = GetFailureTrace();
    LogFailure(u"连接失败", 0);
    LogFailure(u"second", 0);
    EXPECT_EQ(GetFailureTrace(), before + u"连接失败\nsecond\n");
}

}  // namespace

namespace {

TEST(AppServices, WriteBufferToFileWritesWholeOrTellsTheUser) {
    fw::HeadlessHost host;
    fw::testing::TempFolder dir;
    dir.Write("old.bin", "old contents");
    const std::vector<uint8_t> data = {0x00, 0x01, 0xFE, 0xFF};
    EXPECT_TRUE(WriteBufferToFile(dir.Wide("old.bin"), data));
    EXPECT_EQ(dir.Read("old.bin"), std::string("\x00\x01\xFE\xFF", 4));

    const fw::Text missing = dir.Wide("no/such/folder/out.bin");
    host.ExpectBox(missing + u"文件打开失败！", fw::IDOK);
    EXPECT_FALSE(WriteBufferToFile(missing, data));
    EXPECT_EQ(host.Boxes().size(), 1u);
}

TEST(AppServices, ModuleVersionIsTheBuildsThreeNumbers) {
    const std::string version = fw::TextToUtf8(GetModuleVersion());
    EXPECT_TRUE(std::regex_match(version, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+"))) << version;
    EXPECT_EQ(GetModuleVersion(), fw::GetProgramVersion());
}

}  // namespace
