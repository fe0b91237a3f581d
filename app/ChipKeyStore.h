// The chip key table entry a key update replaces, kept in the table and enciphered in the per-user profile.
#pragma once

#include <array>
#include <span>

#include "framework/Text.h"

using ChipKeyTable = std::array<fw::Text, 32>;

// Stores keyHex as entry of the table and as the profile value "Key<entry>" of section "Settings", enciphered with
// the profile key cipher key. Entries outside 0..31 change nothing.
void StoreChipKey(std::span<fw::Text> table, int entry, const fw::Text& keyHex);
