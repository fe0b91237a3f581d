#pragma once

#include <cstddef>
#include <cstdint>

#include "tessarand/OpenSslSeed.h"

namespace tessarand {

// The body of generate_random: one fresh seed from the source, a generator of its own instantiated from it, len
// bytes out. Every call has its own generator state, so calls from several threads do not meet.
// Answers false when the seed source fails or out is missing while len > 0; out is then left as it was.
bool FillRandom(uint8_t* out, size_t len, SeedSource seedSource);

}  // namespace tessarand
