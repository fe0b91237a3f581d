// The keys the program carries in its constant data. They are secrets: they never go to the log.
#pragma once

#include <array>
#include <cstdint>

#include "framework/Text.h"

// The key a chip holds for each key id (0 to 31) until a key update replaces it: 32 upper-case hex digits each.
extern const std::array<fw::TextView, 32> g_defaultChipKeys;

// The two-key triple-DES key (32 hex digits, K1 then K2) under which chip keys and the external flash key are kept
// enciphered in the per-user profile.
extern const fw::TextView g_strProfileKeyCipherKey;

// The counter-mode key of the security information package, JTAG key files, enciphered key files and security
// firmware packages; the main window copies it into its m_builtinKey.
extern const std::array<uint8_t, 16> kBuiltinAesKey;
