// One TCP connection to the update server for one fetch. Every wait has a bound: a server that accepts and never
// answers, or stops halfway, ends the fetch instead of hanging the thread that asked.
#pragma once

#include <cstddef>
#include <string>

#include "offline/HttpHeader.h"

class CHttpSocket {
public:
    CHttpSocket() = default;
    virtual ~CHttpSocket();
    CHttpSocket(const CHttpSocket&) = delete;
    CHttpSocket& operator=(const CHttpSocket&) = delete;

    bool Create();
    bool Connect(const std::string& serverName);
    bool SendRequest();
    // True when the header arrived whole (ended by an empty line) within the buffer.
    bool ReceiveHeader();
    void SetReceiveTimeout(int ms);
    // Bytes received into m_recvBuffer, at most maxBytes; 0 when the peer closed, the wait ran out or the
    // connection failed (the socket is then closed).
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
};

// The port and the waits of every fetch. The program keeps the defaults; tests point fetches at a server of
// their own on an ephemeral port and shorten the waits so a silent server costs them little.
struct HttpConnectionSettings {
    int port = 80;
    int connectTimeoutMs = 5000;
    int receiveTimeoutMs = 5000;
};
HttpConnectionSettings GetHttpConnectionSettings();
void SetHttpConnectionSettings(const HttpConnectionSettings& settings);
