#include "offline/DownloadProjectPlacement.h"

#include "core/Translation.h"

namespace {

constexpr uint8_t kSeriesWithWindows = 11;
// That series also takes files in its system memory and SRAM windows, which count towards its total.
constexpr uint32_t kWindowAllowance = 0x5000;

struct Window {
    uint32_t first;
    uint32_t last;
};
constexpr Window kExtraWindows[] = {{0x1FFF0000, 0x1FFF0DFF}, {0x1FFF1000, 0x1FFF2FFF}, {0x20001000, 0x20003FFF}};

bool Inside(uint64_t address, uint64_t first, uint64_t last) { return address >= first && address <= last; }

// Every address is taken as the unsigned number it is, in 64 bits, so that neither a flash near the top of the
// address space nor a long file wraps around.
fw::Text RangeRefusal(const DownloadProjectChip& chip, uint64_t s, uint64_t l) {
    const uint64_t flashFirst = chip.flashStart;
    const uint64_t flashLast = flashFirst + chip.flashSize - 1;
    const bool inFlash = chip.flashSize != 0 && Inside(s, flashFirst, flashLast);
    if (chip.seriesCode != kSeriesWithWindows) {
        return inFlash ? fw::Text() : TranslateText(u"下载起始地址不正确，请检查是否超出FLASH范围！");
    }
    const fw::Text endRefusal = TranslateText(u"下载结束地址不正确，请检查是否超出FLASH范围！");
    if (inFlash) return Inside(l, flashFirst, flashLast) ? fw::Text() : endRefusal;
    for (const Window& w : kExtraWindows) {
        if (Inside(s, w.first, w.last)) return Inside(l, w.first, w.last) ? fw::Text() : endRefusal;
    }
    return TranslateText(u"下载起始地址不正确，请检查是否超出FLASH范围！");
}

fw::Text PartitionRefusal(const DownloadProjectChip& chip, const FilePlacementPartition& p, uint64_t e) {
    const uint64_t flashEnd = uint64_t{chip.flashStart} + chip.flashSize;
    const uint64_t b2 = p.user2Base, b3 = p.user3Base;
    if (!p.partitionMode) {
        if (chip.seriesCode != kSeriesWithWindows && e > flashEnd) return TranslateText(u"下载的位置超出FLASH范围！");
        return {};
    }
    switch (p.partition) {
        case 0:
            if ((b2 != 0 && e > b2) || (b3 != 0 && e > b3)) return TranslateText(u"下载的位置超出分区1的范围！");
            return {};
        case 1:
            if ((b3 != 0 && e > b3) || (b3 == 0 && e > flashEnd) || e < b2)
                return TranslateText(u"下载的位置超出分区2的范围！");
            return {};
        default:
            if (e > flashEnd || e < b3) return TranslateText(u"下载的位置超出分区3的范围");
            return {};
    }
}

}  // namespace

fw::Text RefusalOfPlacement(const DownloadProjectChip& chip, const FilePlacementPartition& placement,
                            std::span<const ListedFile> listed, uint32_t start, uint32_t length) {
    const uint64_t s = start;
    const uint64_t e = s + length;
    const uint64_t l = e - 1;
    if (fw::Text refusal = RangeRefusal(chip, s, l); !refusal.empty()) return refusal;
    if (fw::Text refusal = PartitionRefusal(chip, placement, e); !refusal.empty()) return refusal;
    uint64_t total = length;
    for (const ListedFile& other : listed) {
        total += other.length;
        if (!other.named || other.length == 0) continue;
        const uint64_t first = other.start;
        const uint64_t last = first + other.length - 1;
        if (Inside(s, first, last) || Inside(l, first, last) || (s <= first && last <= l))
            return TranslateText(u"下载地址有重叠，请确认！");
    }
    const uint64_t room = uint64_t{chip.flashSize} + (chip.seriesCode == kSeriesWithWindows ? kWindowAllowance : 0);
    if (total > room) return TranslateText(u"下载的位置超出FLASH范围！");
    return {};
}
