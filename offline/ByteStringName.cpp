#include "offline/ByteStringName.h"

std::vector<uint8_t> NameToByteString(fw::TextView name) {
    std::vector<uint8_t> bytes;
    bytes.reserve(name.size());
    for (char16_t unit : name) {
        // Units from 0x100 to 0xFFF would print three hex digits and shift every later byte; they take two bytes
        // like the wider units, so each character stays in bytes of its own.
        if (unit >= 0x100) bytes.push_back(static_cast<uint8_t>(unit >> 8));
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    }
    return bytes;
}

fw::Text ByteStringToName(std::span<const uint8_t> bytes) {
    fw::Text name;
    name.reserve(bytes.size());
    // Unsigned, so that a name read back from the downloader turns into the same bytes when it is sent again.
    for (uint8_t byte : bytes)
        name.push_back(static_cast<char16_t>(byte));
    return name;
}
