#include "core/AesCtr.h"

#include <cstddef>
#include <cstring>

#include "core/AesRounds.h"
#include "core/SecureWipe.h"

namespace {

// The built-in initial counter block is assembled from two constants, so it does not stand in the binary as one
// searchable 16-byte run.
constexpr uint64_t kInitialCounterHigh = 0x5A3C96E1F00D4B27ull;
constexpr uint64_t kInitialCounterMask = 0xC3A5695AD2B4E187ull;
constexpr uint64_t kInitialCounterLow = 0x8E71B2D4A9C6F305ull;

void StoreBigEndian64(uint64_t v, uint8_t* p) {
    for (int i = 7; i >= 0; --i) {
        p[i] = static_cast<uint8_t>(v);
        v >>= 8;
    }
}

}  // namespace

void BuiltinInitialCounter(uint8_t counter[16]) {
    StoreBigEndian64(kInitialCounterHigh, counter);
    StoreBigEndian64(kInitialCounterLow ^ kInitialCounterMask, counter + 8);
}

void CtrAesEncryptBlock(const uint8_t counter[16], const uint8_t key[16], uint8_t out[16]) {
    uint32_t roundKeys[aes_detail::kRoundKeyWords];
    aes_detail::ExpandKey(key, roundKeys);
    aes_detail::EncryptBlock(roundKeys, counter, out);
    SecureWipe(roundKeys, sizeof roundKeys);
}

void AesCtrCrypt(uint8_t* data, int length, const uint8_t key[16], const uint8_t* /*unused*/, const uint8_t* nonce,
                 int useNonce, uint32_t address) {
    if (data == nullptr || length <= 0 || key == nullptr) return;
    uint8_t counter[16];
    if (nonce != nullptr && useNonce != 0 && address != 0) {
        std::memcpy(counter, nonce, 12);
        const uint32_t block = address >> 4;
        counter[12] = static_cast<uint8_t>(block >> 24);
        counter[13] = static_cast<uint8_t>(block >> 16);
        counter[14] = static_cast<uint8_t>(block >> 8);
        counter[15] = static_cast<uint8_t>(block);
    } else {
        BuiltinInitialCounter(counter);
    }
    // The key is expanded once for the whole buffer; each block's keystream equals CtrAesEncryptBlock's.
    uint32_t roundKeys[aes_detail::kRoundKeyWords];
    aes_detail::ExpandKey(key, roundKeys);
    aes_detail::CtrXor(roundKeys, counter, data, static_cast<size_t>(length));
    SecureWipe(roundKeys, sizeof roundKeys);
}
