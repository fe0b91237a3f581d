// Lets a test look at the program's state at the moment a call enters the library.
#pragma once

#include <string>

#include "devicelib/OvMcuSim.h"

namespace ovsim {

void NotifyCallObserver(Fn fn, const std::string& device);

}  // namespace ovsim
