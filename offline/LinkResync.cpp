#include "offline/LinkResync.h"

#include <algorithm>

#include "offline/LinkFrame.h"
#include "offline/LinkTimeouts.h"

namespace {

constexpr uint8_t kIdentity = 0x01;
constexpr uint8_t kIdentityItems = 4;
constexpr size_t kKeptUnanswered = kIdentityItems - 1;

}  // namespace

void LinkResync::Unanswered(std::span<const uint8_t> frame, int waitMs) {
    if (frame.size() < 4) return;
    if (m_unanswered.size() == kKeptUnanswered) m_unanswered.erase(m_unanswered.begin());
    m_unanswered.push_back({frame[1], frame[2], frame[3]});
    m_lateWaitMs = std::max(m_lateWaitMs, waitMs);
}

std::array<uint8_t, 6> LinkResync::Request() const {
    uint8_t item = 1;
    const auto asked = [&](uint8_t candidate) {
        return std::ranges::any_of(
            m_unanswered, [&](const Echo& e) { return e.command == kIdentity && e.p1 == candidate && e.p2 == 0; });
    };
    while (item < kIdentityItems && asked(item))
        ++item;
    return {kLinkFrameHeader, kIdentity, item, 0, 0, 0};
}

int LinkResync::WaitMs() const { return m_lateWaitMs + LinkReplyTimeoutMs(kIdentity, 1); }

void LinkResync::InStep() {
    m_unanswered.clear();
    m_lateWaitMs = 0;
}
