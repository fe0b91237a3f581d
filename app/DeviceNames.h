// The device list of one interface as the library's enumeration writes it.
#pragma once

#include <vector>

#include "framework/Text.h"

// `buffer` holds names each followed by ";"; `count` is the library's answer. At most `count` names are taken and
// never more than the text holds; a last name without its ";" is still a name; reading stops at the first NUL or
// at the end of the buffer.
std::vector<fw::Text> SplitDeviceNames(fw::TextView buffer, unsigned count);
