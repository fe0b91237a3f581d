// The frame of the offline downloader's protocol: 0xA0, command, three parameters (the reply's fifth byte is its
// status), a length byte of payload length + 1, the payload and a check byte. The check byte is the XOR of header
// and payload taken while the length byte still held the bare payload length.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/Text.h"

inline constexpr uint8_t kLinkFrameHeader = 0xA0;
inline constexpr size_t kLinkMaxFrame = 64;
inline constexpr size_t kLinkMaxPayload = 57;

enum class LinkRequestError { None, NotHex, OddLength, TooShort, TooLong, LengthMismatch };

// Turns a caller's request text (header and payload as hex, blanks and tabs allowed, no check byte) into the frame
// that goes out: the length byte raised by one and the check byte appended. A text that is no whole number of hex
// bytes, holds fewer than the six header bytes or more than 63 bytes, or whose length byte does not count its
// payload is refused, leaving `frame` empty.
LinkRequestError EncodeLinkRequest(fw::TextView hex, std::vector<uint8_t>& frame);

// A frame on its way out, held without an allocation: transfers send one for every 57 bytes they store.
struct LinkFrameBuffer {
    std::array<uint8_t, kLinkMaxFrame> bytes;  // only the first `size` are ever read
    size_t size = 0;
    std::span<const uint8_t> View() const { return {bytes.data(), size}; }
};

// The same for a request already in bytes (header and payload, no check byte), under the same refusals but for
// those of the text; a refused request leaves `frame` empty.
LinkRequestError EncodeLinkRequest(std::span<const uint8_t> request, LinkFrameBuffer& frame);

// A reply as it arrived: at most 256 bytes. Every field is read through it, bounded by what arrived.
class LinkReply {
public:
    LinkReply() = default;
    explicit LinkReply(std::span<const uint8_t> received);

    size_t Size() const { return m_length; }
    std::span<const uint8_t> Bytes() const { return {m_bytes.data(), m_length}; }
    // Byte i of the reply, 0 beyond what arrived.
    uint8_t Byte(size_t i) const { return i < m_length ? m_bytes[i] : 0; }
    bool HasHeader() const { return m_length >= 6; }
    // The whole frame its length byte announces arrived: the payload and the check byte.
    bool Complete() const { return HasHeader() && m_bytes[5] >= 1 && m_length >= 6u + m_bytes[5]; }
    uint8_t Status() const { return Byte(4); }
    // The payload as the length byte gives it, clamped to the bytes that arrived.
    std::span<const uint8_t> Payload() const;
    // The payload's first four bytes from `offset` as a big-endian number; the caller checked the length.
    uint32_t PayloadBe32(size_t offset) const;
    fw::Text Hex() const;

    std::array<uint8_t, 256>& Buffer() { return m_bytes; }
    void SetSize(size_t length) { m_length = length < m_bytes.size() ? length : m_bytes.size(); }

private:
    std::array<uint8_t, 256> m_bytes{};
    size_t m_length = 0;
};

// Whether `reply` can answer `request` (the frame as sent): a reply echoes its request's command byte, p1 and p2,
// but for a record read, whose p2 marks the last part instead. The one request whose echo cannot tell it from
// another, activation and deletion of a stored project, goes by what a success brings: a deletion names the
// project now active, an activation nothing. A reply of another request is one that came after its own request
// gave up; only the bytes that arrived are compared, so a cut reply stays its request's failure.
bool LinkReplyAnswers(const LinkReply& reply, std::span<const uint8_t> request);

// A payload read as text: up to its first zero byte, in the system's narrow character set.
fw::Text LinkPayloadText(std::span<const uint8_t> payload);
