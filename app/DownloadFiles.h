// Loading download files into a DownloadItem: Intel HEX (with the option bytes a file may carry), raw binary and
// enciphered images.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "app/DownloadItem.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Text.h"

// A log line and its colour (the main window's AppendLog).
using LogSink = std::function<void(const fw::Text& text, uint32_t colour)>;

// Where a series keeps its option bytes in a HEX file; nullopt for series without any (1, 3, 10).
std::optional<uint32_t> OptionBytesAddress(uint8_t series);

// Files larger than this are refused: nothing the chips or their external flash hold comes near it.
inline constexpr size_t kMaxDownloadFileBytes = 256u << 20;

// The log line of a file's address range, from its first to its last byte (byteCount at least 1), numbered from 1
// when the file has several ranges (number 0 for a file's only range).
fw::Text FileRangeLine(int number, uint32_t start, uint32_t byteCount);
// The log line of how many bytes a file holds: its own bytes, never the padding that is programmed after them.
fw::Text FileSizeLine(uint64_t byteCount);

// Reads a HEX file into item: its address-contiguous runs become the item's segments in file order, each padded
// with 0xFF to a multiple of 16; a run at the series' option-byte address goes to fileOptionBytes (operation 1)
// and sets writeOptionBytes. False, with the item and the option bytes unchanged, when the file yields no run,
// has more runs than an item holds, or has an option run longer than the block holds.
bool LoadHexFile(fw::TextView path, uint8_t series, DownloadItem& item, uint8_t& writeOptionBytes,
                 OptionRwBlock& fileOptionBytes, const LogSink& log);

// Reads a raw or enciphered image into segment 0 of item, padded with 0xFF so that its length (less the 4-byte CRC
// of an enciphered file, whose path holds "-ENC" or ".enc") is a multiple of 16. False when the file cannot be
// read, is too large, or is an enciphered file shorter than its CRC; segment 0's length is then 0.
bool LoadBinFile(fw::TextView path, DownloadItem& item, const LogSink& log);

// Whether a path names an enciphered image for the padding rule.
bool IsEncipheredPath(fw::TextView path);

// The 32-bit wrap-around sum of the CRC-32 of each of the item's segments.
uint32_t FileChecksum(const DownloadItem& item);
