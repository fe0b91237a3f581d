// Fetching one file from the update server.
#pragma once

#include <chrono>
#include <cstdint>

#include "framework/Text.h"
#include "offline/HttpSocket.h"

// What a fetch learnt from the server's header.
struct HttpFetched {
    std::int64_t announced = -1;  // the length the header announced; -1 before a usable header
    fw::Text sizeText;            // the size text of that length, once it was accepted
    bool TooLarge(std::int64_t maxBytes) const { return announced > maxBytes; }
};

// Fetches url with one GET and writes the body to path (relative to the working directory). Answers 1 when the
// file is there whole after the fetch, 0 on any failure; a failed fetch leaves no partial file and an earlier
// file at path as it was. A file announced longer than maxBytes is refused as soon as the header says so: the
// time a fetch is given grows with the announced length, so the limit is what bounds it. `fetched` tells the
// caller what the header announced. whileWaiting is called between the slices of every wait; its false cancels
// the fetch. The fetch ends at its deadline (HttpFetchTimeLimit) whatever the server does.
int HttpGetFile(fw::Text path, fw::Text url, std::int64_t maxBytes, HttpFetched& fetched,
                const HttpWaitHook& whileWaiting = {});

// How long a whole fetch may take, from its start, once the header announced `length` bytes: totalMs, plus the time
// the length takes at the slowest rate still counted as progress.
std::chrono::milliseconds HttpFetchTimeLimit(const HttpConnectionSettings& settings, std::int64_t length);
