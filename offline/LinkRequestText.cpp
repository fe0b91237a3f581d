#include "offline/LinkRequestText.h"

#include <cstring>

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

void BuildLinkRequest(uint8_t command, uint8_t p1, uint8_t p2, uint8_t p3, std::span<const uint8_t> payload,
                      std::vector<uint8_t>& request) {
    // Sized once and written in place: an initializer list and an insert cost more than the frame's handling.
    request.resize(6 + payload.size());
    uint8_t* out = request.data();
    out[0] = 0xA0;
    out[1] = command;
    out[2] = p1;
    out[3] = p2;
    out[4] = p3;
    out[5] = static_cast<uint8_t>(payload.size());
    if (!payload.empty()) std::memcpy(out + 6, payload.data(), payload.size());
}

fw::Text LinkRequestText(std::span<const uint8_t> request) {
    fw::Text text;
    text.reserve(2 * request.size() + 5);
    for (size_t i = 0; i < request.size(); ++i) {
        if (i > 0 && i < 6) text.push_back(u' ');
        PutHexByte(text, request[i]);
    }
    return text;
}
