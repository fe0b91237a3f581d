#include "offline/FilePlacement.h"

#include <vector>

#include "core/HexText.h"
#include "core/Translation.h"

namespace {

struct Window {
    uint64_t first, last;  // inclusive; empty when first > last
    bool Holds(uint64_t a) const { return a >= first && a <= last; }
};

constexpr uint64_t kFlashBase = 0x08000000;

// The windows a file of family 11 may lie in; a file must stay inside the one it starts in.
std::vector<Window> Family11Windows(const FilePlacementChip& chip) {
    return {{kFlashBase, kFlashBase + chip.flashSize - 1},
            {0x1FFF0000, 0x1FFF0DFF},
            {0x1FFF1000, 0x1FFF2FFF},
            {0x20001000, 0x20003FFF}};
}

// Families 8 and 9 also program their SRAM above its first 40 KB.
std::vector<Window> Family89Windows(const FilePlacementChip& chip) {
    return {{kFlashBase, kFlashBase + chip.flashSize - 1}, {0x2000A000, 0x20000000 + uint64_t{chip.sramSize} - 1}};
}

const Window* WindowOf(const std::vector<Window>& windows, uint64_t address) {
    for (const Window& w : windows) {
        if (w.Holds(address)) return &w;
    }
    return {};
}

fw::Text StartRefusal(const FilePlacementChip& chip, uint64_t s) {
    const uint64_t flashEnd = uint64_t{chip.flashStart} + chip.flashSize;
    if (chip.family == 11) {
        return WindowOf(Family11Windows(chip), s) ? fw::Text()
                                                  : TranslateText(u"下载起始地址不正确，请检查是否超出FLASH范围！");
    }
    if (chip.family == 8 || chip.family == 9) {
        return WindowOf(Family89Windows(chip), s) ? fw::Text()
                                                  : TranslateText(u"下载起始地址不正确，请检查是否超出范围！");
    }
    return s >= chip.flashStart && s < flashEnd ? fw::Text()
                                                : TranslateText(u"下载起始地址不正确，请检查是否超出范围！");
}

fw::Text PartitionEndRefusal(const FilePlacementChip& chip, const FilePlacementPartition& p, uint64_t after) {
    const uint64_t flashEnd = uint64_t{chip.flashStart} + chip.flashSize;
    switch (p.partition) {
        case 0:
            if ((p.user2Base != 0 && after > p.user2Base) || (p.user3Base != 0 && after > p.user3Base)) {
                return TranslateText(u"下载的位置超出分区1的范围！");
            }
            return {};
        case 1:
            if (after > (p.user3Base != 0 ? uint64_t{p.user3Base} : flashEnd) || after < p.user2Base) {
                return TranslateText(u"下载的位置超出分区2的范围！");
            }
            return {};
        default:
            return after >= p.user3Base && after <= flashEnd ? fw::Text() : TranslateText(u"下载的位置超出分区3的范围");
    }
}

fw::Text EndRefusal(const FilePlacementChip& chip, uint64_t s, uint64_t e) {
    if (chip.family == 11) {
        const std::vector<Window> windows = Family11Windows(chip);
        const Window* w = WindowOf(windows, s);
        return w && w->Holds(e) ? fw::Text() : TranslateText(u"下载结束地址不正确，请检查是否超出FLASH范围！");
    }
    if (chip.family == 8 || chip.family == 9) {
        return WindowOf(Family89Windows(chip), e) ? fw::Text() : TranslateText(u"下载的位置超出范围！");
    }
    return e + 1 <= uint64_t{chip.flashStart} + chip.flashSize ? fw::Text()
                                                               : TranslateText(u"下载的位置超出FLASH范围！");
}

}  // namespace

fw::Text FilePlacementRefusal(const FilePlacementChip& chip, const FilePlacementPartition& partition,
                              std::span<const PlacedFileRow> rows, std::span<const NewFileRun> runs) {
    // Counted before any row is taken: a HEX file whose runs do not all fit is not listed in part.
    if (rows.size() + runs.size() > kProjectFileRows) return TranslateText(u"最多可添加8个文件！");
    if (runs.empty()) return TranslateText(u"文件长度不正确！");
    if (runs[0].start % 16 != 0) return TranslateText(u"下载起始地址不是16的倍数！");
    std::vector<PlacedFileRow> placed(rows.begin(), rows.end());
    for (const NewFileRun& run : runs) {
        if (run.length == 0) return TranslateText(u"文件长度不正确！");
        const uint64_t s = run.start;
        const uint64_t e = s + run.length - 1;
        if (fw::Text refusal = StartRefusal(chip, s); !refusal.empty()) return refusal;
        fw::Text endRefusal =
            partition.partitionMode ? PartitionEndRefusal(chip, partition, e + 1) : EndRefusal(chip, s, e);
        if (!endRefusal.empty()) return endRefusal;
        uint64_t total = run.length;
        for (const PlacedFileRow& row : placed) {
            if (s <= row.end && e >= row.start) return TranslateText(u"下载地址有重叠，请确认！");
            total += row.length;
        }
        if (total > chip.flashSize) return TranslateText(u"下载的位置超出FLASH范围！");
        // A row is stored and programmed rounded up to 16 bytes (0xFF beyond the file), so a later run must not
        // start inside that padding.
        const uint32_t stored = static_cast<uint32_t>((uint64_t{run.length} + 15) & ~uint64_t{15});
        placed.push_back({run.start, static_cast<uint32_t>(s + stored - 1), stored});
    }
    return {};
}

uint32_t PartitionUnitKB(uint8_t seriesCode) {
    switch (seriesCode) {
        case 0:
        case 1:
        case 2:
        case 8:
        case 9:
        case 10:
            return 16;
        case 3:
        case 4:
        case 6:
        case 7:
        case 11:
        case 12:
            return 4;
        case 5:
            return 2;
        default:
            return 0;
    }
}

PartitionBases PartitionBasesOf(const OfflineProjectSettings& settings, uint32_t flashStart) {
    PartitionBases bases;
    const uint32_t unit = PartitionUnitKB(settings.seriesCode);
    const bool configured2 = settings.partitionConfigured[1] == kProjectMarkerValid;
    const bool configured3 = settings.partitionConfigured[2] == kProjectMarkerValid;
    // A USER3 that is not configured takes no room, whatever size its entry still holds.
    const uint32_t size3 = configured3 ? settings.partitionSize[2] : 0;
    bases.base[0] = flashStart;
    if (settings.seriesCode != 5 && configured2) {
        bases.offered[1] = true;
        bases.base[1] = flashStart + (settings.flashSizeKB - unit * (settings.partitionSize[1] + size3)) * 1024;
    }
    if (configured3) {
        bases.offered[2] = true;
        bases.base[2] = flashStart + (settings.flashSizeKB - unit * size3) * 1024;
    }
    return bases;
}

fw::Text StartAddressRefusal(fw::TextView text, int partition, const PartitionBases& bases,
                             const OfflineProjectSettings& settings, uint32_t flashStart) {
    if (text.empty()) return TranslateText(u"起始地址不能为空！");
    if (!IsHexText(text)) return TranslateText(u"起始地址必须为十六进制数！");
    // More digits would be cut to the last eight when the address is read.
    if (text.size() > 8) return TranslateText(u"输入地址不正确！");
    if (!settings.partitionMode) return {};
    // Read signed as the partition checks always have: an address from 0x80000000 up is below every base.
    const int64_t a = HexToInt(text);
    const auto below = [&](int index) { return !bases.offered[index] || a < int64_t{bases.base[index]}; };
    switch (partition) {
        case 0:
            return a >= int64_t{bases.base[0]} && below(1) && below(2) ? fw::Text()
                                                                       : TranslateText(u"USER1起始地址不正确！");
        case 1:
            return bases.offered[1] && a >= int64_t{bases.base[1]} && below(2)
                       ? fw::Text()
                       : TranslateText(u"USER2起始地址不正确！");
        default: {
            const int64_t flashEnd = int64_t{flashStart} + int64_t{settings.flashSizeKB} * 1024;
            return bases.offered[2] && a >= int64_t{bases.base[2]} && a < flashEnd
                       ? fw::Text()
                       : TranslateText(u"USER3起始地址不正确！");
        }
    }
}
