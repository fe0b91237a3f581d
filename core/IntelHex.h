// Intel HEX (record types 0 data, 1 end of file, 2 extended segment address, 3 start segment address, 4 extended
// linear address, 5 start linear address): a record parser with numbered result codes, a segment reader, an image
// builder and the converters of the bin/hex tool.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Text.h"

// HexResultCode, shared by the parser and the converters.
enum HexResultCode : int {
    kHexOk = 0,
    kHexLineTooLong = 1,     // longer than 521 characters
    kHexLineTooShort = 2,    // shorter than 11 characters
    kHexNoColon = 3,         // does not begin with ":"
    kHexBadType = 4,         // record type greater than 5
    kHexLengthMismatch = 5,  // odd digit count, or the byte count does not match the digits
    kHexBadChecksum = 6,     // the record's bytes do not add up to 0 modulo 256
    kHexCannotOpenInput = 7,
    kHexCannotCreateOutput = 8,
    kHexWriteFailed = 9,
    kHexNoEndRecord = 10,        // the input ended without an end-of-file record
    kHexAddressOutOfRange = 11,  // data lie outside the output: below its first address, or past 4 GiB
    kHexSpanTooLarge = 12,       // the data spread over more than kHexMaxSpan
};

constexpr size_t kHexMaxLineLength = 521;

// The longest image the bin/hex tool builds and the longest binary file a file tool reads: an external flash image
// may be far larger than any chip's own flash, but a crafted address must not make us allocate gigabytes.
constexpr uint64_t kHexMaxImageLength = 256u << 20;

// The largest flash of any chip (the 4096 KB security chips): the widest HEX an encrypted download file is made
// from. Its image covers the lowest to the highest data address; a few records far apart would otherwise make
// hundreds of megabytes of 0xFF that fit no chip.
constexpr uint64_t kHexMaxSpan = 4096u * 1024u;

// Whether data from lowest up to end (exclusive) fit in the flash of some chip.
constexpr bool HexSpanFitsAChip(uint64_t lowest, uint64_t end) { return end >= lowest && end - lowest <= kHexMaxSpan; }

// One parsed line. data receives the count data bytes followed by the checksum byte.
struct HexRecord {
    uint8_t count = 0;
    uint16_t address = 0;  // the record's 16-bit offset
    uint8_t type = 0;
    std::array<uint8_t, 256> data{};
};

// One address-contiguous run of data; endAddress is inclusive.
struct HexSegment {
    std::vector<uint8_t> data;
    uint32_t startAddress = 0;
    uint32_t endAddress = 0;
};

// A line without its line end; answers kHexOk, kHexLineTooLong, kHexLineTooShort, kHexNoColon,
// kHexLengthMismatch or kHexBadChecksum. The type is not checked here.
int ParseHexRecord(std::string_view line, HexRecord& record);

// The number of segments, 0 on any failure: a file that cannot be read, a bad record, a type above 5, no
// end-of-file record, no data, or more segments than the caller's array holds. The array changes only on success.
int ReadHexSegments(fw::TextView path, std::span<HexSegment> segments);
int ReadHexSegmentsFromText(std::string_view text, std::span<HexSegment> segments);

// The file's image from its lowest to its highest data address, each record's data at its address, 0xFF where no
// record gives a byte, rounded up to a multiple of 16 bytes (empty when the file holds no data). Answers kHexOk,
// kHexSpanTooLarge before anything is allocated, or the code of any other fault: a file that cannot be read, a
// record the other readers refuse, no end-of-file record. image changes only on success.
int HexFileToImage(fw::TextView path, std::vector<uint8_t>& image);
int HexTextToImage(std::string_view text, std::vector<uint8_t>& image);

// Checks CR LF separated records: 0 valid, 1 a record without ":", 2 a type above 5, 5 a wrong checksum, 8 any
// other fault. A length of 0 or less is valid.
int IntelHexCheck(const uint8_t* text, int length);

// digitCount digits to outLength bytes (the output zeroed first); reversed stores the bytes from the last position
// backwards, so a big-endian number in the text becomes a little-endian value. Answers 0, 1 for bad arguments
// (null, a count of 0 or less, fewer than 2 x outLength digits), 2 for a character that is no hex digit.
int ParseHexDigits(const uint8_t* digits, int digitCount, uint8_t* out, int outLength, bool reversed);

// Places the data of every data record at its address minus lowestAddress in out. Answers 0, 1 for bad arguments
// (null, zero length, or a lowest address of 0xFFFFFFFF: no data record), 2 for a record without ":", a type above 5,
// a record cut short, or data outside out; codes of ParseHexDigits are passed on.
int IntelHexToBinary(const uint8_t* text, int textLength, uint8_t* out, uint32_t outLength, uint32_t lowestAddress);

// The converters of the bin/hex tool; paths are narrow (UTF-8) text. Outputs are written whole or not at all, the
// merge's two together.
int BinToHexFile(const std::string& binPath, const std::string& hexPath, uint32_t startAddress);
int HexToBinFile(const std::string& hexPath, const std::string& binPath);
int MergeHexFiles(uint32_t count, std::span<const std::string> paths, const std::string& binPath,
                  const std::string& hexPath);
