#include <gtest/gtest.h>

#include "app/EraseRange.h"

namespace {

struct RoundCase {
    uint32_t start, last, page;
    bool front, behind;
    std::optional<EraseRange> expected;
};

TEST(RoundToPages, CrossPageBoxes) {
    const uint32_t s = 0x08000400, e = 0x08000400 + 0x1800 - 1;
    const RoundCase cases[] = {
        {s, e, 2048, false, false, EraseRange{0x08000000, 0x08001FFF}},  // pages 0 to 3
        {s, e, 2048, true, false, EraseRange{0x08000800, 0x08001FFF}},   // pages 1 to 3
        {s, e, 2048, false, true, EraseRange{0x08000000, 0x080017FF}},   // pages 0 to 2
        {s, e, 2048, true, true, EraseRange{0x08000800, 0x080017FF}},
        // Ending on a page boundary erases up to it in either box state.
        {0x08000000, 0x08000FFF, 2048, false, false, EraseRange{0x08000000, 0x08000FFF}},
        {0x08000000, 0x08000FFF, 2048, true, true, EraseRange{0x08000000, 0x08000FFF}},
        // Inside one page with both boxes: nothing left.
        {0x08000100, 0x08000200, 2048, true, true, std::nullopt},
        // The behind box when the range starts in the page that holds its end.
        {0x08000000, 0x08000200, 2048, false, true, std::nullopt},
        // Page size 0 never divides: the range stays as it is.
        {0x08000010, 0x0800101F, 0, false, false, EraseRange{0x08000010, 0x0800101F}},
        // The top page of the address space does not wrap.
        {0xFFFFF800, 0xFFFFFF00, 2048, false, false, EraseRange{0xFFFFF800, 0xFFFFFFFF}},
    };
    for (const RoundCase& c : cases) {
        EXPECT_EQ(RoundToPages(c.start, c.last, c.page, c.front, c.behind), c.expected)
            << std::hex << c.start << ".." << c.last << " front " << c.front << " behind " << c.behind;
    }
}

TEST(WholeChipRange, BySeriesAndSegment) {
    struct Case {
        WholeEraseInput in;
        EraseRange expected;
    };
    const Case cases[] = {
        {{7, 0, 0, 29.5, 0x08000C00}, {0x08000C00, 0x08000C00 + 26 * 1024 + 512 - 1}},
        {{7, 2, 0, 29.5, 0x08000000}, {0x08000000, 0x08000000 + 29 * 1024 + 512 - 1}},
        {{11, 0, 0, 512, 0x1FFF0000}, {0x1FFF0000, 0x1FFF0DFF}},
        {{11, 0, 0, 512, 0x1FFF1800}, {0x1FFF1000, 0x1FFF2FFF}},
        {{11, 0, 0, 512, 0x20003000}, {0x20001000, 0x20003FFF}},
        {{11, 0, 0, 512, 0x08000000}, {0x08000000, 0x0807FFFF}},
        {{10, 0, 3, 2048.0, 0x15000000}, {0x15000000, 0x151DFFFF}},
        {{10, 0, 3, 4096.0, 0x15000000}, {0x15000000, 0x153DFFFF}},
        {{0, 0, 0, 64, 0x08000000}, {0x08000000, 0x0800FFFF}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WholeChipRange(c.in), c.expected) << int(c.in.series) << " " << std::hex << c.in.segmentStart;
}

}  // namespace
