// One TCP connection to the update server for one fetch. Every wait has a bound: a server that accepts and never
// answers, or stops halfway, ends the fetch instead of hanging the thread that asked. The waits are cut into short
// slices; between two of them the fetch's owner is asked whether to go on, and a fetch on the UI thread keeps the
// window answering there.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "offline/HttpHeader.h"

// Called between the slices of every wait of a fetch; false ends the fetch (the owner cancelled it).
using HttpWaitHook = std::function<bool()>;

using HttpClock = std::chrono::steady_clock;
// Where a fetch reads the time for its waits and its deadline; empty for the steady clock.
using HttpClockSource = std::function<HttpClock::time_point()>;

class CHttpSocket {
public:
    using Clock = HttpClock;

    explicit CHttpSocket(HttpClockSource clock = {}) : m_clock(std::move(clock)) {}
    virtual ~CHttpSocket();
    CHttpSocket(const CHttpSocket&) = delete;
    CHttpSocket& operator=(const CHttpSocket&) = delete;

    bool Create();
    bool Connect(const std::string& serverName);
    bool SendRequest();
    // True when the header arrived whole (ended by an empty line) within the buffer.
    bool ReceiveHeader();
    void SetReceiveTimeout(int ms) { m_receiveTimeoutMs = ms; }
    // No wait goes past this point, however often the server sends a byte.
    void SetDeadline(Clock::time_point deadline) { m_deadline = deadline; }
    void SetWaitHook(HttpWaitHook hook) { m_waitHook = std::move(hook); }
    Clock::time_point Now() const { return m_clock ? m_clock() : Clock::now(); }
    // The body length the received header announces; -1 when it announces none that can be trusted.
    std::int64_t GetContentLength() const;
    // Bytes received into m_recvBuffer, at most maxBytes; 0 when the peer closed, the wait ran out, the fetch was
    // cancelled or the connection failed (the socket is then closed).
    int Receive(std::size_t maxBytes = kHttpBufferSize);

    std::string m_request;
    char m_header[kHttpBufferSize] = {};
    int m_port = 80;
    int m_connected = 0;
    int m_socket = 0;
    int m_headerReceived = 0;
    int m_headerLength = -1;
    char m_recvBuffer[kHttpBufferSize] = {};

private:
    void Close();
    // Until the socket is ready for `events`, within timeoutMs and the deadline, and while the hook lets it.
    bool WaitFor(short events, int timeoutMs);

    int m_receiveTimeoutMs = 5000;
    Clock::time_point m_deadline = Clock::time_point::max();
    Clock::time_point m_lastAsked{};
    HttpWaitHook m_waitHook;
    HttpClockSource m_clock;
};

// The port and the waits of every fetch. The program keeps the defaults; tests point fetches at a server of
// their own on an ephemeral port and shorten the waits so a silent server costs them little. A fetch ends at
// totalMs, plus the time the announced length takes at minBytesPerSecond: a server that trickles cannot hold it.
struct HttpConnectionSettings {
    int port = 80;
    int connectTimeoutMs = 5000;
    int receiveTimeoutMs = 5000;
    int totalMs = 20000;
    int minBytesPerSecond = 4096;
    // Tests give a clock that moves only when they move it, so whether a wait or a deadline has run out never
    // depends on how busy the machine is.
    HttpClockSource clock = {};
};
HttpConnectionSettings GetHttpConnectionSettings();
void SetHttpConnectionSettings(const HttpConnectionSettings& settings);
