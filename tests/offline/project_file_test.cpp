// Project files: the container is checked against an encoder written here with OpenSSL (digest and cipher), so
// the program's own codec is not its own reference; every damaged file is refused with the caller's project left
// as it was.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <numeric>
#include <optional>
#include <vector>

#include "framework/Files.h"
#include "offline/LinkProjectFile.h"
#include "offline/ProjectFileContainer.h"
#include "offline/ProjectKeys.h"
#include "tests/framework/TempFolder.h"
#include "tests/offline/SealedProjectFile.h"

namespace {

using namespace sealed_project;

// Three files of 100, 2048 and 16 bytes and a 6000-byte algorithm; the record says so.
LinkProject ThreeFileProject() {
    LinkProject p;
    ProjectConfig& r = p.record;
    r.nameLength = 4;
    std::ranges::copy(std::string_view("Demo"), r.name.begin());
    r.targetInterface = 0;
    r.eraseMode = 1;
    r.resetMode = 1;
    r.fileCount = 3;
    p.descriptor = {};
    std::iota(p.descriptor.begin(), p.descriptor.end(), uint8_t{0x40});
    p.blob = Filled(6000, 7);
    r.algorithm.plainSize.Set(6000);
    const uint32_t sizes[] = {100, 2048, 16};
    for (int i = 0; i < 3; ++i) {
        ProjectFileRecord& f = r.files[i];
        f.marker.Set(kProjectMarkerValid);
        f.index = static_cast<uint8_t>(i);
        f.partitionId = 0xFF;
        f.nameLength = 5;
        std::ranges::copy(std::string_view("a.bin"), f.name.begin());
        f.plainSize.Set(sizes[i]);
        f.storedSize.Set(sizes[i]);
        p.files.push_back(Filled(sizes[i], static_cast<uint8_t>(0x30 * i)));
    }
    return p;
}

bool SameProject(const LinkProject& a, const LinkProject& b) {
    return std::ranges::equal(a.record.Bytes(), b.record.Bytes()) && a.descriptor == b.descriptor && a.blob == b.blob &&
           a.files == b.files;
}

TEST(LinkProjectFile, LayoutOfAThreeFileProject) {
    const Bytes file = EncodeLinkProjectFile(ThreeFileProject());
    ASSERT_EQ(file.size(), 10032u);
    const Bytes plain = Ecb(file, false);
    Bytes digest(32);
    SHA256(plain.data() + 32, plain.size() - 32, digest.data());
    EXPECT_TRUE(std::equal(digest.begin(), digest.end(), plain.begin()));

    const Bytes body(plain.begin() + 32, plain.end());
    ASSERT_EQ(body.size(), 10000u);
    EXPECT_EQ(GetBE(body, 0), 6u);
    const uint32_t offsets[] = {52, 1768, 1832, 7832, 7932, 9980};
    const uint32_t lengths[] = {1716, 64, 6000, 100, 2048, 16};
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(GetBE(body, 4 + 8 * k), offsets[k]);
        EXPECT_EQ(GetBE(body, 8 + 8 * k), lengths[k]);
    }
    EXPECT_EQ(body[52], 0xB4);              // the record's size field
    EXPECT_EQ(body[1768], 0x40);            // the descriptor
    EXPECT_EQ(body[9980 + 15], 0x60 + 15);  // the last byte of the third file
    EXPECT_EQ(Bytes(body.begin() + 9996, body.end()), Bytes(4, 0));
}

TEST(LinkProjectFile, RoundTripAndPartitionIdFfReadsAsZero) {
    const LinkProject written = ThreeFileProject();
    LinkProject read;
    ASSERT_TRUE(ParseLinkProjectFile(EncodeLinkProjectFile(written), read));
    LinkProject expected = written;
    for (int i = 0; i < 3; ++i)
        expected.record.files[i].partitionId = 0;
    EXPECT_TRUE(SameProject(read, expected));
}

TEST(LinkProjectFile, OlderRecordOpensExtendedWithFf) {
    const LinkProject p = ThreeFileProject();
    std::vector<ProjectSection> sections = {Bytes(p.record.Bytes().begin(), p.record.Bytes().begin() + 1580),
                                            Bytes(p.descriptor.begin(), p.descriptor.end()), p.blob};
    for (const auto& f : p.files)
        sections.push_back(f);
    LinkProject read;
    ASSERT_TRUE(ParseLinkProjectFile(EncodeProjectFileContainer(sections), read));
    EXPECT_TRUE(std::all_of(read.record.Bytes().begin() + 1580, read.record.Bytes().end(),
                            [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(read.files, p.files);
}

// A body written by hand: the table as given, the sections back to back after it, then padding zeros (to a
// multiple of 16 unless a count is given) and the damage.
struct BodySpec {
    std::vector<Bytes> sections;
    std::optional<uint32_t> count;
    std::function<void(Bytes& body)> damage;
    std::size_t padding;
};

Bytes BuildBody(std::vector<Bytes> sections, std::optional<uint32_t> count = {},
                std::function<void(Bytes&)> damage = {}, std::size_t padding = SIZE_MAX) {
    const BodySpec spec{std::move(sections), count, std::move(damage), padding};
    const std::size_t n = spec.sections.size();
    Bytes body(4 + 8 * n);
    PutBE(body, 0, spec.count.value_or(static_cast<uint32_t>(n)));
    for (std::size_t k = 0; k < n; ++k) {
        PutBE(body, 4 + 8 * k, static_cast<uint32_t>(body.size()));
        PutBE(body, 8 + 8 * k, static_cast<uint32_t>(spec.sections[k].size()));
        body.insert(body.end(), spec.sections[k].begin(), spec.sections[k].end());
    }
    const std::size_t pad = spec.padding == SIZE_MAX ? (16 - body.size() % 16) % 16 : spec.padding;
    body.resize(body.size() + pad, 0);
    if (spec.damage) spec.damage(body);
    return body;
}

std::vector<Bytes> SectionsOf(const LinkProject& p) {
    std::vector<Bytes> s = {Bytes(p.record.Bytes().begin(), p.record.Bytes().end()),
                            Bytes(p.descriptor.begin(), p.descriptor.end()), p.blob};
    for (const auto& f : p.files)
        s.push_back(f);
    return s;
}

TEST(LinkProjectFile, DamagedFilesAreRefusedAndChangeNothing) {
    const LinkProject good = ThreeFileProject();
    const auto withRecord = [&](const std::function<void(ProjectConfig&)>& edit) {
        LinkProject p = good;
        edit(p.record);
        return SectionsOf(p);
    };
    const Bytes valid = Seal(BuildBody(SectionsOf(good)));
    struct Row {
        const char* what;
        Bytes file;
    };
    std::vector<Row> rows = {
        {"empty", {}},
        {"shorter than 64 bytes", Bytes(valid.begin(), valid.begin() + 48)},
        {"not a multiple of 16", Bytes(valid.begin(), valid.end() - 1)},
        {"truncated by a block", Bytes(valid.begin(), valid.end() - 16)},
        {"last byte changed",
         [&] {
             Bytes f = valid;
             f.back() ^= 1;
             return f;
         }()},
        {"two sections", Seal(BuildBody({SectionsOf(good)[0], SectionsOf(good)[1]}))},
        {"twelve sections",
         [&] {
             auto s = SectionsOf(good);
             s.resize(12, Bytes(4, 1));
             return Seal(BuildBody(s));
         }()},
        {"record of 1715 bytes",
         [&] {
             auto s = SectionsOf(good);
             s[0].pop_back();
             return Seal(BuildBody(s));
         }()},
        {"descriptor of 63 bytes",
         [&] {
             auto s = SectionsOf(good);
             s[1].pop_back();
             return Seal(BuildBody(s));
         }()},
        {"count larger than the table", Seal(BuildBody(SectionsOf(good), 0x0FFFFFFF))},
        {"section offset outside the body",
         Seal(BuildBody(SectionsOf(good), {}, [](Bytes& b) { PutBE(b, 4 + 8 * 5, 0xFFFFFFF0); }))},
        {"section length past the body (would wrap in 32 bits)",
         Seal(BuildBody(SectionsOf(good), {}, [](Bytes& b) { PutBE(b, 8 + 8 * 5, 0xFFFFFFFF); }))},
        {"sections not back to back",
         Seal(BuildBody(SectionsOf(good), {}, [](Bytes& b) { PutBE(b, 4 + 8 * 3, GetBE(b, 4 + 8 * 3) + 1); }))},
        {"padding not zero", Seal(BuildBody(SectionsOf(good), {}, [](Bytes& b) { b.back() = 1; }))},
        {"a whole block of padding", Seal(BuildBody(SectionsOf(good), {}, {}, 20))},
        {"size field zero", Seal(BuildBody(withRecord([](ProjectConfig& r) { r.recordSize.Set(0); })))},
        {"reset mode 2", Seal(BuildBody(withRecord([](ProjectConfig& r) { r.resetMode = 2; })))},
        {"interface 2", Seal(BuildBody(withRecord([](ProjectConfig& r) { r.targetInterface = 2; })))},
        {"erase mode 3", Seal(BuildBody(withRecord([](ProjectConfig& r) { r.eraseMode = 3; })))},
        {"name of 33 bytes", Seal(BuildBody(withRecord([](ProjectConfig& r) { r.nameLength = 33; })))},
        {"record counts two files", Seal(BuildBody(withRecord([](ProjectConfig& r) {
             r.fileCount = 2;
             r.files[2].marker.Set(kProjectMarkerAbsent);
         })))},
        {"file marker past the count",
         Seal(BuildBody(withRecord([](ProjectConfig& r) { r.files[5].marker.Set(kProjectMarkerValid); })))},
        {"recorded file size larger than its section",
         Seal(BuildBody(withRecord([](ProjectConfig& r) { r.files[1].plainSize.Set(4096); })))},
        {"enciphered file whose stored size disagrees", Seal(BuildBody(withRecord([](ProjectConfig& r) {
             std::ranges::copy(std::string_view("a.enc"), r.files[0].name.begin());
             r.files[0].storedSize.Set(112);
         })))},
        // A file enciphered by its name: ciphertext cut within an AES block, and a header that announced such a
        // length (the ciphertext padded out to whole blocks).
        {"enciphered file of 100 bytes", Seal(BuildBody(withRecord([](ProjectConfig& r) {
             std::ranges::copy(std::string_view("a.enc"), r.files[0].name.begin());
         })))},
        {"enciphered file whose header announced 2040 bytes", Seal(BuildBody(withRecord([](ProjectConfig& r) {
             std::ranges::copy(std::string_view("b.enc"), r.files[1].name.begin());
             r.files[1].plainSize.Set(2040);
         })))},
        {"algorithm length disagrees",
         Seal(BuildBody(withRecord([](ProjectConfig& r) { r.algorithm.plainSize.Set(5999); })))},
    };

    LinkProject sanity;
    ASSERT_TRUE(ParseLinkProjectFile(valid, sanity)) << "the hand-built file itself must open";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        LinkProject current = ThreeFileProject();
        current.files[0][0] = 0xEE;  // something the damaged file does not hold
        const LinkProject before = current;
        EXPECT_FALSE(ParseLinkProjectFile(row.file, current));
        EXPECT_TRUE(SameProject(current, before));
    }
}

TEST(ProjectFileContainer, SectionsRoundTripIncludingEmptyOnes) {
    const std::vector<ProjectSection> sections = {Filled(3, 1), {}, Filled(100, 9), Filled(16, 0)};
    const Bytes file = EncodeProjectFileContainer(sections);
    EXPECT_EQ(Unseal(file), BuildBody(sections));  // the same bytes as the format written out by hand
    EXPECT_EQ(DecodeProjectFileContainer(file), sections);
}

TEST(LinkProjectFile, WriteReplacesTheFileWholeOrLeavesItAlone) {
    fw::testing::TempFolder dir;
    const LinkProject p = ThreeFileProject();
    dir.Write("demo.ovpf", "old contents");
    ASSERT_TRUE(WriteLinkProjectFile(dir.Wide("demo.ovpf"), p));
    const std::string written = dir.Read("demo.ovpf");
    const Bytes expected = EncodeLinkProjectFile(p);
    EXPECT_EQ(Bytes(written.begin(), written.end()), expected);

    EXPECT_FALSE(WriteLinkProjectFile(dir.Wide("missing/demo.ovpf"), p));
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    if (::access(dir.Os().c_str(), W_OK) != 0) {  // root writes anyway
        EXPECT_FALSE(WriteLinkProjectFile(dir.Wide("demo.ovpf"), ThreeFileProject()));
        EXPECT_EQ(dir.Read("demo.ovpf"), written);
    }
}

}  // namespace

namespace {

TEST(LinkProjectFile, OpenTellsAMissingFileFromARejectedOne) {
    fw::testing::TempFolder dir;
    LinkProject current = ThreeFileProject();
    current.blob[0] = 0x99;
    const LinkProject before = current;
    EXPECT_EQ(OpenLinkProjectFile(dir.Wide("none.ovpf"), current), ProjectFileOpen::CannotOpen);
    dir.Write("bad.ovpf", std::string(64, 'x'));
    EXPECT_EQ(OpenLinkProjectFile(dir.Wide("bad.ovpf"), current), ProjectFileOpen::Rejected);
    EXPECT_TRUE(SameProject(current, before));
    ASSERT_TRUE(WriteLinkProjectFile(dir.Wide("good.ovpf"), ThreeFileProject()));
    EXPECT_EQ(OpenLinkProjectFile(dir.Wide("good.ovpf"), current), ProjectFileOpen::Opened);
    EXPECT_EQ(current.blob, ThreeFileProject().blob);
}

}  // namespace
