// Names in offline project records and in the downloader's replies are byte strings: a length byte and at most 32
// bytes, no terminator. A text becomes bytes through the hex of its code units, so an ASCII character is one byte
// and any wider code unit two bytes, high first; bytes come back one character each, the byte value being the code.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "framework/Text.h"

std::vector<uint8_t> NameToByteString(fw::TextView name);
fw::Text ByteStringToName(std::span<const uint8_t> bytes);
