// The last byte of the ranges the job erases, downloads and classifies.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/DownloadAreas.h"
#include "devicelib/sim/CallJournal.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"

namespace {

using hexfile::Pattern;

TEST_F(JobTest, SecurityModuleEraseAndReportEndAtItsLastByte) {
    struct Row {
        uint32_t size;
        uint8_t eraseMode;
        double flashKB;
        uint32_t eraseLast;  // 0: nothing is erased
        const char16_t* bootSubVersion = u"V1.1";
    };
    const Row rows[] = {
        {0x1000, 0, 2048, 0x15000FFF},  // ends on a page boundary
        {0x1001, 0, 2048, 0x15001FFF},  // one byte into the next 4 KB page
        {0x0FFF, 0, 2048, 0x15000FFF}, {0x1000, 1, 2048, 0x151DFFFF},
        {0x1000, 1, 4096, 0x153DFFFF}, {0x1000, 2, 2048, 0},  // no erase chosen
        {0x1000, 0, 2048, 0, u"V1.0"},                        // nor with boot sub-version V1.0
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.size << " mode " << int(row.eraseMode) << " " << row.flashKB
                                        << " " << fw::TextToUtf8(row.bootSubVersion));
        Fresh();
        ovsim::ChipSpec chip = ChipOfSeries(10);
        chip.flashKB = row.flashKB;
        Attach(OV_IFACE_SWD_CMSIS_DAP, chip);
        settings.chipSeries = 10;
        settings.eraseMode = row.eraseMode;
        settings.safeModuleData = Pattern(row.size, 5);
        settings.bootSubVersionText = row.bootSubVersion;
        ovsim::ClearJournal();

        ASSERT_EQ(DownloadJob(*host, items, settings, slot()).DownloadSafeModule(), 1);

        const uint32_t last = 0x15000000 + row.size - 1;
        EXPECT_EQ(host->HasLine(fw::Format(u"擦除范围：0x15000000-0x%08X", row.eraseLast), kStatusPlain),
                  row.eraseLast != 0);
        EXPECT_TRUE(host->HasLine(fw::Format(u"下载安全模块范围：0x15000000-0x%08X", last), kStatusPlain));
        std::vector<uint32_t> erased;
        for (const ovsim::JournalEntry& entry : ovsim::Journal()) {
            if (entry.fn == ovsim::Fn::FlashErase) erased = entry.args;
        }
        const std::vector<uint32_t> expected =
            row.eraseLast == 0 ? std::vector<uint32_t>{} : std::vector<uint32_t>{0x15000000, row.eraseLast};
        EXPECT_EQ(erased, expected);
        EXPECT_EQ(Flash(0x15000000, row.size), settings.safeModuleData);
    }
}

// A segment lies in an area when its first and its last byte do.
TEST(Series11FileAreas, ASegmentEndingOnAnAreasLastByteLiesInIt) {
    struct Area {
        uint32_t first, last;
        int number;
    };
    const Area areas[] = {{0x08000000, 0x0807FFFF, 0},
                          {0x1FFF1000, 0x1FFF2FFF, 1},
                          {0x20001000, 0x20003FFF, 2},
                          {0x1FFF0000, 0x1FFF0DFF, 3}};
    for (const Area& area : areas) {
        SCOPED_TRACE(area.number);
        std::array<uint32_t, 260> addresses{}, lengths{};
        addresses[0] = area.last - 0xFF;
        lengths[0] = 0x100;
        FileAreas found = ClassifySeries11File(addresses, lengths, 1);
        EXPECT_EQ(found.count, 1);
        EXPECT_EQ(found.first, area.number);

        lengths[0] = 0x101;  // one byte past the area
        found = ClassifySeries11File(addresses, lengths, 1);
        EXPECT_EQ(found.count, 0);

        addresses[0] = area.first;
        lengths[0] = area.last - area.first + 1;  // the whole area
        found = ClassifySeries11File(addresses, lengths, 1);
        EXPECT_EQ(found.count, 1);
        EXPECT_EQ(found.first, area.number);
    }
}

}  // namespace
