#include "offline/DeviceKeyRules.h"

#include <algorithm>

#include "core/Aes.h"
#include "core/HexText.h"

KeyTextError ParseKeyText(fw::TextView text, LinkKey& key) {
    fw::Text digits(text);
    fw::Remove(digits, u' ');
    fw::Remove(digits, u'\t');
    if (digits.empty()) return KeyTextError::Empty;
    if (!IsHexText(digits) || digits.size() % 2 != 0) return KeyTextError::NotHex;
    if (digits.size() > 32) return KeyTextError::TooLong;
    LinkKey parsed{};
    HexToBytes(digits, parsed.data(), parsed.size());
    key = parsed;
    return KeyTextError::None;
}

std::array<uint8_t, 48> BurnLimitBlock(const LinkKey& challenge, uint32_t flags, uint32_t maximum) {
    std::array<uint8_t, 48> block{};
    std::copy(challenge.begin(), challenge.end(), block.begin());
    UInt32ToBytesBE(flags, block.data() + 16);
    UInt32ToBytesBE(maximum, block.data() + 20);
    return block;
}

void EncipherBlocks(const LinkKey& key, std::span<uint8_t> bytes) {
    const AES aes(key.data());
    for (size_t at = 0; at + 16 <= bytes.size(); at += 16)
        aes.EncryptBlock(bytes.data() + at);
}

bool ParseBurnCount(fw::TextView text, uint32_t& count) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
        if (value > 0xFFFFFFFFull) return false;
    }
    count = static_cast<uint32_t>(value);
    return true;
}
