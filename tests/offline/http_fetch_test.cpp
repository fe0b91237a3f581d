// Fetches from a server written for the test on 127.0.0.1: the exact request, what is saved, and that every
// failure (error status, short body, silence, a length over the limit) ends and leaves the local file as it was.
// Where a verdict depends on time, the server moves the fetch's clock, so it holds on a machine of any speed.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "framework/Files.h"
#include "offline/HttpGetFile.h"
#include "offline/HttpHeader.h"
#include "offline/HttpSocket.h"
#include "tests/offline/SteppedServer.h"

namespace {

using namespace std::chrono_literals;

// Answers the request with reply at once and closes.
class OneShotServer {
public:
    explicit OneShotServer(std::string reply) : m_reply(std::move(reply)) {}
    int Port() const { return m_connection.Port(); }
    const std::string& Request() const { return m_request; }

private:
    std::string m_reply, m_request;
    OneConnection m_connection{[this](int socket, const std::string& request) {
        m_request = request;
        ::send(socket, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
        ::shutdown(socket, SHUT_RDWR);
    }};
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
    // Every reply of a one-shot server ends with its close, so the waits are long enough for any machine.
    int Fetch(const OneShotServer& server, fw::TextView url = u"http://127.0.0.1/update/Update.ini",
              std::int64_t maxBytes = kAnyLength) {
        SetHttpConnectionSettings({server.Port(), 30000, 30000, 60000});
        return HttpGetFile(m_path, fw::Text(url), maxBytes, m_fetched);
    }
    int Fetch(const HttpConnectionSettings& settings, std::int64_t maxBytes = kAnyLength,
              const HttpWaitHook& whileWaiting = {}) {
        SetHttpConnectionSettings(settings);
        return HttpGetFile(m_path, u"http://127.0.0.1/x", maxBytes, m_fetched, whileWaiting);
    }
    std::string Saved() const {
        const auto read = fw::ReadWholeFile(m_path, 1 << 20);
        return read ? std::string(read.bytes.begin(), read.bytes.end()) : std::string("<missing>");
    }
    static constexpr std::int64_t kAnyLength = 0x7FFFFFFF;
    std::filesystem::path m_folder;
    fw::Text m_path;
    HttpFetched m_fetched;
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
    EXPECT_EQ(m_fetched.sizeText, u"26 B");
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

// A wait runs out on its own, well before the server would close.
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
        SteppedServer server(row.reply, 50ms, 1500ms);
        EXPECT_EQ(Fetch(server.Settings(500, 20000, 4096)), 0);
        EXPECT_GE(server.Elapsed(), 500ms);
        EXPECT_LT(server.Elapsed(), 1500ms);
        EXPECT_FALSE(fw::FileExists(m_path));
    }
}

// Every byte comes well within the single wait, so only the whole fetch's deadline ends it: a small file at its
// base time, a larger one after the time it takes at the slowest rate still counted as progress.
TEST_F(HttpFetch, ATricklingServerIsCutOffAtTheDeadline) {
    struct Row {
        const char* name;
        std::string reply;
        int minBytesPerSecond;
        std::chrono::milliseconds deadline;
    };
    const Row rows[] = {
        {"small file", Reply("200 OK", std::string(100, 'y')), 1 << 20, 600ms},
        {"large file at the floor rate", Reply("200 OK", std::string(2000, 'x')), 1000, 2600ms},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SteppedServer server(row.reply, 10ms);
        EXPECT_EQ(Fetch(server.Settings(500, 600, row.minBytesPerSecond)), 0);
        EXPECT_GE(server.Elapsed(), row.deadline);
        EXPECT_LT(server.Elapsed(), row.deadline + 500ms);
        EXPECT_FALSE(fw::FileExists(m_path));
    }
    // Within its time, a slow server's file is taken whole.
    SteppedServer slow(Reply("200 OK", "abc"), 400ms);
    EXPECT_EQ(Fetch(slow.Settings(500, 3000, 1 << 20)), 1);
    EXPECT_EQ(Saved(), "abc");
}

// The deadline counts from the fetch's start: a server that spends most of the base time on its header gets no new
// allowance for the body when the header has come. 1000 ms of base time and 100 bytes at 100 bytes a second end
// the fetch 2000 ms after its start; the header takes 800 ms, the body 1500 ms more.
TEST_F(HttpFetch, TheDeadlineCountsFromTheFetchesStartNotFromItsHeader) {
    const std::string reply = Reply("200 OK", std::string(100, 'x'));
    ASSERT_EQ(reply.size(), 40u + 100u);
    SteppedServer slowHeader(reply, 15ms);
    slowHeader.SlowHeader(20ms);
    EXPECT_EQ(Fetch(slowHeader.Settings(500, 1000, 100)), 0);
    EXPECT_GE(slowHeader.Elapsed(), 2000ms);
    EXPECT_LT(slowHeader.Elapsed(), 2100ms);
    EXPECT_FALSE(fw::FileExists(m_path));
    // With its header at once, the same body comes within the time.
    SteppedServer quickHeader(reply, 15ms);
    EXPECT_EQ(Fetch(quickHeader.Settings(500, 1000, 100)), 1);
    EXPECT_EQ(Saved(), std::string(100, 'x'));
}

TEST_F(HttpFetch, TheOwnerIsAskedBetweenWaitsAndCanCancel) {
    SteppedServer server(Reply("200 OK", std::string(500, 'x')), 10ms);
    int asked = 0;
    EXPECT_EQ(Fetch(server.Settings(500, 20000, 4096), kAnyLength, [&] { return ++asked < 20; }), 0);
    EXPECT_EQ(asked, 20);
    // Asked about every 20 ms of the 5 s the body would take, and gone at the twentieth answer.
    EXPECT_LT(server.Elapsed(), 1s);
    EXPECT_FALSE(fw::FileExists(m_path));
}

// A fetch is given time by the length the server announces; beyond the length its caller takes, it is refused as
// soon as the header names it, with no file and no size shown.
TEST_F(HttpFetch, ALengthOverTheLimitIsRefusedAtTheHeader) {
    struct Row {
        const char* name;
        std::string reply;
        std::int64_t maxBytes;
        int result;
        std::string saved;
        fw::Text sizeText;
    };
    const Row rows[] = {
        {"at the limit", Reply("200 OK", "abc"), 3, 1, "abc", u"3 B"},
        {"one byte over", Reply("200 OK", "abc"), 2, 0, "old", u""},
        {"two thousand million bytes at a byte a second",
         "HTTP/1.1 200 OK\r\nContent-Length: 2000000000\r\n\r\n" + std::string(1000, 'z'), 64 << 20, 0, "old", u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(fw::WriteFileAtomic(m_path, std::string_view("old")));
        SteppedServer server(row.reply, 1s);
        EXPECT_EQ(Fetch(server.Settings(5000, 20000, 4096), row.maxBytes), row.result);
        EXPECT_EQ(Saved(), row.saved);
        EXPECT_EQ(m_fetched.sizeText, row.sizeText);
        EXPECT_EQ(m_fetched.TooLarge(row.maxBytes), row.result == 0) << "the caller can tell why";
        // The body would take 1000 s; a refused one is not waited for.
        EXPECT_LT(server.Elapsed(), 100s);
    }
}

TEST(HttpFetchTimeLimit, TheAnnouncedLengthAddsItsTimeAtTheSlowestRate) {
    const HttpConnectionSettings settings{80, 5000, 5000, 20000, 4096};
    struct Row {
        std::int64_t length;
        std::chrono::milliseconds limit;
    };
    const Row rows[] = {{0, 20s}, {4095, 20999ms}, {4096, 21s}, {64 << 20, 20s + 16384s}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.length);
        EXPECT_EQ(HttpFetchTimeLimit(settings, row.length), row.limit);
    }
    EXPECT_EQ(HttpFetchTimeLimit({80, 5000, 5000, 20000, 0}, 64 << 20), 20s) << "no rate: the base time only";
}

TEST_F(HttpFetch, RefusedConnectionAndUnusableAddressesFail) {
    int port;
    {
        OneShotServer closed("");
        port = closed.Port();
        // Reach it once so its thread ends; after that nobody listens on the port.
        Fetch(closed);
    }
    SetHttpConnectionSettings({port, 2000, 500});
    EXPECT_EQ(HttpGetFile(m_path, u"http://127.0.0.1/x", kAnyLength, m_fetched), 0);
    for (const fw::TextView url :
         {u"https://127.0.0.1/x", u"http:///x", u"http://127.0.0.1/a b", u"http://127.0.0.1/x\r\nHost:evil"}) {
        SCOPED_TRACE(fw::TextToUtf8(url));
        EXPECT_EQ(HttpGetFile(m_path, fw::Text(url), kAnyLength, m_fetched), 0);
    }
    EXPECT_EQ(HttpGetFile(m_path, u"http://127.0.0.1/" + fw::Text(1000, u'a'), kAnyLength, m_fetched), 0);
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
