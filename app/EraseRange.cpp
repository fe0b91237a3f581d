#include "app/EraseRange.h"

#include <cmath>

namespace {

// Whole kilobytes of flash as a byte count, never wrapping: a size that does not fit 32 bits is cut to the
// largest range that does.
uint64_t FlashBytes(double flashSizeKB) {
    if (!std::isfinite(flashSizeKB) || flashSizeKB <= 0.0) return 0;
    const double bytes = std::trunc(flashSizeKB * 1024.0);
    return bytes >= 0x1p32 ? 0x100000000ull : static_cast<uint64_t>(bytes);
}

EraseRange FromBase(uint32_t base, uint64_t bytes) {
    if (bytes == 0) return {base, base};
    const uint64_t last = base + bytes - 1;
    return {base, static_cast<uint32_t>(last > 0xFFFFFFFFu ? 0xFFFFFFFFu : last)};
}

}  // namespace

std::optional<EraseRange> RoundToPages(uint32_t start, uint32_t last, uint32_t pageSize, bool frontKeepsPage,
                                       bool behindKeepsPage) {
    uint64_t first = start;
    uint64_t end = last;
    if (pageSize != 0) {
        const uint64_t p = pageSize;
        if (first % p != 0) first = (first / p + (frontKeepsPage ? 1 : 0)) * p;
        if ((end + 1) % p != 0) {
            const uint64_t q = end / p * p;
            if (behindKeepsPage) {
                if (first == q) return std::nullopt;
                end = q - 1;
            } else {
                end = q + p - 1;
            }
        }
    }
    if (first >= end || end > 0xFFFFFFFFu) return std::nullopt;
    return EraseRange{static_cast<uint32_t>(first), static_cast<uint32_t>(end)};
}

uint32_t SecurityFlashEraseEnd(double flashSizeKB) { return flashSizeKB == 2048.0 ? 0x151DFFFF : 0x153DFFFF; }

EraseRange WholeChipRange(const WholeEraseInput& in) {
    if (in.series == 7 && in.iface == 0) {
        const double rest = in.flashSizeKB - 3.0;
        return FromBase(0x08000C00, rest > 0 ? FlashBytes(rest) : 0);
    }
    if (in.series == 11) {
        static constexpr EraseRange kWindows[] = {
            {0x1FFF0000, 0x1FFF0DFF}, {0x1FFF1000, 0x1FFF2FFF}, {0x20001000, 0x20003FFF}};
        for (const EraseRange& w : kWindows) {
            if (in.segmentStart >= w.first && in.segmentStart <= w.last) return w;
        }
    }
    if (in.series == 10 && in.downloadArea == 3) return {0x15000000, SecurityFlashEraseEnd(in.flashSizeKB)};
    return FromBase(0x08000000, FlashBytes(in.flashSizeKB));
}
