#include "core/SecureModeToken.h"

#include <algorithm>

#include "core/SecurityFiles.h"
#include "core/Sha256.h"

std::array<uint8_t, kSecureModeTokenBytes> MakeSecureModeTokenBytes(
    std::span<const uint8_t> ucid, std::span<const uint8_t, kSecureModeChallengeBytes> challenge,
    const std::array<uint8_t, 16>& builtinKey) {
    std::array<uint8_t, 48> block{};
    const size_t n = std::min(ucid.size(), kSecureModeUcidMaxBytes);
    std::copy_n(ucid.begin(), n, block.begin());
    std::copy(challenge.begin(), challenge.end(), block.begin() + static_cast<std::ptrdiff_t>(n));
    std::copy(builtinKey.begin(), builtinKey.end(), block.begin() + static_cast<std::ptrdiff_t>(n + 16));
    std::array<uint8_t, kSecureModeTokenBytes> token{};
    Sha256Buffer(block.data(), static_cast<int>(block.size()), token.data());
    CipherWithBuiltinCounter(token, builtinKey);
    return token;
}
