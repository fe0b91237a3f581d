#pragma once

#include <cstdint>

#include "tessarand/CtrDrbg.h"

namespace tessarand {

// Where a call of generate_random takes its 48 seed bytes. Answers false, with the seed wiped, when none could
// be had.
using SeedSource = bool (*)(uint8_t seed[kDrbgSeedLength]);

// Seeds from a fresh instance of OpenSSL's CTR-DRBG (AES-256-CTR, strength 256), freed again before returning.
bool SeedFromOpenSsl(uint8_t seed[kDrbgSeedLength]);

}  // namespace tessarand
