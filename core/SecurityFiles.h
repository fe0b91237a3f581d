// The files of the security chip series: key files (REK/IDKey, nonce, JTAG key), the security firmware image, its
// information package and the security module image. The makers in tools/ write them and the main window reads
// them for the download, so both sides share these byte functions.
//
// Two kinds of counter-mode enciphering occur:
// - "built-in counter": AesCtrCrypt with no nonce, so its own initial block is used. Every call starts from the
//   same block, so two 16-byte pieces enciphered by separate calls share one key-stream block; readers rely on
//   that, so the pieces are kept as separate calls.
// - "body counter": each 16-byte block at offset k of a region under the REK, with the counter nonce[0..11] ||
//   big-endian (A + 0x6B020000 + base + k) / 16, on the region's 32-bit words taken in reversed byte order.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

using Key16 = std::array<uint8_t, 16>;

// Random bytes of one draw for a REK/IDKey file and its nonce file.
constexpr size_t kKeyDrawBytes = 48;
constexpr size_t kRekIdKeyFileBytes = 32;
constexpr size_t kNonceFileBytes = 16;
constexpr size_t kJtagKeyFileBytes = 16;

// Enciphers (or deciphers: the same operation) one piece with the built-in counter under key.
void CipherWithBuiltinCounter(std::span<uint8_t> piece, const Key16& key);

struct RekIdKeyFiles {
    std::array<uint8_t, kRekIdKeyFileBytes> rekIdKey{};
    std::array<uint8_t, kNonceFileBytes> nonce{};
};
// From one 48-byte draw: bytes 0..31 the REK and IDKey, 32..43 the nonce (then four zero bytes). Enciphered: the
// three 16-byte pieces 0..15, 16..31 and 32..47 each by a call of its own under builtinKey; the nonce file keeps
// bytes 0..11 of its enciphered piece and four zero bytes.
RekIdKeyFiles MakeRekIdKeyFiles(std::span<const uint8_t, kKeyDrawBytes> draw, bool enciphered, const Key16& builtinKey);

// Plain: the four key bytes, then 12 zero bytes. Enciphered: the four bytes four times, one built-in-counter call.
std::array<uint8_t, kJtagKeyFileBytes> MakeJtagKeyFile(std::span<const uint8_t, 4> key, bool enciphered,
                                                       const Key16& builtinKey);
// The JTAG key of a file: its first four bytes (after deciphering an enciphered one) as a little-endian number;
// nothing for a file that is not 16 bytes long.
std::optional<uint32_t> ReadJtagKeyFile(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey);

// The 16-byte nonce of a nonce file (deciphered when enciphered); nothing when the file is not 16 bytes.
std::optional<Key16> ReadNonceFile(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey);
struct RekIdKey {
    Key16 rek{};
    Key16 idKey{};
};
// The REK and IDKey of a key file (each half deciphered by a call of its own); nothing when it is not 32 bytes.
std::optional<RekIdKey> ReadRekIdKeyFile(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey);

// The offset added to the start address in every body counter.
constexpr uint32_t kBodyCounterOffset = 0x6B020000;
constexpr uint32_t kFirmwareHeaderBytes = 0x100;

// Word-reversed body enciphering of region (its own inverse). base is 0x100 for a firmware body, 0 for a module.
// A tail shorter than a block is enciphered over the bytes present.
void CipherSecurityBody(std::span<uint8_t> region, const Key16& rek, const Key16& nonce, uint32_t startAddress,
                        uint32_t base);

// The first, exclusive, limit of the execution-address windows is the caller's flash area limit.
bool ExecutionAddressAllowed(uint32_t address, uint32_t flashAreaLimit);

enum class FirmwareImageResult { Ok, NoSecurityHeader, ExecutionAddressOutOfRange };
struct SecurityInputs {
    Key16 nonce{};  // all 16 bytes as read (deciphered)
    Key16 rek{};
    Key16 idKey{};
};
// Builds the firmware image in place over the program (at least 0x100 bytes, "FSVO" first, the execution address
// + 0x100 at 0x50): nonce at 0x10, REK at 0x20, SHA-256 of the body at 0x30, header 0x10..0xFF under builtinKey,
// body with the body counter, and in bound mode 0x30..0x4F again under the IDKey. The program is unchanged
// unless the answer is Ok.
FirmwareImageResult BuildSecurityFirmwareImage(std::vector<uint8_t>& program, const SecurityInputs& in,
                                               uint32_t startAddress, bool bound, uint32_t flashAreaLimit,
                                               const Key16& builtinKey);

// The module image: the whole program with the body counter, base 0.
void BuildSecurityModuleImage(std::vector<uint8_t>& program, const Key16& rek, const Key16& nonce,
                              uint32_t startAddress);

constexpr size_t kInfoPackMinBytes = 49;
constexpr size_t kInfoPackMaxBytes = 122;
constexpr size_t kInfoPackMaxOptionBytes = kInfoPackMaxBytes - kInfoPackMinBytes;  // 73
constexpr uint8_t kInfoPackBound = 0x55;
constexpr uint8_t kInfoPackNotBound = 0xAA;

// The package as stored: the three key pieces stay enciphered.
struct SecurityInfoPack {
    uint8_t mode = kInfoPackNotBound;
    Key16 nonce{};  // nonce[0..11] and four zero bytes, enciphered
    Key16 rek{};
    Key16 idKey{};
    std::vector<uint8_t> options;  // OptionItemList bytes, at most 73
};
// Nothing when there are more than 73 option bytes.
std::optional<std::vector<uint8_t>> EncodeSecurityInfoPack(const SecurityInputs& in, bool bound,
                                                           std::span<const uint8_t> options, const Key16& builtinKey);
// Nothing when the package is not 49 to 122 bytes long.
std::optional<SecurityInfoPack> DecodeSecurityInfoPack(std::span<const uint8_t> file);

// Whether a firmware image placed at startAddress matches the package: works on a copy, deciphers the package's
// pieces, undoes the bound-mode layer (mode 0x55), the body and the header, and compares the body's SHA-256 with
// the digest at 0x30. False for an image shorter than its header.
bool VerifySecurityFirmware(std::span<const uint8_t> image, uint32_t startAddress, const SecurityInfoPack& pack,
                            const Key16& builtinKey);
