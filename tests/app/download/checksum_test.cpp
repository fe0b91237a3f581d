// The checksums a job reports or writes, against a bitwise CRC computed here.
#include <gtest/gtest.h>

#include <vector>

#include "app/DownloadFiles.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"

namespace {

using hexfile::Pattern;

// CRC-32/MPEG-2 bit by bit over the bytes as the chip's CRC unit sees them: little-endian words, most significant
// byte first; a tail of fewer than four bytes is left out as the unit does.
uint32_t ReferenceCrc(const std::vector<uint8_t>& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t word = 0; word + 4 <= data.size(); word += 4) {
        for (int k = 3; k >= 0; --k) {
            crc ^= static_cast<uint32_t>(data[word + k]) << 24;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    }
    return crc;
}

fw::Text ChecksumLine(uint32_t sum) { return fw::Format(u"文件校验码：0x%08X", sum); }

TEST_F(JobTest, FileChecksumLineCountsEverySegmentOfAHexFile) {
    Attach(OV_IFACE_USART);
    const std::vector<hexfile::Run> runs{
        {0x08000000, Pattern(0x100, 1)}, {0x08001000, Pattern(0x40, 2)}, {0x08003000, Pattern(0x80, 3)}};
    folder.Write("three.hex", hexfile::Text(runs));
    uint8_t writeOptionBytes = 0;
    ASSERT_TRUE(LoadHexFile(folder.Wide("three.hex"), 0, items[0], writeOptionBytes, settings.fileOptionBytes,
                            [](const fw::Text&, uint32_t) {}));
    ASSERT_EQ(items[0].segmentCount, 3u);
    items[0].enabled = 1;
    settings.fileExt = u"hex";

    RunOnWorker();

    ASSERT_EQ(g_passCount, 1);
    uint32_t sum = 0;
    for (const hexfile::Run& run : runs)
        sum += ReferenceCrc(run.bytes);
    EXPECT_TRUE(host->HasLine(ChecksumLine(sum), kStatusPlain));
}

TEST_F(JobTest, EveryExternalFlashSegmentCarriesItsOwnCrc) {
    Attach(OV_IFACE_USART, ChipOfSeries(8));
    settings.chipSeries = 8;
    settings.downloadArea = 4;
    settings.extId = 1;
    const std::vector<hexfile::Run> runs{{0x1000, Pattern(48, 4)}, {0x3000, Pattern(32, 9)}, {0x5000, Pattern(16, 5)}};
    items[2].enabled = 1;
    items[2].segmentCount = static_cast<uint32_t>(runs.size());
    for (size_t j = 0; j < runs.size(); ++j) {
        SetSegment(items[2], static_cast<int>(j), runs[j].bytes, static_cast<uint32_t>(runs[j].bytes.size()));
        items[2].addressText[j] = fw::Format(u"%08X", runs[j].address);
    }
    PartitionRecords records{};

    ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 1);

    uint32_t sum = 0;
    for (const hexfile::Run& run : runs) {
        SCOPED_TRACE(run.address);
        const uint32_t crc = ReferenceCrc(run.bytes);
        sum += crc;
        const auto size = static_cast<uint32_t>(run.bytes.size());
        EXPECT_EQ(ovsim::ReadExternalFlash(m_name, 1, run.address, size), run.bytes);
        EXPECT_EQ(ovsim::ReadExternalFlash(m_name, 1, run.address + size, 4),
                  (std::vector<uint8_t>{uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)}));
        // Zeros after the CRC up to the next multiple of 16 bytes.
        const uint32_t padded = (size + 4 + 15) / 16 * 16;
        EXPECT_EQ(ovsim::ReadExternalFlash(m_name, 1, run.address + size + 4, padded - size - 4),
                  std::vector<uint8_t>(padded - size - 4, 0));
    }
    EXPECT_TRUE(host->HasLine(ChecksumLine(sum), kStatusPlain));
}

// The flash differs from anything downloaded only in its last packet; packets that do not divide the flash leave
// a short last one.
TEST_F(JobTest, WholeFlashReadBackIncludesItsLastPacket) {
    for (const uint32_t packet : {2048u, 1536u, 1000u}) {
        SCOPED_TRACE(packet);
        Fresh();
        ovsim::ChipSpec chip;
        chip.flash.assign(256 * 1024, 0xFF);
        for (size_t i = chip.flash.size() - 300; i < chip.flash.size(); ++i)
            chip.flash[i] = static_cast<uint8_t>(i * 13);
        Attach(OV_IFACE_SWD_CMSIS_DAP, chip);
        slot().packetSize = packet;

        ASSERT_EQ(DownloadJob(*host, items, settings, slot()).ReadBackFlashCrc(), 1);

        const uint32_t crc = ReferenceCrc(Flash(0x08000000, 256 * 1024));
        EXPECT_TRUE(host->HasLine(fw::Format(u"整个FLASH校验码：0x%08X", crc), kStatusPlain));
    }
}

TEST_F(JobTest, Series12ChecksumIsWrittenToOptionBytes13To16) {
    Attach(OV_IFACE_SWD_CMSIS_DAP, ChipOfSeries(12));
    settings.chipSeries = 12;
    settings.writeCrc32 = true;
    const std::vector<hexfile::Run> runs{{0x08000000, Pattern(0x200, 6)}, {0x08004000, Pattern(0x44, 8)}};
    items[0].enabled = 1;
    items[0].segmentCount = 2;
    for (int j = 0; j < 2; ++j) {
        SetSegment(items[0], j, runs[j].bytes, static_cast<uint32_t>(runs[j].bytes.size()));
        items[0].addressText[j] = fw::Format(u"%08X", runs[j].address);
    }
    const std::vector<uint8_t> before = ovsim::OptionImage(m_name);
    PartitionRecords records{};

    ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadItemImages(records), 1);

    const uint32_t sum = ReferenceCrc(runs[0].bytes) + ReferenceCrc(runs[1].bytes);
    std::vector<uint8_t> expected = before;
    ASSERT_GE(expected.size(), 17u);
    for (int b = 0; b < 4; ++b)
        expected[13 + b] = static_cast<uint8_t>(sum >> (8 * b));
    EXPECT_EQ(ovsim::OptionImage(m_name), expected);  // and nothing else of the image changed
}

// The CRC goes back inside the image as read, and a write sends only the bytes the read brought: over an answer of
// 15 of the 17 bytes, half the CRC would stay erased while the job reported its checksum. The step refuses instead:
// the job fails and the chip's option bytes stay as they were.
TEST_F(JobTest, Series12ChecksumIsNotWrittenOverAShortRead) {
    Attach(OV_IFACE_SWD_CMSIS_DAP, ChipOfSeries(12));
    settings.chipSeries = 12;
    settings.writeCrc32 = true;
    const std::vector<uint8_t> image = Pattern(0x200, 6);
    UseImage(image, 0x08000000);
    const std::vector<uint8_t> before = ovsim::OptionImage(m_name);
    ovsim::ClearCallLog();
    ovsim::InjectShortRead(ovsim::Fn::OptRw, 1, 15);

    RunOnWorker();

    EXPECT_EQ(g_failCount, 1);
    EXPECT_EQ(g_passCount, 0);
    EXPECT_TRUE(host->HasLine(u"读取的选项字节不完整，不能写入芯片！", kStatusFailure));
    EXPECT_FALSE(host->HasLine(ChecksumLine(ReferenceCrc(image)), kStatusPlain));
    EXPECT_FALSE(host->HasLine(u"程序下载完成！", kStatusSuccess));
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::OptRw), 1);  // the read, and no write
    EXPECT_EQ(ovsim::OptionImage(m_name), before);
    ExpectWindowRestored();
}

TEST_F(JobTest, WholeFlashIsReadBackOverSwdOnly) {
    for (const uint8_t iface : {OV_IFACE_USART, OV_IFACE_SWD_JLINK}) {
        SCOPED_TRACE(int(iface));
        Fresh();
        Attach(iface);
        settings.crcAfterDownload = true;
        UseImage(Pattern(256), 0x08004000);
        ovsim::ClearCallLog();

        RunOnWorker();

        ASSERT_EQ(g_passCount, 1);
        int reads = 0;
        for (const ovsim::CallRecord& call : ovsim::CallLog())
            reads += call.fn == ovsim::Fn::RecvData;
        EXPECT_EQ(reads > 0, iface == OV_IFACE_SWD_JLINK);
        EXPECT_EQ(host->HasLine(u"读取整个FLASH成功！", kStatusSuccess), iface == OV_IFACE_SWD_JLINK);
    }
}

}  // namespace
