#include "offline/LinkFrame.h"

#include <algorithm>
#include <cstring>

#include "core/HexText.h"

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

}  // namespace

// One pass over the text: no copies of it are made.
LinkRequestError EncodeLinkRequest(fw::TextView hex, std::vector<uint8_t>& frame) {
    frame.clear();
    std::array<uint8_t, kLinkMaxFrame> bytes{};
    size_t digits = 0;
    for (char16_t c : hex) {
        if (c == u' ' || c == u'\t') continue;
        const int value = HexDigit(c);
        if (value < 0) return LinkRequestError::NotHex;
        const size_t at = digits / 2;
        if (at < bytes.size()) bytes[at] = static_cast<uint8_t>(bytes[at] << 4 | value);
        ++digits;
    }
    if (digits % 2 != 0) return LinkRequestError::OddLength;
    const size_t n = digits / 2;
    if (n > kLinkMaxFrame - 1) return LinkRequestError::TooLong;
    LinkFrameBuffer encoded;
    const LinkRequestError error = EncodeLinkRequest(std::span<const uint8_t>(bytes.data(), n), encoded);
    if (error == LinkRequestError::None) frame.assign(encoded.bytes.begin(), encoded.bytes.begin() + encoded.size);
    return error;
}

LinkRequestError EncodeLinkRequest(std::span<const uint8_t> request, LinkFrameBuffer& frame) {
    frame.size = 0;
    const size_t n = request.size();
    if (n < 6) return LinkRequestError::TooShort;
    if (n > kLinkMaxFrame - 1) return LinkRequestError::TooLong;
    if (request[5] != n - 6) return LinkRequestError::LengthMismatch;
    // Every report of a transfer is copied and checked here in one pass: eight bytes at a time, then folded,
    // instead of a copy followed by a byte loop.
    const uint8_t* in = request.data();
    uint8_t* out = frame.bytes.data();
    uint64_t wide = 0;
    size_t at = 0;
    for (; at + 8 <= n; at += 8) {
        uint64_t word;
        std::memcpy(&word, in + at, 8);
        std::memcpy(out + at, &word, 8);
        wide ^= word;
    }
    if (at + 4 <= n) {
        uint32_t word;
        std::memcpy(&word, in + at, 4);
        std::memcpy(out + at, &word, 4);
        wide ^= word;
        at += 4;
    }
    for (int shift = 32; shift >= 8; shift /= 2)
        wide ^= wide >> shift;
    uint8_t check = static_cast<uint8_t>(wide);
    for (; at < n; ++at) {
        out[at] = in[at];
        check ^= in[at];
    }
    frame.bytes[5] = static_cast<uint8_t>(request[5] + 1);
    frame.bytes[n] = check;
    frame.size = n + 1;
    return LinkRequestError::None;
}

bool LinkReplyAnswers(const LinkReply& reply, std::span<const uint8_t> request) {
    constexpr uint8_t kProjectAction = 0x14, kProjectRecord = 0x15, kRecordRead = 0, kDelete = 2;
    if (request.size() < 5) return true;
    const auto echoed = [&](size_t at) { return reply.Size() <= at || reply.Byte(at) == request[at]; };
    const bool recordRead = request[1] == kProjectRecord && request[2] == kRecordRead;
    if (!echoed(1) || !echoed(2) || (!recordRead && !echoed(3))) return false;
    if (request[1] == kProjectAction && reply.Complete() && reply.Status() == 0)
        return reply.Payload().empty() != (request[4] == kDelete);
    return true;
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
