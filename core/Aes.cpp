#include "core/Aes.h"

#include <cstring>

#include "core/AesRounds.h"
#include "core/SecureWipe.h"

AES::AES(const uint8_t key[16]) {
    std::memcpy(m_sbox, aes_detail::ForwardSBox(), sizeof m_sbox);
    std::memcpy(m_invSbox, aes_detail::InverseSBox(), sizeof m_invSbox);
    aes_detail::ExpandKey(key, m_roundKeys);
}

AES::~AES() { SecureWipe(m_roundKeys, sizeof m_roundKeys); }

void AES::EncryptBlock(uint8_t block[16]) const { aes_detail::EncryptBlock(m_roundKeys, block, block); }

void AES::DecryptBlock(uint8_t block[16]) const { aes_detail::DecryptBlock(m_roundKeys, block, block); }
