// AES-128 (FIPS-197), one 16-byte block at a time; callers loop over blocks (electronic codebook).
#pragma once

#include <cstdint>

class AES {
public:
    // Keys are 16 raw bytes; a key kept as 32 hex digits goes through HexToBytes first.
    explicit AES(const uint8_t key[16]);
    virtual ~AES();

    AES(const AES&) = default;
    AES& operator=(const AES&) = default;

    void EncryptBlock(uint8_t block[16]) const;
    void DecryptBlock(uint8_t block[16]) const;

private:
    uint8_t m_sbox[256];
    uint8_t m_invSbox[256];
    uint32_t m_roundKeys[44];
};
