// Fetches from a server written for the test on 127.0.0.1: the exact request, what is saved, and that every
// failure (error status, short body, silence) ends quickly and leaves the local file as it was.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "framework/Files.h"
#include "offline/HttpGetFile.h"
#include "offline/HttpHeader.h"
#include "offline/HttpSocket.h"
#include "tests/offline/LoopbackListener.h"

namespace {

// Accepts one connection, reads the request up to its empty line and answers with reply; after the reply it
// closes, or stays silent for holdMs first. With trickleMs it sends the reply one byte every trickleMs, until the
// client goes away.
class OneShotServer {
public:
    explicit OneShotServer(std::string reply, int holdMs = 0, int trickleMs = 0)
        : m_reply(std::move(reply)), m_holdMs(holdMs), m_trickleMs(trickleMs) {
        m_listen = ListenOnLoopback(1, m_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~OneShotServer() {
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
    }
    int Port() const { return m_port; }
    const std::string& Request() const { return m_request; }

private:
    void Serve() {
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0) return;
        char byte;
        while (m_request.find("\r\n\r\n") == std::string::npos && ::recv(fd, &byte, 1, 0) == 1)
            m_request.push_back(byte);
        if (m_trickleMs == 0) ::send(fd, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
        for (size_t i = 0; m_trickleMs && i < m_reply.size(); ++i) {
            if (::send(fd, &m_reply[i], 1, MSG_NOSIGNAL) != 1) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(m_trickleMs));
        }
        if (m_holdMs) std::this_thread::sleep_for(std::chrono::milliseconds(m_holdMs));
        ::close(fd);
    }
    std::string m_reply, m_request;
    int m_holdMs, m_trickleMs, m_listen = -1, m_port = 0;
    std::thread m_thread;
};

class HttpFetch : public ::testing::Test {
protected:
    void SetUp() override {
        m_found = GetHttpConnectionSettings();
        m_folder =
            std::filesystem::temp_directory_path() / ("http_fetch_" + std::to_string(::getpid()) + "_" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
        m_path = fw::Utf8ToText((m_folder / "Update.ini").string());
    }
    void TearDown() override {
        SetHttpConnectionSettings(m_found);
        std::filesystem::remove_all(m_folder);
    }
    int Fetch(const OneShotServer& server, fw::TextView url = u"http://127.0.0.1/update/Update.ini") {
        SetHttpConnectionSettings({server.Port(), 2000, 500});
        return HttpGetFile(m_path, fw::Text(url), m_sizeText);
    }
    std::string Saved() const {
        const auto read = fw::ReadWholeFile(m_path, 1 << 20);
        return read ? std::string(read.bytes.begin(), read.bytes.end()) : std::string("<missing>");
    }
    std::filesystem::path m_folder;
    fw::Text m_path, m_sizeText;
    HttpConnectionSettings m_found;
};

std::string Reply(const std::string& status, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST_F(HttpFetch, SendsExactlyTheRequestAndSavesTheBody) {
    OneShotServer server(Reply("200 OK", "[Update]\r\nVersion=3.1.10\r\n"));
    // The address's own port is not the one used: fetches always go to the configured port.
    ASSERT_EQ(Fetch(server, u"http://127.0.0.1:8080/update/Update.ini"), 1);
    EXPECT_EQ(server.Request(),
              "GET /update/Update.ini HTTP/1.1\r\nHost:127.0.0.1\r\nAccept:*/*\r\n"
              "User-Agent:Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\nConnection:Keep-Alive\r\n\r\n");
    EXPECT_EQ(Saved(), "[Update]\r\nVersion=3.1.10\r\n");
    EXPECT_EQ(m_sizeText, u"26 B");
}

TEST_F(HttpFetch, HeaderVariantsAndLengthsAreReadAsTheServerMeantThem) {
    struct Row {
        const char* name;
        std::string reply;
        int result;
        std::string saved;
    };
    const Row rows[] = {
        {"lower-case name, no blank", "HTTP/1.1 200 OK\r\ncontent-length:3\r\n\r\nabc", 1, "abc"},
        {"several blanks", "HTTP/1.0 200 OK\r\nContent-Length:    3\r\n\r\nabc", 1, "abc"},
        {"empty body", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 1, ""},
        {"bytes after the length are not saved", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nabcdef", 1, "ab"},
        {"no length", "HTTP/1.1 200 OK\r\n\r\nabc", 0, "old"},
        {"length not a number", "HTTP/1.1 200 OK\r\nContent-Length: 3x\r\n\r\nabc", 0, "old"},
        {"404 page", Reply("404 Not Found", "gone"), 0, "old"},
        {"500 page saved as firmware before", Reply("500 Internal Server Error", "oops"), 0, "old"},
        {"Not Found in a 200 body", Reply("200 OK", "<h1>Not Found</h1>"), 0, "old"},
        {"not an HTTP reply", "SSH-2.0-x\r\nContent-Length: 3\r\n\r\nabc", 0, "old"},
        {"body ends early", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", 0, "old"},
        {"header without its end", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n", 0, "old"},
        // The chunk framing would be saved as part of the file.
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", 0, "old"},
        {"chunked with a length",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\ntransfer-encoding:chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", 0, "old"},
        {"two lengths that disagree", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc", 0, "old"},
        {"the same length twice", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 3\r\n\r\nabc", 1, "abc"},
        {"header over the buffer",
         "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(1100, 'p') + "\r\nContent-Length: 3\r\n\r\nabc", 0, "old"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(fw::WriteFileAtomic(m_path, std::string_view("old")));
        OneShotServer server(row.reply);
        EXPECT_EQ(Fetch(server), row.result);
        EXPECT_EQ(Saved(), row.saved);
    }
}

TEST_F(HttpFetch, AFailedFetchLeavesNoFileWhereThereWasNone) {
    OneShotServer server("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
    EXPECT_EQ(Fetch(server), 0);
    EXPECT_FALSE(fw::FileExists(m_path));
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
}

TEST_F(HttpFetch, SilentAndStalledServersEndTheFetchWithinTheWait) {
    struct Row {
        const char* name;
        std::string reply;
    };
    const Row rows[] = {
        {"accepts and says nothing", ""},
        {"stalls in the header", "HTTP/1.1 200 OK\r\nContent-Le"},
        {"stalls in the body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OneShotServer server(row.reply, 1500);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Fetch(server), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
        EXPECT_FALSE(fw::FileExists(m_path));
    }
}

// Every byte comes well within the single wait, so only the whole fetch's deadline ends it: a small file at once,
// a larger one after the time it takes at the slowest rate still counted as progress.
TEST_F(HttpFetch, ATricklingServerIsCutOffAtTheDeadline) {
    struct Row {
        const char* name;
        std::string reply;
        int minBytesPerSecond;
        int result;
        int atLeastMs, belowMs;
    };
    const std::string body(2000, 'x');
    const Row rows[] = {
        {"small file", Reply("200 OK", std::string(100, 'y')), 1 << 20, 0, 550, 1100},
        {"large file at the floor rate", "HTTP/1.1 200 OK\r\nContent-Length: 2000\r\n\r\n" + body, 1000, 0, 2500, 3200},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OneShotServer server(row.reply, 0, 10);
        SetHttpConnectionSettings({server.Port(), 2000, 500, 600, row.minBytesPerSecond});
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(HttpGetFile(m_path, u"http://127.0.0.1/x", m_sizeText), row.result);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(row.atLeastMs));
        EXPECT_LT(took, std::chrono::milliseconds(row.belowMs));
        EXPECT_FALSE(fw::FileExists(m_path));
    }
    // Within its time, a slow server's file is taken whole.
    OneShotServer slow(Reply("200 OK", "abc"), 0, 10);
    SetHttpConnectionSettings({slow.Port(), 2000, 500, 3000, 1 << 20});
    EXPECT_EQ(HttpGetFile(m_path, u"http://127.0.0.1/x", m_sizeText), 1);
    EXPECT_EQ(Saved(), "abc");
}

TEST_F(HttpFetch, TheOwnerIsAskedBetweenWaitsAndCanCancel) {
    OneShotServer server(Reply("200 OK", std::string(500, 'x')), 0, 10);
    SetHttpConnectionSettings({server.Port(), 2000, 500});
    int asked = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpGetFile(m_path, u"http://127.0.0.1/x", m_sizeText, [&] { return ++asked < 20; }), 0);
    EXPECT_EQ(asked, 20);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(fw::FileExists(m_path));
}

TEST_F(HttpFetch, RefusedConnectionAndUnusableAddressesFail) {
    int port;
    {
        OneShotServer closed("");
        port = closed.Port();
        SetHttpConnectionSettings({port, 2000, 500});
        // Reach it once so its thread ends; after that nobody listens on the port.
        fw::Text ignored;
        HttpGetFile(m_path, u"http://127.0.0.1/x", ignored);
    }
    SetHttpConnectionSettings({port, 2000, 500});
    EXPECT_EQ(HttpGetFile(m_path, u"http://127.0.0.1/x", m_sizeText), 0);
    for (const fw::TextView url :
         {u"https://127.0.0.1/x", u"http:///x", u"http://127.0.0.1/a b", u"http://127.0.0.1/x\r\nHost:evil"}) {
        SCOPED_TRACE(fw::TextToUtf8(url));
        EXPECT_EQ(HttpGetFile(m_path, fw::Text(url), m_sizeText), 0);
    }
    EXPECT_EQ(HttpGetFile(m_path, u"http://127.0.0.1/" + fw::Text(1000, u'a'), m_sizeText), 0);
    EXPECT_FALSE(fw::FileExists(m_path));
}

TEST(HttpSizeText, FollowsTheLengthBands) {
    struct Row {
        std::int64_t size;
        const char16_t* text;
    };
    const Row rows[] = {{0, u"0 B"},     {700, u"700 B"},       {1023, u"1023 B"},     {1024, u"1 KB"},
                        {5000, u"4 KB"}, {1048575, u"1023 KB"}, {1048576, u"1.00 MB"}, {3145728, u"3.00 MB"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        EXPECT_EQ(FetchedSizeText(row.size), row.text);
    }
}

TEST(HttpHeaderParse, OnlyAFieldAtTheStartOfALineIsTheLength) {
    EXPECT_EQ(ParseHttpHeader("HTTP/1.1 200 OK\r\nX-Content-Length: 5\r\n\r\n").contentLength, -1);
    EXPECT_EQ(ParseHttpHeader("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n").contentLength, -1);
    EXPECT_EQ(ParseHttpHeader("HTTP/1.1 204 No Content\r\nContent-Length: 7\r\n\r\n").contentLength, 7);
    EXPECT_EQ(ParseHttpHeader("HTTP/1.1 2000 OK\r\n\r\n").status, 0);
    EXPECT_EQ(ParseHttpHeader("HTTP/1.0 020 OK\r\n\r\n").status, 0);
    // The status line itself is no field.
    EXPECT_EQ(ParseHttpHeader("Content-Length: 5\r\n\r\n").contentLength, -1);
    EXPECT_EQ(ParseHttpHeader("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n").contentLength, -1);
    EXPECT_EQ(ParseHttpHeader("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\nContent-Length: 5\r\n\r\n")
                  .contentLength,
              -1);
}

}  // namespace
