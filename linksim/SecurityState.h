// What the downloader guards with its device key: the key itself and the burn limit. A guarded request must carry
// the challenge the downloader handed out last, enciphered under the key; a challenge serves one request.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace linksim {

struct SecurityState {
    std::optional<std::array<uint8_t, 16>> key;  // none: the factory key of the downloader's spec
    std::optional<std::array<uint8_t, 16>> challenge;
    uint32_t limitFlags = 0;  // bit 0 limit on, bit 1 serial lock
    uint32_t maximum = 0xFFFFFFFF;
    uint32_t remaining = 0xFFFFFFFF;
    int keyChanges = 0;
};

}  // namespace linksim
