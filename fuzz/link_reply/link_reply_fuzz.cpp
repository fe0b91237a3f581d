// Replies from the offline downloader, and request texts, as the link reads and builds them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "fuzz/FuzzAccept.h"
#include "offline/LinkFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LinkReply reply(std::span<const uint8_t>(data, size));
    const auto payload = reply.Payload();
    // The payload never reaches past what arrived nor past the frame's largest payload plus the header.
    if (payload.size() + 6 > reply.Size() && !payload.empty()) __builtin_trap();
    if (!payload.empty() && payload.data() != reply.Bytes().data() + 6) __builtin_trap();
    // A complete reply holds the whole payload its length byte announces, and its check byte.
    if (reply.Complete() && (payload.size() != reply.Byte(5) - 1u || reply.Size() < 7 + payload.size()))
        __builtin_trap();
    if (reply.Complete()) FuzzAccepted();
    for (size_t offset = 0; offset < payload.size() + 4; ++offset)
        (void)reply.PayloadBe32(offset);
    (void)LinkPayloadText(payload);
    if (reply.Hex().size() != reply.Size() * 2) __builtin_trap();

    // Matched against a request of the input's last bytes, a reply is read only as far as it arrived; what the
    // matching decides is judged by the exchange's tests, by what reaches the downloader and what the caller is told.
    if (size >= 4) {
        const std::array<uint8_t, 7> sent = {
            kLinkFrameHeader, data[size - 4], data[size - 3], data[size - 2], data[size - 1], 1, 0};
        (void)LinkReplyAnswers(reply, sent);
    }

    fw::Text request(size / 2, u'\0');
    if (!request.empty()) std::memcpy(request.data(), data, request.size() * 2);
    std::vector<uint8_t> frame;
    if (EncodeLinkRequest(request, frame) == LinkRequestError::None) {
        if (frame.size() < 7 || frame.size() > kLinkMaxFrame || frame[5] != frame.size() - 6) __builtin_trap();
        uint8_t check = 0;
        for (size_t i = 0; i + 1 < frame.size(); ++i)
            check ^= frame[i];
        // Taken while the length byte still held the bare payload length.
        if ((check ^ frame[5] ^ (frame[5] - 1)) != frame.back()) __builtin_trap();
    } else if (!frame.empty()) {
        __builtin_trap();
    }
    return 0;
}
