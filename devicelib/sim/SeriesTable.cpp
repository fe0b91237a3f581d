#include "devicelib/sim/SeriesTable.h"

namespace ovsim {
namespace {

constexpr uint32_t kFlash = 0x08000000;
constexpr RegionSpec kNone{};
constexpr std::array<uint8_t, 4> kWrpPairs4{8, 10, 12, 14};
constexpr std::array<uint8_t, 4> kWrpPairs2{8, 10, 0, 0};

// SRAM and the two external-flash driver windows of the chips with external memory.
constexpr std::array<RegionSpec, 3> kExternalMemoryWindows{{
    {0x2000A000, 0x27000, RegionKind::Ram},
    {0x1FFFC840, 0x800, RegionKind::Ram},
    {0x1FFFE0C0, 0x800, RegionKind::Ram},
}};

// clang-format off
constexpr SeriesInfo kSeries[kSeriesCount] = {
  // code model  base        KB     page  unit optLen rdp2 wrp-offsets          n  pairs bit-pages toEnd partitions security external extra
    {0,  "VK517", kFlash,     256,  2048, 16, 20, 16, kWrpPairs4,            4, true,  2,  true,  true,  false, false, {kNone, kNone, kNone}},
    {1,  "VK615", kFlash,     256,  2048, 16, 20, 16, kWrpPairs4,            4, true,  2,  true,  true,  false, false, {kNone, kNone, kNone}},
    {2,  "VK425", kFlash,     128,  2048, 16, 20, 16, kWrpPairs4,            4, true,  2,  false, true,  false, false, {kNone, kNone, kNone}},
    {3,  "VK232", kFlash,     32,   512,  4,  16, 12, kWrpPairs2,            2, true,  8,  false, true,  false, false, {kNone, kNone, kNone}},
    {4,  "VK230", kFlash,     32,   512,  4,  16, 12, kWrpPairs2,            2, true,  8,  false, false, false, false, {kNone, kNone, kNone}},
    {5,  "VK420", kFlash,     128,  2048, 2,  16, 12, kWrpPairs2,            2, true,  2,  false, true,  false, false, {kNone, kNone, kNone}},
    {6,  "VK231", kFlash,     32,   512,  4,  16, 12, kWrpPairs2,            2, true,  8,  false, false, false, false, {kNone, kNone, kNone}},
    {7,  "VK203", kFlash,     29.5, 512,  4,  16, 12, {0, 0, 0, 0},          0, true,  0,  false, false, false, false, {kNone, kNone, kNone}},
    {8,  "VK727", kFlash,     512,  8192, 16, 32, 16, kWrpPairs4,            4, true,  2,  false, true,  false, true,  kExternalMemoryWindows},
    {9,  "VK73",  kFlash,     512,  8192, 16, 32, 2,  {16, 18, 20, 22},      4, true,  2,  false, true,  false, true,  kExternalMemoryWindows},
    {10, "VK828", 0x15000000, 2048, 4096, 16, kSecurityOptionLength, kNoOffset, {1, 2, 3, 4}, 4, false, 64, false, false, true, true,
        {{{0x00000000, 0x100000, RegionKind::Ram}, {0x24000000, 0x120000, RegionKind::Ram}, {0x30000000, 0x58000, RegionKind::Ram}}}},
    {11, "VK266", kFlash,     128,  512,  4,  14, 13, {9, 10, 11, 12},       4, false, 8,  false, true,  false, false,
        {{{0x1FFF0000, 0xE00, RegionKind::Flash}, {0x1FFF1000, 0x2000, RegionKind::Flash}, {0x20001000, 0x3000, RegionKind::Ram}}}},
    {12, "VK233", kFlash,     64,   512,  4,  17, 12, {10, 11, 0, 0},        2, false, 8,  false, false, false, false,
        {{{0x20000500, 0x1300, RegionKind::Ram}, kNone, kNone}}},
};
// clang-format on

}  // namespace

const SeriesInfo* FindSeries(unsigned code) { return code < kSeriesCount ? &kSeries[code] : nullptr; }

}  // namespace ovsim
