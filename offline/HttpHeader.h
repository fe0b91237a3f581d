// Reading the reply header of the update server. The header comes from the network, so every field is read
// within the bytes that arrived and a header that does not say plainly what follows is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Text.h"

constexpr std::size_t kHttpBufferSize = 1024;

struct HttpHeaderInfo {
    int status = 0;                   // the status code of the first line; 0 when that line is not a status line
    std::int64_t contentLength = -1;  // -1 when there is no usable Content-Length
    bool Succeeded() const { return status >= 200 && status <= 299; }
};

// The value text after "Content-Length" (the name without regard to case, blanks after the colon skipped) up to
// the end of its line; nullopt when the header has no such line.
std::optional<std::string_view> FindContentLengthText(std::string_view header);

// Status code and body length. The length is unusable (-1) when it is not all digits or does not fit 31 bits, when
// a second Content-Length disagrees with the first, and when the body comes in a transfer coding (chunked).
HttpHeaderInfo ParseHttpHeader(std::string_view header);

// The size text shown for a fetched file of the given length.
fw::Text FetchedSizeText(std::int64_t size);

// Splits "http://host[:port]/path" into the host and the path (with its leading "/", "/" when missing). The port
// of the address is ignored: the update server is always reached on one port. False for other schemes, an empty
// host, or characters that would break the request line (blanks and control characters).
bool SplitHttpUrl(fw::TextView url, std::string& host, std::string& path);

// The GET request for path on host, or an empty text when it would not fit the request buffer.
std::string BuildHttpRequest(std::string_view host, std::string_view path);
