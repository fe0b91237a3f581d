// OpenSSL's EVP as the reference our ciphers and digests are compared with (tests only).
#pragma once

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstdint>
#include <string>
#include <vector>

namespace oracle {

inline std::vector<uint8_t> Cipher(const char* name, const std::vector<uint8_t>& key, const std::vector<uint8_t>& iv,
                                   const std::vector<uint8_t>& in, bool encrypt) {
    // Single DES lives in the legacy provider; load it once beside the default one.
    static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    static OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");
    (void)legacy;
    (void)standard;
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    if (cipher == nullptr) return {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    std::vector<uint8_t> out(in.size() + 32);
    int n1 = 0, n2 = 0;
    bool ok =
        EVP_CipherInit_ex2(ctx, cipher, key.data(), iv.empty() ? nullptr : iv.data(), encrypt ? 1 : 0, nullptr) == 1 &&
        EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
        EVP_CipherUpdate(ctx, out.data(), &n1, in.data(), static_cast<int>(in.size())) == 1 &&
        EVP_CipherFinal_ex(ctx, out.data() + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    if (!ok) return {};
    out.resize(static_cast<size_t>(n1 + n2));
    return out;
}

inline std::vector<uint8_t> Sha256(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out(32);
    unsigned len = 0;
    EVP_Digest(in.data(), in.size(), out.data(), &len, EVP_sha256(), nullptr);
    return out;
}

}  // namespace oracle
