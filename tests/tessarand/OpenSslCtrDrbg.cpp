#include "OpenSslCtrDrbg.h"

#include <openssl/core_names.h>
#include <openssl/params.h>

namespace {

EVP_RAND_CTX* NewContext(const char* name, EVP_RAND_CTX* parent) {
    EVP_RAND* algorithm = EVP_RAND_fetch(nullptr, name, nullptr);
    if (algorithm == nullptr) return nullptr;
    EVP_RAND_CTX* context = EVP_RAND_CTX_new(algorithm, parent);
    EVP_RAND_free(algorithm);
    return context;
}

}  // namespace

OpenSslCtrDrbg::OpenSslCtrDrbg(const uint8_t* entropy, size_t entropyLength, const uint8_t* nonce, size_t nonceLength) {
    unsigned int strength = 256;
    parent_ = NewContext("TEST-RAND", nullptr);
    if (parent_ == nullptr) return;
    const OSSL_PARAM parentParams[] = {
        OSSL_PARAM_construct_uint(OSSL_RAND_PARAM_STRENGTH, &strength),
        OSSL_PARAM_construct_octet_string(OSSL_RAND_PARAM_TEST_ENTROPY, const_cast<uint8_t*>(entropy), entropyLength),
        OSSL_PARAM_construct_octet_string(OSSL_RAND_PARAM_TEST_NONCE, const_cast<uint8_t*>(nonce), nonceLength),
        OSSL_PARAM_construct_end(),
    };
    if (EVP_RAND_CTX_set_params(parent_, parentParams) != 1) return;
    if (EVP_RAND_instantiate(parent_, strength, 0, nullptr, 0, nullptr) != 1) return;

    drbg_ = NewContext("CTR-DRBG", parent_);
    if (drbg_ == nullptr) return;
    char cipher[] = "AES-256-CTR";
    int useDerivationFunction = 1;
    unsigned int noAutomaticReseed = 0;
    const OSSL_PARAM drbgParams[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_DRBG_PARAM_CIPHER, cipher, 0),
        OSSL_PARAM_construct_int(OSSL_DRBG_PARAM_USE_DF, &useDerivationFunction),
        OSSL_PARAM_construct_uint(OSSL_DRBG_PARAM_RESEED_REQUESTS, &noAutomaticReseed),
        OSSL_PARAM_construct_end(),
    };
    static const unsigned char kEmptyPersonalisation[1] = {0};
    ok_ = EVP_RAND_instantiate(drbg_, strength, 0, kEmptyPersonalisation, 0, drbgParams) == 1;
}

OpenSslCtrDrbg::~OpenSslCtrDrbg() {
    EVP_RAND_CTX_free(drbg_);
    EVP_RAND_CTX_free(parent_);
}

std::vector<uint8_t> OpenSslCtrDrbg::Generate(size_t length, size_t requestSize) {
    std::vector<uint8_t> out(length);
    for (size_t done = 0; done < length && ok_;) {
        const size_t request = length - done < requestSize ? length - done : requestSize;
        ok_ = EVP_RAND_generate(drbg_, out.data() + done, request, 256, 0, nullptr, 0) == 1;
        done += request;
    }
    return out;
}

bool OpenSslCtrDrbg::Reseed(const uint8_t* entropy, size_t length) {
    // Entropy handed to EVP_RAND_reseed itself would be followed by a second reseed from the parent; the parent
    // is given the entropy instead, so exactly one reseed with it takes place.
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_octet_string(OSSL_RAND_PARAM_TEST_ENTROPY, const_cast<uint8_t*>(entropy), length),
        OSSL_PARAM_construct_end(),
    };
    ok_ =
        ok_ && EVP_RAND_CTX_set_params(parent_, params) == 1 && EVP_RAND_reseed(drbg_, 0, nullptr, 0, nullptr, 0) == 1;
    return ok_;
}
