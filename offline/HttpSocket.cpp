#include "offline/HttpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

std::atomic<int> g_port{80};
std::atomic<int> g_connectTimeoutMs{5000};
std::atomic<int> g_receiveTimeoutMs{5000};

bool WaitWritable(int fd, int timeoutMs) {
    pollfd p{fd, POLLOUT, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc <= 0) return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

HttpConnectionSettings GetHttpConnectionSettings() {
    return {g_port.load(), g_connectTimeoutMs.load(), g_receiveTimeoutMs.load()};
}

void SetHttpConnectionSettings(const HttpConnectionSettings& settings) {
    g_port = settings.port;
    g_connectTimeoutMs = settings.connectTimeoutMs;
    g_receiveTimeoutMs = settings.receiveTimeoutMs;
}

CHttpSocket::~CHttpSocket() { Close(); }

void CHttpSocket::Close() {
    if (m_socket > 0) ::close(m_socket);
    m_socket = 0;
    m_connected = 0;
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
    int rc = ::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const bool ok = rc == 0 || (errno == EINPROGRESS && WaitWritable(m_socket, settings.connectTimeoutMs));
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
        const auto n = ::send(m_socket, m_request.data() + sent, m_request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
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
        char byte = 0;
        const auto n = ::recv(m_socket, &byte, 1, 0);
        if (n < 0 && errno == EINTR) continue;
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

void CHttpSocket::SetReceiveTimeout(int ms) {
    if (m_socket <= 0) return;
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

int CHttpSocket::Receive(std::size_t maxBytes) {
    if (!m_connected) return 0;
    if (maxBytes > sizeof m_recvBuffer) maxBytes = sizeof m_recvBuffer;
    ssize_t n;
    do {
        n = ::recv(m_socket, m_recvBuffer, maxBytes, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        Close();
        return 0;
    }
    return static_cast<int>(n);
}
