#include "core/AesRounds.h"

#include <array>
#include <cstring>

#include "core/CpuCrypto.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QX_AES_X86 1
#endif

namespace aes_detail {
namespace {

constexpr uint8_t Xtime(uint8_t x) { return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00)); }

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    while (b != 0) {
        if (b & 1) product ^= a;
        a = Xtime(a);
        b >>= 1;
    }
    return product;
}

constexpr std::array<uint8_t, 256> MakeForwardSBox() {
    // Multiplicative inverses through powers of the generator 3: x = 3^k has the inverse 3^(255-k).
    std::array<uint8_t, 256> power{};
    std::array<uint8_t, 256> logarithm{};
    uint8_t p = 1;
    for (int k = 0; k < 255; ++k) {
        power[static_cast<size_t>(k)] = p;
        logarithm[p] = static_cast<uint8_t>(k);
        p = static_cast<uint8_t>(p ^ Xtime(p));
    }
    std::array<uint8_t, 256> box{};
    for (int x = 0; x < 256; ++x) {
        const uint8_t inverse =
            x == 0 ? 0 : power[static_cast<size_t>((255 - logarithm[static_cast<size_t>(x)]) % 255)];
        uint8_t s = inverse;
        for (int r = 1; r <= 4; ++r)
            s ^= static_cast<uint8_t>((inverse << r) | (inverse >> (8 - r)));
        box[static_cast<size_t>(x)] = static_cast<uint8_t>(s ^ 0x63);
    }
    return box;
}

constexpr std::array<uint8_t, 256> kSBox = MakeForwardSBox();

constexpr std::array<uint8_t, 256> MakeInverseSBox() {
    std::array<uint8_t, 256> box{};
    for (int x = 0; x < 256; ++x)
        box[kSBox[static_cast<size_t>(x)]] = static_cast<uint8_t>(x);
    return box;
}

constexpr std::array<uint8_t, 256> kInvSBox = MakeInverseSBox();

// SubBytes followed by MixColumns for a byte in each row: four tables, each the previous one rotated by a byte, so
// a round is sixteen look-ups and XORs.
using RoundTables = std::array<std::array<uint32_t, 256>, 4>;

constexpr RoundTables MakeForwardTables() {
    RoundTables t{};
    for (int x = 0; x < 256; ++x) {
        const uint8_t s = kSBox[static_cast<size_t>(x)];
        const uint32_t w = static_cast<uint32_t>(Multiply(s, 2)) << 24 | static_cast<uint32_t>(s) << 16 |
                           static_cast<uint32_t>(s) << 8 | Multiply(s, 3);
        for (size_t row = 0; row < 4; ++row) {
            t[row][static_cast<size_t>(x)] = row == 0 ? w : (w >> (8 * row)) | (w << (32 - 8 * row));
        }
    }
    return t;
}

constexpr RoundTables kTe = MakeForwardTables();

inline uint32_t LoadWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}

inline void StoreWord(uint32_t w, uint8_t* p) {
    p[0] = static_cast<uint8_t>(w >> 24);
    p[1] = static_cast<uint8_t>(w >> 16);
    p[2] = static_cast<uint8_t>(w >> 8);
    p[3] = static_cast<uint8_t>(w);
}

void EncryptPortable(const uint32_t rk[kRoundKeyWords], const uint8_t in[16], uint8_t out[16]) {
    uint32_t s0 = LoadWord(in) ^ rk[0], s1 = LoadWord(in + 4) ^ rk[1];
    uint32_t s2 = LoadWord(in + 8) ^ rk[2], s3 = LoadWord(in + 12) ^ rk[3];
    const auto& t0 = kTe[0];
    const auto& t1 = kTe[1];
    const auto& t2 = kTe[2];
    const auto& t3 = kTe[3];
    for (int round = 1; round < 10; ++round) {
        const uint32_t* k = rk + 4 * round;
        const uint32_t u0 = t0[s0 >> 24] ^ t1[(s1 >> 16) & 0xFF] ^ t2[(s2 >> 8) & 0xFF] ^ t3[s3 & 0xFF] ^ k[0];
        const uint32_t u1 = t0[s1 >> 24] ^ t1[(s2 >> 16) & 0xFF] ^ t2[(s3 >> 8) & 0xFF] ^ t3[s0 & 0xFF] ^ k[1];
        const uint32_t u2 = t0[s2 >> 24] ^ t1[(s3 >> 16) & 0xFF] ^ t2[(s0 >> 8) & 0xFF] ^ t3[s1 & 0xFF] ^ k[2];
        const uint32_t u3 = t0[s3 >> 24] ^ t1[(s0 >> 16) & 0xFF] ^ t2[(s1 >> 8) & 0xFF] ^ t3[s2 & 0xFF] ^ k[3];
        s0 = u0;
        s1 = u1;
        s2 = u2;
        s3 = u3;
    }
    const uint32_t s[4] = {s0, s1, s2, s3};
    for (int c = 0; c < 4; ++c) {
        const uint32_t w = static_cast<uint32_t>(kSBox[s[c] >> 24]) << 24 |
                           static_cast<uint32_t>(kSBox[(s[(c + 1) & 3] >> 16) & 0xFF]) << 16 |
                           static_cast<uint32_t>(kSBox[(s[(c + 2) & 3] >> 8) & 0xFF]) << 8 |
                           static_cast<uint32_t>(kSBox[s[(c + 3) & 3] & 0xFF]);
        StoreWord(w ^ rk[40 + c], out + 4 * c);
    }
}

// The inverse cipher is only used for single blocks of stored files; it follows the standard step by step.
void DecryptPortable(const uint32_t rk[kRoundKeyWords], const uint8_t in[16], uint8_t out[16]) {
    uint8_t state[16];
    auto addRoundKey = [&](int round) {
        for (int c = 0; c < 4; ++c) {
            const uint32_t k = rk[4 * round + c];
            state[4 * c] ^= static_cast<uint8_t>(k >> 24);
            state[4 * c + 1] ^= static_cast<uint8_t>(k >> 16);
            state[4 * c + 2] ^= static_cast<uint8_t>(k >> 8);
            state[4 * c + 3] ^= static_cast<uint8_t>(k);
        }
    };
    auto invShiftSub = [&]() {
        uint8_t shifted[16];
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r)
                shifted[4 * ((c + r) & 3) + r] = kInvSBox[state[4 * c + r]];
        }
        std::memcpy(state, shifted, sizeof state);
    };
    std::memcpy(state, in, sizeof state);
    addRoundKey(10);
    for (int round = 9; round >= 1; --round) {
        invShiftSub();
        addRoundKey(round);
        for (int c = 0; c < 4; ++c) {
            const uint8_t a0 = state[4 * c], a1 = state[4 * c + 1], a2 = state[4 * c + 2], a3 = state[4 * c + 3];
            state[4 * c] = Multiply(a0, 14) ^ Multiply(a1, 11) ^ Multiply(a2, 13) ^ Multiply(a3, 9);
            state[4 * c + 1] = Multiply(a0, 9) ^ Multiply(a1, 14) ^ Multiply(a2, 11) ^ Multiply(a3, 13);
            state[4 * c + 2] = Multiply(a0, 13) ^ Multiply(a1, 9) ^ Multiply(a2, 14) ^ Multiply(a3, 11);
            state[4 * c + 3] = Multiply(a0, 11) ^ Multiply(a1, 13) ^ Multiply(a2, 9) ^ Multiply(a3, 14);
        }
    }
    invShiftSub();
    addRoundKey(0);
    std::memcpy(out, state, sizeof state);
}

void IncrementCounter(uint8_t counter[16]) {
    for (int i = 15; i >= 0; --i) {
        if (++counter[i] != 0) break;
    }
}

void CtrXorPortable(const uint32_t rk[kRoundKeyWords], uint8_t counter[16], uint8_t* data, size_t length) {
    uint8_t keystream[16];
    while (length > 0) {
        EncryptPortable(rk, counter, keystream);
        IncrementCounter(counter);
        const size_t n = length < 16 ? length : 16;
        for (size_t i = 0; i < n; ++i)
            data[i] ^= keystream[i];
        data += n;
        length -= n;
    }
}

#ifdef QX_AES_X86
// Round keys in the standard's byte order, as the instructions take them.
__attribute__((target("aes,sse4.1,ssse3"))) void LoadRoundKeys(const uint32_t rk[kRoundKeyWords], __m128i keys[11]) {
    const __m128i wordSwap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
    for (int i = 0; i < 11; ++i) {
        keys[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rk + 4 * i)), wordSwap);
    }
}

__attribute__((target("aes,sse4.1,ssse3"))) void EncryptAesNi(const uint32_t rk[kRoundKeyWords], const uint8_t in[16],
                                                              uint8_t out[16]) {
    __m128i keys[11];
    LoadRoundKeys(rk, keys);
    __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), keys[0]);
    for (int r = 1; r < 10; ++r)
        b = _mm_aesenc_si128(b, keys[r]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_aesenclast_si128(b, keys[10]));
}

__attribute__((target("aes,sse4.1,ssse3"))) void DecryptAesNi(const uint32_t rk[kRoundKeyWords], const uint8_t in[16],
                                                              uint8_t out[16]) {
    __m128i keys[11];
    LoadRoundKeys(rk, keys);
    __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), keys[10]);
    for (int r = 9; r >= 1; --r)
        b = _mm_aesdec_si128(b, _mm_aesimc_si128(keys[r]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_aesdeclast_si128(b, keys[0]));
}

// The counter block of the 128-bit big-endian number high:low, which then grows by one.
__attribute__((target("aes,sse4.1,ssse3"))) inline __m128i NextCounterBlock(uint64_t& high, uint64_t& low) {
    const __m128i byteSwap = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i block =
        _mm_shuffle_epi8(_mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low)), byteSwap);
    if (++low == 0) ++high;
    return block;
}

__attribute__((target("aes,sse4.1,ssse3"))) void CtrXorAesNi(const uint32_t rk[kRoundKeyWords], uint8_t counter[16],
                                                             uint8_t* data, size_t length) {
    __m128i keys[11];
    LoadRoundKeys(rk, keys);
    // The counter as a 128-bit big-endian number split into two 64-bit halves.
    uint64_t high = 0, low = 0;
    for (int i = 0; i < 8; ++i) {
        high = high << 8 | counter[i];
        low = low << 8 | counter[8 + i];
    }

    constexpr int kLanes = 8;
    const __m128i byteSwap = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    while (length >= 16 * kLanes) {
        __m128i b[kLanes];
        if (low <= UINT64_MAX - kLanes) {
            // No carry into the high half within these blocks: one addition per block in the counter's own order.
            const __m128i base = _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
            for (int j = 0; j < kLanes; ++j) {
                b[j] = _mm_xor_si128(_mm_shuffle_epi8(_mm_add_epi64(base, _mm_set_epi64x(0, j)), byteSwap), keys[0]);
            }
            low += kLanes;
        } else {
            for (int j = 0; j < kLanes; ++j)
                b[j] = _mm_xor_si128(NextCounterBlock(high, low), keys[0]);
        }
        for (int r = 1; r < 10; ++r) {
            const __m128i key = keys[r];
            for (int j = 0; j < kLanes; ++j)
                b[j] = _mm_aesenc_si128(b[j], key);
        }
        for (int j = 0; j < kLanes; ++j) {
            __m128i* p = reinterpret_cast<__m128i*>(data + 16 * j);
            _mm_storeu_si128(p, _mm_xor_si128(_mm_loadu_si128(p), _mm_aesenclast_si128(b[j], keys[10])));
        }
        data += 16 * kLanes;
        length -= 16 * kLanes;
    }
    while (length > 0) {
        __m128i b = _mm_xor_si128(NextCounterBlock(high, low), keys[0]);
        for (int r = 1; r < 10; ++r)
            b = _mm_aesenc_si128(b, keys[r]);
        alignas(16) uint8_t keystream[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(keystream), _mm_aesenclast_si128(b, keys[10]));
        const size_t n = length < 16 ? length : 16;
        for (size_t i = 0; i < n; ++i)
            data[i] ^= keystream[i];
        data += n;
        length -= n;
    }
    for (int i = 7; i >= 0; --i) {
        counter[i] = static_cast<uint8_t>(high);
        counter[8 + i] = static_cast<uint8_t>(low);
        high >>= 8;
        low >>= 8;
    }
}
#endif

}  // namespace

const uint8_t* ForwardSBox() { return kSBox.data(); }
const uint8_t* InverseSBox() { return kInvSBox.data(); }

void ExpandKey(const uint8_t key[16], uint32_t rk[kRoundKeyWords]) {
    for (int i = 0; i < 4; ++i)
        rk[i] = LoadWord(key + 4 * i);
    uint8_t rcon = 0x01;
    for (int i = 4; i < kRoundKeyWords; ++i) {
        uint32_t t = rk[i - 1];
        if (i % 4 == 0) {
            t = static_cast<uint32_t>(kSBox[(t >> 16) & 0xFF]) << 24 |
                static_cast<uint32_t>(kSBox[(t >> 8) & 0xFF]) << 16 | static_cast<uint32_t>(kSBox[t & 0xFF]) << 8 |
                static_cast<uint32_t>(kSBox[t >> 24]);
            t ^= static_cast<uint32_t>(rcon) << 24;
            rcon = Xtime(rcon);
        }
        rk[i] = rk[i - 4] ^ t;
    }
}

void EncryptBlock(const uint32_t rk[kRoundKeyWords], const uint8_t in[16], uint8_t out[16]) {
#ifdef QX_AES_X86
    if (CpuHasAesInstructions()) return EncryptAesNi(rk, in, out);
#endif
    EncryptPortable(rk, in, out);
}

void DecryptBlock(const uint32_t rk[kRoundKeyWords], const uint8_t in[16], uint8_t out[16]) {
#ifdef QX_AES_X86
    if (CpuHasAesInstructions()) return DecryptAesNi(rk, in, out);
#endif
    DecryptPortable(rk, in, out);
}

void CtrXor(const uint32_t rk[kRoundKeyWords], uint8_t counter[16], uint8_t* data, size_t length) {
#ifdef QX_AES_X86
    if (CpuHasAesInstructions()) return CtrXorAesNi(rk, counter, data, length);
#endif
    CtrXorPortable(rk, counter, data, length);
}

}  // namespace aes_detail
