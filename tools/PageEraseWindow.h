// Where a page erase may go: the address window of each partition the erase dialog offers, the base its page
// numbers count from, and whether the protection has to be lifted first.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "app/InterfaceSpeeds.h"

// The dialog's partition numbers.
inline constexpr int kEraseUser1 = 0, kEraseUser2 = 1, kEraseUser3 = 2, kEraseDataFlash = 3, kEraseSram = 4;

struct PageEraseLayout {
    uint8_t series = 0;
    InterfaceIndex iface = 0;
    uint32_t flashBase = 0;
    double flashKB = 0.0;
    uint32_t unitKB = 0;
    // USER1 in units, wide: a flash of 256 units or more must not wrap to an empty USER1.
    uint32_t user1Units = 0;
    uint32_t user3Units = 0;
};

// start and comparedEnd bound what may be erased (first >= start, last <= comparedEnd); they stay in floating
// point as the sizes they come from do. Page numbers count from pageBase.
struct PageEraseWindow {
    double start = 0.0;
    double comparedEnd = 0.0;
    uint32_t pageBase = 0;
};

PageEraseWindow PageEraseWindowOf(const PageEraseLayout& layout, int partition);

// The ends of USER1 and USER2 in the flash (E1 and E3 of the layout) and of the flash itself.
double User1End(const PageEraseLayout& layout);
double User3Start(const PageEraseLayout& layout);
double FlashEnd(const PageEraseLayout& layout);

// True when the chip's protection must be lifted before the erase of [first, ...] in partition.
bool PageEraseLiftsProtection(InterfaceIndex iface, uint8_t series, int partition, uint32_t first);
