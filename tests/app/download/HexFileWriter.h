// Builds Intel HEX text for tests: data runs at 32-bit addresses, each record with its checksum.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace hexfile {

inline std::string Record(uint16_t address, uint8_t type, const std::vector<uint8_t>& bytes) {
    char head[16];
    std::snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(bytes.size()), address, type);
    std::string line = head;
    unsigned sum = bytes.size() + (address >> 8) + (address & 0xFF) + type;
    for (uint8_t b : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        line += digits;
        sum += b;
    }
    char check[3];
    std::snprintf(check, sizeof check, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + check + "\r\n";
}

struct Run {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

inline std::string Text(const std::vector<Run>& runs) {
    std::string text;
    for (const Run& run : runs) {
        uint32_t upper = 0xFFFFFFFF;
        for (size_t at = 0; at < run.bytes.size(); at += 16) {
            const uint32_t address = run.address + static_cast<uint32_t>(at);
            if ((address >> 16) != upper) {
                upper = address >> 16;
                text += Record(0, 4, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)});
            }
            const size_t n = std::min<size_t>(16, run.bytes.size() - at);
            text += Record(static_cast<uint16_t>(address), 0,
                           std::vector<uint8_t>(run.bytes.begin() + at, run.bytes.begin() + at + n));
        }
    }
    return text + ":00000001FF\r\n";
}

inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed = 1) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(seed + i * 7);
    return data;
}

}  // namespace hexfile
