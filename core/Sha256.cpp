#include "core/Sha256.h"

#include <cstddef>
#include <cstring>

#include "core/CpuCrypto.h"
#include "core/SecureWipe.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QX_SHA_X86 1
#endif

namespace {

alignas(16) constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t kInitialState[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline uint32_t LoadBigEndian(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}

inline uint32_t BigSigma0(uint32_t x) { return Rotr(x, 2) ^ Rotr(x, 13) ^ Rotr(x, 22); }
inline uint32_t BigSigma1(uint32_t x) { return Rotr(x, 6) ^ Rotr(x, 11) ^ Rotr(x, 25); }
inline uint32_t SmallSigma0(uint32_t x) { return Rotr(x, 7) ^ Rotr(x, 18) ^ (x >> 3); }
inline uint32_t SmallSigma1(uint32_t x) { return Rotr(x, 17) ^ Rotr(x, 19) ^ (x >> 10); }

// One round; the callers rotate the roles of the eight working variables instead of moving their values.
inline void Round(uint32_t a, uint32_t b, uint32_t c, uint32_t& d, uint32_t e, uint32_t f, uint32_t g, uint32_t& h,
                  uint32_t k, uint32_t w) {
    // Ch and Maj in their shorter equivalent forms.
    const uint32_t t1 = h + BigSigma1(e) + (g ^ (e & (f ^ g))) + k + w;
    d += t1;
    h = t1 + BigSigma0(a) + ((a & b) | (c & (a | b)));
}

void CompressPortable(uint32_t state[8], const uint8_t* blocks, size_t count) {
    for (; count > 0; --count, blocks += 64) {
        uint32_t w[16];
        for (int t = 0; t < 16; ++t)
            w[t] = LoadBigEndian(blocks + 4 * t);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
#pragma GCC unroll 8
        for (int t = 0; t < 64; t += 8) {
            if (t >= 16) {
                // The schedule in a ring of sixteen words: W[t] replaces W[t - 16].
                for (int i = t; i < t + 8; ++i) {
                    w[i & 15] += SmallSigma1(w[(i - 2) & 15]) + w[(i - 7) & 15] + SmallSigma0(w[(i - 15) & 15]);
                }
            }
            const uint32_t* k = kRoundConstants + t;
            const uint32_t* x = w + (t & 15);
            Round(a, b, c, d, e, f, g, h, k[0], x[0]);
            Round(h, a, b, c, d, e, f, g, k[1], x[1]);
            Round(g, h, a, b, c, d, e, f, k[2], x[2]);
            Round(f, g, h, a, b, c, d, e, k[3], x[3]);
            Round(e, f, g, h, a, b, c, d, k[4], x[4]);
            Round(d, e, f, g, h, a, b, c, k[5], x[5]);
            Round(c, d, e, f, g, h, a, b, k[6], x[6]);
            Round(b, c, d, e, f, g, h, a, k[7], x[7]);
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
        SecureWipe(w, sizeof w);
    }
}

#ifdef QX_SHA_X86
__attribute__((target("sha,sse4.1,ssse3"))) void CompressShaNi(uint32_t state[8], const uint8_t* blocks, size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
    __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
    tmp = _mm_shuffle_epi32(tmp, 0xB1);                // CDAB
    state1 = _mm_shuffle_epi32(state1, 0x1B);          // EFGH
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);  // ABEF
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);       // CDGH

    for (; count > 0; --count, blocks += 64) {
        const __m128i savedAbef = state0;
        const __m128i savedCdgh = state1;
        __m128i msg[4];
#pragma GCC unroll 16
        for (int i = 0; i < 16; ++i) {
            __m128i& w = msg[i & 3];
            if (i < 4) {
                w = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byteSwap);
            } else {
                // W[t] from W[t-16] + s0(W[t-15]) (msg1), W[t-7] (alignr) and s1(W[t-2]) (msg2).
                const __m128i& prev1 = msg[(i + 3) & 3];
                const __m128i& prev2 = msg[(i + 2) & 3];
                __m128i x = _mm_sha256msg1_epu32(w, msg[(i + 1) & 3]);
                x = _mm_add_epi32(x, _mm_alignr_epi8(prev1, prev2, 4));
                w = _mm_sha256msg2_epu32(x, prev1);
            }
            __m128i k = _mm_add_epi32(w, _mm_load_si128(reinterpret_cast<const __m128i*>(&kRoundConstants[4 * i])));
            state1 = _mm_sha256rnds2_epu32(state1, state0, k);
            k = _mm_shuffle_epi32(k, 0x0E);
            state0 = _mm_sha256rnds2_epu32(state0, state1, k);
        }
        state0 = _mm_add_epi32(state0, savedAbef);
        state1 = _mm_add_epi32(state1, savedCdgh);
    }

    tmp = _mm_shuffle_epi32(state0, 0x1B);        // FEBA
    state1 = _mm_shuffle_epi32(state1, 0xB1);     // DCHG
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // DCBA
    state1 = _mm_alignr_epi8(state1, tmp, 8);     // HGFE
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), state1);
}
#endif

void Compress(uint32_t state[8], const uint8_t* blocks, size_t count) {
#ifdef QX_SHA_X86
    if (CpuHasShaInstructions()) {
        CompressShaNi(state, blocks, count);
        return;
    }
#endif
    CompressPortable(state, blocks, count);
}

}  // namespace

int Sha256Buffer(const uint8_t* data, int length, uint8_t* out) {
    if (out == nullptr) return 1;
    const size_t size = (data == nullptr || length <= 0) ? 0 : static_cast<size_t>(length);
    uint32_t state[8];
    std::memcpy(state, kInitialState, sizeof state);
    const size_t fullBlocks = size / 64;
    if (fullBlocks > 0) Compress(state, data, fullBlocks);

    // The standard's padding: 0x80, zeros, the bit length as a big-endian 64-bit number; one or two blocks.
    uint8_t tail[128] = {};
    const size_t rest = size - fullBlocks * 64;
    if (rest > 0) std::memcpy(tail, data + fullBlocks * 64, rest);
    tail[rest] = 0x80;
    const size_t tailBlocks = rest < 56 ? 1 : 2;
    const uint64_t bits = static_cast<uint64_t>(size) * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailBlocks * 64 - 1 - i] = static_cast<uint8_t>(bits >> (8 * i));
    Compress(state, tail, tailBlocks);

    for (int i = 0; i < 8; ++i) {
        out[4 * i] = static_cast<uint8_t>(state[i] >> 24);
        out[4 * i + 1] = static_cast<uint8_t>(state[i] >> 16);
        out[4 * i + 2] = static_cast<uint8_t>(state[i] >> 8);
        out[4 * i + 3] = static_cast<uint8_t>(state[i]);
    }
    // The working state held a digest of possibly secret data.
    SecureWipe(state, sizeof state);
    SecureWipe(tail, sizeof tail);
    return 0;
}
