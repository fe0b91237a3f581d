// Reads that return fewer bytes than asked, as a flaky link does: the tests' short-count fault.
#pragma once

#include <cstdint>

#include "devicelib/OvMcuSim.h"

namespace ovsim {

void AddShortRead(Fn fn, int nthCall, uint32_t count);
void ClearShortReads();
// Called by a read as it reaches the chip: lowers count when this is the call a fault names.
void ApplyShortRead(Fn fn, uint32_t& count);

}  // namespace ovsim
