// CTR_DRBG after NIST SP 800-90A: AES-256, block-cipher derivation function, seed length 48 bytes, no nonce and
// no personalisation string. Requests are at most 48 bytes; longer outputs are a series of requests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessarand {

constexpr uint32_t kDrbgOk = 0x5A41DC23;
constexpr uint32_t kDrbgFailed = 0x55AA;

constexpr size_t kDrbgSeedLength = 48;
constexpr size_t kDrbgMaxRequest = 48;
constexpr int32_t kDrbgReseedInterval = 10000;

struct CtrDrbg {
    uint8_t V[16] = {};  // counter block, one 128-bit big-endian number
    uint8_t Key[32] = {};
    int32_t reseedCounter = 0;  // generate requests since the last (re)seeding, plus one
    uint32_t reseedInterval = 0;
};

// Block_Cipher_df for a 48-byte result.
uint32_t CtrDrbgDerive(const uint8_t* input, size_t inputLength, uint8_t output[kDrbgSeedLength]);

// CTR_DRBG_Update; provided == nullptr mixes in 48 zero bytes.
uint32_t CtrDrbgUpdate(CtrDrbg& state, const uint8_t* provided);

uint32_t CtrDrbgInstantiate(CtrDrbg& state, const uint8_t* seed);

uint32_t CtrDrbgReseed(CtrDrbg& state, const uint8_t material[kDrbgSeedLength]);

// One request of 1 to 48 bytes; fails when the number of bytes produced differs from expected.
uint32_t CtrDrbgGenerate(CtrDrbg& state, uint8_t* out, size_t len, size_t expected);

// Any length, as requests of 48 bytes and a last shorter one; succeeds only when exactly expected bytes came out.
uint32_t CtrDrbgGenerateAll(CtrDrbg& state, uint8_t* out, size_t len, size_t expected);

// Zeroes the state in a way the compiler may not drop.
void CtrDrbgWipe(CtrDrbg& state);

}  // namespace tessarand
