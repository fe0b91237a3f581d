#include "tessarand/CtrDrbg.h"

#include <cstring>

#include "tessarand/DrbgAes.h"

namespace tessarand {
namespace {

constexpr size_t kBlock = 16;
// Enough for BE32(n) || BE32(48) || a 48-byte input || 0x80, padded to whole blocks, behind the IV block.
constexpr size_t kDeriveBufferSize = 316;

void WipeBytes(void* p, size_t n) {
    volatile uint8_t* bytes = static_cast<volatile uint8_t*>(p);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = 0;
}

void PutBigEndian32(uint32_t value, uint8_t* p) {
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>(value >> 16);
    p[2] = static_cast<uint8_t>(value >> 8);
    p[3] = static_cast<uint8_t>(value);
}

void IncrementCounter(uint8_t v[16]) {
    for (int i = 15; i >= 0; --i) {
        if (++v[i] != 0) break;
    }
}

}  // namespace

uint32_t CtrDrbgDerive(const uint8_t* input, size_t inputLength, uint8_t output[kDrbgSeedLength]) {
    // The chained blocks are IV || S, with IV = BE32(i) || 12 zero bytes and S padded to whole blocks.
    const size_t sLength = (8 + inputLength + 1 + kBlock - 1) / kBlock * kBlock;
    if (input == nullptr || output == nullptr || kBlock + sLength > kDeriveBufferSize) return kDrbgFailed;

    uint8_t chain[kDeriveBufferSize] = {};
    uint8_t* s = chain + kBlock;
    PutBigEndian32(static_cast<uint32_t>(inputLength), s);
    PutBigEndian32(static_cast<uint32_t>(kDrbgSeedLength), s + 4);
    std::memcpy(s + 8, input, inputLength);
    s[8 + inputLength] = 0x80;

    uint8_t key[32];
    for (int i = 0; i < 32; ++i)
        key[i] = static_cast<uint8_t>(i);
    DrbgAesSchedule schedule;
    DrbgAesSetKey(schedule, key, 256);

    uint8_t temp[kDrbgSeedLength];
    for (uint32_t i = 0; i < 3; ++i) {
        PutBigEndian32(i, chain);
        uint8_t x[kBlock] = {};
        for (size_t offset = 0; offset < kBlock + sLength; offset += kBlock) {
            for (size_t j = 0; j < kBlock; ++j)
                x[j] ^= chain[offset + j];
            DrbgAesEncryptBlock(schedule, x, x);
        }
        std::memcpy(temp + kBlock * i, x, kBlock);
    }

    DrbgAesSetKey(schedule, temp, 256);
    uint8_t x[kBlock];
    std::memcpy(x, temp + 32, kBlock);
    for (size_t i = 0; i < 3; ++i) {
        DrbgAesEncryptBlock(schedule, x, x);
        std::memcpy(output + kBlock * i, x, kBlock);
    }

    DrbgAesWipe(schedule);
    WipeBytes(chain, sizeof chain);
    WipeBytes(temp, sizeof temp);
    WipeBytes(x, sizeof x);
    return kDrbgOk;
}

uint32_t CtrDrbgUpdate(CtrDrbg& state, const uint8_t* provided) {
    DrbgAesSchedule schedule;
    DrbgAesSetKey(schedule, state.Key, 256);
    uint8_t temp[kDrbgSeedLength];
    for (size_t i = 0; i < 3; ++i) {
        IncrementCounter(state.V);
        DrbgAesEncryptBlock(schedule, state.V, temp + kBlock * i);
    }
    DrbgAesWipe(schedule);
    if (provided != nullptr) {
        for (size_t i = 0; i < kDrbgSeedLength; ++i)
            temp[i] ^= provided[i];
    }
    std::memcpy(state.Key, temp, 32);
    std::memcpy(state.V, temp + 32, 16);
    WipeBytes(temp, sizeof temp);
    return kDrbgOk;
}

uint32_t CtrDrbgInstantiate(CtrDrbg& state, const uint8_t* seed) {
    if (seed == nullptr) return kDrbgFailed;
    uint8_t derived[kDrbgSeedLength];
    if (CtrDrbgDerive(seed, kDrbgSeedLength, derived) != kDrbgOk) return kDrbgFailed;
    CtrDrbgWipe(state);
    state.reseedInterval = kDrbgReseedInterval;
    const uint32_t status = CtrDrbgUpdate(state, derived);
    WipeBytes(derived, sizeof derived);
    if (status != kDrbgOk) return kDrbgFailed;
    state.reseedCounter = 1;
    return kDrbgOk;
}

uint32_t CtrDrbgReseed(CtrDrbg& state, const uint8_t material[kDrbgSeedLength]) {
    uint8_t derived[kDrbgSeedLength];
    if (CtrDrbgDerive(material, kDrbgSeedLength, derived) != kDrbgOk) return kDrbgFailed;
    const uint32_t status = CtrDrbgUpdate(state, derived);
    WipeBytes(derived, sizeof derived);
    if (status != kDrbgOk) return kDrbgFailed;
    state.reseedCounter = 1;
    return kDrbgOk;
}

uint32_t CtrDrbgGenerate(CtrDrbg& state, uint8_t* out, size_t len, size_t expected) {
    if (out == nullptr || len == 0 || len > kDrbgMaxRequest) return kDrbgFailed;
    if (state.reseedCounter >= kDrbgReseedInterval) {
        // The material is the generator's own V || Key: this re-keys from the state, it adds no fresh entropy.
        uint8_t material[kDrbgSeedLength];
        std::memcpy(material, state.V, 16);
        std::memcpy(material + 16, state.Key, 32);
        const uint32_t status = CtrDrbgReseed(state, material);
        WipeBytes(material, sizeof material);
        if (status != kDrbgOk) return kDrbgFailed;
    }

    DrbgAesSchedule schedule;
    DrbgAesSetKey(schedule, state.Key, 256);
    size_t produced = 0;
    while (produced < len) {
        uint8_t block[kBlock];
        IncrementCounter(state.V);
        DrbgAesEncryptBlock(schedule, state.V, block);
        const size_t take = len - produced < kBlock ? len - produced : kBlock;
        std::memcpy(out + produced, block, take);
        produced += take;
        WipeBytes(block, sizeof block);
    }
    DrbgAesWipe(schedule);
    if (produced != expected) return kDrbgFailed;

    if (CtrDrbgUpdate(state, nullptr) != kDrbgOk) return kDrbgFailed;
    ++state.reseedCounter;
    return kDrbgOk;
}

uint32_t CtrDrbgGenerateAll(CtrDrbg& state, uint8_t* out, size_t len, size_t expected) {
    size_t produced = 0;
    while (produced < len) {
        const size_t request = len - produced < kDrbgMaxRequest ? len - produced : kDrbgMaxRequest;
        if (CtrDrbgGenerate(state, out + produced, request, request) != kDrbgOk) return kDrbgFailed;
        produced += request;
    }
    return produced == expected ? kDrbgOk : kDrbgFailed;
}

void CtrDrbgWipe(CtrDrbg& state) {
    WipeBytes(state.V, sizeof state.V);
    WipeBytes(state.Key, sizeof state.Key);
    state.reseedCounter = 0;
    state.reseedInterval = 0;
}

}  // namespace tessarand
