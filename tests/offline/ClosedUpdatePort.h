// While it lives, every update fetch goes to a port on 127.0.0.1 where nothing listens: a window opened with the
// offline subsystem starts its tool check at once, and it must not reach whatever web server the machine runs.
// The port stays bound (without listening) so nobody else gets it meanwhile. The settings found are put back.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "offline/HttpSocket.h"

class ClosedUpdatePort {
public:
    ClosedUpdatePort() : m_found(GetHttpConnectionSettings()) {
        m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        HttpConnectionSettings closed = m_found;
        closed.port = m_port;
        SetHttpConnectionSettings(closed);
    }
    ~ClosedUpdatePort() {
        SetHttpConnectionSettings(m_found);
        ::close(m_socket);
    }
    ClosedUpdatePort(const ClosedUpdatePort&) = delete;
    ClosedUpdatePort& operator=(const ClosedUpdatePort&) = delete;

    int Port() const { return m_port; }

private:
    HttpConnectionSettings m_found;
    int m_socket = -1;
    int m_port = 0;
};
