// The simulator's configuration file: which chips sit on which interface, the link speed, the factory keys.
#pragma once

#include <string>

namespace ovsim {

class Simulator;

inline constexpr const char* kConfigFileName = "OvMcuSim.ini";

// Adds the file's devices to sim; false when the file cannot be read.
bool LoadConfigFile(const std::string& path, Simulator& sim);

}  // namespace ovsim
