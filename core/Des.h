// DES (FIPS 46-3) and two-key triple DES over hex text, electronic codebook. The profile keeps chip keys and the
// external flash key enciphered with DesCryptHex.
#pragma once

#include <cstdint>

#include "framework/Text.h"

constexpr uint8_t kDesEncrypt = 0;
constexpr uint8_t kDesDecrypt = 1;

// One block in place; decrypt nonzero runs the round keys in reverse order.
void DesBlock(uint8_t block[8], const uint8_t key[8], uint8_t decrypt);

// Data and key are hex text, the result upper-case hex text. A key of 16 or 17 characters gives single DES, 32 or
// 33 characters two-key triple DES (K1 the first 8 bytes, K2 the next 8, encrypt-decrypt-encrypt); any other key
// leaves the blocks as they are. Encryption pads data that is not a multiple of 8 bytes with 80 00..; decryption
// of such data answers the empty text, and decryption removes a final 80 00.. run, so data that truly end that
// way lose those bytes.
fw::Text DesCryptHex(uint8_t mode, fw::TextView data, fw::TextView key);

// Decryption for values that were enciphered whole (the 16-byte keys kept in the profile): every byte comes back,
// a key that ends in 80 or 80 00.. included. Data that is not a multiple of 8 bytes answers the empty text.
fw::Text DesDecryptHexWhole(fw::TextView data, fw::TextView key);
