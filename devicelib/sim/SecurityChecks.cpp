#include "devicelib/sim/SecurityChecks.h"

#include <algorithm>
#include <span>

#include "core/Aes.h"
#include "core/BuiltinKeys.h"
#include "core/SecureModeToken.h"

namespace ovsim {

bool SecureModeTokenMatches(const Chip& chip, const Key128& challenge, const uint8_t* token) {
    ChipInfoBlock info{};
    chip.FillInfo(info);
    const size_t ucidLength = std::min<size_t>(info.ucidLength, sizeof info.ucid);
    const auto expected =
        MakeSecureModeTokenBytes(std::span<const uint8_t>(info.ucid, ucidLength), challenge, kBuiltinAesKey);
    return std::equal(expected.begin(), expected.end(), token);
}

bool ApiLoadChallengeMatches(const Chip& chip, const Key128& challenge, const uint8_t* block) {
    Key128 expected = challenge;
    const Key128 key = chip.State().extFlashKey;
    AES(key.data()).EncryptBlock(expected.data());
    return std::equal(expected.begin(), expected.end(), block);
}

}  // namespace ovsim
