// The two ".enc" formats and what both of their makers share: reading the plaintext from a ".bin" or ".hex" file,
// padding it, and checking a key text.
//
// Digest-header file (for the offline downloader): big-endian padded length N, SHA-256 of the N padded bytes, the
// CRC-32, then the N bytes under AES-128-ECB. CRC-prefixed file (for the chip download): the CRC-32 of the padded
// plaintext, then the plaintext under AES-128-ECB. CRCs are stored most significant byte first.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/SecurityFiles.h"
#include "framework/Text.h"

// From this padded length on the CRC of a digest-header file covers the plaintext alone; below it, a whole flash
// page of the target chip.
constexpr uint32_t kWholeImageCrcLength = 0x800;

// Pads with 0xFF to the next multiple of 16.
void PadTo16(std::vector<uint8_t>& bytes);

// The padded length of a plaintext.
size_t PaddedLength(size_t plaintextLength);
bool DigestHeaderNeedsPageSize(size_t plaintextLength);
// A page the CRC block can be built on: not empty and whole 32-bit words.
bool PageSizeUsable(uint32_t pageSize);

// pageSize is used only when DigestHeaderNeedsPageSize: the CRC then covers max(N, pageSize) bytes, the padded
// plaintext followed by 0xFF.
std::vector<uint8_t> MakeDigestHeaderEncFile(std::span<const uint8_t> plaintext, const Key16& key, uint32_t pageSize);
std::vector<uint8_t> MakeCrcPrefixedEncFile(std::span<const uint8_t> plaintext, const Key16& key);

enum class PlaintextRead { Ok, BinOpenFailed, OpenFailed, SpanTooLarge };
// ".hex" (any case): the image from its lowest to highest data address; ".bin": the file's bytes. Any other
// extension, an unreadable HEX file or an empty file answers OpenFailed; an unreadable ".bin" BinOpenFailed; a HEX
// file whose data spread wider than any chip's flash SpanTooLarge, before its image is built.
PlaintextRead ReadPlaintext(fw::TextView path, fw::TextView extension, std::vector<uint8_t>& plaintext);

enum class KeyTextCheck { Ok, Empty, NotHex, WrongLength };
// A typed key as it stands (blanks count as faults): the hex test comes before the length test.
KeyTextCheck CheckKeyText(fw::TextView text);
// 32 hex digits to 16 bytes; nothing for any other text (a key table entry that is not a key is no key).
std::optional<Key16> KeyFromText(fw::TextView text);

// The output name of an encrypted file: the folder, "/", the file name without its ".bin" or ".hex" (any case),
// ".enc"; nothing for a name with another ending.
std::optional<fw::Text> EncOutputPath(fw::TextView folder, fw::TextView fileName);
