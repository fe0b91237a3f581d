#include "tessarand/DrbgAes.h"

#include <array>
#include <bit>

namespace tessarand {
namespace {

constexpr uint8_t Xtime(uint8_t x) { return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00)); }

constexpr uint8_t GfMultiply(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    for (; b != 0; b >>= 1) {
        if (b & 1) product ^= a;
        a = Xtime(a);
    }
    return product;
}

constexpr uint8_t RotateByte(uint8_t x, int n) { return static_cast<uint8_t>((x << n) | (x >> (8 - n))); }

// The FIPS-197 S-box: the multiplicative inverse in GF(2^8) followed by the affine map. The inverse comes from
// the powers of the generator 3: inverse(3^k) = 3^(255-k).
constexpr std::array<uint8_t, 256> MakeSbox() {
    std::array<uint8_t, 256> power{};
    std::array<int, 256> logarithm{};
    uint8_t value = 1;
    for (int k = 0; k < 255; ++k) {
        power[k] = value;
        logarithm[value] = k;
        value = GfMultiply(value, 3);
    }
    std::array<uint8_t, 256> sbox{};
    for (int x = 0; x < 256; ++x) {
        const uint8_t inverse = x == 0 ? 0 : power[(255 - logarithm[x]) % 255];
        sbox[x] = static_cast<uint8_t>(inverse ^ RotateByte(inverse, 1) ^ RotateByte(inverse, 2) ^
                                       RotateByte(inverse, 3) ^ RotateByte(inverse, 4) ^ 0x63);
    }
    return sbox;
}

constexpr std::array<uint8_t, 256> kSbox = MakeSbox();

// Column contribution of a row-0 byte after SubBytes and MixColumns: (2s, s, s, 3s), row 0 in the low byte.
// A byte of row r contributes the same word rotated left by 8r bits.
constexpr std::array<uint32_t, 256> MakeRoundTable() {
    std::array<uint32_t, 256> table{};
    for (int x = 0; x < 256; ++x) {
        const uint8_t s = kSbox[x];
        table[x] = uint32_t{GfMultiply(s, 2)} | uint32_t{s} << 8 | uint32_t{s} << 16 | uint32_t{GfMultiply(s, 3)} << 24;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kRoundTable = MakeRoundTable();

constexpr uint8_t Byte(uint32_t word, int index) { return static_cast<uint8_t>(word >> (8 * index)); }

uint32_t SubWord(uint32_t w) {
    return uint32_t{kSbox[Byte(w, 0)]} | uint32_t{kSbox[Byte(w, 1)]} << 8 | uint32_t{kSbox[Byte(w, 2)]} << 16 |
           uint32_t{kSbox[Byte(w, 3)]} << 24;
}

uint32_t LoadLittleEndian(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void StoreLittleEndian(uint32_t w, uint8_t* p) {
    for (int i = 0; i < 4; ++i)
        p[i] = Byte(w, i);
}

}  // namespace

int DrbgAesSetKey(DrbgAesSchedule& schedule, const uint8_t* key, int keyBits) {
    if (keyBits != 128 && keyBits != 192 && keyBits != 256) return -1;
    const int keyWords = keyBits / 32;
    schedule.rounds = keyWords + 6;
    const int totalWords = 4 * (schedule.rounds + 1);
    uint32_t* w = schedule.roundKeys;
    for (int i = 0; i < keyWords; ++i)
        w[i] = LoadLittleEndian(key + 4 * i);
    uint8_t roundConstant = 1;
    for (int i = keyWords; i < totalWords; ++i) {
        uint32_t temp = w[i - 1];
        if (i % keyWords == 0) {
            // RotWord moves byte 1 to byte 0, which in a little-endian word is a right rotation.
            temp = SubWord(std::rotr(temp, 8)) ^ roundConstant;
            roundConstant = Xtime(roundConstant);
        } else if (keyWords > 6 && i % keyWords == 4) {
            temp = SubWord(temp);
        }
        w[i] = w[i - keyWords] ^ temp;
    }
    return 0;
}

void DrbgAesEncryptBlock(const DrbgAesSchedule& schedule, const uint8_t in[16], uint8_t out[16]) {
    const uint32_t* rk = schedule.roundKeys;
    uint32_t s[4];
    for (int c = 0; c < 4; ++c)
        s[c] = LoadLittleEndian(in + 4 * c) ^ rk[c];
    for (int round = 1; round < schedule.rounds; ++round) {
        rk += 4;
        uint32_t t[4];
        // ShiftRows: row r of column c comes from column c + r.
        for (int c = 0; c < 4; ++c) {
            t[c] = kRoundTable[Byte(s[c], 0)] ^ std::rotl(kRoundTable[Byte(s[(c + 1) % 4], 1)], 8) ^
                   std::rotl(kRoundTable[Byte(s[(c + 2) % 4], 2)], 16) ^
                   std::rotl(kRoundTable[Byte(s[(c + 3) % 4], 3)], 24) ^ rk[c];
        }
        for (int c = 0; c < 4; ++c)
            s[c] = t[c];
    }
    rk += 4;
    for (int c = 0; c < 4; ++c) {
        const uint32_t last = uint32_t{kSbox[Byte(s[c], 0)]} | uint32_t{kSbox[Byte(s[(c + 1) % 4], 1)]} << 8 |
                              uint32_t{kSbox[Byte(s[(c + 2) % 4], 2)]} << 16 |
                              uint32_t{kSbox[Byte(s[(c + 3) % 4], 3)]} << 24;
        StoreLittleEndian(last ^ rk[c], out + 4 * c);
    }
}

void DrbgAesWipe(DrbgAesSchedule& schedule) {
    volatile uint32_t* words = schedule.roundKeys;
    for (int i = 0; i < 68; ++i)
        words[i] = 0;
    *static_cast<volatile int*>(&schedule.rounds) = 0;
}

void DrbgAes256EncryptBlock(const uint8_t key[32], const uint8_t in[16], uint8_t out[16]) {
    DrbgAesSchedule schedule;
    DrbgAesSetKey(schedule, key, 256);
    DrbgAesEncryptBlock(schedule, in, out);
    DrbgAesWipe(schedule);
}

}  // namespace tessarand
