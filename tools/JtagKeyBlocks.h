// The 16-byte blocks the security chip takes with its JTAG mode and as its JTAG key, made from a JTAG key file
// (16 bytes, plain ".bin" or enciphered ".enc") or from the program's default key. The chip keeps them as they
// come, so the two forms stay what earlier tools sent.
#pragma once

#include <optional>
#include <span>

#include "core/SecurityFiles.h"

// The key the JTAG mode is set with when the user asks for the default one.
extern const Key16 kDefaultJtagKey;

// JTAG mode: the file's 16 bytes in enciphered form (a plain file is enciphered, an enciphered one taken as
// read). Nothing when the file is not 16 bytes.
std::optional<Key16> JtagModeKeyBlock(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey);
// The default key in the same enciphered form.
Key16 DefaultJtagModeKeyBlock(const Key16& builtinKey);
// JTAG key: FF FF FF FF, the first four bytes of the plain key, eight zero bytes, all enciphered. Nothing when the
// file is not 16 bytes.
std::optional<Key16> JtagKeyBlock(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey);
