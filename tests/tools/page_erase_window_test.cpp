// The page erase windows and the protection-lift rule, typed from the dialog's tables.
#include <gtest/gtest.h>

#include "tools/PageEraseWindow.h"

namespace {

TEST(PageEraseWindow, WindowPerPartitionAndSeries) {
    struct Row {
        const char* what;
        PageEraseLayout layout;
        int partition;
        double start, end;
        uint32_t pageBase;
    };
    // Series 0: 256 KB in 16 KB units, USER1 10 units, USER3 4 units: USER2 from 0x08028000, USER3 from 0x08030000.
    const PageEraseLayout s0{0, kIfaceUsart, 0x08000000, 256, 16, 10, 4};
    PageEraseLayout s7{7, kIfaceUsart, 0x08000C00, 29.5, 4, 0, 0};
    const PageEraseLayout s10{10, kIfaceUsart, 0x15000000, 2048, 16, 120, 0};
    const PageEraseLayout s11{11, kIfaceUsart, 0x08000000, 128, 4, 32, 0};
    // 4096 KB in 16 KB units: 256 units, one more than a byte holds.
    const PageEraseLayout wide{0, kIfaceSwdCmsisDap, 0x08000000, 4096, 16, 256, 0};
    const Row rows[] = {
        {"USER1", s0, kEraseUser1, 0x08000000, 0x08028000, 0x08000000},
        {"USER2", s0, kEraseUser2, 0x08028000, 0x08030000, 0x08000000},
        {"USER3", s0, kEraseUser3, 0x08030000, 0x08040000, 0x08000000},
        {"series 7 USER1 on USART", s7, kEraseUser1, 0x08000000, 0x080075FF, 0x08000C00},
        {"series 7 whatever the partition", s7, kEraseUser3, 0x08000000, 0x080075FF, 0x08000C00},
        {"security chip USER1", s10, kEraseUser1, 0x15000000, 0x151E0000, 0x15000000},
        {"data flash", s11, kEraseDataFlash, 0x1FFF1000, 0x1FFF2FFF, 0x1FFF1000},
        {"SRAM", s11, kEraseSram, 0x20001000, 0x20003FFF, 0x20001000},
        {"USER1 of 256 units", wide, kEraseUser1, 0x08000000, 0x08400000, 0x08000000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const PageEraseWindow w = PageEraseWindowOf(r.layout, r.partition);
        EXPECT_EQ(w.start, r.start);
        EXPECT_EQ(w.comparedEnd, r.end);
        EXPECT_EQ(w.pageBase, r.pageBase);
    }
    s7.iface = kIfaceSwdJlink;
    EXPECT_EQ(PageEraseWindowOf(s7, kEraseUser1).start, 0x08000000);
}

TEST(PageEraseWindow, ProtectionIsLiftedOverCmsisDapOrBelowTheBootPagesOfTheOtherSeries) {
    struct Row {
        InterfaceIndex iface;
        uint8_t series;
        int partition;
        uint32_t first;
        bool lift;
    };
    const Row rows[] = {
        {kIfaceSwdCmsisDap, 11, kEraseDataFlash, 0x1FFF1000, false},
        {kIfaceSwdCmsisDap, 11, kEraseSram, 0x20001000, false},
        {kIfaceSwdCmsisDap, 11, kEraseUser1, 0x08010000, true},
        {kIfaceSwdCmsisDap, 5, kEraseUser3, 0x08010000, true},
        {kIfaceUsart, 0, kEraseUser1, 0x08000FFF, true},
        {kIfaceUsart, 0, kEraseUser1, 0x08001000, false},
        {kIfaceSwdJlink, 3, kEraseUser1, 0x08000000, true},
        {kIfaceUsbDfu, 7, kEraseUser1, 0x08000000, true},
        {kIfaceUsart, 5, kEraseUser1, 0x08000000, false},
        {kIfaceUsart, 8, kEraseUser1, 0x08000000, false},
        {kIfaceUsart, 9, kEraseUser1, 0x08000000, false},
        {kIfaceUsbDfu, 10, kEraseUser1, 0x08000000, false},
        {kIfaceUsart, 11, kEraseUser1, 0x08000000, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "interface " << int{r.iface} << " series " << int{r.series} << " partition "
                                        << r.partition << " first " << std::hex << r.first);
        EXPECT_EQ(PageEraseLiftsProtection(r.iface, r.series, r.partition, r.first), r.lift);
    }
}

}  // namespace
