#include "app/DownloadAreas.h"

#include <cmath>

#include "core/Translation.h"

namespace {

struct Window {
    uint64_t first;
    uint64_t last;
    bool Holds(uint64_t address) const { return address >= first && address <= last; }
};

fw::Text StartOutOfRange() { return TranslateText(u"下载起始地址超出范围！"); }
fw::Text LastOutOfRange() { return TranslateText(u"下载文件过大，下载位置超出范围！"); }

std::optional<fw::Text> InWindow(const Window& window, uint32_t start, uint64_t last) {
    if (!window.Holds(start)) return StartOutOfRange();
    if (!window.Holds(last)) return LastOutOfRange();
    return std::nullopt;
}

std::optional<fw::Text> InAnyWindow(std::initializer_list<Window> windows, uint32_t start, uint64_t last) {
    bool startFits = false, lastFits = false;
    for (const Window& w : windows) {
        startFits = startFits || w.Holds(start);
        lastFits = lastFits || w.Holds(last);
    }
    if (!startFits) return StartOutOfRange();
    if (!lastFits) return LastOutOfRange();
    return std::nullopt;
}

std::optional<fw::Text> SecurityChipRule(const RangeCheckInput& in, uint32_t start, uint64_t last) {
    switch (in.downloadArea) {
        case 0:
            return InWindow({0, 0xFFFFF}, start, last);
        case 1:
            return InWindow({0x24000000, 0x2411FFFF}, start, last);
        case 2:
            return InWindow({0x30000000, 0x30057FFF}, start, last);
        case 3:
            return InWindow({0x15000000, in.flashAreaLimit}, start, last);
        default:
            return std::nullopt;
    }
}

std::optional<fw::Text> ExternalFlashChipRule(const RangeCheckInput& in, uint32_t start, uint64_t last) {
    switch (in.downloadArea) {
        case kAreaInternal:
            return InWindow({0x08000000, InternalFlashEnd(in.flashSizeKB)}, start, last);
        case kAreaSram:
            return InWindow({0x2000A000, 0x20030FFF}, start, last);
        case kAreaExternalFlash:
            return InWindow({0, 0x0FFFFFFF}, start, last);
        case kAreaDriverNvr:
            if (start != 0x1FFFC840) return TranslateText(u"下载到外设FLASH驱动(NVR)的起始地址应为0x1FFFC840！");
            if (last + 1 > 0x1FFFD040) return TranslateText(u"下载到外设FLASH驱动(NVR)的位置超出范围！");
            return std::nullopt;
        case kAreaDriverOpt:
            if (start != 0x1FFFE0C0) return TranslateText(u"下载到外设FLASH驱动(OPT)的起始地址应为0x1FFFE0C0！");
            if (last + 1 > 0x1FFFE8C0) return TranslateText(u"下载到外设FLASH驱动(OPT)的位置超出范围！");
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace

uint64_t InternalFlashEnd(double flashSizeKB) {
    if (!std::isfinite(flashSizeKB) || flashSizeKB <= 0.0) return 0x08000000 - 1;
    const double end = flashSizeKB * 1024.0 + 0x08000000 - 1;
    return end >= 0x1p63 ? UINT64_MAX : static_cast<uint64_t>(end);
}

fw::Text AreaDefaultStartText(uint8_t series, uint8_t area) {
    switch (series) {
        case 10: {
            static const char16_t* const kTexts[] = {u"00000000", u"24000000", u"30000000", u"15000000"};
            return area < 4 ? fw::Text(kTexts[area]) : fw::Text();
        }
        case 11: {
            static const char16_t* const kTexts[] = {u"08000000", u"1FFF1000", u"20001000"};
            return area < 3 ? fw::Text(kTexts[area]) : fw::Text();
        }
        case 12: {
            static const char16_t* const kTexts[] = {u"08000000", u"20000500"};
            return area < 2 ? fw::Text(kTexts[area]) : fw::Text();
        }
        case 8:
        case 9:
            switch (area) {
                case kAreaInternal:
                    return u"08000000";
                case kAreaSram:
                    return u"2000A000";
                case kAreaExternalFlash:
                    return u"00000000";
                case kAreaDriverOpt:
                    return u"1FFFE0C0";
                default:
                    return {};
            }
        default:
            return {};
    }
}

std::optional<fw::Text> CheckDownloadRange(const RangeCheckInput& in, uint32_t start, uint64_t last) {
    if ((in.iface == 0 || in.iface == 1) && start % 16 != 0) return TranslateText(u"下载起始地址不是16字节对齐！");
    if (in.iface == 3 && start % 8 != 0) return TranslateText(u"下载起始地址不是8字节对齐！");

    switch (in.series) {
        case 7:
            if (in.iface == 0) {
                const Window user{0x08000C00, 0x080075FF};
                if (!user.Holds(start))
                    return TranslateText(
                        u"下载起始地址超出范围！VK203系列芯片，前3K为BOOT存储区，用户区下载起始地址为0x08000C00 ！");
                if (!user.Holds(last)) return LastOutOfRange();
                return std::nullopt;
            }
            break;
        case 11:
            return InAnyWindow({{0x08000000, 0x0807FFFF},
                                {0x1FFF0000, 0x1FFF0DFF},
                                {0x1FFF1000, 0x1FFF2FFF},
                                {0x20001000, 0x20003FFF}},
                               start, last);
        case 8:
        case 9:
            return ExternalFlashChipRule(in, start, last);
        case 10:
            return SecurityChipRule(in, start, last);
        case 12:
            return InAnyWindow({{0x08000000, InternalFlashEnd(in.flashSizeKB)}, {0x20000500, 0x200017FF}}, start, last);
        default:
            break;
    }
    if (in.downloadArea != kAreaInternal) return std::nullopt;
    return InWindow({0x08000000, InternalFlashEnd(in.flashSizeKB)}, start, last);
}

FileAreas ClassifySeries11File(const std::array<uint32_t, 260>& addresses, const std::array<uint32_t, 260>& lengths,
                               uint32_t segmentCount) {
    static constexpr Window kAreas[] = {
        {0x08000000, 0x0807FFFF}, {0x1FFF1000, 0x1FFF2FFF}, {0x20001000, 0x20003FFF}, {0x1FFF0000, 0x1FFF0DFF}};
    bool counted[4] = {};
    FileAreas result;
    for (uint32_t j = 0; j < segmentCount && j < addresses.size(); ++j) {
        const uint64_t last = static_cast<uint64_t>(addresses[j]) + (lengths[j] == 0 ? 0 : lengths[j] - 1);
        for (int a = 0; a < 4; ++a) {
            if (counted[a] || !kAreas[a].Holds(addresses[j]) || !kAreas[a].Holds(last)) continue;
            counted[a] = true;
            ++result.count;
            result.first = a;
            break;
        }
    }
    return result;
}
