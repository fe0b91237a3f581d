#include <gtest/gtest.h>

#include "app/DownloadAreas.h"

namespace {

struct RangeCase {
    const char* what;
    RangeCheckInput in;
    uint32_t start;
    uint64_t last;
    const char16_t* refusal;  // null: accepted
};

constexpr double k64K = 64.0;
const char16_t* const kStart = u"下载起始地址超出范围！";
const char16_t* const kLast = u"下载文件过大，下载位置超出范围！";

RangeCheckInput Chip(uint8_t series, uint8_t area = 0, uint8_t iface = 2) {
    RangeCheckInput in;
    in.series = series;
    in.downloadArea = area;
    in.iface = iface;
    in.flashSizeKB = k64K;
    in.flashAreaLimit = 0x151DFFFF;
    return in;
}

TEST(CheckDownloadRange, TableOfSeriesAreasAndInterfaces) {
    const RangeCase cases[] = {
        {"usart needs 16-byte alignment", Chip(0, 0, 0), 0x08000008, 0x08000100, u"下载起始地址不是16字节对齐！"},
        {"dfu needs 16-byte alignment", Chip(0, 0, 1), 0x08000008, 0x08000100, u"下载起始地址不是16字节对齐！"},
        {"cmsis-dap needs 8", Chip(0, 0, 3), 0x08000004, 0x08000100, u"下载起始地址不是8字节对齐！"},
        {"cmsis-dap takes 8", Chip(0, 0, 3), 0x08000008, 0x08000100, nullptr},
        {"j-link takes any", Chip(0, 0, 2), 0x08000001, 0x08000100, nullptr},
        {"whole flash fits", Chip(0), 0x08000000, 0x0800FFFF, nullptr},
        {"one byte past flash", Chip(0), 0x08000000, 0x08010000, kLast},
        {"below flash", Chip(0), 0x07FFFFF0, 0x08000100, kStart},
        {"series 0 other area passes", Chip(0, 3), 0x00000000, 0x00000010, nullptr},
        {"segment past 4 GiB is refused", Chip(0), 0x08000000, 0x100000000ull + 5, kLast},
        {"series 7 usart boot area", Chip(7, 0, 0), 0x08000000, 0x08000100,
         u"下载起始地址超出范围！VK203系列芯片，前3K为BOOT存储区，用户区下载起始地址为0x08000C00 ！"},
        {"series 7 usart user area", Chip(7, 0, 0), 0x08000C00, 0x080075FF, nullptr},
        {"series 7 usart too long", Chip(7, 0, 0), 0x08000C00, 0x08007600, kLast},
        {"series 7 swd general rule", Chip(7, 0, 2), 0x08000000, 0x08000100, nullptr},
        {"series 11 main to sram", Chip(11), 0x08000000, 0x20001000, nullptr},
        {"series 11 one past nvr window", Chip(11), 0x1FFF0000, 0x1FFF0E00, kLast},
        {"series 11 gap", Chip(11), 0x1FFF0E00, 0x1FFF0E10, kStart},
        {"series 8 area 0 flash", Chip(8, 0), 0x08000000, 0x0800FFFF, nullptr},
        {"series 8 sram", Chip(8, 5), 0x2000A000, 0x20030FFF, nullptr},
        {"series 8 sram too long", Chip(8, 5), 0x2000A000, 0x20031000, kLast},
        {"series 9 external flash", Chip(9, 4), 0x00000000, 0x0FFFFFFF, nullptr},
        {"series 9 external flash too long", Chip(9, 4), 0x0FFFFFF0, 0x10000000, kLast},
        {"nvr driver of exactly 0x800", Chip(8, 1), 0x1FFFC840, 0x1FFFC840 + 0x7FF, nullptr},
        {"nvr driver of 0x801", Chip(8, 1), 0x1FFFC840, 0x1FFFC840 + 0x800,
         u"下载到外设FLASH驱动(NVR)的位置超出范围！"},
        {"nvr driver elsewhere", Chip(8, 1), 0x1FFFC850, 0x1FFFC900,
         u"下载到外设FLASH驱动(NVR)的起始地址应为0x1FFFC840！"},
        {"opt driver", Chip(9, 2), 0x1FFFE0C0, 0x1FFFE8BF, nullptr},
        {"opt driver too long", Chip(9, 2), 0x1FFFE0C0, 0x1FFFE8C0, u"下载到外设FLASH驱动(OPT)的位置超出范围！"},
        {"opt driver elsewhere", Chip(9, 2), 0x1FFFE000, 0x1FFFE100,
         u"下载到外设FLASH驱动(OPT)的起始地址应为0x1FFFE0C0！"},
        {"series 10 itcm", Chip(10, 0), 0x0, 0xFFFFF, nullptr},
        {"series 10 itcm too long", Chip(10, 0), 0x0, 0x100000, kLast},
        {"series 10 axisram", Chip(10, 1), 0x24000000, 0x2411FFFF, nullptr},
        {"series 10 ahbsram below", Chip(10, 2), 0x2FFFFFF0, 0x30000100, kStart},
        {"series 10 flash to limit", Chip(10, 3), 0x15000000, 0x151DFFFF, nullptr},
        {"series 10 flash past limit", Chip(10, 3), 0x15000000, 0x151E0000, kLast},
        {"series 12 flash", Chip(12), 0x08000000, 0x0800FFFF, nullptr},
        {"series 12 sram", Chip(12, 1), 0x20000500, 0x200017FF, nullptr},
        {"series 12 sram too long", Chip(12, 1), 0x20000500, 0x20001800, kLast},
    };
    for (const RangeCase& c : cases) {
        const auto refusal = CheckDownloadRange(c.in, c.start, c.last);
        if (c.refusal == nullptr)
            EXPECT_FALSE(refusal.has_value()) << c.what;
        else
            EXPECT_EQ(refusal.value_or(u"(accepted)"), fw::Text(c.refusal)) << c.what;
    }
}

TEST(CheckDownloadRange, NoFlashSizeRefusesEveryInternalAddress) {
    RangeCheckInput in = Chip(0);
    in.flashSizeKB = 0.0;
    EXPECT_EQ(CheckDownloadRange(in, 0x08000000, 0x08000000).value_or(u""), fw::Text(kStart));
}

TEST(AreaDefaultStartText, RowsOfTheAreaTable) {
    EXPECT_EQ(AreaDefaultStartText(10, 1), u"24000000");
    EXPECT_EQ(AreaDefaultStartText(10, 3), u"15000000");
    EXPECT_EQ(AreaDefaultStartText(11, 1), u"1FFF1000");
    EXPECT_EQ(AreaDefaultStartText(12, 1), u"20000500");
    EXPECT_EQ(AreaDefaultStartText(8, 5), u"2000A000");
    EXPECT_EQ(AreaDefaultStartText(9, 2), u"1FFFE0C0");
    EXPECT_EQ(AreaDefaultStartText(9, 4), u"00000000");
    EXPECT_EQ(AreaDefaultStartText(0, 0), u"");
    EXPECT_EQ(AreaDefaultStartText(11, 3), u"");
}

TEST(ClassifySeries11File, CountsTheAreasTheSegmentsLieIn) {
    std::array<uint32_t, 260> addresses{}, lengths{};
    const auto classify = [&](std::initializer_list<std::pair<uint32_t, uint32_t>> segments) {
        uint32_t n = 0;
        for (const auto& [address, length] : segments) {
            addresses[n] = address;
            lengths[n] = length;
            ++n;
        }
        return ClassifySeries11File(addresses, lengths, n);
    };
    FileAreas areas = classify({{0x08000000, 0x100}, {0x20001000, 0x100}});
    EXPECT_EQ(areas.count, 2);
    areas = classify({{0x1FFF1000, 0x100}, {0x1FFF1800, 0x100}});
    EXPECT_EQ(areas.count, 1);
    EXPECT_EQ(areas.first, 1);
    areas = classify({{0x1FFF0000, 0x100}});
    EXPECT_EQ(areas.first, 3);
    areas = classify({{0x30000000, 0x100}});
    EXPECT_EQ(areas.count, 0);
    EXPECT_EQ(areas.first, -1);
}

}  // namespace
