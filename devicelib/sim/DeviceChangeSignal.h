// Tells the test harness's listener that a simulated device arrived or left, as a real port or probe would.
#pragma once

#include <cstdint>
#include <string>

#include "devicelib/OvMcuSim.h"

namespace ovsim {

void RaiseDeviceChange(bool arrival, uint8_t iface, const std::string& name);

}  // namespace ovsim
