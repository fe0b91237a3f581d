// What a chip checks of the proofs the program derives from its random challenge: the secure-mode token and the
// enciphered challenge of an authenticated external API load. Both use the program's own built-in key and ciphers,
// so a program that derives them wrongly is refused here as a chip would refuse it.
#pragma once

#include <cstdint>
#include <optional>

#include "devicelib/sim/Chip.h"

namespace ovsim {

struct Device;

// Where the last security firmware (an image that begins with the header magic) went, for a check that must wait.
struct SecurityFirmwareRecord {
    uint32_t address = 0;
    uint32_t length = 0;
    bool awaitingIdKey = false;  // bound: its digest can only be read with the IDKey
};

// A security firmware arriving on a security chip whose cryption option asks for one: its header (under the
// built-in key) names the nonce, the REK and the body's digest. Unbound, the digest must match the body now;
// bound, the digest is also under the IDKey, so the check waits for it. Other images pass.
StatusCode CheckSecurityFirmwareDownload(Device& device, uint32_t address, const uint8_t* data, uint32_t length);
// The IDKey arriving (as the information package holds it): a bound firmware waiting for it must match.
StatusCode CheckIdKeyAgainstFirmware(Device& device, const uint8_t* idKey);

bool SecureModeTokenMatches(const Chip& chip, const Key128& challenge, const uint8_t* token);
bool ApiLoadChallengeMatches(const Chip& chip, const Key128& challenge, const uint8_t* block);

}  // namespace ovsim
