// The downloader's guarded settings apart from any window: key and serial texts as typed, and the blocks that
// prove knowledge of the device key (the downloader's challenge enciphered under it with AES-128-ECB).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "framework/Text.h"

using LinkKey = std::array<uint8_t, 16>;

enum class KeyTextError { None, Empty, NotHex, TooLong };

// Blanks and tabs removed; up to 32 hex digits in pairs, first byte first, the rest of the 16 bytes zero.
// An odd count of digits is refused with the non-hex texts, as half a byte is no byte.
KeyTextError ParseKeyText(fw::TextView text, LinkKey& key);

// The burn-limit write's 48 bytes before enciphering: challenge, flags (bit 0 limit on, bit 1 serial lock),
// maximum (all ones when the limit is off), zeros; numbers big-endian.
std::array<uint8_t, 48> BurnLimitBlock(const LinkKey& challenge, uint32_t flags, uint32_t maximum);

// Enciphers every whole 16-byte block in place.
void EncipherBlocks(const LinkKey& key, std::span<uint8_t> bytes);

// A decimal count as typed into the burn-limit edit; nothing when it does not fit 32 bits unsigned.
bool ParseBurnCount(fw::TextView text, uint32_t& count);
