#include "framework/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/framework/FileSizeLimit.h"
#include "tests/framework/TempFolder.h"

namespace fw {
namespace {

using fw::testing::TempFolder;

std::string U8(TextView t) { return TextToUtf8(t); }

int EntryCount(const TempFolder& dir) {
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    return entries;
}

TEST(Files, PathsAreJoinedWithSlashAndBackslashesConverted) {
    struct Row {
        Text folder, name;
        const char* joined;
    };
    const Row rows[] = {
        {u"/work", u"SysConfig.ini", "/work/SysConfig.ini"},
        {u"/work/", u"\\SysConfig.ini", "/work/SysConfig.ini"},
        {u"/work", u"Languages\\en.ini", "/work/Languages/en.ini"},
        {u"C:\\data", u"FLM\\x.FLM", "C:/data/FLM/x.FLM"},
        {u"", u"FLM\\x.FLM", "FLM/x.FLM"},
        {u"/work", u"", "/work"},
        {u"/", u"etc", "/etc"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(U8(JoinPath(r.folder, r.name)), r.joined);
    EXPECT_EQ(ToOsPath(u"Languages\\中文.ini"), "Languages/中文.ini");
}

TEST(Files, RelativeBackslashNamesOpenAgainstTheWorkingDirectory) {
    TempFolder dir;
    dir.Write("Languages/en.ini", "[dlparam]\n");
    const Text before = GetWorkingDirectory();
    ASSERT_TRUE(SetWorkingDirectory(dir.Wide()));
    EXPECT_EQ(std::filesystem::path(U8(GetWorkingDirectory())), std::filesystem::canonical(dir.Path()));
    EXPECT_TRUE(FileExists(u"Languages\\en.ini"));
    EXPECT_TRUE(FolderExists(u"Languages"));
    EXPECT_FALSE(FileExists(u"Languages"));
    EXPECT_TRUE(ReadWholeFile(u"Languages\\en.ini", 100));
    EXPECT_FALSE(SetWorkingDirectory(dir.Wide("missing")));
    ASSERT_TRUE(SetWorkingDirectory(before));
}

TEST(Files, CaseInsensitiveResolverFindsNamesFromData) {
    TempFolder dir;
    dir.Write("FLM/VK51x.FLM", "algo");
    dir.Write("Series CFG Table.ini", "x");
    EXPECT_EQ(U8(ResolvePathNoCase(dir.Wide("FLM/VK51X.FLM"))), dir.Os("FLM/VK51x.FLM"));
    EXPECT_EQ(U8(ResolvePathNoCase(dir.Wide("flm\\vk51x.flm"))), dir.Os("FLM/VK51x.FLM"));
    EXPECT_EQ(U8(ResolvePathNoCase(dir.Wide("SERIES cfg TABLE.INI"))), dir.Os("Series CFG Table.ini"));
    // Exact names are taken as they are; a missing name gives the input back (normalised).
    EXPECT_EQ(U8(ResolvePathNoCase(dir.Wide("FLM/VK51x.FLM"))), dir.Os("FLM/VK51x.FLM"));
    EXPECT_EQ(U8(ResolvePathNoCase(dir.Wide("FLM\\other.FLM"))), dir.Os("FLM/other.FLM"));
    EXPECT_EQ(U8(ResolvePathNoCase(dir.Wide("NOPE/VK51x.FLM"))), dir.Os("NOPE/VK51x.FLM"));

    const Text before = GetWorkingDirectory();
    ASSERT_TRUE(SetWorkingDirectory(dir.Wide()));
    EXPECT_EQ(U8(ResolvePathNoCase(u"flm\\VK51X.flm")), "FLM/VK51x.FLM");
    ASSERT_TRUE(SetWorkingDirectory(before));
}

TEST(Files, ReadWholeFileHonoursTheMaximum) {
    TempFolder dir;
    dir.Write("ten", "0123456789");
    dir.Write("empty", "");
    const ReadResult exact = ReadWholeFile(dir.Wide("ten"), 10);
    ASSERT_TRUE(exact);
    EXPECT_EQ(std::string(exact.bytes.begin(), exact.bytes.end()), "0123456789");
    EXPECT_EQ(ReadWholeFile(dir.Wide("ten"), 9).status, ReadStatus::TooLarge);
    EXPECT_TRUE(ReadWholeFile(dir.Wide("ten"), 9).bytes.empty());
    EXPECT_EQ(ReadWholeFile(dir.Wide("empty"), 0).status, ReadStatus::Ok);
    EXPECT_EQ(ReadWholeFile(dir.Wide("missing"), 100).status, ReadStatus::Missing);
    EXPECT_EQ(ReadWholeFile(dir.Wide(), 100).status, ReadStatus::Failed);
}

TEST(Files, AtomicWriteReplacesTheWholeFileAndKeepsItsMode) {
    TempFolder dir;
    dir.Write("a.ini", "old contents that are longer");
    ::chmod(dir.Os("a.ini").c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomic(dir.Wide("a.ini"), std::string_view("new")));
    EXPECT_EQ(dir.Read("a.ini"), "new");
    struct stat info {};
    ASSERT_EQ(::stat(dir.Os("a.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    ASSERT_TRUE(WriteFileAtomic(dir.Wide("fresh.bin"), std::string_view("\0\1", 2)));
    EXPECT_EQ(dir.Read("fresh.bin"), std::string("\0\1", 2));
    // Nothing but the target is left in the folder.
    EXPECT_EQ(EntryCount(dir), 2);
}

// A write that fails part way (here the file-size limit stands in for a full disk) must leave the old file as it
// was and answer false, with no temporary left behind.
TEST(Files, AtomicWriteThatFailsMidwayLeavesTheOldFileIntact) {
    TempFolder dir;
    dir.Write("SysConfig.ini", "[dlparam]\ntotal=5\n");
    const std::string big(64 * 1024, 'x');

    bool written = true;
    {
        fw::testing::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.Ok());
        written = WriteFileAtomic(dir.Wide("SysConfig.ini"), std::string_view(big));
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(dir.Read("SysConfig.ini"), "[dlparam]\ntotal=5\n");
    EXPECT_EQ(EntryCount(dir), 1);
}

TEST(Files, AtomicWriteIntoAMissingFolderOrOverAFolderFails) {
    TempFolder dir;
    std::filesystem::create_directory(dir.Path() / "sub");
    EXPECT_FALSE(WriteFileAtomic(dir.Wide("missing/a.ini"), std::string_view("x")));
    EXPECT_FALSE(WriteFileAtomic(dir.Wide("sub"), std::string_view("x")));
    EXPECT_FALSE(WriteFileAtomic(dir.Wide("sub/"), std::string_view("x")));
    EXPECT_TRUE(FolderExists(dir.Wide("sub")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path() / "sub"));
}

// Files written together: when one target cannot be replaced, the ones before it get their old contents back
// (or disappear where there were none), and no temporary is left.
TEST(Files, GroupWriteChangesAllFilesOrNone) {
    TempFolder dir;
    dir.Write("a.bin", "old a");
    std::filesystem::create_directory(dir.Path() / "c.bin");
    const std::string_view a = "new a", b = "new b";
    const auto bytes = [](std::string_view s) {
        return std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    };
    const Text pathA = dir.Wide("a.bin"), pathB = dir.Wide("b.bin"), pathC = dir.Wide("c.bin");
    const FileToWrite blocked[] = {{pathA, bytes(a)}, {pathB, bytes(b)}, {pathC, bytes(b)}};
    EXPECT_EQ(WriteFilesAtomic(blocked), 2u);
    EXPECT_EQ(dir.Read("a.bin"), "old a");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "b.bin"));
    EXPECT_EQ(EntryCount(dir), 2);

    const Text missing = dir.Wide("missing/d.bin");
    const FileToWrite unwritable[] = {{pathA, bytes(a)}, {missing, bytes(b)}};
    EXPECT_EQ(WriteFilesAtomic(unwritable), 1u);
    EXPECT_EQ(dir.Read("a.bin"), "old a");
    EXPECT_EQ(EntryCount(dir), 2);

    const FileToWrite both[] = {{pathA, bytes(a)}, {pathB, bytes(b)}};
    EXPECT_EQ(WriteFilesAtomic(both), 2u);
    EXPECT_EQ(dir.Read("a.bin"), "new a");
    EXPECT_EQ(dir.Read("b.bin"), "new b");
    EXPECT_EQ(EntryCount(dir), 3);
}

TEST(Files, ListByExtensionIgnoresCaseAndSorts) {
    TempFolder dir;
    for (const char* name : {"b.bin", "A.BIN", "c.Bin", "d.hex", "e.bin.txt", "bin", ".bin"})
        dir.Write(name, "");
    std::filesystem::create_directory(dir.Path() / "folder.bin");
    const std::vector<Text> names = ListFilesByExtension(dir.Wide(), u"bin");
    std::vector<std::string> got;
    for (const Text& n : names)
        got.push_back(U8(n));
    EXPECT_EQ(got, (std::vector<std::string>{".bin", "A.BIN", "b.bin", "c.Bin"}));
    EXPECT_TRUE(ListFilesByExtension(dir.Wide("missing"), u"bin").empty());
}

TEST(Files, DeleteAndExists) {
    TempFolder dir;
    dir.Write("Update.ini", "x");
    EXPECT_TRUE(FileExists(dir.Wide("Update.ini")));
    EXPECT_TRUE(DeleteFile(dir.Wide("Update.ini")));
    EXPECT_FALSE(FileExists(dir.Wide("Update.ini")));
    EXPECT_FALSE(DeleteFile(dir.Wide("Update.ini")));
    EXPECT_TRUE(CreateFolders(dir.Wide("a\\b/c")));
    EXPECT_TRUE(FolderExists(dir.Wide("a/b/c")));
}

TEST(Files, LinesDropTrailingCrAndBom) {
    struct Row {
        std::string text;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"\xEF\xBB\xBFkey=1\r\n\r\nx\r", {"key=1", "", "x"}},
        {"", {}},
        {"\n", {""}},
        {"a\r\r\n", {"a\r"}},
        {"中文\r\n", {"中文"}},
    };
    for (const Row& r : rows) {
        std::vector<std::string> got;
        for (const Text& line : SplitLines(r.text))
            got.push_back(U8(line));
        EXPECT_EQ(got, r.lines) << r.text;
    }
    TempFolder dir;
    dir.Write("t.txt", "one\r\ntwo\r\n");
    std::vector<Text> lines;
    ASSERT_TRUE(ReadLines(dir.Wide("t.txt"), 100, lines));
    EXPECT_EQ(lines, (std::vector<Text>{u"one", u"two"}));
    EXPECT_FALSE(ReadLines(dir.Wide("t.txt"), 3, lines));
}

}  // namespace
}  // namespace fw
