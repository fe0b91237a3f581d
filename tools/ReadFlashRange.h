// The address range a flash read-out covers: the checks of the range dialog, the whole-chip range, and how the
// read-out worker cuts the range into reads.
#pragma once

#include <cstdint>
#include <optional>

#include "app/InterfaceSpeeds.h"
#include "framework/Text.h"

struct FlashGeometry {
    uint32_t base = 0;
    double sizeKB = 0;
    uint8_t series = 0;
};

// The range dialog's checks of the typed texts, in the order a user meets them. Each parsed address is handed
// out even when a later check refuses (the window keeps it); the INI keys are written only when the checks up to
// them passed.
struct ReadRangeCheck {
    std::optional<uint32_t> start, end;
    bool startAccepted = false;  // the start text may be stored
    fw::Text refusal;            // translated; empty when the whole range is accepted
};
ReadRangeCheck CheckReadRange(fw::TextView startText, fw::TextView endText, const FlashGeometry& flash);

// The whole flash; series 7 over USART leaves out its first 3 KB, which hold the boot loader.
struct ReadRange {
    uint32_t start = 0, end = 0;
};
ReadRange EntireChipRange(const FlashGeometry& flash, InterfaceIndex iface);

// How a range is read. The buffer covers [first, first + length); its first byte shows at row 0 column
// (first - rowBase) + 1.
struct ReadPlan {
    uint32_t first = 0, length = 0;
    uint32_t chunk = 0;  // bytes per read
    uint32_t head = 0;   // a first read up to the next page boundary, 0 when none
    uint32_t steps = 0;  // progress steps: one per read
    bool rawCommand = false;
    uint32_t RowBase() const { return first & ~0xFu; }
};
// Nullopt when the chip's page size gives nothing to read with.
std::optional<ReadPlan> PlanRead(uint32_t start, uint32_t end, uint32_t pageSize, uint8_t series, InterfaceIndex iface);

// Series 7's boot loader answers no read at or above this address.
inline constexpr uint32_t kSeries7ReadLimit = 0x08007600;
