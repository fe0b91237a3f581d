// Keys shared with the offline downloader and with every writer and reader of project files. Secrets: they never
// go to the log.
#pragma once

#include <array>
#include <cstdint>

#include "framework/Text.h"

// The AES-128 key of project files (both formats); assembled when asked for, never kept whole in the data.
std::array<uint8_t, 16> ProjectFileKey();

// The AES-128 key that wraps the default chip keys placed in a project's key record, as 32 hex digits.
extern const fw::TextView kProjectKeyWrapKey;
