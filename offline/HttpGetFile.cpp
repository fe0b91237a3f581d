#include "offline/HttpGetFile.h"

#include <algorithm>
#include <string_view>

#include "framework/Files.h"

std::chrono::milliseconds HttpFetchTimeLimit(const HttpConnectionSettings& settings, std::int64_t length) {
    std::chrono::milliseconds limit(settings.totalMs);
    if (settings.minBytesPerSecond > 0 && length > 0)
        limit += std::chrono::milliseconds(length * 1000 / settings.minBytesPerSecond);
    return limit;
}

int HttpGetFile(fw::Text path, fw::Text url, std::int64_t maxBytes, HttpFetched& fetched,
                const HttpWaitHook& whileWaiting) {
    fetched = {};
    std::string host, object;
    if (!SplitHttpUrl(url, host, object)) return 0;

    const HttpConnectionSettings settings = GetHttpConnectionSettings();
    CHttpSocket socket(settings.clock);
    const auto started = socket.Now();
    socket.SetDeadline(started + HttpFetchTimeLimit(settings, 0));
    socket.SetWaitHook(whileWaiting);
    socket.m_request = BuildHttpRequest(host, object);
    if (socket.m_request.empty()) return 0;
    socket.Create();
    if (!socket.Connect(host)) return 0;
    if (!socket.SendRequest() || !socket.ReceiveHeader()) return 0;

    const HttpHeaderInfo header = ParseHttpHeader(std::string_view(socket.m_header, socket.m_headerLength));
    // An error page has a length too; saving it as the firmware would be worse than failing.
    const std::int64_t size = socket.GetContentLength();
    if (!header.Succeeded() || size < 0) return 0;
    fetched.announced = size;
    // Refused before its length buys it any time.
    if (fetched.TooLarge(maxBytes)) return 0;
    fetched.sizeText = FetchedSizeText(size);
    socket.SetDeadline(started + HttpFetchTimeLimit(settings, size));

    fw::AtomicFileWriter file(path);
    if (!file.IsOpen()) return 0;
    std::int64_t received = 0;
    while (received < size) {
        // Never more than the announced length: bytes after it belong to no file of ours.
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size - received, kHttpBufferSize));
        const int n = socket.Receive(wanted);
        if (n <= 0) return 0;
        const std::string_view block(socket.m_recvBuffer, static_cast<std::size_t>(n));
        // The server's own "not found" page may come with a success status; only what arrived now is searched.
        if (block.find("Not Found") != std::string_view::npos) return 0;
        if (!file.Append(block)) return 0;
        received += n;
    }
    return file.Commit() && fw::FileExists(path) ? 1 : 0;
}
