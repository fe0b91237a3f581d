// The readers of the security series' files over any file contents: each takes only the lengths it accepts, and
// the firmware check works on whatever image and package it is handed.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/SecurityFiles.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    const Key16 key{};
    const auto pack = DecodeSecurityInfoPack(file);
    if (pack.has_value() != (size >= kInfoPackMinBytes && size <= kInfoPackMaxBytes)) __builtin_trap();
    if (pack && pack->options.size() != size - kInfoPackMinBytes) __builtin_trap();
    if (ReadJtagKeyFile(file, size % 2 == 1, key).has_value() != (size == kJtagKeyFileBytes)) __builtin_trap();
    if (ReadNonceFile(file, true, key).has_value() != (size == kNonceFileBytes)) __builtin_trap();
    if (ReadRekIdKeyFile(file, true, key).has_value() != (size == kRekIdKeyFileBytes)) __builtin_trap();
    if (pack) FuzzAccepted();

    // The first bytes stand for a package, the whole input for the image.
    SecurityInfoPack guess;
    guess.mode = size > 0 ? data[0] : 0;
    (void)VerifySecurityFirmware(file, size > 4 ? data[1] | data[2] << 8 | data[3] << 16 : 0x15000000, guess, key);
    return 0;
}
