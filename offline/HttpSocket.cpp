#include "offline/HttpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

// How long one slice of a wait lasts: the owner is asked (and a UI thread served) at least this often.
constexpr int kWaitSliceMs = 20;

std::mutex g_settingsMutex;
HttpConnectionSettings g_settings;

}  // namespace

HttpConnectionSettings GetHttpConnectionSettings() {
    std::lock_guard lock(g_settingsMutex);
    return g_settings;
}

void SetHttpConnectionSettings(const HttpConnectionSettings& settings) {
    std::lock_guard lock(g_settingsMutex);
    g_settings = settings;
}

CHttpSocket::~CHttpSocket() { Close(); }

void CHttpSocket::Close() {
    if (m_socket > 0) ::close(m_socket);
    m_socket = 0;
    m_connected = 0;
}

bool CHttpSocket::WaitFor(short events, int timeoutMs) {
    const Clock::time_point end = std::min(m_deadline, Now() + std::chrono::milliseconds(timeoutMs));
    for (;;) {
        const Clock::time_point now = Now();
        // Asked once a slice whether the data comes fast or not at all.
        if (m_waitHook && now - m_lastAsked >= std::chrono::milliseconds(kWaitSliceMs)) {
            m_lastAsked = now;
            if (!m_waitHook()) return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Now()).count();
        if (left <= 0) return false;
        pollfd p{m_socket, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kWaitSliceMs)));
        if (rc > 0) return true;
        if (rc < 0 && errno != EINTR) return false;
    }
}

bool CHttpSocket::Create() {
    if (!m_connected && m_socket <= 0) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
        // 0 means "no socket" here, so a descriptor 0 (stdin closed) is not kept.
        m_socket = fd > 0 ? fd : 0;
    }
    return m_socket > 0;
}

bool CHttpSocket::Connect(const std::string& serverName) {
    if (m_connected) Close();
    if (m_socket <= 0 && !Create()) return false;
    const auto settings = GetHttpConnectionSettings();
    m_port = settings.port;

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(serverName.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    address.sin_port = htons(static_cast<std::uint16_t>(m_port));

    const int flags = ::fcntl(m_socket, F_GETFL);
    ::fcntl(m_socket, F_SETFL, flags | O_NONBLOCK);
    const int rc = ::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    bool ok = rc == 0;
    if (!ok && errno == EINPROGRESS && WaitFor(POLLOUT, settings.connectTimeoutMs)) {
        int error = 0;
        socklen_t length = sizeof error;
        ok = ::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    ::fcntl(m_socket, F_SETFL, flags);
    if (!ok) {
        Close();
        return false;
    }
    // The header is read under the same bound as the body, so a server that accepts and stays silent cannot
    // hold the fetch.
    SetReceiveTimeout(settings.receiveTimeoutMs);
    m_connected = 1;
    return true;
}

bool CHttpSocket::SendRequest() {
    if (!m_connected) return false;
    std::size_t sent = 0;
    while (sent < m_request.size()) {
        if (!WaitFor(POLLOUT, m_receiveTimeoutMs)) return false;
        const auto n = ::send(m_socket, m_request.data() + sent, m_request.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool CHttpSocket::ReceiveHeader() {
    if (m_headerReceived) return m_headerLength >= 4;
    std::size_t stored = 0;
    bool complete = false;
    while (stored < sizeof m_header) {
        if (!WaitFor(POLLIN, m_receiveTimeoutMs)) break;
        char byte = 0;
        const auto n = ::recv(m_socket, &byte, 1, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n != 1) break;
        m_header[stored++] = byte;
        if (stored >= 4 && std::memcmp(m_header + stored - 4, "\r\n\r\n", 4) == 0) {
            complete = true;
            break;
        }
    }
    m_headerLength = complete ? static_cast<int>(stored) : -1;
    m_headerReceived = 1;
    return complete;
}

std::int64_t CHttpSocket::GetContentLength() const {
    if (!m_headerReceived || m_headerLength < 0) return -1;
    return ParseHttpHeader(std::string_view(m_header, static_cast<std::size_t>(m_headerLength))).contentLength;
}

int CHttpSocket::Receive(std::size_t maxBytes) {
    if (!m_connected) return 0;
    if (maxBytes > sizeof m_recvBuffer) maxBytes = sizeof m_recvBuffer;
    for (;;) {
        if (!WaitFor(POLLIN, m_receiveTimeoutMs)) break;
        const auto n = ::recv(m_socket, m_recvBuffer, maxBytes, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n > 0) return static_cast<int>(n);
        break;
    }
    Close();
    return 0;
}
