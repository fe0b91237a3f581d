// An update server written for the tests: it listens on 127.0.0.1 at an ephemeral port, answers GET requests for
// the files a test put in it (404 for the others) and keeps every request it received, so a test can tell what
// was asked and that nothing went anywhere else. The program's fetches are pointed at its port.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "offline/HttpSocket.h"
#include "tests/offline/LoopbackListener.h"

class LocalUpdateServer {
public:
    LocalUpdateServer() : m_found(GetHttpConnectionSettings()) {
        m_listen = ListenOnLoopback(8, m_port);
        // Waits long enough for any machine: every failure a test serves ends with a reply or a close.
        SetHttpConnectionSettings({m_port, 30000, 30000, 60000});
        m_thread = std::thread([this] { Serve(); });
    }
    ~LocalUpdateServer() {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
        SetHttpConnectionSettings(m_found);
    }
    LocalUpdateServer(const LocalUpdateServer&) = delete;
    LocalUpdateServer& operator=(const LocalUpdateServer&) = delete;

    // A file under its path on the server ("/files/QXDownloadTool/Update.ini").
    void Put(const std::string& path, const std::string& body) {
        std::lock_guard lock(m_mutex);
        m_announced.erase(path);
        m_files[path] = body;
    }
    // Only the header of a file of `length` bytes goes out, then the connection closes: a fetch that waits for the
    // body fails, one that refuses the length at the header never needs it.
    void Announce(const std::string& path, size_t length) {
        std::lock_guard lock(m_mutex);
        m_announced[path] = length;
    }
    // The file's bytes go out one every `interval` (the header at once), until the client goes away.
    void Trickle(const std::string& path, std::chrono::milliseconds interval) {
        std::lock_guard lock(m_mutex);
        m_trickled[path] = interval;
    }
    // The file goes out but for its last byte, which waits for ReleaseLastByte: a fetch that stays under way
    // until the test has done what it does meanwhile.
    void HoldLastByte(const std::string& path) {
        std::lock_guard lock(m_mutex);
        m_held.insert(path);
        m_released = false;
    }
    void ReleaseLastByte() { m_released = true; }
    void Remove(const std::string& path) {
        std::lock_guard lock(m_mutex);
        m_files.erase(path);
        m_announced.erase(path);
    }
    // Request lines ("GET /files/... HTTP/1.1") and Host headers, in arrival order.
    std::vector<std::string> Requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    std::vector<std::string> Hosts() const {
        std::lock_guard lock(m_mutex);
        return m_hosts;
    }
    int Port() const { return m_port; }

private:
    void Serve() {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0) continue;
            std::string request;
            char byte;
            while (request.find("\r\n\r\n") == std::string::npos && request.size() < 4096 &&
                   ::recv(fd, &byte, 1, 0) == 1)
                request.push_back(byte);
            const std::string line = request.substr(0, request.find("\r\n"));
            const size_t host = request.find("\r\nHost:");
            std::string reply;
            std::chrono::milliseconds trickle{0};
            size_t headerBytes = 0;
            bool held = false;
            std::optional<size_t> announced;
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(line);
                m_hosts.push_back(host == std::string::npos
                                      ? std::string()
                                      : request.substr(host + 7, request.find("\r\n", host + 2) - host - 7));
                const size_t from = line.find(' ') + 1;
                const std::string path = line.substr(from, line.rfind(' ') - from);
                if (const auto told = m_announced.find(path); told != m_announced.end()) announced = told->second;
                const auto file = m_files.find(path);
                const std::string body = file == m_files.end() ? "<h1>Not Found</h1>" : file->second;
                reply = std::string(file == m_files.end() ? "HTTP/1.1 404 Not Found" : "HTTP/1.1 200 OK") +
                        "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
                headerBytes = reply.size();
                reply += body;
                if (file != m_files.end() && m_trickled.count(file->first)) trickle = m_trickled[file->first];
                held = file != m_files.end() && m_held.count(file->first) && !file->second.empty();
            }
            if (announced) {
                const std::string header = OkHeader(*announced);
                ::send(fd, header.data(), header.size(), MSG_NOSIGNAL);
            } else if (held) {
                bool open = ::send(fd, reply.data(), reply.size() - 1, MSG_NOSIGNAL) > 0;
                while (open && !m_stop && !m_released)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                if (open) ::send(fd, &reply.back(), 1, MSG_NOSIGNAL);
            } else if (trickle.count() == 0) {
                ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
            } else {
                bool open = ::send(fd, reply.data(), headerBytes, MSG_NOSIGNAL) > 0;
                for (size_t i = headerBytes; open && !m_stop && i < reply.size(); ++i) {
                    std::this_thread::sleep_for(trickle);
                    open = ::send(fd, &reply[i], 1, MSG_NOSIGNAL) == 1;
                }
            }
            ::close(fd);
        }
    }

    static std::string OkHeader(size_t length) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
    }

    HttpConnectionSettings m_found;
    int m_listen = -1, m_port = 0;
    std::atomic<bool> m_stop{false}, m_released{false};
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_files;
    std::map<std::string, std::chrono::milliseconds> m_trickled;
    std::set<std::string> m_held;
    std::map<std::string, size_t> m_announced;
    std::vector<std::string> m_requests, m_hosts;
    std::thread m_thread;
};
