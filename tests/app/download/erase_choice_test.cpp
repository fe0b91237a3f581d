// Which erase a segment gets by series and download area, and the partition index byte the erase and download are
// handed with it.
#include <gtest/gtest.h>

#include <vector>

#include "devicelib/sim/CallJournal.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"

namespace {

using hexfile::Pattern;

constexpr int kUntouched = 0x77;  // the index byte a record had before the job

TEST_F(JobTest, EraseChoiceAndPartitionIndexBySeriesAndArea) {
    struct Row {
        uint8_t series, area;
        bool writeCrc32;
        const char16_t* bootSubVersion;
        uint8_t iface;
        uint32_t address;
        bool internalErase;  // FlashErase runs
        int index;           // the first record's index byte afterwards
    };
    const Row rows[] = {
        {0, 0, false, u"V1.1", OV_IFACE_USART, 0x08000000, true, 0},
        {11, 0, false, u"V1.1", OV_IFACE_USART, 0x08000000, true, 0},
        {11, 1, false, u"V1.1", OV_IFACE_USART, 0x1FFF1000, true, 3},
        {11, 2, false, u"V1.1", OV_IFACE_USART, 0x20001000, false, 4},
        {12, 0, false, u"V1.1", OV_IFACE_USART, 0x08000000, true, 0},
        {12, 0, true, u"V1.1", OV_IFACE_USART, 0x08000000, true, 5},
        {12, 1, false, u"V1.1", OV_IFACE_USART, 0x20000500, false, 4},
        {8, 0, false, u"V1.1", OV_IFACE_USART, 0x08000000, true, 0},
        {9, 5, false, u"V1.1", OV_IFACE_USART, 0x2000A000, false, kUntouched},
        {10, 3, false, u"V1.1", OV_IFACE_SWD_CMSIS_DAP, 0x15001000, true, 0},
        {10, 3, false, u"V1.0", OV_IFACE_SWD_CMSIS_DAP, 0x15001000, false, kUntouched},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.series) << " area " << int(row.area) << " crc "
                                        << row.writeCrc32 << " boot " << fw::TextToUtf8(row.bootSubVersion));
        Fresh();
        Attach(row.iface, ChipOfSeries(row.series));
        settings.chipSeries = row.series;
        settings.downloadArea = row.area;
        settings.writeCrc32 = row.writeCrc32;
        settings.bootSubVersionText = row.bootSubVersion;
        UseImage(Pattern(256), row.address);
        PartitionRecords records{};
        records[0].index = kUntouched;
        ovsim::ClearJournal();

        ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 1);

        bool erased = false;
        for (const ovsim::JournalEntry& entry : ovsim::Journal())
            erased = erased || entry.fn == ovsim::Fn::FlashErase;
        EXPECT_EQ(erased, row.internalErase);
        EXPECT_EQ(records[0].index, row.index);
        EXPECT_EQ(Flash(row.address, 256), Pattern(256));
    }
}

TEST_F(JobTest, ExternalFlashIsErasedWholeOrOverTheSegment) {
    for (const uint8_t mode : {0, 1}) {
        SCOPED_TRACE(int(mode));
        Fresh();
        Attach(OV_IFACE_USART, ChipOfSeries(8));
        settings.chipSeries = 8;
        settings.downloadArea = 4;
        settings.extId = 2;
        settings.eraseMode = mode;
        items[2].enabled = 1;
        SetSegment(items[2], 0, Pattern(64), 64);
        items[2].addressText[0] = u"00004000";
        ovsim::ClearJournal();
        PartitionRecords records{};

        ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 1);

        std::vector<std::vector<uint32_t>> erases;
        for (const ovsim::JournalEntry& entry : ovsim::Journal()) {
            if (entry.fn == ovsim::Fn::ExtFlashErase) erases.push_back(entry.args);
        }
        const std::vector<uint32_t> range =
            mode == 1 ? std::vector<uint32_t>{0, 0x0FFFFFFF, 2} : std::vector<uint32_t>{0x4000, 0x403F, 2};
        EXPECT_EQ(erases, std::vector<std::vector<uint32_t>>{range});
    }
}

}  // namespace
