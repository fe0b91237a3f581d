#include "tools/ReadFlashRange.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "core/HexText.h"
#include "core/Translation.h"

namespace {

struct Window {
    uint32_t first, last;
};

// System memory that some series let the read-out reach besides the flash.
std::span<const Window> SystemWindows(uint8_t series) {
    static constexpr Window kSeries8And9[] = {{0x2000A000, 0x20030FFF}};
    static constexpr Window kSeries11[] = {
        {0x1FFF0000, 0x1FFF0DFF}, {0x1FFF1000, 0x1FFF2FFF}, {0x20001000, 0x20003FFF}};
    static constexpr Window kSeries12[] = {{0x20000500, 0x200017FF}};
    if (series == 8 || series == 9) return kSeries8And9;
    if (series == 11) return kSeries11;
    if (series == 12) return kSeries12;
    return {};
}

bool InSystemWindow(uint8_t series, uint32_t address) {
    const auto windows = SystemWindows(series);
    return std::any_of(windows.begin(), windows.end(),
                       [&](const Window& w) { return address >= w.first && address <= w.last; });
}

double FlashBytes(const FlashGeometry& flash) { return flash.sizeKB * 1024.0; }

double FlashEnd(const FlashGeometry& flash) { return static_cast<double>(flash.base) + FlashBytes(flash) - 1.0; }

// Up to eight hex digits, "0x" before them or not; anything else would otherwise read as some unrelated address.
std::optional<uint32_t> ParseAddress(fw::TextView text) {
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) text.remove_prefix(2);
    if (text.empty() || text.size() > 8 || !IsHexText(text)) return std::nullopt;
    return HexToUInt32(text);
}

}  // namespace

ReadRangeCheck CheckReadRange(fw::TextView startText, fw::TextView endText, const FlashGeometry& flash) {
    ReadRangeCheck check;
    if (startText.empty()) {
        check.refusal = TranslateText(u"读取起始地址不能为空！");
        return check;
    }
    const std::optional<uint32_t> start = ParseAddress(startText);
    check.start = start.value_or(0);
    if (!start) {
        check.refusal = TranslateText(u"起始地址无效，请输入不超过8位的十六进制数！");
        return check;
    }
    const uint32_t s = *start;
    if (s == 0) {
        check.refusal = TranslateText(u"起始地址不能小于或等于0！");
        return check;
    }
    if (s < flash.base || (s > FlashEnd(flash) && !InSystemWindow(flash.series, s))) {
        check.refusal = TranslateText(u"起始地址超出范围！");
        return check;
    }
    check.startAccepted = true;
    if (endText.empty()) {
        check.refusal = TranslateText(u"读取结束地址不能为空！");
        return check;
    }
    const std::optional<uint32_t> end = ParseAddress(endText);
    check.end = end.value_or(0);
    if (!end) {
        check.refusal = TranslateText(u"结束地址无效，请输入不超过8位的十六进制数！");
        return check;
    }
    const uint32_t e = *end;
    if (e == 0) {
        check.refusal = TranslateText(u"结束地址不能小于或等于0！");
        return check;
    }
    if (e <= s) {
        check.refusal = TranslateText(u"结束地址不能小于或等于起始地址！");
        return check;
    }
    if (static_cast<double>(e - s) + 1.0 > FlashBytes(flash)) {
        check.refusal = TranslateText(u"读取大小不能大于FLASH大小！");
        return check;
    }
    if (e > FlashEnd(flash) && !InSystemWindow(flash.series, e)) {
        check.refusal = TranslateText(u"结束地址超出范围！");
        return check;
    }
    return check;
}

ReadRange EntireChipRange(const FlashGeometry& flash, InterfaceIndex iface) {
    const double kb = flash.sizeKB - (flash.series == 7 && iface == kIfaceUsart ? 3.0 : 0.0);
    const double end = static_cast<double>(flash.base) + kb * 1024.0 - 1.0;
    if (!(kb > 0.0) || end > 0xFFFFFFFF) return {flash.base, 0};
    return {flash.base, static_cast<uint32_t>(std::trunc(end))};
}

std::optional<ReadPlan> PlanRead(uint32_t start, uint32_t end, uint32_t pageSize, uint8_t series,
                                 InterfaceIndex iface) {
    if (end < start) return std::nullopt;
    const uint32_t page = std::min<uint32_t>(pageSize, 0x800);
    ReadPlan plan;
    plan.rawCommand = series == 7 && iface == kIfaceUsart;
    if (series == 7) {
        // Whole 16-byte rows, the one holding the end included, so that the table and its CRC cover the range.
        plan.chunk = 0x80;
        plan.first = start & ~0xFu;
        plan.length = (end | 0xFu) - plan.first + 1;
    } else {
        if (page == 0) return std::nullopt;
        plan.chunk = page;
        plan.first = start & ~3u;
        plan.length = (end & ~3u) - plan.first + 4;
    }
    if (plan.length <= plan.chunk && page != 0 && (uint64_t{end} + 1) % page == 0) {
        plan.chunk = plan.length;
    } else if (iface != kIfaceUsart && page != 0 && plan.first % page != 0 && plan.first / page != end / page) {
        // The following reads then start on page boundaries.
        plan.head = std::min(plan.length, (page - plan.first) & (page - 1));
    }
    const uint32_t rest = plan.length - plan.head;
    plan.steps = (plan.head != 0 ? 1 : 0) + (rest + plan.chunk - 1) / plan.chunk;
    return plan;
}
