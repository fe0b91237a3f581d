#include "offline/LinkRequestText.h"

namespace {

void PutHexByte(fw::Text& text, uint8_t byte) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0xF]);
}

}  // namespace

// Built by hand: a transfer makes one of these for every 57 bytes it sends.
fw::Text LinkRequestText(uint8_t command, uint8_t p1, uint8_t p2, uint8_t p3, std::span<const uint8_t> payload) {
    fw::Text text;
    text.reserve(17 + 2 * payload.size());
    text = u"A0";
    for (uint8_t byte : {command, p1, p2, p3, static_cast<uint8_t>(payload.size())}) {
        text.push_back(u' ');
        PutHexByte(text, byte);
    }
    for (uint8_t byte : payload)
        PutHexByte(text, byte);
    return text;
}
