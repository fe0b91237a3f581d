// One request and its reply through the main window's exchange, against the simulated downloader: what a failed
// reply leaves in the log, what a missing one does not, and that a reply arriving after its request gave up is
// not taken for the next request's.
#include <algorithm>
#include <thread>

#include "core/HexText.h"
#include "tests/offline/LinkFixture.h"

namespace {

constexpr fw::Color kRed = fw::Rgb(220, 0, 0);
constexpr fw::Color kBlack = fw::Rgb(0, 0, 0);

class LinkExchange : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        StartConnected();
    }
};

}  // namespace

TEST_F(LinkExchange, ARequestTravelsWithItsCheckByteAndItsReplyIsKept) {
    LinkReply reply;
    ASSERT_TRUE(Exchange(u"A0 01 02 00 00 00", reply));
    const auto frames = downloader->ReceivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (std::vector<uint8_t>{0xA0, 0x01, 0x02, 0x00, 0x00, 0x01, 0xA3}));
    EXPECT_EQ(LinkPayloadText(reply.Payload()), u"Firmware:3.1.6");
    EXPECT_EQ(reply.Size(), 64u);
    EXPECT_TRUE(host.LogLines().empty());
}

TEST_F(LinkExchange, FailuresWithAReplyLogSendRecvAndTheStatus) {
    struct Row {
        const char* name;
        std::function<void(linksim::Downloader&)> fault;
        fw::Text statusText;
        std::string recvStart;
    };
    const Row rows[] = {
        {"status 9", [](linksim::Downloader& d) { d.ForceStatus(0x01, 9); }, u"项目仅能加载一次，不能再次加载！",
         "Recv:A00102000901"},
        {"status 4", [](linksim::Downloader& d) { d.ForceStatus(0, 4); }, u"旧密钥认证错误！", "Recv:A00102000401"},
        {"unknown status", [](linksim::Downloader& d) { d.ForceStatus(0, 29); }, u"未知错误！", "Recv:A00102001D01"},
        {"wrong header byte", [](linksim::Downloader& d) { d.CorruptNextHeader(0xA1); }, u"未知错误！",
         "Recv:A1010200000F"},
        {"short reply", [](linksim::Downloader& d) { d.ShortenNextReply(4); }, u"未知错误！", "Recv:A0010200"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.ClearRecords();
        row.fault(*downloader);
        LinkReply reply;
        EXPECT_FALSE(Exchange(u"A0 01 02 00 00 00", reply));
        const auto lines = host.LogLines();
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0].text, u"Send:A00102000001A3");
        EXPECT_EQ(lines[0].color, kBlack);
        EXPECT_EQ(fw::TextToUtf8(lines[1].text).rfind(row.recvStart, 0), 0u) << fw::TextToUtf8(lines[1].text);
        EXPECT_EQ(lines[1].color, kBlack);
        EXPECT_EQ(lines[2].text, row.statusText);
        EXPECT_EQ(lines[2].color, kRed);
    }
}

TEST_F(LinkExchange, NoReplyFailsWithoutALogLine) {
    struct Row {
        const char* name;
        std::function<void()> fault;
        std::function<void()> undo;
    };
    const Row rows[] = {
        {"dropped reply", [&] { downloader->DropReplies(1); }, [] {}},
        {"write fails", [&] { downloader->FailWrites(true); }, [&] { downloader->FailWrites(false); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.ClearRecords();
        row.fault();
        LinkReply reply;
        EXPECT_FALSE(Exchange(u"A0 16 00 00 00 00", reply));
        EXPECT_TRUE(host.LogLines().empty());
        row.undo();
    }
    LinkReply reply;
    EXPECT_TRUE(Exchange(u"A0 01 01 00 00 00", reply));
}

TEST_F(LinkExchange, AMalformedRequestIsRefusedBeforeSending) {
    for (const char16_t* request : {u"A0 01 02 00 00 0", u"A0 0E 00 00 00 20 00 00", u"A0 01 0X 00 00 00"}) {
        SCOPED_TRACE(fw::TextToUtf8(request));
        host.ClearRecords();
        LinkReply reply;
        EXPECT_FALSE(Exchange(request, reply));
        const auto lines = host.LogLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1].text, u"指令数据格式错误！");
        EXPECT_EQ(lines[1].color, kRed);
    }
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(LinkExchange, RequestsInBytesTravelAsTheirTextsDo) {
    struct Row {
        std::vector<uint8_t> request;
        fw::Text text;
    };
    const Row rows[] = {
        {{0xA0, 0x01, 0x02, 0x00, 0x00, 0x00}, u"A0 01 02 00 00 00"},
        {{0xA0, 0x16, 0x00, 0x00, 0x00, 0x00}, u"A0 16 00 00 00 00"},
        {{0xA0, 0x14, 0x00, 0x00, 0x01, 0x03, 0x02, 0x41, 0x42}, u"A0 14 00 00 01 03 02 41 42"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.text));
        downloader->ClearReceivedFrames();
        LinkReply byText, byBytes;
        const bool textAnswered = Exchange(row.text, byText);
        EXPECT_EQ(ExchangeLinkRequest(*window, row.request, byBytes), textAnswered);
        const auto frames = downloader->ReceivedFrames();
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1], frames[0]);
        EXPECT_TRUE(std::ranges::equal(byBytes.Bytes(), byText.Bytes()));
    }
}

TEST_F(LinkExchange, AMalformedRequestInBytesIsRefusedBeforeSending) {
    const std::vector<uint8_t> rows[] = {
        {0xA0, 0x01, 0x02},                          // shorter than the header
        {0xA0, 0x0E, 0x00, 0x00, 0x00, 0x20, 0x00},  // length byte counts more than the payload
        std::vector<uint8_t>(64, 0),                 // one byte more than a frame holds with its check byte
    };
    for (const auto& request : rows) {
        SCOPED_TRACE(fw::TextToUtf8(BytesToHex(request)));
        host.ClearRecords();
        LinkReply reply;
        EXPECT_FALSE(ExchangeLinkRequest(*window, request, reply));
        const auto lines = host.LogLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].text, u"Send:" + BytesToHex(request));
        EXPECT_EQ(lines[1].text, u"指令数据格式错误！");
        EXPECT_EQ(lines[1].color, kRed);
    }
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(LinkExchange, ALateReplyIsNotTakenForTheNextRequests) {
    downloader->DelayNextReply(std::chrono::milliseconds(500));
    LinkReply reply;
    EXPECT_FALSE(Exchange(u"A0 01 01 00 00 00", reply));  // gives up after 250 ms
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_EQ(downloader->PendingReplies(), 1u);  // the module name arrived meanwhile

    ASSERT_TRUE(Exchange(u"A0 01 04 00 00 00", reply));
    EXPECT_EQ(reply.Byte(1), 0x01);
    EXPECT_EQ(reply.Byte(2), 0x04);
    EXPECT_EQ(BytesToHex(reply.Payload()), window->m_linkSerialText);
}

TEST_F(LinkExchange, AnUnpluggedDownloaderAnswersNothing) {
    linksim::Unplug(downloader->Path());
    LinkReply reply;
    EXPECT_FALSE(Exchange(u"A0 01 01 00 00 00", reply));
}
