// AES-128 in counter mode over a buffer; enciphering and deciphering are the same operation.
#pragma once

#include <cstdint>

// Enciphers the counter block under the key into out; the counter block stays unchanged.
void CtrAesEncryptBlock(const uint8_t counter[16], const uint8_t key[16], uint8_t out[16]);

// The counter starts at nonce || (address >> 4) as a big-endian 32-bit number when a nonce is given, useNonce is
// nonzero and the address is nonzero; otherwise at the built-in initial block. After each 16-byte block the
// counter grows by one as a 128-bit big-endian number. The fourth argument is not used.
void AesCtrCrypt(uint8_t* data, int length, const uint8_t key[16], const uint8_t* unused, const uint8_t* nonce,
                 int useNonce, uint32_t address);

// The counter block that AesCtrCrypt starts from without a nonce.
void BuiltinInitialCounter(uint8_t counter[16]);
