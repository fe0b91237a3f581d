// The project record is a wire format the downloader reads: every field must sit at the offset and width the
// format gives, numbers little-endian; the byte-string names must turn into the downloader's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "offline/ByteStringName.h"
#include "offline/ProjectConfig.h"

namespace {

struct FieldRow {
    const char* field;
    std::size_t offset;
    std::size_t size;
    std::function<void(ProjectConfig&)> set;  // writes 01 02 03 04 into a 32-bit field, zeros into anything else
};

#define LE(member) [](ProjectConfig& r) { r.member.Set(0x04030201); }
#define ZERO(member) [](ProjectConfig& r) { std::ranges::fill(r.member, uint8_t{0}); }
#define BYTE(member) [](ProjectConfig& r) { r.member = 0; }

// Offsets and sizes as the record's format lists them.
const std::vector<FieldRow> kGoldenLayout = {
    {"record size", 0, 4, LE(recordSize)},
    {"magic", 4, 4, LE(magic)},
    {"version", 8, 4, LE(version)},
    {"project serial", 12, 8, ZERO(serial)},
    {"downloader serial", 28, 16, ZERO(downloaderSn)},
    {"project name", 44, 32, ZERO(name)},
    {"name length", 76, 1, BYTE(nameLength)},
    {"bound", 78, 1, BYTE(bindToDownloader)},
    {"once only", 79, 1, BYTE(onceOnly)},
    {"interface", 80, 1, BYTE(targetInterface)},
    {"erase mode", 81, 1, BYTE(eraseMode)},
    {"file count", 82, 1, BYTE(fileCount)},
    {"reset mode", 83, 1, BYTE(resetMode)},
    {"limit on", 84, 1, BYTE(limitOn)},
    {"serial flags", 85, 1, BYTE(snFlags)},
    {"always zero", 88, 4, LE(zero88)},
    {"download limit", 92, 4, LE(downloadLimit)},
    {"serial address", 96, 4, LE(snAddress)},
    {"serial initial", 100, 4, LE(snInitial)},
    {"serial step", 104, 4, LE(snStep)},
    {"creation time", 108, 4, LE(createdTime)},
    {"algorithm marker", 112, 4, LE(algorithm.marker)},
    {"algorithm blob length", 152, 4, LE(algorithm.plainSize)},
    {"algorithm digest", 180, 32, ZERO(algorithm.plainSha256)},
    {"algorithm digest again", 212, 32, ZERO(algorithm.storedSha256)},
    {"chip marker", 244, 4, LE(chip.marker)},
    {"series length", 250, 1, BYTE(chip.seriesLength)},
    {"model length", 251, 1, BYTE(chip.modelLength)},
    {"series name", 252, 32, ZERO(chip.series)},
    {"model name", 284, 32, ZERO(chip.model)},
    {"flash start", 316, 4, LE(chip.flashStart)},
    {"page size", 320, 4, LE(chip.pageSize)},
    {"flash size", 324, 4, LE(chip.flashSize)},
    {"sram start", 328, 4, LE(chip.sramStart)},
    {"sram size", 332, 4, LE(chip.sramSize)},
    {"USER1 marker", 344, 4, LE(chip.partitions[0].marker)},
    {"USER1 index", 348, 1, BYTE(chip.partitions[0].index)},
    {"USER1 size", 349, 1, BYTE(chip.partitions[0].size)},
    {"USER1 key id", 350, 1, BYTE(chip.partitions[0].keyId)},
    {"USER1 flags", 351, 1, BYTE(chip.partitions[0].flags)},
    {"USER2 key id", 358, 1, BYTE(chip.partitions[1].keyId)},
    {"USER3 flags", 367, 1, BYTE(chip.partitions[2].flags)},
    {"option marker", 368, 4, LE(chip.option.marker)},
    {"option bytes", 372, 20, ZERO(chip.option.optionBytes)},
    {"key mode USER1", 422, 1, BYTE(keys.keyMode[0])},
    {"key mode USER3", 424, 1, BYTE(keys.keyMode[2])},
    {"key id USER1", 425, 1, BYTE(keys.keyId[0])},
    {"new key USER1", 428, 16, ZERO(keys.newKey[0])},
    {"new key USER3", 460, 16, ZERO(keys.newKey[2])},
    {"old key USER1", 476, 16, ZERO(keys.oldKey[0])},
    {"old key USER3", 508, 16, ZERO(keys.oldKey[2])},
    {"file 0 marker", 524, 4, LE(files[0].marker)},
    {"file 0 index", 528, 1, BYTE(files[0].index)},
    {"file 0 partition", 529, 1, BYTE(files[0].partitionId)},
    {"file 0 name length", 531, 1, BYTE(files[0].nameLength)},
    {"file 0 name", 532, 32, ZERO(files[0].name)},
    {"file 0 plain size", 564, 4, LE(files[0].plainSize)},
    {"file 0 stored size", 568, 4, LE(files[0].storedSize)},
    {"file 0 time", 572, 4, LE(files[0].fileTime)},
    {"file 0 start", 580, 4, LE(files[0].startAddress)},
    {"file 0 plain crc", 584, 4, LE(files[0].plainCrc)},
    {"file 0 stored crc", 588, 4, LE(files[0].storedCrc)},
    {"file 0 plain sha", 592, 32, ZERO(files[0].plainSha256)},
    {"file 0 stored sha", 624, 32, ZERO(files[0].storedSha256)},
    {"file 1 marker", 656, 4, LE(files[1].marker)},
    {"file 2 marker", 788, 4, LE(files[2].marker)},
    {"file 3 marker", 920, 4, LE(files[3].marker)},
    {"file 7 stored sha", 1548, 32, ZERO(files[7].storedSha256)},
    {"extension marker", 1580, 4, LE(extOption.marker)},
    {"extension count", 1584, 4, LE(extOption.count)},
    {"option items", 1588, 128, ZERO(extOption.items)},
};

TEST(ProjectConfigLayout, EveryFieldAtItsOffsetLittleEndian) {
    for (const FieldRow& row : kGoldenLayout) {
        SCOPED_TRACE(row.field);
        ProjectConfig record;
        std::ranges::fill(record.MutableBytes(), uint8_t{0xFF});
        row.set(record);
        const auto bytes = record.Bytes();
        for (std::size_t at = 0; at < ProjectConfig::kSize; ++at) {
            const bool inside = at >= row.offset && at < row.offset + row.size;
            uint8_t expected = 0xFF;
            if (inside) expected = row.size == 4 ? static_cast<uint8_t>(at - row.offset + 1) : 0;
            ASSERT_EQ(bytes[at], expected) << "byte " << at;
        }
    }
}

TEST(ProjectConfigLayout, BlankRecordIsAllFfBehindItsHeader) {
    const ProjectConfig record = ProjectConfig::Blank();
    const std::vector<uint8_t> header = {0xB4, 0x06, 0, 0, 0xA5, 0xA5, 0xA5, 0xA5, 0, 0, 1, 0};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), record.Bytes().begin()));
    EXPECT_TRUE(std::all_of(record.Bytes().begin() + 12, record.Bytes().end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST(ProjectConfigLayout, OlderRecordIsExtendedWithFfAndOtherLengthsRefused) {
    std::vector<uint8_t> legacy(ProjectConfig::kLegacySize, 0x11);
    ProjectConfig record = ProjectConfig::Blank();
    ASSERT_TRUE(ProjectConfig::FromBytes(legacy, record));
    EXPECT_TRUE(
        std::all_of(record.Bytes().begin(), record.Bytes().begin() + 1580, [](uint8_t b) { return b == 0x11; }));
    EXPECT_TRUE(std::all_of(record.Bytes().begin() + 1580, record.Bytes().end(), [](uint8_t b) { return b == 0xFF; }));

    const ProjectConfig before = record;
    for (std::size_t length :
         {std::size_t{0}, std::size_t{1579}, std::size_t{1581}, std::size_t{1715}, std::size_t{1717}}) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(ProjectConfig::FromBytes(std::vector<uint8_t>(length, 0x22), record));
        EXPECT_TRUE(std::ranges::equal(record.Bytes(), before.Bytes()));
    }
}

TEST(ByteStringName, TextsBecomeTheDownloadersBytes) {
    struct Row {
        const char* what;
        fw::Text text;
        std::vector<uint8_t> bytes;
    };
    const Row rows[] = {
        {"ascii", u"Demo", {0x44, 0x65, 0x6D, 0x6F}},
        {"empty", u"", {}},
        {"latin-1 unit is one byte", u"\u00E9", {0xE9}},
        {"unit from 0x1000 is two bytes high first", u"\u4E2D", {0x4E, 0x2D}},
        {"unit below 0x1000 but above 0xFF keeps its own two bytes", u"\u0100A", {0x01, 0x00, 0x41}},
        {"mixed", u"a\u4E2Db", {0x61, 0x4E, 0x2D, 0x62}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(NameToByteString(row.text), row.bytes);
    }
}

TEST(ByteStringName, BytesComeBackOneCharacterEachAndTravelAgainUnchanged) {
    const std::vector<uint8_t> bytes = {0x41, 0x80, 0xFF, 0x00, 0x7A};
    const fw::Text name = ByteStringToName(bytes);
    EXPECT_EQ(name, (fw::Text{u'A', u'\u0080', u'\u00FF', u'\0', u'z'}));
    EXPECT_EQ(NameToByteString(name), bytes);
}

}  // namespace
