// A chip's identity as the main window keeps and shows it, decoded from the library's information block.
#pragma once

#include <cstdint>

#include "app/ChipSeries.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Text.h"

struct ChipIdentity {
    ChipSeriesCode series = 0;
    fw::Text model;
    fw::Text bootVersionText;     // "V%d.%d" of the boot command-set version
    fw::Text bootSubVersionText;  // "V%d.%d" of the boot sub-version
    fw::Text ucid;                // upper-case hex, empty when the chip has none
    fw::Text uid;                 // upper-case hex, empty when the chip has none
    double flashSizeKB = 0.0;
    uint32_t partitionUnitKB = 0;
    uint32_t pageSize = 0;
};

// The block comes from the device: a length byte larger than its field is cut to the field, and a flash size that
// is not a finite, non-negative number reads as 0 so that no address is ever computed from it.
ChipIdentity DecodeChipInfo(const ChipInfoBlock& block);
