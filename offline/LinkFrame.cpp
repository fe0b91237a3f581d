#include "offline/LinkFrame.h"

#include <algorithm>

#include "core/HexText.h"

LinkRequestError EncodeLinkRequest(fw::TextView hex, std::vector<uint8_t>& frame) {
    frame.clear();
    fw::Text text(hex);
    fw::Remove(text, u' ');
    fw::Remove(text, u'\t');
    if (!IsHexText(text)) return LinkRequestError::NotHex;
    if (text.size() % 2 != 0) return LinkRequestError::OddLength;
    const size_t n = text.size() / 2;
    if (n < 6) return LinkRequestError::TooShort;
    if (n > kLinkMaxFrame - 1) return LinkRequestError::TooLong;
    std::vector<uint8_t> bytes(n);
    HexToBytes(text, bytes.data(), bytes.size());
    if (bytes[5] != n - 6) return LinkRequestError::LengthMismatch;
    uint8_t check = 0;
    for (uint8_t b : bytes)
        check ^= b;
    bytes[5] = static_cast<uint8_t>(bytes[5] + 1);
    bytes.push_back(check);
    frame = std::move(bytes);
    return LinkRequestError::None;
}

LinkReply::LinkReply(std::span<const uint8_t> received) {
    m_length = std::min(received.size(), m_bytes.size());
    std::copy_n(received.begin(), m_length, m_bytes.begin());
}

std::span<const uint8_t> LinkReply::Payload() const {
    if (m_length <= 6 || m_bytes[5] == 0) return {};
    const size_t declared = m_bytes[5] - 1u;
    return {m_bytes.data() + 6, std::min(declared, m_length - 6)};
}

uint32_t LinkReply::PayloadBe32(size_t offset) const {
    const auto p = Payload();
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | (offset + i < p.size() ? p[offset + i] : 0u);
    return value;
}

fw::Text LinkReply::Hex() const { return BytesToHex(Bytes()); }

fw::Text LinkPayloadText(std::span<const uint8_t> payload) {
    const auto end = std::find(payload.begin(), payload.end(), uint8_t{0});
    return NarrowToWide(
        std::string_view(reinterpret_cast<const char*>(payload.data()), static_cast<size_t>(end - payload.begin())));
}
