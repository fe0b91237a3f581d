#include "tessarand/OpenSslSeed.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace tessarand {

bool SeedFromOpenSsl(uint8_t seed[kDrbgSeedLength]) {
    constexpr unsigned int kStrength = 256;
    EVP_RAND* algorithm = EVP_RAND_fetch(nullptr, "CTR-DRBG", nullptr);
    if (algorithm == nullptr) return false;
    EVP_RAND_CTX* context = EVP_RAND_CTX_new(algorithm, nullptr);
    EVP_RAND_free(algorithm);
    if (context == nullptr) return false;

    char cipher[] = "AES-256-CTR";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_DRBG_PARAM_CIPHER, cipher, 0),
        OSSL_PARAM_construct_end(),
    };
    const bool seeded = EVP_RAND_instantiate(context, kStrength, 0, nullptr, 0, params) == 1 &&
                        EVP_RAND_generate(context, seed, kDrbgSeedLength, kStrength, 0, nullptr, 0) == 1;
    EVP_RAND_CTX_free(context);
    if (!seeded) OPENSSL_cleanse(seed, kDrbgSeedLength);
    return seeded;
}

}  // namespace tessarand
