// A project built on the page's choices, saved to a link project file, opened again and stored in the downloader
// through the main window's exchange, as a user on interface 4 does it; then listed, read back and started.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "framework/UiThread.h"
#include "linksim/ProjectStoreState.h"
#include "offline/CurrentProject.h"
#include "offline/DownloadFileLoad.h"
#include "offline/LinkProjectFile.h"
#include "offline/ProjectBuilder.h"
#include "offline/ProjectLinkProgress.h"
#include "offline/ProjectTransfer.h"
#include "offline/StoredProjects.h"
#include "tests/offline/LinkFixture.h"
#include "tools/EncFiles.h"

namespace {

class QuietBuildUi : public ProjectBuildUi {
public:
    void ShowMessage(const fw::Text& text) override { ADD_FAILURE() << fw::TextToUtf8(text); }
    bool Ask(const fw::Text&) override { return true; }
    bool RunProjectSetup() override { return true; }
};

class QuietTransferUi : public ProjectTransferUi {
public:
    void OpenProgress(int, const fw::Text&) override {}
    bool StepProgressCancelled() override { return false; }
    void CloseProgress() override {}
    void ShowMessage(const fw::Text& text) override { ADD_FAILURE() << fw::TextToUtf8(text); }
};

class ProjectOnLink : public LinkFixture {
protected:
    // A VK517 project of one plain file (3000 bytes unless told) built as the page does, in the window's working
    // directory.
    LinkProject BuildProject(fw::TextView name, std::size_t fileBytes = 3000) {
        ProjectFileRow row;
        row.name = u"app.bin";
        row.startText = u"08000000";
        row.data.assign(fileBytes, 0x5A);
        row.length = static_cast<uint32_t>(fileBytes);
        return BuildProject(name, row);
    }
    LinkProject BuildProject(fw::TextView name, const ProjectFileRow& row) {
        std::filesystem::create_directories(dir.Path() / "FLM");
        std::filesystem::copy_file(std::filesystem::path(QX_BINARY_DIR) / "workdir" / "FLM" / "VK51x.FLM",
                                   dir.Path() / "FLM" / "VK51x.FLM", std::filesystem::copy_options::skip_existing);
        CChipSeriesTable table([](const fw::Text&) {});
        table.ReadRows({u"CLASS=VK517", u"CHIPMARK=VK517", u"FLASHSTARTADDR=0x08000000", u"SRAMSTARTADDR=0x20000000",
                        u"FLASHSIZE=0x20000", u"SRAMSIZE=0x5000", u"FLMFILE=VK51x.FLM", u"PAGESIZE=0x800"});
        ProjectPageChoices choices;
        choices.seriesSelected = choices.modelSelected = true;
        choices.seriesText = choices.modelText = u"VK517";
        choices.nameText = fw::Text(name);
        choices.optionBytesChecked = false;
        OfflineProjectSettings settings;
        QuietBuildUi buildUi;
        EXPECT_TRUE(BuildProjectConfig(choices, std::span(&row, 1), table, settings, buildUi));
        LinkProject built;
        built.record = *CurrentProjectConfig();
        std::copy_n(table.m_pAlgoDescriptor.get(), built.descriptor.size(), built.descriptor.begin());
        built.blob.assign(table.m_pAlgoBlob.get(), table.m_pAlgoBlob.get() + table.m_algoBlobSize);
        built.files.push_back(row.data);
        return built;
    }
    LinkExchangeFn WindowExchange() {
        return [this](fw::TextView request, LinkReply& reply) { return Exchange(request, reply); };
    }
};

TEST_F(ProjectOnLink, BuiltSavedOpenedSentListedReadBackAndStarted) {
    ClearProjectConfig();
    const LinkProject built = BuildProject(u"Line 7");
    ASSERT_TRUE(WriteLinkProjectFile(dir.Wide("Line7.ovpf"), built));
    LinkProject opened;
    ASSERT_EQ(OpenLinkProjectFile(dir.Wide("Line7.ovpf"), opened), ProjectFileOpen::Opened);

    StartOnLink();
    ASSERT_TRUE(ConnectLink());
    const LinkExchangeFn exchange = WindowExchange();
    QuietTransferUi transferUi;
    // The transfer takes the byte road the page uses; the texts' road is the transfer tests'.
    const LinkRequestExchangeFn bytes = [&](std::span<const uint8_t> request, LinkReply& reply) {
        return ExchangeLinkRequest(*window, request, reply);
    };
    ASSERT_TRUE(SendProjectToLink(opened, bytes, transferUi));

    const auto& store = downloader->State<linksim::ProjectStoreState>();
    ASSERT_EQ(store.projects.size(), 1u);
    EXPECT_TRUE(std::ranges::equal(store.projects[0].record, built.record.Bytes()));
    const StoredProjectList list = ReadStoredProjectList(exchange);
    EXPECT_EQ(list.names, std::vector<fw::Text>{u"Line7"});
    const std::optional<ProjectConfig> readBack = ReadStoredProjectRecord(exchange, list.names[0]);
    ASSERT_TRUE(readBack);
    EXPECT_TRUE(std::ranges::equal(readBack->Bytes(), built.record.Bytes()));
    EXPECT_TRUE(ActivateStoredProject(exchange, u"Line7"));
    LinkReply reply;
    EXPECT_TRUE(Exchange(u"A0 12 00 00 00 00", reply));
    EXPECT_EQ(store.downloadsStarted, 1);
    ClearProjectConfig();
}

// A record that names another project than the one asked for (the downloader filed or served the wrong one) is
// not taken for it.
TEST_F(ProjectOnLink, ARecordNamingAnotherProjectIsRefused) {
    ClearProjectConfig();
    const LinkProject built = BuildProject(u"Line7");
    StartOnLink();
    ASSERT_TRUE(ConnectLink());
    auto& store = downloader->State<linksim::ProjectStoreState>();
    for (const char* name : {"Line7", "Line8"}) {
        linksim::StoredProject stored;
        stored.name.assign(name, name + 5);
        std::ranges::copy(built.record.Bytes(), stored.record.begin());
        store.projects.push_back(stored);
    }
    EXPECT_TRUE(ReadStoredProjectRecord(WindowExchange(), u"Line7"));
    EXPECT_FALSE(ReadStoredProjectRecord(WindowExchange(), u"Line8"));
    ClearProjectConfig();
}

TEST_F(ProjectOnLink, AnEncipheredFileIsStoredAsItsCiphertextWithItsHeadersValues) {
    // 1000 bytes of plaintext: 1008 padded, a CRC over a page; the header gives both most significant byte first.
    std::vector<uint8_t> plain(1000);
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<uint8_t>(i * 7);
    const std::vector<uint8_t> enc = MakeDigestHeaderEncFile(plain, linksim::kSimFirmwareKey, 0x800);
    const std::vector<uint8_t> ciphertext(enc.begin() + 40, enc.end());
    const uint32_t headerCrc = uint32_t{enc[36]} << 24 | uint32_t{enc[37]} << 16 | uint32_t{enc[38]} << 8 | enc[39];
    for (const char* name : {"app.enc", "APP.ENC", "app.enc.Enc"}) {
        SCOPED_TRACE(name);
        dir.Write(name, std::string(enc.begin(), enc.end()));
        DownloadFile file = ReadDownloadFile(dir.Wide(name), fw::Utf8ToText(name), 0x08000000, 1 << 20);
        ASSERT_TRUE(file.refusal.empty()) << fw::TextToUtf8(file.refusal);
        ASSERT_EQ(file.runs.size(), 1u);
        ProjectFileRow row;
        row.name = fw::Utf8ToText(name);
        row.startText = u"08000000";
        row.data = std::move(file.runs[0].data);
        row.length = static_cast<uint32_t>(row.data.size());
        row.plainLength = file.plainLength;
        row.plainSha256 = file.plainSha256;
        row.plainCrc32 = file.plainCrc32;
        const LinkProject project = BuildProject(u"Enc", row);
        const ProjectFileRecord& f = project.record.files[0];
        EXPECT_EQ(f.plainSize.Get(), 1008u);
        EXPECT_EQ(f.storedSize.Get(), 1008u);
        EXPECT_EQ(f.plainCrc.Get(), headerCrc);
        EXPECT_TRUE(std::equal(f.plainSha256.begin(), f.plainSha256.end(), enc.begin() + 4));

        if (!window) {
            StartOnLink();
            ASSERT_TRUE(ConnectLink());
        }
        QuietTransferUi transferUi;
        const LinkRequestExchangeFn bytes = [&](std::span<const uint8_t> request, LinkReply& reply) {
            return ExchangeLinkRequest(*window, request, reply);
        };
        // The downloader checks an enciphered file's CRC over the ciphertext, a plain one's over the chip's page.
        ASSERT_TRUE(SendProjectToLink(project, bytes, transferUi));
        auto& store = downloader->State<linksim::ProjectStoreState>();
        ASSERT_EQ(store.projects.size(), 1u);
        EXPECT_EQ(store.projects[0].files.at(0), ciphertext);
        store.projects.clear();
        store.active.reset();
    }
    ClearProjectConfig();
}

TEST_F(ProjectOnLink, CancelPressedInTheProgressWindowSendsTheCancelFrameAndSaysSo) {
    StartOnLink();
    ASSERT_TRUE(ConnectLink());
    const LinkProject project = BuildProject(u"Demo");
    ProjectTransferProgress progress(window.get());
    int fileFrames = 0;
    const LinkExchangeFn exchange = WindowExchange();
    const LinkExchangeFn pressCancel = [&](fw::TextView request, LinkReply& reply) {
        // The user presses Cancel while the file's second chunk is on its way.
        if (request.starts_with(u"A0 10 00") && ++fileFrames == 3) {
            EXPECT_NE(progress.Progress(), nullptr);
            if (progress.Progress()) progress.Progress()->Click(CProgressWnd::kCancelButtonId);
        }
        return exchange(request, reply);
    };
    host.ExpectBox(u"已取消保存项目文件！", fw::IDOK);
    EXPECT_FALSE(SendProjectToLink(project, pressCancel, progress));
    EXPECT_EQ(progress.Progress(), nullptr) << "the window is gone";
    const std::vector<uint8_t> last = downloader->ReceivedFrames().back();
    EXPECT_EQ(std::vector<uint8_t>(last.begin(), last.begin() + 6),
              (std::vector<uint8_t>{0xA0, 0x10, 0x00, 0x04, 0x00, 0x01}));
    EXPECT_TRUE(downloader->State<linksim::ProjectStoreState>().projects.empty());
    EXPECT_TRUE(window->IsWindowEnabled()) << "the owner is enabled again";
    ClearProjectConfig();
}

TEST_F(ProjectOnLink, DeletingUnderTheProgressWindow) {
    StartOnLink();
    ASSERT_TRUE(ConnectLink());
    auto& store = downloader->State<linksim::ProjectStoreState>();
    for (const char* name : {"a", "b"}) {
        linksim::StoredProject p;
        p.name.assign(name, name + 1);
        store.projects.push_back(p);
    }
    store.active = 0;
    const LinkExchangeFn exchange = WindowExchange();

    StoredProjectDeletion deleted = DeleteStoredProjectWithProgress(window.get(), exchange, u"a");
    EXPECT_EQ(deleted.outcome, StoredProjectDeletion::Deleted);
    EXPECT_EQ(deleted.activeName, u"b");

    const LinkExchangeFn pressCancel = [&](fw::TextView request, LinkReply& reply) {
        for (fw::WindowHandle handle : host.Windows()) {
            if (auto* w = fw::Window::FromHandle(handle); w && w->GetWindowText() == u"进度")
                w->SendCommand(CProgressWnd::kCancelButtonId);
        }
        return exchange(request, reply);
    };
    host.ExpectBox(u"已取消删除项目！", fw::IDOK);
    deleted = DeleteStoredProjectWithProgress(window.get(), pressCancel, u"b");
    EXPECT_EQ(deleted.outcome, StoredProjectDeletion::Cancelled);
    EXPECT_TRUE(store.projects.empty()) << "the downloader got the command all the same";

    EXPECT_EQ(DeleteStoredProjectWithProgress(window.get(), exchange, u"b").outcome, StoredProjectDeletion::Failed);
    EXPECT_TRUE(window->IsWindowEnabled());
}

// A downloader on a full-speed link: every report waits 1 ms for the bus.
class PacedProjectOnLink : public ProjectOnLink {
protected:
    linksim::DownloaderSpec Spec() override {
        linksim::DownloaderSpec spec;
        spec.reportInterval = std::chrono::milliseconds(1);
        return spec;
    }
};

TEST_F(PacedProjectOnLink, TheWindowAnswersDuringTheTransferAndCancelStopsIt) {
    using Clock = std::chrono::steady_clock;
    StartOnLink();
    ASSERT_TRUE(ConnectLink());
    downloader->ClearReceivedFrames();
    // 64 KiB: over a thousand request/reply pairs, seconds on this link.
    const LinkProject project = BuildProject(u"Demo", 64 * 1024);
    ProjectTransferProgress progress(window.get());
    // The requests sent so far are the test's clock: they say when a message was served, whatever the load.
    std::atomic<int> requests{0};
    std::atomic<bool> fileOnItsWay{false};
    const LinkRequestExchangeFn bytes = [&](std::span<const uint8_t> request, LinkReply& reply) {
        ++requests;
        if (request[1] == 0x10 && request[2] == 0x00) fileOnItsWay = true;
        return ExchangeLinkRequest(*window, request, reply);
    };

    // A user who keeps the window busy: each message is posted once the one before was served, and Cancel is
    // pressed after ten of them, once the file is on its way.
    constexpr std::size_t kMessagesBeforeCancel = 10;
    struct Message {
        int postedBy = 0;  // requests sent once it was posted
        int servedAt = -1;
    };
    std::mutex mutex;
    std::condition_variable served;
    std::vector<Message> messages;
    bool done = false;
    std::thread user([&] {
        bool cancelled = false;
        std::unique_lock lock(mutex);
        while (!done) {
            const std::size_t i = messages.size();
            messages.emplace_back();
            lock.unlock();
            fw::PostToUi([&, i] {
                std::lock_guard servedLock(mutex);
                messages[i].servedAt = requests;
                served.notify_all();
            });
            const int postedBy = requests;
            lock.lock();
            messages[i].postedBy = postedBy;
            served.wait(lock, [&] { return done || messages[i].servedAt >= 0; });
            if (!cancelled && i + 1 >= kMessagesBeforeCancel && fileOnItsWay) {
                cancelled = true;
                fw::PostToUi([&] {
                    if (progress.Progress()) progress.Progress()->Click(CProgressWnd::kCancelButtonId);
                });
            }
        }
    });
    host.ExpectBox(u"已取消保存项目文件！", fw::IDOK);
    const auto start = Clock::now();
    const bool sent = SendProjectToLink(project, bytes, progress);
    const auto took = Clock::now() - start;
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    served.notify_all();
    user.join();
    host.PumpUntilIdle();

    EXPECT_FALSE(sent);
    const auto frames = downloader->ReceivedFrames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(std::vector<uint8_t>(frames.back().begin(), frames.back().begin() + 4),
              (std::vector<uint8_t>{0xA0, 0x10, 0x00, 0x04}))
        << "the transfer ends with the cancel frame";
    EXPECT_TRUE(downloader->State<linksim::ProjectStoreState>().projects.empty());
    EXPECT_LT(frames.size(), (64u * 1024) / 57) << "stopped long before the file was through";
    // Each pair waited two intervals; the transfer was not served faster than the link allows.
    EXPECT_GE(took, 2 * Spec().reportInterval * static_cast<int>(frames.size()));
    // The window served its messages between requests, not after the transfer: each within the two requests that
    // may come between the window's turns (a file's start frame and its first chunk).
    ASSERT_GE(messages.size(), kMessagesBeforeCancel);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        EXPECT_GE(messages[i].servedAt, 0) << "message " << i;
        EXPECT_LE(messages[i].servedAt, messages[i].postedBy + 2) << "message " << i;
    }
    EXPECT_TRUE(window->IsWindowEnabled());
    ClearProjectConfig();
}

}  // namespace
