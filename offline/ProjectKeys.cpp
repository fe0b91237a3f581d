#include "offline/ProjectKeys.h"

#include "core/HexText.h"

std::array<uint8_t, 16> ProjectFileKey() {
    static constexpr uint32_t kWords[4] = {0x6B3D91E4, 0x2FA80C57, 0xD41E76B9, 0x93C5058A};
    std::array<uint8_t, 16> key{};
    for (int i = 0; i < 4; ++i)
        UInt32ToBytesBE(kWords[i], key.data() + 4 * i);
    return key;
}

const fw::TextView kProjectKeyWrapKey = u"5E0B7A13C96D24F8817AE03B4C92D6F1";
