#include "tessarand/FillRandom.h"

#include <openssl/crypto.h>

#include "tessarand/CtrDrbg.h"

namespace tessarand {

bool FillRandom(uint8_t* out, size_t len, SeedSource seedSource) {
    // The seed is asked for even when nothing is to be written, so a missing source shows on every call.
    uint8_t seed[kDrbgSeedLength];
    if (seedSource == nullptr || !seedSource(seed)) return false;
    if (out == nullptr && len > 0) {
        OPENSSL_cleanse(seed, sizeof seed);
        return false;
    }

    CtrDrbg state;
    bool ok = CtrDrbgInstantiate(state, seed) == kDrbgOk;
    OPENSSL_cleanse(seed, sizeof seed);
    if (ok && len > 0) {
        // Straight into the caller's buffer; a generator failure part-way wipes what was written, so a
        // half-filled key never passes for a whole one.
        ok = CtrDrbgGenerateAll(state, out, len, len) == kDrbgOk;
        if (!ok) OPENSSL_cleanse(out, len);
    }
    CtrDrbgWipe(state);
    return ok;
}

}  // namespace tessarand
