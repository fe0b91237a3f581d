// What a chip checks of the proofs the program derives from its random challenge: the secure-mode token and the
// enciphered challenge of an authenticated external API load. Both use the program's own built-in key and ciphers,
// so a program that derives them wrongly is refused here as a chip would refuse it.
#pragma once

#include <cstdint>

#include "devicelib/sim/Chip.h"

namespace ovsim {

bool SecureModeTokenMatches(const Chip& chip, const Key128& challenge, const uint8_t* token);
bool ApiLoadChallengeMatches(const Chip& chip, const Key128& challenge, const uint8_t* block);

}  // namespace ovsim
