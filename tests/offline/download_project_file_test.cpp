// Download project files: the layout is checked against OpenSSL, and every damaged file is refused with the
// caller's project left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <string_view>

#include "offline/DownloadProjectFile.h"
#include "offline/ProjectFileContainer.h"
#include "tests/offline/DownloadProjectSamples.h"

namespace {

using namespace download_project_samples;

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
    DownloadProject before;
    ASSERT_TRUE(ParseDownloadProjectFile(Encode(ThreeRowProject()), before));
    for (const DamagedFile& c : DamagedFiles()) {
        SCOPED_TRACE(c.what);
        DownloadProject project = before;
        EXPECT_FALSE(ParseDownloadProjectFile(c.file(), project));
        EXPECT_TRUE(Same(project, before));
    }
}

TEST(EncipheredFileName, IsDotEncInLowerOrUpperCaseAnywhereInTheName) {
    struct Row {
        const char16_t* name;
        bool enciphered;
    };
    const Row rows[] = {
        {u"user.enc", true},
        {u"USER.ENC", true},
        {u"user.Enc", false},
        {u"user.eNc", false},
        {u"user.enc.bin", true},
        {u"user.ENC.hex", true},
        {u"user-ENC.bin", false},
        {u"enc", false},
        {u"user.encx", true},
        {u"user.bin", false},
        {u"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.name));
        EXPECT_EQ(IsEncipheredFileName(row.name), row.enciphered);
    }
}

}  // namespace
