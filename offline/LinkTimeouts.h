// How long a request waits for its reply. The downloader answers most requests at once; those that write its flash
// (saving parameters and the list settings, keys, projects, the factory restore) take longer. A downloader that
// never answers costs the caller at most this long, and the next request the wait of bringing the link back in step.
#pragma once

#include <cstdint>

int LinkReplyTimeoutMs(uint8_t command, uint8_t p1);

// Tests shorten the waits; 0 for either puts back its default.
void SetLinkReplyTimeouts(int normalMs, int flashMs);
