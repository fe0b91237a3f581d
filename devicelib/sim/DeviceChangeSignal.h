// Tells the platform layer that a simulated device arrived or left, as a real port or probe would.
#pragma once

#include <cstdint>
#include <string>

#include "devicelib/sim/SeriesTable.h"

namespace ovsim {

void RaiseDeviceChange(bool arrival, uint8_t iface, const std::string& name);

}  // namespace ovsim
