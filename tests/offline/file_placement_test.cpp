// Where the project page may place a download file, and where the start-address dialog lets one begin, per
// family and partition.
#include <gtest/gtest.h>

#include <vector>

#include "framework/Text.h"
#include "offline/FilePlacement.h"

namespace {

constexpr uint32_t kFlash = 0x08000000;

FilePlacementChip Chip(int family, uint32_t flashSize = 0x20000, uint32_t sramSize = 0x5000,
                       uint32_t flashStart = kFlash) {
    return {family, flashStart, flashSize, sramSize};
}

FilePlacementPartition NoPartitions() { return {}; }

FilePlacementPartition In(uint8_t partition, uint32_t user2Base, uint32_t user3Base) {
    return {true, partition, user2Base, user3Base};
}

PlacedFileRow Row(uint32_t start, uint32_t length) {
    const uint32_t stored = (length + 15) & ~15u;
    return {start, start + stored - 1, stored};
}

struct PlacementCase {
    const char* what;
    FilePlacementChip chip;
    FilePlacementPartition partition;
    std::vector<PlacedFileRow> rows;
    std::vector<NewFileRun> runs;
    const char16_t* refusal;  // nullptr: accepted
};

TEST(FilePlacement, RulesPerFamilyPartitionAndListedFiles) {
    const char16_t* kStart = u"下载起始地址不正确，请检查是否超出范围！";
    const char16_t* kStartFlash = u"下载起始地址不正确，请检查是否超出FLASH范围！";
    const char16_t* kEndFlash = u"下载结束地址不正确，请检查是否超出FLASH范围！";
    const char16_t* kPastFlash = u"下载的位置超出FLASH范围！";
    const char16_t* kOverlap = u"下载地址有重叠，请确认！";
    const std::vector<PlacementCase> cases = {
        {"a file at the flash start", Chip(0), NoPartitions(), {}, {{kFlash, 100}}, nullptr},
        {"a start 8 above a multiple of 16",
         Chip(0),
         NoPartitions(),
         {},
         {{kFlash + 8, 100}},
         u"下载起始地址不是16的倍数！"},
        {"a start below the flash", Chip(0), NoPartitions(), {}, {{kFlash - 16, 16}}, kStart},
        {"a start at the flash end", Chip(0), NoPartitions(), {}, {{kFlash + 0x20000, 16}}, kStart},
        {"the last 16 bytes of the flash", Chip(0), NoPartitions(), {}, {{kFlash + 0x1FFF0, 16}}, nullptr},
        {"one byte past the flash", Chip(0), NoPartitions(), {}, {{kFlash + 0x1FFF0, 17}}, kPastFlash},
        {"a length that wraps 32 bits back into the flash",
         Chip(0),
         NoPartitions(),
         {},
         {{kFlash, 0xFFFFFFF0}},
         kPastFlash},
        {"a flash that ends at 4 GiB",
         Chip(0, 0x10000, 0, 0xFFFF0000),
         NoPartitions(),
         {},
         {{0xFFFFFF00, 0x100}},
         nullptr},
        {"past a flash that ends at 4 GiB",
         Chip(0, 0x10000, 0, 0xFFFF0000),
         NoPartitions(),
         {},
         {{0xFFFFFF00, 0x101}},
         kPastFlash},
        {"an empty file", Chip(0), NoPartitions(), {}, {{kFlash, 0}}, u"文件长度不正确！"},
        // Family 11: flash, two system windows and one RAM window; a file stays in the window it starts in.
        {"family 11, 0xE00 bytes fill the first system window",
         Chip(11),
         NoPartitions(),
         {},
         {{0x1FFF0000, 0xE00}},
         nullptr},
        {"family 11, one byte past it", Chip(11), NoPartitions(), {}, {{0x1FFF0000, 0xE01}}, kEndFlash},
        {"family 11, between the system windows", Chip(11), NoPartitions(), {}, {{0x1FFF0E00, 16}}, kStartFlash},
        {"family 11, the RAM window", Chip(11), NoPartitions(), {}, {{0x20001000, 0x3000}}, nullptr},
        {"family 11, past the RAM window", Chip(11), NoPartitions(), {}, {{0x20001000, 0x3001}}, kEndFlash},
        {"family 11, past the flash", Chip(11), NoPartitions(), {}, {{kFlash + 0x1FF00, 0x101}}, kEndFlash},
        {"family 11, flash start other than the window's",
         Chip(11, 0x20000, 0, 0x00000000),
         NoPartitions(),
         {},
         {{kFlash, 16}},
         nullptr},
        // Families 8 and 9: the flash or the SRAM above its first 40 KB.
        {"family 8, the SRAM window", Chip(8, 0x20000, 0x10000), NoPartitions(), {}, {{0x2000A000, 0x6000}}, nullptr},
        {"family 9, past the SRAM",
         Chip(9, 0x20000, 0x10000),
         NoPartitions(),
         {},
         {{0x2000A000, 0x6001}},
         u"下载的位置超出范围！"},
        {"family 9, SRAM too small for the window",
         Chip(9, 0x20000, 0xA000),
         NoPartitions(),
         {},
         {{0x2000A000, 16}},
         kStart},
        {"family 8, below the SRAM window", Chip(8, 0x20000, 0x10000), NoPartitions(), {}, {{0x20009FF0, 16}}, kStart},
        {"family 8, files in SRAM count against the flash size",
         Chip(8, 0x1000, 0x10000),
         NoPartitions(),
         {Row(0x2000A000, 0x800)},
         {{kFlash, 0x900}},
         kPastFlash},
        // Files already listed.
        {"right after a listed file", Chip(0), NoPartitions(), {Row(kFlash, 0x100)}, {{kFlash + 0x100, 16}}, nullptr},
        {"16 bytes into a listed file", Chip(0), NoPartitions(), {Row(kFlash, 0x100)}, {{kFlash + 0xF0, 16}}, kOverlap},
        {"ending right before a listed file",
         Chip(0),
         NoPartitions(),
         {Row(kFlash + 0x100, 0x10)},
         {{kFlash, 0x100}},
         nullptr},
        {"ending on the first byte of a listed file",
         Chip(0),
         NoPartitions(),
         {Row(kFlash + 0x100, 0x10)},
         {{kFlash, 0x101}},
         kOverlap},
        {"covering a listed file", Chip(0), NoPartitions(), {Row(kFlash + 0x100, 0x10)}, {{kFlash, 0x400}}, kOverlap},
        {"a ninth file",
         Chip(0),
         NoPartitions(),
         std::vector<PlacedFileRow>(8, Row(kFlash, 16)),
         {{kFlash, 16}},
         u"最多可添加8个文件！"},
        // A HEX file brings one run per row: all of them must fit, and later runs are checked against earlier.
        {"HEX runs that fit", Chip(0), NoPartitions(), {}, {{kFlash, 0x100}, {kFlash + 0x1003, 5}}, nullptr},
        {"HEX run inside the padding of the run before",
         Chip(0),
         NoPartitions(),
         {},
         {{kFlash, 100}, {kFlash + 104, 16}},
         kOverlap},
        {"HEX with more runs than free rows",
         Chip(0),
         NoPartitions(),
         std::vector<PlacedFileRow>(7, Row(kFlash, 16)),
         {{kFlash + 0x8000, 16}, {kFlash + 0x9000, 16}},
         u"最多可添加8个文件！"},
        {"HEX whose second run leaves the flash",
         Chip(0),
         NoPartitions(),
         {},
         {{kFlash, 0x100}, {kFlash + 0x1FFFF, 2}},
         kPastFlash},
        // Partitions of a 512 KB flash: USER2 at 0x08050000, USER3 at 0x08070000.
        {"USER1 ending at the USER2 base",
         Chip(0, 0x80000),
         In(0, 0x08050000, 0x08070000),
         {},
         {{0x08040000, 0x10000}},
         nullptr},
        {"USER1 one byte into USER2",
         Chip(0, 0x80000),
         In(0, 0x08050000, 0x08070000),
         {},
         {{0x08040000, 0x10001}},
         u"下载的位置超出分区1的范围！"},
        {"USER1 one byte into USER3 without USER2",
         Chip(0, 0x80000),
         In(0, 0, 0x08070000),
         {},
         {{0x08060000, 0x10001}},
         u"下载的位置超出分区1的范围！"},
        {"USER2 ending at the USER3 base",
         Chip(0, 0x80000),
         In(1, 0x08050000, 0x08070000),
         {},
         {{0x08050000, 0x20000}},
         nullptr},
        {"USER2 one byte into USER3",
         Chip(0, 0x80000),
         In(1, 0x08050000, 0x08070000),
         {},
         {{0x08050000, 0x20001}},
         u"下载的位置超出分区2的范围！"},
        {"USER2 up to the flash end without USER3",
         Chip(0, 0x80000),
         In(1, 0x08050000, 0),
         {},
         {{0x08050000, 0x30000}},
         nullptr},
        {"USER2 ending below its base",
         Chip(0, 0x80000),
         In(1, 0x08050000, 0),
         {},
         {{0x08000000, 0x100}},
         u"下载的位置超出分区2的范围！"},
        {"USER3 up to the flash end",
         Chip(0, 0x80000),
         In(2, 0x08050000, 0x08070000),
         {},
         {{0x08070000, 0x10000}},
         nullptr},
        {"USER3 past the flash end",
         Chip(0, 0x80000),
         In(2, 0x08050000, 0x08070000),
         {},
         {{0x08070000, 0x10001}},
         u"下载的位置超出分区3的范围"},
    };
    for (const PlacementCase& c : cases) {
        const fw::Text got = FilePlacementRefusal(c.chip, c.partition, c.rows, c.runs);
        EXPECT_EQ(fw::TextToUtf8(got), fw::TextToUtf8(c.refusal ? c.refusal : u"")) << c.what;
    }
}

OfflineProjectSettings Partitioned(uint8_t series, uint32_t flashKB, std::array<bool, 3> configured,
                                   std::array<uint8_t, 3> sizes) {
    OfflineProjectSettings s;
    s.partitionMode = 1;
    s.seriesCode = series;
    s.flashSizeKB = flashKB;
    for (int i = 0; i < 3; ++i)
        s.partitionConfigured[i] = configured[i] ? kProjectMarkerValid : kProjectMarkerAbsent;
    s.partitionSize = sizes;
    return s;
}

TEST(FilePlacement, PartitionBasesFromSizesInTheSeriesUnits) {
    const struct {
        const char* what;
        OfflineProjectSettings settings;
        bool offered2, offered3;
        uint32_t base2, base3;
    } cases[] = {
        {"512 KB, 16 KB units, USER2 8 and USER3 4", Partitioned(0, 512, {true, true, true}, {0, 8, 4}), true, true,
         0x08050000, 0x08070000},
        {"only USER1 and USER3", Partitioned(0, 512, {true, false, true}, {0, 8, 4}), false, true, 0, 0x08070000},
        {"an unconfigured USER3 takes no room", Partitioned(0, 512, {true, true, false}, {0, 8, 4}), true, false,
         0x08060000, 0},
        {"series 5 never offers USER2", Partitioned(5, 128, {true, true, true}, {0, 8, 4}), false, true, 0, 0x0801E000},
        {"4 KB units", Partitioned(11, 64, {true, true, true}, {0, 2, 1}), true, true, 0x0800D000, 0x0800F000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PartitionBases bases = PartitionBasesOf(c.settings, kFlash);
        EXPECT_TRUE(bases.offered[0]);
        EXPECT_EQ(bases.base[0], kFlash);
        EXPECT_EQ(bases.offered[1], c.offered2);
        EXPECT_EQ(bases.offered[2], c.offered3);
        EXPECT_EQ(bases.base[1], c.base2);
        EXPECT_EQ(bases.base[2], c.base3);
    }
}

TEST(FilePlacement, StartAddressTextPerPartition) {
    const OfflineProjectSettings all = Partitioned(0, 512, {true, true, true}, {0, 8, 4});
    const OfflineProjectSettings user12 = Partitioned(0, 512, {true, true, false}, {0, 8, 0});
    const OfflineProjectSettings user1 = Partitioned(0, 512, {true, false, false}, {0, 0, 0});
    OfflineProjectSettings flat = all;
    flat.partitionMode = 0;
    const struct {
        const OfflineProjectSettings& settings;
        const char16_t* text;
        int partition;
        const char16_t* refusal;
    } cases[] = {
        {flat, u"", 0, u"起始地址不能为空！"},
        {flat, u"0800G000", 0, u"起始地址必须为十六进制数！"},
        {flat, u"108000000", 0, u"输入地址不正确！"},
        {flat, u"FFFFFFF0", 0, nullptr},
        {all, u"08000000", 0, nullptr},
        {all, u"0804FFFF", 0, nullptr},
        {all, u"08050000", 0, u"USER1起始地址不正确！"},
        {all, u"07FFFFF0", 0, u"USER1起始地址不正确！"},
        {user1, u"80000000", 0, u"USER1起始地址不正确！"},
        {all, u"08050000", 1, nullptr},
        {all, u"08070000", 1, u"USER2起始地址不正确！"},
        {user12, u"0807FFF0", 1, nullptr},
        {all, u"08070000", 2, nullptr},
        {all, u"08080000", 2, u"USER3起始地址不正确！"},
    };
    for (const auto& c : cases) {
        const PartitionBases bases = PartitionBasesOf(c.settings, kFlash);
        const fw::Text got = StartAddressRefusal(c.text, c.partition, bases, c.settings, kFlash);
        EXPECT_EQ(fw::TextToUtf8(got), fw::TextToUtf8(c.refusal ? c.refusal : u""))
            << fw::TextToUtf8(c.text) << " in USER" << c.partition + 1;
    }
}

}  // namespace
