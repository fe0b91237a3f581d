#include "offline/HttpHeader.h"

#include <cstdio>

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (LowerAscii(s[i]) != LowerAscii(prefix[i])) return false;
    return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "HTTP/1.1 200 OK": three digits after the version and one blank.
int StatusCode(std::string_view header) {
    if (!StartsWithNoCase(header, "HTTP/")) return 0;
    const auto blank = header.find(' ');
    if (blank == std::string_view::npos || header.size() < blank + 4) return 0;
    const auto code = header.substr(blank + 1, 3);
    // Status classes run from 1 to 5; anything else is not a status line.
    if (code[0] < '1' || code[0] > '5' || !IsDigit(code[1]) || !IsDigit(code[2])) return 0;
    if (header.size() > blank + 4 && header[blank + 4] != ' ' && header[blank + 4] != '\r') return 0;
    return (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
}

}  // namespace

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Calls found(value) for every field called `name` (without regard to case), in header order; stops when it
// answers false. Only a field name at the start of a line after the status line counts, so "X-Content-Length" or
// a value mentioning the name is not taken for it.
template <class Found>
void ForEachField(std::string_view header, std::string_view name, Found found) {
    std::size_t lineStart = header.find("\r\n");
    while (lineStart != std::string_view::npos && lineStart < header.size()) {
        lineStart += 2;
        const auto lineEnd = header.find("\r\n", lineStart);
        auto line = header.substr(lineStart, lineEnd == std::string_view::npos ? header.npos : lineEnd - lineStart);
        lineStart = lineEnd;
        if (!StartsWithNoCase(line, name)) continue;
        line.remove_prefix(name.size());
        line = TrimBlanks(line);
        if (line.empty() || line.front() != ':') continue;
        if (!found(TrimBlanks(line.substr(1)))) return;
    }
}

}  // namespace

std::optional<std::string_view> FindContentLengthText(std::string_view header) {
    std::optional<std::string_view> first;
    ForEachField(header, "content-length", [&](std::string_view value) {
        first = value;
        return false;
    });
    return first;
}

HttpHeaderInfo ParseHttpHeader(std::string_view header) {
    HttpHeaderInfo info;
    info.status = StatusCode(header);
    // A body in transfer codings (chunked) has no length of its own, and its framing must not end up in the file;
    // two lengths that disagree leave no way to tell where the body ends. Neither is taken.
    bool coded = false;
    ForEachField(header, "transfer-encoding", [&](std::string_view) { return !(coded = true); });
    if (coded) return info;
    std::optional<std::string_view> text;
    bool conflicting = false;
    ForEachField(header, "content-length", [&](std::string_view value) {
        conflicting = text && *text != value;
        if (!text) text = value;
        return !conflicting;
    });
    if (!text || conflicting || text->empty() || text->size() > 10) return info;
    std::int64_t value = 0;
    for (const char c : *text) {
        if (!IsDigit(c)) return info;
        value = value * 10 + (c - '0');
    }
    if (value <= 0x7FFFFFFF) info.contentLength = value;
    return info;
}

fw::Text FetchedSizeText(std::int64_t size) {
    char buffer[64];
    if (size < 1024)
        std::snprintf(buffer, sizeof buffer, "%d B", static_cast<int>(size));
    else if (size < 1048576)
        std::snprintf(buffer, sizeof buffer, "%d KB", static_cast<int>(size / 1024));
    else
        std::snprintf(buffer, sizeof buffer, "%.2lf MB", static_cast<double>(size) / 1048576.0);
    return fw::Utf8ToText(buffer);
}

bool SplitHttpUrl(fw::TextView url, std::string& host, std::string& path) {
    std::string text = fw::TextToUtf8(url);
    for (const unsigned char c : text)
        if (c <= ' ' || c == 0x7F) return false;
    std::string_view rest = text;
    if (StartsWithNoCase(rest, "http://"))
        rest.remove_prefix(7);
    else if (rest.find("://") != std::string_view::npos)
        return false;
    const auto slash = rest.find('/');
    auto authority = rest.substr(0, slash);
    path = slash == std::string_view::npos ? std::string("/") : std::string(rest.substr(slash));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    if (const auto colon = authority.find(':'); colon != std::string_view::npos) authority = authority.substr(0, colon);
    host.assign(authority);
    return !host.empty();
}

std::string BuildHttpRequest(std::string_view host, std::string_view path) {
    std::string request;
    request.append("GET ").append(path).append(" HTTP/1.1\r\n");
    request.append("Host:").append(host).append("\r\n");
    request.append("Accept:*/*\r\n");
    request.append("User-Agent:Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n");
    request.append("Connection:Keep-Alive\r\n\r\n");
    // The buffer keeps its terminating zero.
    if (request.size() >= kHttpBufferSize) request.clear();
    return request;
}
