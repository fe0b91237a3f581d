// Project files sealed and opened with OpenSSL (digest and cipher), so the program's own container codec is not its
// own reference.
#pragma once

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "offline/ProjectKeys.h"

namespace sealed_project {

using Bytes = std::vector<uint8_t>;

inline Bytes Ecb(const Bytes& in, bool encrypt) {
    const std::array<uint8_t, 16> key = ProjectFileKey();
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key.data(), nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes out(in.size() + 16);
    int n = 0, tail = 0;
    EVP_CipherUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size()));
    EVP_CipherFinal_ex(ctx, out.data() + n, &tail);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<std::size_t>(n + tail));
    return out;
}

// Digest in front of the body, enciphered: a file the way the format describes it.
inline Bytes Seal(const Bytes& body) {
    Bytes plain(SHA256_DIGEST_LENGTH);
    SHA256(body.data(), body.size(), plain.data());
    plain.insert(plain.end(), body.begin(), body.end());
    return Ecb(plain, true);
}

inline Bytes Unseal(const Bytes& file) {
    const Bytes plain = Ecb(file, false);
    return Bytes(plain.begin() + 32, plain.end());
}

inline void PutBE(Bytes& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline uint32_t GetBE(const Bytes& b, std::size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// Bytes counting up from first: data whose every byte tells where it came from.
inline Bytes Filled(std::size_t size, uint8_t first) {
    Bytes b(size);
    std::iota(b.begin(), b.end(), first);
    return b;
}

}  // namespace sealed_project
