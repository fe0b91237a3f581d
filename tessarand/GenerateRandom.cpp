#include "tessarand/FillRandom.h"
#include "tessarand/OpenSslSeed.h"
#include "tessarand/Tessarand.h"

extern "C" __attribute__((visibility("default"))) int generate_random(unsigned char* out, unsigned int len) {
    return tessarand::FillRandom(out, len, &tessarand::SeedFromOpenSsl) ? TESSARAND_OK : TESSARAND_FAILED;
}
