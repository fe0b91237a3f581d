// Independent references for the file-format tests: AES through OpenSSL, and the chip's CRC-32 computed bit by bit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/AesCtr.h"
#include "tests/core/OpenSslOracle.h"

namespace fileoracle {

// CRC-32/MPEG-2 over little-endian 32-bit words, most significant bit first.
inline uint32_t ChipCrc(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        const uint32_t word =
            bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24;
        crc ^= word;
        for (int bit = 0; bit < 32; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

inline std::vector<uint8_t> Be32(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

inline std::vector<uint8_t> Vec(const std::array<uint8_t, 16>& a) { return {a.begin(), a.end()}; }

inline std::vector<uint8_t> EcbEncrypt(const std::vector<uint8_t>& key, const std::vector<uint8_t>& plain) {
    return oracle::Cipher("AES-128-ECB", key, {}, plain, true);
}

// Counter mode from a given initial counter block.
inline std::vector<uint8_t> Ctr(const std::vector<uint8_t>& key, const std::vector<uint8_t>& counter,
                                const std::vector<uint8_t>& data) {
    return oracle::Cipher("AES-128-CTR", key, counter, data, true);
}

inline std::vector<uint8_t> BuiltinCounter() {
    std::vector<uint8_t> c(16);
    BuiltinInitialCounter(c.data());
    return c;
}

// The body counter of a block: nonce[0..11] || big-endian address / 16.
inline std::vector<uint8_t> BodyCounter(const std::vector<uint8_t>& nonce, uint32_t address) {
    std::vector<uint8_t> c(nonce.begin(), nonce.begin() + 12);
    const std::vector<uint8_t> tail = Be32(address >> 4);
    c.insert(c.end(), tail.begin(), tail.end());
    return c;
}

// The word-reversed body enciphering, from OpenSSL's key stream: the stream's bytes reversed inside each word.
inline std::vector<uint8_t> BodyCipher(const std::vector<uint8_t>& rek, const std::vector<uint8_t>& nonce,
                                       uint32_t firstAddress, std::vector<uint8_t> data) {
    for (size_t off = 0; off < data.size(); off += 16) {
        const std::vector<uint8_t> stream =
            Ctr(rek, BodyCounter(nonce, firstAddress + static_cast<uint32_t>(off)), std::vector<uint8_t>(16, 0));
        for (size_t i = 0; i < 16 && off + i < data.size(); ++i)
            data[off + i] ^= stream[(i & ~size_t{3}) + 3 - (i & 3)];
    }
    return data;
}

}  // namespace fileoracle
