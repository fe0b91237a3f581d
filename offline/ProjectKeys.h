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

// The entry of the built-in chip key table that partition 0..2 holds until its first key update, -1 for none
// (series 5 has no USER2). Series 5, 8 and 9 have fixed entries; the others hold the entry of the key ID, which
// may lie outside the table: callers check it.
int DefaultChipKeyEntry(int family, int partition, uint8_t keyId);
