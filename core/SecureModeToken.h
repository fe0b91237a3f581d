// The token that authorises a security chip's secure-mode change: the program computes it from the chip's random
// challenge, and the chip computes the same to check it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

inline constexpr size_t kSecureModeTokenBytes = 32;
inline constexpr size_t kSecureModeChallengeBytes = 16;
// A UCID is 16 bytes; a longer one is cut there so that the challenge and key stay inside the hashed block.
inline constexpr size_t kSecureModeUcidMaxBytes = 16;

// SHA-256 of a zeroed 48-byte block holding the UCID (at most 16 bytes), the challenge after it and the built-in
// key after that, enciphered with the built-in counter under that key.
std::array<uint8_t, kSecureModeTokenBytes> MakeSecureModeTokenBytes(
    std::span<const uint8_t> ucid, std::span<const uint8_t, kSecureModeChallengeBytes> challenge,
    const std::array<uint8_t, 16>& builtinKey);
