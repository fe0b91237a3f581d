// Download project files: the layout is checked against OpenSSL, and every damaged file is refused with the
// caller's project left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <string_view>

#include "offline/DownloadProjectFile.h"
#include "offline/ProjectFileContainer.h"
#include "tests/offline/SealedProjectFile.h"

namespace {

using namespace sealed_project;

void SetFile(ProjectConfig& r, std::size_t i, std::string_view name, uint32_t plain, uint32_t stored, uint32_t start,
             uint8_t partition) {
    ProjectFileRecord& f = r.files[i];
    f.marker.Set(kProjectMarkerValid);
    f.index = static_cast<uint8_t>(i);
    f.partitionId = partition;
    f.nameLength = static_cast<uint8_t>(name.size());
    std::ranges::copy(name, f.name.begin());
    f.plainSize.Set(plain);
    f.storedSize.Set(stored);
    f.startAddress.Set(start);
}

// A bin, a HEX and an enciphered image, with partitions, keys and option bytes.
struct Sample {
    ProjectConfig record = ProjectConfig::Blank();
    std::vector<Bytes> data;
};

Sample ThreeRowProject() {
    Sample s;
    ProjectConfig& r = s.record;
    r.fileCount = 3;
    SetFile(r, 0, "app.bin", 1000, 1000, 0x08000000, 0xFF);
    SetFile(r, 1, "boot.hex", 300, 300, 0x08004000, 1);
    SetFile(r, 2, "user.enc", 4000, 4096, 0x08010000, 2);
    s.data = {Filled(1000, 1), Filled(300, 2), Filled(4096, 3)};
    r.chip.partitions[0].marker.Set(kProjectMarkerValid);
    r.chip.partitions[0].keyId = 31;
    r.chip.option.marker.Set(kProjectMarkerValid);
    std::iota(r.chip.option.optionBytes.begin(), r.chip.option.optionBytes.end(), uint8_t{0xA0});
    r.keys.keyMode[0] = 1;
    r.keys.keyId[0] = 7;
    r.keys.newKey[0].fill(0x11);
    return s;
}

Bytes Encode(const Sample& s) { return EncodeDownloadProjectFile(s.record, s.data); }

bool Same(const DownloadProject& a, const DownloadProject& b) {
    if (!std::ranges::equal(a.record.Bytes(), b.record.Bytes()) || a.rows.size() != b.rows.size()) return false;
    for (std::size_t i = 0; i < a.rows.size(); ++i) {
        if (a.rows[i].name != b.rows[i].name || a.rows[i].start != b.rows[i].start ||
            a.rows[i].partition != b.rows[i].partition || a.rows[i].data != b.rows[i].data)
            return false;
    }
    return true;
}

TEST(DownloadProjectFile, OneBinFileLayout) {
    Sample s;
    s.record.fileCount = 1;
    SetFile(s.record, 0, "a.bin", 1000, 1000, 0, 0);
    s.data = {Filled(1000, 9)};
    const Bytes file = Encode(s);
    ASSERT_EQ(file.size(), 2768u);
    const Bytes body = Unseal(file);
    ASSERT_EQ(Seal(body), file);  // the digest in front is the body's
    EXPECT_EQ(GetBE(body, 0), 2u);
    EXPECT_EQ(GetBE(body, 4), 20u);
    EXPECT_EQ(GetBE(body, 8), 1716u);
    EXPECT_EQ(GetBE(body, 12), 1736u);
    EXPECT_EQ(GetBE(body, 16), 1000u);
    EXPECT_EQ(body[20], 0xB4);  // the record's size field
    EXPECT_EQ(Bytes(body.begin() + 1736, body.end()), s.data[0]);
}

TEST(DownloadProjectFile, RoundTripKeepsRowsPartitionsKeysAndOptionBytes) {
    const Sample s = ThreeRowProject();
    DownloadProject read;
    ASSERT_TRUE(ParseDownloadProjectFile(Encode(s), read));
    ASSERT_EQ(read.rows.size(), 3u);
    const char16_t* names[] = {u"app.bin", u"boot.hex", u"user.enc"};
    const uint32_t starts[] = {0x08000000, 0x08004000, 0x08010000};
    const uint8_t partitions[] = {0, 1, 2};  // 0xFF reads as 0
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read.rows[i].name, fw::Text(names[i]));
        EXPECT_EQ(read.rows[i].start, starts[i]);
        EXPECT_EQ(read.rows[i].partition, partitions[i]);
        EXPECT_EQ(read.record.files[i].partitionId, partitions[i]);
        EXPECT_EQ(read.rows[i].data, s.data[i]);
    }
    ProjectConfig expected = s.record;
    expected.files[0].partitionId = 0;
    EXPECT_TRUE(std::ranges::equal(read.record.Bytes(), expected.Bytes()));
}

TEST(DownloadProjectFile, LargestSectionIsAcceptedOneByteMoreIsNot) {
    for (const uint32_t size : {uint32_t{0x80000}, uint32_t{0x80001}}) {
        SCOPED_TRACE(size);
        Sample s;
        s.record.fileCount = 1;
        SetFile(s.record, 0, "big.bin", size, size, 0, 0);
        s.data = {Bytes(size, 0x5A)};
        DownloadProject read;
        EXPECT_EQ(ParseDownloadProjectFile(Encode(s), read), size == 0x80000);
    }
}

// Each row damages a valid file in one way; the reader must refuse it and leave the caller's project alone.
TEST(DownloadProjectFile, DamagedFilesAreRefusedAndChangeNothing) {
    struct Case {
        const char* what;
        std::function<Bytes()> file;
    };
    const auto withRecord = [](std::function<void(Sample&)> change) {
        return [change] {
            Sample s = ThreeRowProject();
            change(s);
            return Encode(s);
        };
    };
    const auto withBody = [](std::function<void(Bytes&)> change) {
        return [change] {
            Bytes body = Unseal(Encode(ThreeRowProject()));
            change(body);
            return Seal(body);
        };
    };
    const Case cases[] = {
        {"length not a multiple of 16",
         [] {
             Bytes f = Encode(ThreeRowProject());
             f.pop_back();
             return f;
         }},
        {"under 48 bytes",
         [] {
             Bytes f = Encode(ThreeRowProject());
             f.resize(32);
             return f;
         }},
        {"one changed byte",
         [] {
             Bytes f = Encode(ThreeRowProject());
             f[2000] ^= 1;
             return f;
         }},
        {"count 10", withBody([](Bytes& b) { PutBE(b, 0, 10); })},
        {"count 1: no files", withBody([](Bytes& b) { PutBE(b, 0, 1); })},
        {"section 0 of 1580 bytes",
         [] {
             const Sample s = ThreeRowProject();
             std::vector<ProjectSection> sections = {Bytes(s.record.Bytes().begin(), s.record.Bytes().begin() + 1580)};
             sections.insert(sections.end(), s.data.begin(), s.data.end());
             return EncodeProjectFileContainer(sections);
         }},
        {"section past the body", withBody([](Bytes& b) { PutBE(b, 8 + 8 * 3, 0x7FFFFFF0); })},
        {"offset wraps", withBody([](Bytes& b) { PutBE(b, 4 + 8 * 1, 0xFFFFFFF0); })},
        {"record size 0", withRecord([](Sample& s) { s.record.recordSize.Set(0); })},
        {"record count 2 for three sections", withRecord([](Sample& s) { s.record.fileCount = 2; })},
        {"marker past the table", withRecord([](Sample& s) { SetFile(s.record, 3, "x.bin", 1, 1, 0, 0); })},
        {"marker missing in a used slot", withRecord([](Sample& s) { s.record.files[1].marker.Set(0); })},
        {"bin row longer than its section", withRecord([](Sample& s) { s.record.files[0].plainSize.Set(1001); })},
        {"enc row longer than its section", withRecord([](Sample& s) { s.record.files[2].storedSize.Set(4097); })},
        {"name of 33 bytes", withRecord([](Sample& s) { s.record.files[0].nameLength = 33; })},
        {"partition key id 32", withRecord([](Sample& s) { s.record.chip.partitions[0].keyId = 32; })},
        {"chip key id 32", withRecord([](Sample& s) { s.record.keys.keyId[0] = 32; })},
    };
    DownloadProject before;
    ASSERT_TRUE(ParseDownloadProjectFile(Encode(ThreeRowProject()), before));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DownloadProject project = before;
        EXPECT_FALSE(ParseDownloadProjectFile(c.file(), project));
        EXPECT_TRUE(Same(project, before));
    }
}

TEST(EncipheredFileName, IsTheExtensionInAnyCase) {
    struct Row {
        const char16_t* name;
        bool enciphered;
    };
    const Row rows[] = {
        {u"user.enc", true},      {u"USER.ENC", true},
        {u"user.Enc", true},      {u"C:/a.b/user.eNc", true},
        {u"user.enc.bin", false}, {u"user-ENC.bin", false},
        {u"enc", false},          {u"user.encx", false},
        {u"user.bin", false},     {u"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.name));
        EXPECT_EQ(IsEncipheredFileName(row.name), row.enciphered);
    }
}

}  // namespace
