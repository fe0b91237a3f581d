#include "tools/PageEraseWindow.h"

#include "app/ChipSeries.h"

namespace {

constexpr uint32_t kDataFlashStart = 0x1FFF1000, kDataFlashEnd = 0x1FFF2FFF;
constexpr uint32_t kSramStart = 0x20001000, kSramEnd = 0x20003FFF;
// Series 7 has no partitions; its boot loader leaves this run of the flash to the user.
constexpr uint32_t kSeries7Start = 0x08000000, kSeries7End = 0x080075FF;
// Below this address the series that lift protection by address keep their boot configuration.
constexpr uint32_t kLiftBelow = 0x08001000;

}  // namespace

double User1End(const PageEraseLayout& l) {
    return l.flashBase + static_cast<double>(l.user1Units) * l.unitKB * 1024.0;
}

double User3Start(const PageEraseLayout& l) {
    return l.flashBase + l.flashKB * 1024.0 - static_cast<double>(l.user3Units) * l.unitKB * 1024.0;
}

double FlashEnd(const PageEraseLayout& l) { return l.flashBase + l.flashKB * 1024.0; }

PageEraseWindow PageEraseWindowOf(const PageEraseLayout& l, int partition) {
    if (l.series == 7) return {kSeries7Start, kSeries7End, l.flashBase};
    switch (partition) {
        case kEraseUser2:
            return {User1End(l), User3Start(l), l.flashBase};
        case kEraseUser3:
            return {User3Start(l), FlashEnd(l), l.flashBase};
        case kEraseDataFlash:
            return {kDataFlashStart, kDataFlashEnd, kDataFlashStart};
        case kEraseSram:
            return {kSramStart, kSramEnd, kSramStart};
        default:
            return {static_cast<double>(l.flashBase), User1End(l), l.flashBase};
    }
}

bool PageEraseLiftsProtection(InterfaceIndex iface, uint8_t series, int partition, uint32_t first) {
    if (iface == kIfaceSwdCmsisDap) return partition != kEraseDataFlash && partition != kEraseSram;
    return !IsOneOf(series, {5, 8, 9, 10, 11}) && first < kLiftBelow;
}
