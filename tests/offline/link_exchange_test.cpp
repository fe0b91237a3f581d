// One request and its reply through the main window's exchange, against the simulated downloader: what a failed
// reply leaves in the log, what a missing one does not, and that a reply arriving after its request gave up is
// not taken for the next request's.
#include <algorithm>
#include <chrono>

#include "core/HexText.h"
#include "linksim/ProjectStoreState.h"
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
        // Header and status arrived, the payload its length byte announces did not: the version would be cut.
        {"reply shorter than its length byte", [](linksim::Downloader& d) { d.ShortenNextReply(8); }, u"未知错误！",
         "Recv:A0010200000F4669"},
        {"check byte missing", [](linksim::Downloader& d) { d.ShortenNextReply(6 + 14); }, u"未知错误！",
         "Recv:A0010200000F"},
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
    downloader->PassTime(std::chrono::milliseconds(400));
    ASSERT_EQ(downloader->PendingReplies(), 1u);  // the module name arrived meanwhile

    ASSERT_TRUE(Exchange(u"A0 01 04 00 00 00", reply));
    EXPECT_EQ(reply.Byte(1), 0x01);
    EXPECT_EQ(reply.Byte(2), 0x04);
    EXPECT_EQ(BytesToHex(reply.Payload()), window->m_linkSerialText);
}

// A reply that comes after its request gave up and before the next request's own (the downloader holds it until
// the next request arrives). A reply echoes its request's command, p1 and p2, so the next request passes it over
// and gets its own reply, or its own refusal, even when the two requests share their command.
TEST_F(LinkExchange, AReplyStillOnItsWayIsNotTakenForTheNextRequests) {
    const std::string zeros(64, '0');
    const fw::Text recordStart = u"A0 15 01 01 00 20 " + fw::Utf8ToText(zeros);
    struct Row {
        const char* what;
        fw::Text late;
        fw::Text next;
        std::function<void(linksim::Downloader&)> fault;  // on the next request
        std::vector<uint8_t> header;                      // command, p1, p2 and status of the reply taken
        std::vector<uint8_t> payload;
        const char16_t* refusal = nullptr;  // the status text the log ends with
    };
    const std::vector<uint8_t> serial = downloader->Spec().serial;
    // The downloader holds the projects AB and CD, not XY.
    const fw::Text activateCd = u"A0 14 00 00 01 03 02 43 44", activateXy = u"A0 14 00 00 01 03 02 58 59";
    const fw::Text deleteAb = u"A0 14 00 00 02 03 02 41 42", deleteXy = u"A0 14 00 00 02 03 02 58 59";
    const std::vector<uint8_t> projectMissing = {0x14, 0x00, 0x00, 7};
    const Row rows[] = {
        {"another identity item", u"A0 01 01 00 00 00", u"A0 01 04 00 00 00", {}, {0x01, 0x04, 0x00, 0}, serial},
        {"another command", u"A0 01 02 00 00 00", u"A0 0A 00 00 00 00", {}, {0x0A, 0x00, 0x00, 0}, {1}},
        {"buzzer write refused after a buzzer read",
         u"A0 0A 00 00 00 00",
         u"A0 0A 01 00 00 01 02",
         [](linksim::Downloader& d) { d.ForceStatus(0x0A, linksim::kStatusSaveError); },
         {0x0A, 0x01, 0x00, linksim::kStatusSaveError},
         {},
         u"保存参数出错！"},
        {"buzzer read after a buzzer write",
         u"A0 0A 01 00 00 01 02",
         u"A0 0A 00 00 00 00",
         {},
         {0x0A, 0x00, 0x00, 0},
         {2}},
        {"record read of a missing project after the start of a record write",
         recordStart,
         u"A0 15 00 00 00 03 02 58 59",
         {},
         {0x15, 0x00, 0x00, 7},
         {},
         u"项目不存在！"},
        {"deletion of a missing project after an activation",
         activateCd,
         deleteXy,
         {},
         projectMissing,
         {},
         u"项目不存在！"},
        {"activation of a missing project after a deletion",
         deleteAb,
         activateXy,
         {},
         projectMissing,
         {},
         u"项目不存在！"},
        {"deletion after an activation", activateCd, deleteAb, {}, {0x14, 0x00, 0x00, 0}, {2, 'C', 'D'}},
        // No reply of its own: the request fails, it does not take the other's.
        {"no reply of its own",
         u"A0 01 01 00 00 00",
         u"A0 01 03 00 00 00",
         [](linksim::Downloader& d) { d.DropReplies(1); },
         {},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto& store = downloader->State<linksim::ProjectStoreState>();
        store = {};
        for (const char* name : {"AB", "CD"}) {
            linksim::StoredProject project;
            project.name.assign(name, name + 2);
            store.projects.push_back(project);
        }
        store.active = 0;
        host.ClearRecords();
        downloader->HoldNextReply();
        LinkReply reply;
        EXPECT_FALSE(Exchange(row.late, reply));
        if (row.fault) row.fault(*downloader);
        const bool answered = Exchange(row.next, reply);
        EXPECT_EQ(answered, !row.header.empty() && row.refusal == nullptr);
        EXPECT_EQ(downloader->PendingReplies(), 0u);
        if (row.header.empty()) {
            EXPECT_EQ(reply.Size(), 0u);
        } else {
            EXPECT_EQ((std::vector<uint8_t>{reply.Byte(1), reply.Byte(2), reply.Byte(3), reply.Byte(4)}), row.header);
            EXPECT_TRUE(std::ranges::equal(reply.Payload(), row.payload)) << fw::TextToUtf8(reply.Hex());
        }
        // A refusal's Send, Recv and status lines; nothing for a success or a request left without a reply.
        const auto lines = host.LogLines();
        EXPECT_EQ(lines.size(), row.refusal == nullptr ? 0u : 3u);
        if (row.refusal != nullptr && !lines.empty()) {
            EXPECT_EQ(lines.back().text, row.refusal);
        }
    }
}

TEST_F(LinkExchange, EachCommandWaitsForItsReplyAsLongAsItsWorkTakes) {
    // Requests that make the downloader write its flash (or program a chip) wait 15 s, the others 3 s.
    EXPECT_EQ(LinkReplyTimeoutMs(0x16, 0), 250) << "the fixture's shortened wait";
    SetLinkReplyTimeouts(0, 0);
    EXPECT_EQ(LinkReplyTimeoutMs(0x16, 0), 3000);
    EXPECT_EQ(LinkReplyTimeoutMs(0x10, 0), 15000);

    struct Row {
        const char16_t* request;
        bool flash;
    };
    const Row rows[] = {
        {u"A0 01 01 00 00 00", false},
        {u"A0 01 04 00 00 00", false},
        {u"A0 02 00 00 00 00", false},
        {u"A0 03 00 00 00 00", true},
        {u"A0 04 00 00 00 00", false},
        {u"A0 04 01 00 00 01 02", false},
        {u"A0 05 00 00 00 00", false},
        {u"A0 05 01 00 00 05 01 00 00 00 64", false},
        {u"A0 09 01 00 00 05 01 00 00 00 64", false},
        {u"A0 0A 01 00 00 01 01", false},
        {u"A0 0B 00 00 00 00", false},
        {u"A0 0C 01 00 00 01 01", false},
        {u"A0 0D 00 00 00 00", true},
        {u"A0 0E 00 00 00 01 00", true},
        {u"A0 0F 00 00 00 00", true},
        {u"A0 10 FF 01 00 03 02 41 42", true},
        {u"A0 10 00 04 00 00", true},
        {u"A0 12 00 00 00 00", true},
        {u"A0 14 00 00 01 03 02 41 42", true},
        {u"A0 14 00 00 02 03 02 41 42", true},
        {u"A0 15 00 00 00 03 02 41 42", false},
        {u"A0 15 01 01 00 01 00", true},
        {u"A0 15 01 04 00 00", true},
        {u"A0 16 00 00 00 00", false},
        {u"A0 17 00 00 00 01 00", false},
        {u"A0 18 00 00 00 00", false},
        {u"A0 18 01 00 00 01 00", true},
        {u"A0 19 01 00 00 01 00", true},
    };
    // A reply that takes 9 s: too long for a request given 3 s, in time for one given 15 s.
    constexpr std::chrono::milliseconds kReplyTakes(9000);
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.request));
        // Answered with a refusal, so that nothing the request asks for happens to the downloader.
        downloader->ForceStatus(0, 1);
        downloader->DelayNextReply(kReplyTakes);
        LinkReply reply;
        EXPECT_FALSE(Exchange(row.request, reply));
        EXPECT_EQ(reply.Size() != 0, row.flash) << (row.flash ? "gave up too early" : "waited too long");
        // The late reply of a request that gave up arrives before the next row, which drops it.
        downloader->PassTime(kReplyTakes);
    }
}

TEST_F(LinkExchange, AnUnpluggedDownloaderAnswersNothing) {
    linksim::Unplug(downloader->Path());
    LinkReply reply;
    EXPECT_FALSE(Exchange(u"A0 01 01 00 00 00", reply));
}
