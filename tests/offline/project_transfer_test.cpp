// Storing projects in the simulated downloader, which reassembles what arrives and checks it against the record
// as the real one does: the frames of a transfer, cancel and failure, the stored list, the read-back of a record,
// activation, deletion and the start of a download under the project's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>

#include "linksim/LinkSim.h"
#include "linksim/ProjectStoreState.h"
#include "linksim/SecurityState.h"
#include "offline/ByteStringName.h"
#include "offline/LinkRequestText.h"
#include "offline/ProjectTransfer.h"
#include "offline/StoredProjects.h"
#include "tests/offline/ProjectFixture.h"

namespace {

using namespace project_fixture;

class RecordingTransferUi : public ProjectTransferUi {
public:
    void OpenProgress(int upper, const fw::Text& text) override {
        progressUpper = upper;
        progressText = text;
        ++opened;
    }
    bool StepProgressCancelled() override { return ++steps == cancelAtStep; }
    void CloseProgress() override { ++closed; }
    void ShowMessage(const fw::Text& text) override { messages.push_back(text); }

    int progressUpper = -1, opened = 0, closed = 0, steps = 0, cancelAtStep = -1;
    fw::Text progressText;
    std::vector<fw::Text> messages;
};

// The exchange as the link does it: the request text becomes a frame, the downloader answers, status 0 succeeds.
bool SimExchange(linksim::Downloader& d, fw::TextView request, LinkReply& reply) {
    std::vector<uint8_t> frame;
    if (EncodeLinkRequest(request, frame) != LinkRequestError::None || !d.Write(frame)) return false;
    const auto answer = d.Read(std::chrono::seconds(1));
    if (!answer) return false;
    reply = LinkReply(*answer);
    return reply.HasHeader() && reply.Byte(0) == 0xA0 && reply.Status() == 0;
}

struct Frame {
    uint8_t command, p1, p2, p3;
    Bytes payload;
};

std::vector<Frame> FramesOf(const linksim::Downloader& d) {
    std::vector<Frame> frames;
    for (const Bytes& f : d.ReceivedFrames()) {
        const std::size_t length = f.size() > 5 ? std::min<std::size_t>(f[5] - 1u, f.size() - 6) : 0;
        frames.push_back({f[1], f[2], f[3], f[4], Bytes(f.begin() + 6, f.begin() + 6 + static_cast<long>(length))});
    }
    return frames;
}

class ProjectTransfer : public ProjectPage {
public:
    void SetUp() override {
        ProjectPage::SetUp();
        Restart();
    }
    // A fresh page and a fresh downloader.
    void Restart() {
        Reset();
        transferUi = RecordingTransferUi();
        linksim::Reset();
        downloader = linksim::Plug();
        exchange = [this](fw::TextView request, LinkReply& reply) { return SimExchange(*downloader, request, reply); };
        files[0].data = Filled(114, 1);
        files[0].length = 114;
    }
    void TearDown() override {
        linksim::Reset();
        ProjectPage::TearDown();
    }
    linksim::ProjectStoreState& Store() { return downloader->State<linksim::ProjectStoreState>(); }
    bool Send(const LinkProject& project) { return SendProjectToLink(project, exchange, transferUi); }

    std::shared_ptr<linksim::Downloader> downloader;
    LinkExchangeFn exchange;
    RecordingTransferUi transferUi;
};

TEST_F(ProjectTransfer, BuiltProjectIsStoredListedReadBackActivatedAndDownloaded) {
    ASSERT_TRUE(Build());
    const LinkProject project = Project();
    ASSERT_TRUE(Send(project));
    EXPECT_TRUE(transferUi.messages.empty());
    EXPECT_EQ(transferUi.opened, 1);
    EXPECT_EQ(transferUi.closed, 1);
    EXPECT_EQ(transferUi.progressText, u"正在保存项目文件到OVLink，请稍后...");

    ASSERT_EQ(Store().projects.size(), 1u);
    const linksim::StoredProject& stored = Store().projects[0];
    EXPECT_TRUE(std::ranges::equal(stored.record, CurrentProjectConfig()->Bytes()));
    EXPECT_EQ(stored.blob, project.blob);
    EXPECT_EQ(stored.files, project.files);

    const std::vector<Frame> frames = FramesOf(*downloader);
    const auto count = [&](uint8_t command, int p1) {
        return std::ranges::count_if(frames, [&](const Frame& f) { return f.command == command && f.p1 == p1; });
    };
    EXPECT_EQ(count(0x15, 1), 32);  // start and 31 chunks
    EXPECT_EQ(frames[31].p2, 3);
    EXPECT_EQ(frames[31].payload.size(), 6u);
    EXPECT_EQ(count(0x10, 0), 3);  // the 114-byte file: start and two chunks of 57, the second the last
    const auto file0 = std::ranges::find_if(frames, [](const Frame& f) { return f.command == 0x10 && f.p1 == 0; });
    EXPECT_EQ(file0->payload, (Bytes{4, 0x44, 0x65, 0x6D, 0x6F}));
    EXPECT_EQ(file0[2].p2, 3);
    EXPECT_EQ(file0[2].payload.size(), 57u);
    const std::size_t total = 1716 + project.blob.size() + 114 + 5000 + 100;
    EXPECT_EQ(transferUi.progressUpper, static_cast<int>(total / 57));
    EXPECT_EQ(transferUi.steps, static_cast<int>(31 + (project.blob.size() + 56) / 57 + 2 + 88 + 2));

    const StoredProjectList list = ReadStoredProjectList(exchange);
    EXPECT_TRUE(list.complete);
    EXPECT_EQ(list.names, std::vector<fw::Text>{ProjectNameOf(project.record)});
    EXPECT_EQ(ProjectNameOf(project.record), u"Demo");  // the blanks typed in the name edit are not part of it
    EXPECT_EQ(list.activeIndex, 0);
    const std::optional<ProjectConfig> readBack = ReadStoredProjectRecord(exchange, u"Demo");
    ASSERT_TRUE(readBack);
    EXPECT_TRUE(std::ranges::equal(readBack->Bytes(), CurrentProjectConfig()->Bytes()));
    EXPECT_TRUE(ActivateStoredProject(exchange, u"Demo"));
    LinkReply reply;
    EXPECT_TRUE(exchange(u"A0 12 00 00 00 00", reply));
    EXPECT_EQ(Store().projects[0].downloads, 1u);
}

TEST_F(ProjectTransfer, ChunksOfTheAlgorithmAndFilesByTheirLength) {
    ASSERT_TRUE(Build());
    LinkProject project = Project();
    project.blob = Filled(6000, 9);
    project.record.algorithm.plainSize.Set(6000);
    std::vector<Frame> sent;
    const LinkExchangeFn recorder = [&](fw::TextView request, LinkReply&) {
        const std::string hex = fw::TextToUtf8(request);
        Bytes b;
        for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
            while (hex[at] == ' ')
                ++at;
            b.push_back(static_cast<uint8_t>(std::stoi(hex.substr(at, 2), nullptr, 16)));
        }
        sent.push_back({b[1], b[2], b[3], b[4], Bytes(b.begin() + 6, b.end())});
        EXPECT_EQ(b[5], b.size() - 6);
        return true;
    };
    ASSERT_TRUE(SendProjectToLink(project, recorder, transferUi));
    std::vector<Frame> algorithm;
    std::ranges::copy_if(sent, std::back_inserter(algorithm),
                         [](const Frame& f) { return f.command == 0x10 && f.p1 == 0xFF; });
    ASSERT_EQ(algorithm.size(), 107u);
    EXPECT_EQ(algorithm[0].p2, 1);
    for (std::size_t k = 1; k < 106; ++k)
        ASSERT_EQ(std::make_pair(algorithm[k].p2, algorithm[k].payload.size()),
                  std::make_pair(uint8_t{2}, std::size_t{57}))
            << k;
    EXPECT_EQ(algorithm[106].p2, 3);
    EXPECT_EQ(algorithm[106].payload.size(), 15u);
    EXPECT_EQ(algorithm[106].payload.back(), static_cast<uint8_t>(9 + 5999));
    for (const Frame& f : sent)
        EXPECT_EQ(f.p3, 0);
}

TEST_F(ProjectTransfer, CancelDuringTheSecondFileSendsItsCancelFrameAndStoresNothing) {
    ASSERT_TRUE(Build());
    const LinkProject project = Project();
    const int algorithmChunks = static_cast<int>((project.blob.size() + 56) / 57);
    transferUi.cancelAtStep = 31 + algorithmChunks + 2 + 3;  // the third chunk of file 1
    EXPECT_FALSE(Send(project));
    const std::vector<Frame> frames = FramesOf(*downloader);
    EXPECT_EQ(frames.back().command, 0x10);
    EXPECT_EQ(frames.back().p1, 1);
    EXPECT_EQ(frames.back().p2, 4);
    EXPECT_TRUE(frames.back().payload.empty());
    EXPECT_EQ(transferUi.messages, std::vector<fw::Text>{u"已取消保存项目文件！"});
    EXPECT_EQ(transferUi.closed, 1);
    EXPECT_TRUE(Store().projects.empty());
    EXPECT_FALSE(Store().incoming);
    EXPECT_EQ(Store().cancelledTransfers, 1);
}

TEST_F(ProjectTransfer, CancelNoticedAfterTheLastChunkIsASuccess) {
    ASSERT_TRUE(Build());
    const LinkProject project = Project();
    transferUi.cancelAtStep = static_cast<int>(31 + (project.blob.size() + 56) / 57 + 2 + 88 + 2);
    EXPECT_TRUE(Send(project));
    EXPECT_TRUE(transferUi.messages.empty());
    EXPECT_EQ(Store().projects.size(), 1u);
    for (const Frame& f : FramesOf(*downloader))
        EXPECT_NE(f.p2, 4);
}

TEST_F(ProjectTransfer, FailedFrameStopsAtOnceWithoutCancelFrame) {
    struct Row {
        const char* what;
        uint8_t command;
        std::optional<uint8_t> p1;
        bool progressOpened;
    };
    const Row rows[] = {
        {"record start", 0x15, 1, false},
        {"algorithm start", 0x10, 0xFF, true},
        {"second file", 0x10, 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        ASSERT_TRUE(Build());
        downloader->ForceStatus(row.command, 25, 1, row.p1);
        EXPECT_FALSE(Send(Project()));
        const std::vector<Frame> frames = FramesOf(*downloader);
        EXPECT_EQ(frames.back().command, row.command);
        EXPECT_EQ(frames.back().p1, *row.p1);
        for (const Frame& f : frames)
            EXPECT_NE(f.p2, 4);
        EXPECT_TRUE(transferUi.messages.empty());
        EXPECT_EQ(transferUi.opened, row.progressOpened ? 1 : 0);
        EXPECT_EQ(transferUi.closed, transferUi.opened);
        EXPECT_TRUE(Store().projects.empty());
        // The pieces that arrived are dropped when the next transfer starts; it alone is filed.
        ASSERT_TRUE(Send(Project()));
        ASSERT_EQ(Store().projects.size(), 1u);
        EXPECT_EQ(Store().projects[0].files, Project().files);
    }
}

TEST_F(ProjectTransfer, ProjectWithoutItsDataIsRefusedBeforeAnyFrame) {
    ASSERT_TRUE(Build());
    LinkProject listed;  // what a page holds after loading a record from the downloader
    listed.record = *CurrentProjectConfig();
    EXPECT_FALSE(Send(listed));
    LinkProject shortFile = Project();
    shortFile.files[2].pop_back();
    EXPECT_FALSE(Send(shortFile));
    EXPECT_EQ(transferUi.messages, std::vector<fw::Text>(2, u"项目缺少文件数据，请重新打开项目文件！"));
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(ProjectTransfer, DownloaderRefusesDataThatDoesNotMatchTheRecord) {
    struct Row {
        const char* what;
        std::function<void(LinkProject&)> damage;
        uint8_t status;
        std::function<void(fw::Text&)> alterRequest = [](fw::Text&) {};
    };
    const Row rows[] = {
        {"algorithm byte changed", [](LinkProject& p) { p.blob[100] ^= 1; }, 23},
        {"file byte changed", [](LinkProject& p) { p.files[1][7] ^= 1; }, 27},
        {"recorded file digest wrong", [](LinkProject& p) { p.record.files[1].storedSha256[31] ^= 1; }, 27},
        {"recorded CRC wrong",
         [](LinkProject& p) { p.record.files[2].storedCrc.Set(p.record.files[2].storedCrc.Get() ^ 1); }, 20},
        {"announced record digest damaged on its way", [](LinkProject&) {}, 19,
         [](fw::Text& request) {
             if (request.starts_with(u"A0 15 01 01")) request.back() = request.back() == u'0' ? u'1' : u'0';
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        ASSERT_TRUE(Build());
        LinkProject project = Project();
        row.damage(project);
        int refusedWith = -1;
        const LinkExchangeFn recording = [&](fw::TextView request, LinkReply& reply) {
            fw::Text sent(request);
            row.alterRequest(sent);
            const bool answered = exchange(sent, reply);
            if (!answered) refusedWith = reply.Status();
            return answered;
        };
        EXPECT_FALSE(SendProjectToLink(project, recording, transferUi));
        EXPECT_EQ(refusedWith, row.status);
        const Bytes last = downloader->ReceivedFrames().back();
        EXPECT_EQ(last[4 - 1], 3) << "refused on the last chunk";
        EXPECT_TRUE(Store().projects.empty());
        EXPECT_FALSE(Store().incoming);
    }
}

// Projects put straight into the downloader's store.
void StoreProject(linksim::ProjectStoreState& store, const std::string& name, uint8_t bound, uint8_t once,
                  uint32_t limit) {
    linksim::StoredProject p;
    p.name.assign(name.begin(), name.end());
    p.record.fill(0xFF);
    p.record[78] = bound;
    p.record[79] = once;
    p.record[84] = limit ? 1 : 0;
    for (int i = 0; i < 4; ++i)
        p.record[92 + i] = static_cast<uint8_t>(limit >> (8 * i));
    store.projects.push_back(p);
}

TEST_F(ProjectTransfer, ListActivateDeleteAndTheDownloadRules) {
    StoreProject(Store(), "one", 0, 1, 0);
    StoreProject(Store(), "two", 0, 0, 2);
    StoreProject(Store(), "three", 1, 0, 0);
    Store().active = 1;
    const StoredProjectList list = ReadStoredProjectList(exchange);
    EXPECT_EQ(list.names, (std::vector<fw::Text>{u"one", u"two", u"three"}));
    EXPECT_EQ(list.activeIndex, 1);

    const auto start = [&] {
        LinkReply reply;
        exchange(u"A0 12 00 00 00 00", reply);
        return reply.Status();
    };
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(start(), 2) << "the project's limit of two is used up";
    ASSERT_TRUE(ActivateStoredProject(exchange, u"one"));
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(start(), 9) << "once only";
    ASSERT_TRUE(ActivateStoredProject(exchange, u"three"));
    EXPECT_EQ(start(), 8) << "bound to another downloader's serial number";
    EXPECT_FALSE(ActivateStoredProject(exchange, u"four"));

    downloader->State<linksim::SecurityState>().limitFlags = 1;
    downloader->State<linksim::SecurityState>().remaining = 0;
    StoreProject(Store(), "free", 0, 0, 0);
    ASSERT_TRUE(ActivateStoredProject(exchange, u"free"));
    EXPECT_EQ(start(), 2) << "the downloader's burn limit is used up";

    EXPECT_EQ(DeleteStoredProject(exchange, u"free"), std::optional<fw::Text>(u"one"));
    EXPECT_EQ(DeleteStoredProject(exchange, u"missing"), std::nullopt);
    for (const char16_t* name : {u"one", u"two"})
        EXPECT_TRUE(DeleteStoredProject(exchange, name));
    EXPECT_EQ(DeleteStoredProject(exchange, u"three"), std::optional<fw::Text>(u""));
    EXPECT_TRUE(ReadStoredProjectList(exchange).names.empty());
}

// Replies scripted by hand, for what a downloader might send that the simulated one does not.
LinkReply ScriptedReply(uint8_t command, uint8_t p2, const Bytes& payload, std::optional<uint8_t> lengthByte = {}) {
    Bytes bytes = {0xA0, command, 0, p2, 0, lengthByte.value_or(static_cast<uint8_t>(payload.size() + 1))};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    bytes.push_back(0);
    return LinkReply(bytes);
}

TEST(StoredProjectRead, PiecesMustMakeUpExactlyOneRecord) {
    // A record of the project asked for: it names it.
    Bytes record = Filled(1716, 5);
    const std::string name = "Demo";
    std::ranges::copy(name, record.begin() + offsetof(ProjectConfig, name));
    record[offsetof(ProjectConfig, nameLength)] = static_cast<uint8_t>(name.size());
    struct Row {
        const char* what;
        std::vector<std::size_t> pieces;  // the last one carries the last-piece mark
        bool accepted;
        int failAt = -1;
    };
    const std::vector<Row> rows = {
        {"31 pieces of 57 and one of 6 bytes",
         [] {
             std::vector<std::size_t> p(30, 57);
             p.push_back(6);
             return p;
         }(),
         true},
        {"pieces of 32 bytes",
         [] {
             std::vector<std::size_t> p(53, 32);
             p.push_back(20);
             return p;
         }(),
         true},
        {"one byte short",
         [] {
             std::vector<std::size_t> p(30, 57);
             p.push_back(5);
             return p;
         }(),
         false},
        {"one piece past the record",
         [] {
             std::vector<std::size_t> p(31, 57);
             p.push_back(6);
             return p;
         }(),
         false},
        {"empty pieces forever", std::vector<std::size_t>(5000, 0), false},
        {"exchange fails part way",
         [] {
             std::vector<std::size_t> p(30, 57);
             p.push_back(6);
             return p;
         }(),
         false, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::size_t served = 0, offset = 0;
        const LinkExchangeFn exchange = [&](fw::TextView request, LinkReply& reply) {
            EXPECT_EQ(request, u"A0 15 00 00 00 05" + fw::Text(u"0444656D6F"));
            if (served == row.pieces.size() || static_cast<int>(served) == row.failAt) return false;
            const std::size_t length = row.pieces[served];
            const bool last = ++served == row.pieces.size() && length != 0;
            Bytes piece(length);
            for (std::size_t i = 0; i < length; ++i)
                piece[i] = offset + i < record.size() ? record[offset + i] : 0xEE;
            offset += length;
            reply = ScriptedReply(0x15, last ? 3 : 2, piece);
            return true;
        };
        const std::optional<ProjectConfig> read = ReadStoredProjectRecord(exchange, u"Demo");
        ASSERT_EQ(read.has_value(), row.accepted);
        if (read) {
            EXPECT_TRUE(std::ranges::equal(read->Bytes(), record));
        }
        EXPECT_LE(served, 1717u) << "the loop is bounded";
    }
}

// A list entry is the active mark, the name's length byte and the whole name; one that lacks any of them ends the
// list as a failed exchange does, instead of adding a cut or empty name.
TEST(StoredProjectRead, AnEntryWithoutItsWholeNameEndsTheList) {
    struct Row {
        const char* what;
        Bytes payload;  // of the second entry; the first is "one", active
        std::optional<uint8_t> lengthByte;
        std::optional<fw::Text> name;  // nothing: the list ends before it
    };
    const std::vector<Row> rows = {
        {"as sent", {0, 3, 'a', 'b', 'c'}, {}, u"abc"},
        {"frame length byte past what arrived, name whole", {0, 3, 'a', 'b', 'c'}, 60, u"abc"},
        {"name length past the payload", {1, 200, 'a', 'b'}, {}, {}},
        {"name cut short", {0, 5, 'a', 'b', 'c'}, {}, {}},
        {"name one byte short", {0, 4, 'a', 'b', 'c'}, {}, {}},
        {"name longer than a record holds",
         [] {
             Bytes p = {0, 40};
             p.resize(42, 'n');
             return p;
         }(),
         {},
         {}},
        {"empty name", {0, 0}, {}, {}},
        {"only the active mark", {0}, {}, {}},
        {"no payload", {}, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int call = 0;
        const LinkExchangeFn exchange = [&](fw::TextView, LinkReply& reply) {
            const int n = call++;
            reply = n == 0   ? ScriptedReply(0x16, 0, {2})
                    : n == 1 ? ScriptedReply(0x17, 0, {1, 3, 'o', 'n', 'e'})
                             : ScriptedReply(0x17, 0, row.payload, row.lengthByte);
            return true;
        };
        const StoredProjectList list = ReadStoredProjectList(exchange);
        EXPECT_EQ(list.complete, row.name.has_value());
        EXPECT_EQ(list.activeIndex, 0);
        std::vector<fw::Text> names = {u"one"};
        if (row.name) names.push_back(*row.name);
        EXPECT_EQ(list.names, names);
    }
}

}  // namespace
