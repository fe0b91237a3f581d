#include <gtest/gtest.h>

#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"

namespace {

using hexfile::Pattern;

int Count(ovsim::Fn fn) {
    int n = 0;
    for (const ovsim::CallRecord& call : ovsim::CallLog())
        n += call.fn == fn ? 1 : 0;
    return n;
}

TEST_F(JobTest, WholeChipEraseRunsOnceForThreeItems) {
    ovsim::ChipSpec chip;
    chip.series = 7;  // no USER partitions to keep the items apart
    Attach(OV_IFACE_SWD_JLINK, chip);
    for (int i = 0; i < 3; ++i) {
        items[i].enabled = 1;
        SetSegment(items[i], 0, Pattern(256, static_cast<uint8_t>(i)), 256);
        items[i].addressText[0] = fw::Format(u"%08X", 0x08000000 + i * 0x2000);
    }
    settings.eraseMode = 1;
    PartitionRecords records{};
    ovsim::ClearCallLog();
    ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 1);
    EXPECT_EQ(Count(ovsim::Fn::FlashErase), 1);
    EXPECT_EQ(Count(ovsim::Fn::FlashDwnld), 3);
    EXPECT_TRUE(host->HasLine(u"USER1 擦除范围：0x08000000-0x080075FF", kStatusPlain));
    EXPECT_EQ(Flash(0x08004000, 256), Pattern(256, 2));
    EXPECT_EQ(records[2].index, 2);
}

// Whole-area erase with a security module: the module's step erases the area once, and the firmware that follows
// into the same area does not erase it again, which would take the module with it.
TEST_F(JobTest, WholeEraseOfTheSecurityAreaKeepsTheModuleForTheFirmware) {
    Attach(OV_IFACE_SWD_CMSIS_DAP, ChipOfSeries(10));
    settings.chipSeries = 10;
    settings.downloadArea = 3;
    settings.eraseMode = 1;
    settings.bootSubVersionText = u"V1.1";
    settings.safeModuleAddr = 0x15000000;
    settings.safeModuleData = Pattern(0x1000, 5);
    UseImage(Pattern(0x100, 9), 0x15010000);
    PartitionRecords records{};
    ovsim::ClearCallLog();
    DownloadJob job(*host, items, settings, slot());
    ASSERT_EQ(job.DownloadSafeModule(), 1);
    ASSERT_EQ(job.DownloadItemImages(records), 1);
    EXPECT_EQ(Count(ovsim::Fn::FlashErase), 1);
    EXPECT_EQ(Flash(0x15000000, 0x1000), settings.safeModuleData);
    EXPECT_EQ(Flash(0x15010000, 0x100), Pattern(0x100, 9));
}

TEST_F(JobTest, EncipheredImageReportsTheRangeWithoutItsCrc) {
    Attach(OV_IFACE_USART);
    items[0].enabled = 1;
    items[0].enciphered = 1;
    SetSegment(items[0], 0, Pattern(1028), 1028);
    items[0].addressText[0] = u"08000000";
    PartitionRecords records{};
    ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 1);
    EXPECT_TRUE(host->HasLine(u"下载范围：0x08000000-0x080003FF", kStatusPlain));
    const auto image = Pattern(1028);
    EXPECT_EQ(Flash(0x08000000, 1024), std::vector<uint8_t>(image.begin() + 4, image.end()));
}

TEST_F(JobTest, ExternalFlashGetsTheSegmentWithItsCrcAndIsErasedPerSegment) {
    ovsim::ChipSpec chip;
    chip.series = 8;
    Attach(OV_IFACE_USART, chip);
    settings.downloadArea = 4;
    settings.extId = 1;
    items[2].enabled = 1;
    items[2].segmentCount = 2;
    SetSegment(items[2], 0, Pattern(48), 48);
    SetSegment(items[2], 1, Pattern(32, 9), 32);
    items[2].addressText[0] = u"00001000";
    items[2].addressText[1] = u"00002000";
    PartitionRecords records{};
    ovsim::ClearCallLog();
    ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 1);
    EXPECT_EQ(Count(ovsim::Fn::ExtFlashErase), 2);
    EXPECT_EQ(Count(ovsim::Fn::FlashErase), 0);
    EXPECT_EQ(ovsim::ReadExternalFlash(m_name, 1, 0x1000, 48), Pattern(48));
    const auto crc = ovsim::ReadExternalFlash(m_name, 1, 0x1000 + 48, 4);
    const uint32_t expected = items[2].crc[0];
    EXPECT_EQ(crc, (std::vector<uint8_t>{uint8_t(expected >> 24), uint8_t(expected >> 16), uint8_t(expected >> 8),
                                         uint8_t(expected)}));
}

TEST_F(JobTest, ExternalFlashPastItsTopIsRefused) {
    ovsim::ChipSpec chip;
    chip.series = 9;
    Attach(OV_IFACE_USART, chip);
    settings.downloadArea = 4;
    items[2].enabled = 1;
    SetSegment(items[2], 0, Pattern(32), 32);
    items[2].addressText[0] = u"0FFFFFE0";
    PartitionRecords records{};
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 0);
    // The item downloads alone as the external flash's item, so its lines carry its partition name.
    EXPECT_TRUE(host->HasLine(u"USER3 外设FLASH下载位置超出范围！", kStatusFailure));
}

TEST_F(JobTest, SramOfTheExternalMemoryChipsGoesThroughTheExternalApi) {
    ovsim::ChipSpec chip;
    chip.series = 8;
    Attach(OV_IFACE_USART, chip);
    settings.downloadArea = 5;
    UseImage(Pattern(64), 0x2000A000);
    PartitionRecords records{};
    ovsim::ClearCallLog();
    ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 1);
    EXPECT_EQ(Count(ovsim::Fn::ExtApiDwnld), 1);
    EXPECT_EQ(Count(ovsim::Fn::FlashErase), 0);
    EXPECT_EQ(Flash(0x2000A000, 64), Pattern(64));
}

TEST_F(JobTest, OutOfRangeSegmentFailsBeforeAnyErase) {
    Attach(OV_IFACE_USART);
    UseImage(Pattern(64), 0x0803FFF0);  // runs past the 256 KB flash
    PartitionRecords records{};
    ovsim::ClearCallLog();
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 0);
    EXPECT_TRUE(host->HasLine(u"下载文件过大，下载位置超出范围！", kStatusFailure));
    EXPECT_EQ(Count(ovsim::Fn::FlashErase), 0);
}

TEST_F(JobTest, ReadBackFlashCrcCoversTheWholeFlashAndRefusesShortReads) {
    Attach(OV_IFACE_SWD_CMSIS_DAP);
    slot().packetSize = 2048;
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).ReadBackFlashCrc(), 1);
    const auto lines = host->Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().text.rfind(u"整个FLASH校验码：0x", 0), 0u);

    ovsim::InjectStatus(ovsim::Fn::RecvData, 3, CMD_STATUS_BAD_FRAME);
    ovsim::InjectStatus(ovsim::Fn::RecvData, 3, CMD_STATUS_BAD_FRAME);  // the retry: the first rule is gone by then
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).ReadBackFlashCrc(), 0);
    EXPECT_TRUE(host->HasLine(u"读取下载数据失败", kStatusFailure));
}

}  // namespace
