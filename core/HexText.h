// Conversions between bytes, numbers and hex text. Keys, option bytes, addresses and chip identities travel through
// the program as upper-case hex text, two digits a byte, first byte first; 32-bit values become bytes most
// significant first because the text is read left to right.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "framework/Text.h"

// Two upper-case digits per byte; a length of 0 or less gives the empty text.
void BytesToHex(const uint8_t* bytes, int length, fw::Text& dest);
fw::Text BytesToHex(std::span<const uint8_t> bytes);

// Drops every blank (U+0020; tabs stay), then reads length/2 digit pairs left to right; an unpaired last digit is
// ignored, a character that is no hex digit counts as 0xFF and the pair's byte wraps modulo 256. Writes at most
// destSize bytes and answers false when the text held more bytes than that.
bool HexToBytes(fw::TextView text, uint8_t* dest, size_t destSize);

// Each pair read as up to two hex digits (leading white space skipped, an unreadable pair gives 0); fewer than two
// characters give the empty result.
std::string HexStringToBytes(std::string_view text);

void UInt32ToBytesBE(uint32_t value, uint8_t dest[4]);

// "0x"/"0X" and up to eight hex digits, zeros inserted after the prefix until ten characters; longer texts use
// their last eight characters. Answers false, writing nothing, when the text holds no "0X".
bool AddressTextToBytes(fw::TextView text, uint8_t dest[4]);

// Each digit pair becomes one character whose code is the byte sign-extended (0x80 becomes U+FF80); a zero byte is
// a NUL inside the text. White space between digits is skipped, any other non-digit counts as 0.
fw::Text HexTextToByteString(fw::TextView hex);
// "%02X" of every code unit: two digits below 0x100, more for larger units (U+FF80 gives "FF80").
fw::Text ByteStringToHex(fw::TextView text);

// Hexadecimal unless written otherwise: "FF" and "0xFF" are 255. A text that already holds "0x" somewhere is read
// as it stands, so "12 0x" reads decimal 12. The 32-bit value is sign-extended: "FFFFFFFF" is -1.
int64_t HexToInt(fw::TextView text);
// Blanks removed; any other non-digit gives 0xFFFFFFFF; the empty text gives 0; wraps at 32 bits.
uint32_t HexToUInt32(fw::TextView text);
// True when every code unit is a hex digit, the empty text included.
bool IsHexText(fw::TextView text);

// 255 minus each two-digit piece, "%02X" each; option-byte images build their complement bytes with it.
fw::Text ComplementHexBytes(fw::TextView hex);
// The two-digit pieces in reverse order: A1B2C3D4 gives D4C3B2A1.
fw::Text SwapHexByteOrder(fw::TextView hex);

// Every character but '0' is a 1 bit, most significant first; "%02X" of the 32-bit sum.
fw::Text BinaryTextToHex(fw::TextView bits);
// The hex value as binary digits, right-aligned in at least eight characters ("5" gives "00000101").
fw::Text HexToBinaryText(fw::TextView hex);
// The decimal value as binary digits, right-aligned in at least eight characters.
fw::Text DecimalToBinaryText(fw::TextView decimal);

// The narrow character set of this system is UTF-8. WideToAnsi stops at the first NUL.
std::string WideToAnsi(fw::TextView text);
// The same as a zero-terminated array one byte longer than the conversion.
std::unique_ptr<char[]> WideToAnsiAlloc(fw::TextView text);
fw::Text NarrowToWide(std::string_view text);
