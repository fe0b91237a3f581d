// The downloader's replies carry no sequence number: a reply tells its command, p1 and p2, which two requests may
// share (two writes of one setting, two record reads, activation and deletion). A reply that comes after its
// request gave up would be taken for the next such request's. So after a request left unanswered the link is out
// of step until an identity read that none of the unanswered requests asked for has been answered; the downloader
// answers in order, so everything before that reply belongs to requests that gave up.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class LinkResync {
public:
    bool OutOfStep() const { return !m_unanswered.empty(); }
    // `frame` went out and its reply did not come within `waitMs`.
    void Unanswered(std::span<const uint8_t> frame, int waitMs);
    // The identity read to send (header, no payload, no check byte).
    std::array<uint8_t, 6> Request() const;
    // How long its reply may take: the late requests' work may still be under way, and comes first.
    int WaitMs() const;
    void InStep();

private:
    struct Echo {
        uint8_t command, p1, p2;
    };
    // The last few left unanswered: with four identity items, one always differs from them all.
    std::vector<Echo> m_unanswered;
    int m_lateWaitMs = 0;
};
