// OpenSSL's own CTR-DRBG (AES-256, derivation function) fed with chosen entropy and nonce through its TEST-RAND
// parent: the reference the generator is compared with.
#pragma once

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class OpenSslCtrDrbg {
public:
    // seed_material = entropy || nonce || personalisation; the personalisation is given empty (not absent, which
    // would make OpenSSL put in its own string).
    OpenSslCtrDrbg(const uint8_t* entropy, size_t entropyLength, const uint8_t* nonce, size_t nonceLength);
    ~OpenSslCtrDrbg();
    OpenSslCtrDrbg(const OpenSslCtrDrbg&) = delete;
    OpenSslCtrDrbg& operator=(const OpenSslCtrDrbg&) = delete;

    bool ok() const { return ok_; }
    // One generate call per 48-byte piece, without additional input.
    std::vector<uint8_t> Generate(size_t length, size_t requestSize = 48);
    // A reseed with exactly this entropy input and no additional input.
    bool Reseed(const uint8_t* entropy, size_t length);

private:
    EVP_RAND_CTX* parent_ = nullptr;
    EVP_RAND_CTX* drbg_ = nullptr;
    bool ok_ = false;
};
