// Names as the downloader sends them back, and names as a user types them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "fuzz/FuzzAccept.h"
#include "offline/ByteStringName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Bytes from the device become one character each and travel back as the same bytes.
    const fw::Text name = ByteStringToName(std::span<const uint8_t>(data, size));
    if (name.size() != size) __builtin_trap();
    const auto again = NameToByteString(name);
    if (again.size() != size || (size != 0 && std::memcmp(again.data(), data, size) != 0)) __builtin_trap();

    // A typed name takes one byte per unit below 0x100 and two for the others, never more.
    fw::Text typed(size / 2, u'\0');
    if (!typed.empty()) std::memcpy(typed.data(), data, typed.size() * 2);
    const auto bytes = NameToByteString(typed);
    if (bytes.size() < typed.size() || bytes.size() > typed.size() * 2) __builtin_trap();
    if (size != 0) FuzzAccepted();
    return 0;
}
