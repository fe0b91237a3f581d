// The AES-128 rounds shared by the AES class and the counter mode: key expansion, one block each way, and the
// counter-mode keystream. The processor's AES instructions are used when present, the portable rounds otherwise;
// both give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace aes_detail {

constexpr int kRoundKeyWords = 44;

const uint8_t* ForwardSBox();
const uint8_t* InverseSBox();

// FIPS-197 key expansion; words are big-endian, as the standard writes them.
void ExpandKey(const uint8_t key[16], uint32_t roundKeys[kRoundKeyWords]);

void EncryptBlock(const uint32_t roundKeys[kRoundKeyWords], const uint8_t in[16], uint8_t out[16]);
void DecryptBlock(const uint32_t roundKeys[kRoundKeyWords], const uint8_t in[16], uint8_t out[16]);

// XORs the keystream of the counter blocks counter, counter + 1, ... onto data; the counter is one 128-bit
// big-endian number and is left at the value after the last block used.
void CtrXor(const uint32_t roundKeys[kRoundKeyWords], uint8_t counter[16], uint8_t* data, size_t length);

}  // namespace aes_detail
