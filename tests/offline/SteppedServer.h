// Test servers for a single fetch on 127.0.0.1: one connection served as the test says, and a server that answers
// on the fetch's own clock, so what the fetch has been sent by any point of its clock never depends on the machine.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "offline/HttpSocket.h"
#include "tests/offline/FetchClock.h"
#include "tests/offline/LoopbackListener.h"

// Listens on 127.0.0.1 and accepts one connection; `serve` gets it with the request read up to its empty line. The
// connection is closed when this goes.
class OneConnection {
public:
    explicit OneConnection(std::function<void(int socket, const std::string& request)> serve)
        : m_serve(std::move(serve)) {
        m_listen = ListenOnLoopback(1, m_port);
        m_thread = std::thread([this] { Accept(); });
    }
    ~OneConnection() {
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
        if (m_socket >= 0) ::close(m_socket);
    }
    int Port() const { return m_port; }

private:
    void Accept() {
        m_socket = ::accept(m_listen, nullptr, nullptr);
        if (m_socket < 0) return;
        std::string request;
        char byte;
        while (request.find("\r\n\r\n") == std::string::npos && ::recv(m_socket, &byte, 1, 0) == 1)
            request.push_back(byte);
        m_serve(m_socket, request);
    }
    std::function<void(int, const std::string&)> m_serve;
    int m_listen = -1, m_port = 0, m_socket = -1;
    std::thread m_thread;
};

// Serves one connection on the fetch's own clock. Each time the fetch reads the clock (it does in every wait) with
// nothing left unread, the server takes one step, on the fetch's thread: the next byte of the header, at no cost in
// time unless the header is slow (SlowHeader); the next byte of the body, `perByte` later; once everything is sent,
// `perByte` of silence, until the clock reaches `closeAt` and it closes. So what the fetch has been sent by any
// point of its clock is fixed, however busy the machine is.
class SteppedServer {
public:
    SteppedServer(std::string reply, std::chrono::milliseconds perByte,
                  std::chrono::milliseconds closeAt = std::chrono::hours(1))
        : m_reply(std::move(reply)), m_perByte(perByte), m_closeAt(closeAt), m_clock([this] { Step(); }) {
        const auto end = m_reply.find("\r\n\r\n");
        m_headerBytes = end == std::string::npos ? m_reply.size() : end + 4;
    }
    // Each byte of the header comes `perByte` after the one before (the first after the request).
    void SlowHeader(std::chrono::milliseconds perByte) {
        std::lock_guard lock(m_mutex);
        m_headerPerByte = perByte;
    }
    // Settings that send a fetch here, on this server's clock.
    HttpConnectionSettings Settings(int receiveTimeoutMs, int totalMs, int minBytesPerSecond) {
        return Settings({0, 2000, receiveTimeoutMs, totalMs, minBytesPerSecond});
    }
    // The given waits, for a fetch sent here on this server's clock.
    HttpConnectionSettings Settings(HttpConnectionSettings waits) {
        waits.port = m_connection.Port();
        waits.clock = m_clock.Source();
        return waits;
    }
    std::chrono::milliseconds Elapsed() const { return m_clock.Elapsed(); }

private:
    // The fetch's end of the connection: the server waits while it holds bytes not yet taken.
    static int PeerInThisProcess(int fd) {
        sockaddr_in mine{}, peer{};
        socklen_t length = sizeof mine;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&mine), &length);
        length = sizeof peer;
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
        for (int other = 0; other < 4096; ++other) {
            sockaddr_in local{}, remote{};
            socklen_t localLength = sizeof local, remoteLength = sizeof remote;
            if (other == fd || ::getsockname(other, reinterpret_cast<sockaddr*>(&local), &localLength) != 0 ||
                ::getpeername(other, reinterpret_cast<sockaddr*>(&remote), &remoteLength) != 0)
                continue;
            if (local.sin_family == AF_INET && local.sin_port == peer.sin_port && remote.sin_port == mine.sin_port)
                return other;
        }
        return -1;
    }
    void Step() {
        std::lock_guard lock(m_mutex);
        if (m_socket < 0 || m_closed) return;  // the request is not in yet, or all is over
        int unread = 0;
        if (::ioctl(m_fetchEnd, FIONREAD, &unread) != 0 || unread > 0) return;
        if (m_sent == m_reply.size() && m_clock.Elapsed() >= m_closeAt) {
            ::shutdown(m_socket, SHUT_RDWR);
            m_closed = true;
            return;
        }
        m_clock.Advance(m_sent >= m_headerBytes ? m_perByte : m_headerPerByte);
        if (m_sent < m_reply.size()) ::send(m_socket, &m_reply[m_sent++], 1, MSG_NOSIGNAL);
    }

    std::string m_reply;
    std::chrono::milliseconds m_perByte, m_closeAt;
    std::chrono::milliseconds m_headerPerByte{0};  // under m_mutex
    size_t m_headerBytes = 0;
    FetchClock m_clock;
    std::mutex m_mutex;
    int m_socket = -1, m_fetchEnd = -1;  // under m_mutex
    size_t m_sent = 0;
    bool m_closed = false;
    OneConnection m_connection{[this](int socket, const std::string&) {
        std::lock_guard lock(m_mutex);
        m_fetchEnd = PeerInThisProcess(socket);
        m_socket = socket;
    }};
};
