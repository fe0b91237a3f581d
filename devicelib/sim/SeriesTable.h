// What a chip series is made of: identity, memory map, option-byte layout, protection and feature set.
// One row per series code 0 to 12.
#pragma once

#include <array>
#include <cstdint>

namespace ovsim {

enum class RegionKind : uint8_t {
    Flash,  // programming needs an erased byte
    Ram,    // written freely; the driver windows and SRAM
};

struct RegionSpec {
    uint32_t base = 0;
    uint32_t size = 0;
    RegionKind kind = RegionKind::Ram;
};

struct SeriesInfo {
    uint8_t code;
    const char* model;
    uint32_t flashBase;
    double flashKB;
    uint32_t pageSize;
    uint8_t partitionUnitKB;
    // Option image: bytes read; where the level-2 marker and the write-protection bytes sit; whether every value
    // byte is followed by its complement. Series 10 keeps its eight option items in one 25-byte image instead
    // (RDP at 0, the write-protection word at 1..4 least significant first).
    uint8_t optionLength;
    uint8_t rdp2Offset;
    std::array<uint8_t, 4> wrpOffsets;
    uint8_t wrpCount;
    bool complementPairs;
    // Pages covered by one write-protection bit; lastBitToEnd: the top bit covers every page above its group.
    uint16_t pagesPerWrpBit;
    bool lastBitToEnd;
    bool partitions;                         // USER1..USER3 and their keys
    bool securityChip;                       // option items, OTP, REK/IDKey/JTAG, secure mode
    bool externalMemory;                     // external flash, external options, external API areas
    std::array<RegionSpec, 3> extraRegions;  // besides the main flash
};

constexpr int kSeriesCount = 13;
constexpr uint8_t kSecurityOptionLength = 25;
constexpr uint8_t kNoOffset = 0xFF;

// Null for codes above 12.
const SeriesInfo* FindSeries(unsigned code);

// Interface indices as the library numbers them.
constexpr uint8_t kIfaceUsart = 0, kIfaceUsbDfu = 1, kIfaceJLink = 2, kIfaceCmsisDap = 3, kIfaceI2c = 5;
inline bool IsSwd(uint8_t iface) { return iface == kIfaceJLink || iface == kIfaceCmsisDap; }

}  // namespace ovsim
