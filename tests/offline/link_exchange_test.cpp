// One request and its reply through the main window's exchange, against the simulated downloader: what a failed
// reply leaves in the log, what a missing one does not, and that a reply arriving after its request gave up is
// not taken for the next request's.
#include <algorithm>
#include <chrono>
#include <random>

#include "core/HexText.h"
#include "framework/Format.h"
#include "linksim/ParameterState.h"
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
// the next request arrives). The next request gets its own reply, or its own refusal, even when the two requests
// echo the same bytes.
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
        // The late reply echoes the same bytes: nothing in the reply tells the two apart.
        {"activation of a missing project after an activation",
         activateCd,
         activateXy,
         {},
         projectMissing,
         {},
         u"项目不存在！"},
        {"deletion of a missing project after a deletion", deleteAb, deleteXy, {}, projectMissing, {}, u"项目不存在！"},
        {"buzzer write refused after a buzzer write",
         u"A0 0A 01 00 00 01 00",
         u"A0 0A 01 00 00 01 02",
         [](linksim::Downloader& d) { d.ForceStatus(0x0A, linksim::kStatusSaveError); },
         {0x0A, 0x01, 0x00, linksim::kStatusSaveError},
         {},
         u"保存参数出错！"},
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
    // Requests that make the downloader write its flash (or program a chip) wait 15 s, the others 3 s. The list
    // settings are saved as they are written.
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
        {u"A0 04 01 00 00 01 02", true},
        {u"A0 05 00 00 00 00", false},
        {u"A0 05 01 00 00 05 01 00 00 00 64", false},
        {u"A0 09 01 00 00 05 01 00 00 00 64", false},
        {u"A0 0A 00 00 00 00", false},
        {u"A0 0A 01 00 00 01 01", true},
        {u"A0 0B 00 00 00 00", false},
        {u"A0 0B 01 00 00 04 00 01 C2 00", true},
        {u"A0 0C 00 00 00 00", false},
        {u"A0 0C 01 00 00 01 01", true},
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
        // The late reply of a request that gave up arrives before the next row; the link is brought back in step
        // before the next row's reply is delayed.
        downloader->PassTime(kReplyTakes);
        ASSERT_TRUE(Exchange(u"A0 16 00 00 00 00", reply));
    }
}

TEST_F(LinkExchange, AnUnpluggedDownloaderAnswersNothing) {
    linksim::Unplug(downloader->Path());
    LinkReply reply;
    EXPECT_FALSE(Exchange(u"A0 01 01 00 00 00", reply));
}

// A reply shorter than its length byte says is its request's failure as it arrives. Waiting on for the rest would
// leave the request unanswered and the link out of step: the next request would go after an identity read.
TEST_F(LinkExchange, ACutReplyFailsItsRequestAtOnce) {
    for (size_t length : {4u, 8u, 20u}) {
        SCOPED_TRACE(length);
        downloader->ShortenNextReply(length);
        LinkReply reply;
        EXPECT_FALSE(Exchange(u"A0 01 02 00 00 00", reply));
        EXPECT_EQ(reply.Size(), length);
        downloader->ClearReceivedFrames();
        ASSERT_TRUE(Exchange(u"A0 01 04 00 00 00", reply));
        const auto frames = downloader->ReceivedFrames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0][2], 0x04);
    }
}

// A late reply, then the identity read that should bring the link back in step is not answered either: the request
// is not sent, and the link is closed and reported lost. Connected again, it is brought in step before anything.
TEST_F(LinkExchange, ALinkThatCannotBeBroughtBackInStepIsReportedLost) {
    downloader->HoldNextReply();
    LinkReply reply;
    EXPECT_FALSE(Exchange(u"A0 0A 01 00 00 01 00", reply));
    host.ClearRecords();
    downloader->ClearReceivedFrames();
    downloader->DropReplies(1);
    EXPECT_FALSE(Exchange(u"A0 0A 01 00 00 01 02", reply));
    const auto frames = downloader->ReceivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][1], 0x01);
    EXPECT_EQ(downloader->State<linksim::ParameterState>().working.buzzer, 0);
    const auto lines = host.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].text, u"下载器没有应答，连接已断开！");
    EXPECT_EQ(lines[0].color, kRed);
    EXPECT_EQ(window->m_connected, 0);
    EXPECT_EQ(window->GetDlgItem(IDC_BTN_CONNECT).GetWindowText(), u"连接设备");

    downloader->ClearReceivedFrames();
    ASSERT_TRUE(ConnectLink());
    // Another identity item than the one left unanswered, then the identity as ever.
    const auto again = downloader->ReceivedFrames();
    ASSERT_GE(again.size(), 5u);
    std::vector<std::pair<uint8_t, uint8_t>> identity;
    for (size_t i = 0; i < 5; ++i)
        identity.emplace_back(again[i][1], again[i][2]);
    EXPECT_EQ(identity, (std::vector<std::pair<uint8_t, uint8_t>>{{1, 2}, {1, 1}, {1, 2}, {1, 3}, {1, 4}}));
    EXPECT_EQ(window->m_linkSerialText, BytesToHex(downloader->Spec().serial));
}

// Requests that echo one another's bytes (writes and reads of one setting, activations and deletions, identity
// items), in a random order, with replies randomly late or refused. Each request reaches the downloader once, and
// the caller is told success exactly when the downloader answered it in time without refusing it, with what the
// downloader holds.
TEST_F(LinkExchange, LateAndRefusedRepliesNeverMisleadTheCaller) {
    // A late reply is held until the next request arrives: the waits decide nothing, they are short only to be quick.
    SetLinkReplyTimeouts(20, 20);
    std::mt19937 random(46);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto& params = downloader->State<linksim::ParameterState>();
    auto& store = downloader->State<linksim::ProjectStoreState>();
    const auto stored = [&](const std::string& name) {
        return std::ranges::any_of(store.projects, [&](const linksim::StoredProject& p) {
            return std::string(p.name.begin(), p.name.end()) == name;
        });
    };
    const auto activeName = [&] {
        return store.active
                   ? std::string(store.projects[*store.active].name.begin(), store.projects[*store.active].name.end())
                   : std::string();
    };
    bool outOfStep = false;
    for (int step = 0; step < 150; ++step) {
        for (const char* name : {"AB", "CD"}) {
            if (stored(name)) continue;
            linksim::StoredProject project;
            project.name.assign(name, name + 2);
            store.projects.push_back(project);
        }
        if (!store.active) store.active = 0;
        const std::string name = std::vector<std::string>{"AB", "CD", "XY"}[pick(3)];  // XY is never stored
        const fw::Text nameHex = u"03 02 " + BytesToHex(std::vector<uint8_t>(name.begin(), name.end()));
        const uint8_t value = static_cast<uint8_t>(pick(3));
        const uint8_t item = static_cast<uint8_t>(3 + pick(2));  // the items the link's own resync never asks for
        fw::Text request;
        bool possible = true;  // whether the downloader can do it at all
        switch (pick(5)) {
            case 0:
                request = fw::Format(u"A0 0A 01 00 00 01 %02X", value);
                break;
            case 1:
                request = u"A0 0A 00 00 00 00";
                break;
            case 2:
                request = u"A0 14 00 00 01 " + nameHex;
                possible = name != "XY";
                break;
            case 3:
                request = u"A0 14 00 00 02 " + nameHex;
                possible = name != "XY";
                break;
            default:
                request = fw::Format(u"A0 01 %02X 00 00 00", item);
                break;
        }
        std::vector<uint8_t> frame;
        ASSERT_EQ(EncodeLinkRequest(request, frame), LinkRequestError::None);
        SCOPED_TRACE(fw::TextToUtf8(u"step " + fw::Format(u"%d ", step) + request));
        // A late reply is the request's own only when no identity read goes before it.
        const bool late = !outOfStep && pick(3) == 0;
        const bool refused = pick(4) == 0;
        if (refused) downloader->ForceStatus(frame[1], linksim::kStatusSaveError, 1, frame[2]);
        if (late) downloader->HoldNextReply();
        const linksim::LinkParameters paramsBefore = params.working;
        const size_t projectsBefore = store.projects.size();
        const std::string activeBefore = activeName();
        downloader->ClearReceivedFrames();

        LinkReply reply;
        const bool told = Exchange(request, reply);

        const auto frames = downloader->ReceivedFrames();
        ASSERT_EQ(frames.size(), outOfStep ? 2u : 1u);
        EXPECT_EQ(frames.front()[1], outOfStep ? 0x01 : frame[1]);
        EXPECT_EQ(frames.back(), frame);
        EXPECT_EQ(told, !late && !refused && possible);
        if (refused || !possible) {
            EXPECT_EQ(params.working, paramsBefore);
            EXPECT_EQ(store.projects.size(), projectsBefore);
            EXPECT_EQ(activeName(), activeBefore);
        }
        if (!told) {
            outOfStep = late;
            continue;
        }
        EXPECT_EQ((std::vector<uint8_t>{reply.Byte(1), reply.Byte(2), reply.Byte(3)}),
                  (std::vector<uint8_t>{frame[1], frame[2], frame[3]}));
        const bool write = frame[2] == 1;
        switch (frame[1]) {
            case 0x0A:
                EXPECT_EQ(write ? value : reply.Payload()[0], params.working.buzzer);
                break;
            case 0x14: {
                const bool deletion = frame[4] == 2;
                EXPECT_EQ(stored(name), !deletion);
                // An activation makes the project active; a deletion names the project active after it.
                EXPECT_EQ(deletion ? LinkPayloadText(reply.Payload().subspan(1)) : fw::Utf8ToText(name),
                          fw::Utf8ToText(activeName()));
                break;
            }
            default: {
                const std::string hardware = downloader->Spec().hardwareText;
                const std::vector<uint8_t> expected =
                    item == 4 ? downloader->Spec().serial : std::vector<uint8_t>(hardware.begin(), hardware.end());
                EXPECT_TRUE(std::ranges::equal(reply.Payload(), expected));
                break;
            }
        }
        outOfStep = late;
    }
}
