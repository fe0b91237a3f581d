#include "core/Crc32.h"

#include <array>
#include <cstddef>

#include "core/HexText.h"

namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;

// kTables[n][b]: the register after the byte b followed by n zero bytes, starting from 0. Eight tables let the
// loop fold eight bytes with independent look-ups.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeTables() {
    CrcTables t{};
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t r = b << 24;
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 0x80000000u) ? (r << 1) ^ kPolynomial : r << 1;
        t[0][b] = r;
    }
    for (size_t n = 1; n < t.size(); ++n) {
        for (uint32_t b = 0; b < 256; ++b)
            t[n][b] = (t[n - 1][b] << 8) ^ t[0][t[n - 1][b] >> 24];
    }
    return t;
}

constexpr CrcTables kTables = MakeTables();

uint32_t FoldWord(uint32_t crc) {
    return kTables[3][crc >> 24] ^ kTables[2][(crc >> 16) & 0xFF] ^ kTables[1][(crc >> 8) & 0xFF] ^
           kTables[0][crc & 0xFF];
}

uint32_t FoldTwoWords(uint32_t crc, uint32_t next) {
    return kTables[7][crc >> 24] ^ kTables[6][(crc >> 16) & 0xFF] ^ kTables[5][(crc >> 8) & 0xFF] ^
           kTables[4][crc & 0xFF] ^ kTables[3][next >> 24] ^ kTables[2][(next >> 16) & 0xFF] ^
           kTables[1][(next >> 8) & 0xFF] ^ kTables[0][next & 0xFF];
}

uint32_t LoadLittleEndian(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

uint32_t Crc32Words(const uint32_t* words, uint32_t count) {
    uint32_t crc = 0xFFFFFFFFu;
    if (words == nullptr) return crc;
    uint32_t i = 0;
    for (; i + 1 < count; i += 2)
        crc = FoldTwoWords(crc ^ words[i], words[i + 1]);
    if (i < count) crc = FoldWord(crc ^ words[i]);
    return crc;
}

uint32_t Crc32Buffer(const uint8_t* data, int length, uint8_t* out) {
    uint32_t crc = 0xFFFFFFFFu;
    if (data != nullptr && length > 0) {
        const size_t words = static_cast<size_t>(length) / 4;
        size_t i = 0;
        for (; i + 1 < words; i += 2) {
            crc = FoldTwoWords(crc ^ LoadLittleEndian(data + 4 * i), LoadLittleEndian(data + 4 * i + 4));
        }
        if (i < words) crc = FoldWord(crc ^ LoadLittleEndian(data + 4 * i));
    }
    if (out != nullptr) UInt32ToBytesBE(crc, out);
    return crc;
}
