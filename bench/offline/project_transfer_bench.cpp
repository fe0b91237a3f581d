// Storing a project with a 1 MiB file in the simulated downloader (no link latency) through the transfer and the
// main window's exchange, against the same frames, encoded beforehand, written and answered in a bare loop. The
// ratio is the cost of the road: the requests' making, the exchange's frame handling and the HID transport.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <numeric>

#include "app/MainWindow.h"
#include "bench/support/BenchRun.h"
#include "core/Sha256.h"
#include "framework/DeviceNotification.h"
#include "framework/Files.h"
#include "framework/Profile.h"
#include "framework/Resources.h"
#include "framework/Sync.h"
#include "linksim/LinkSim.h"
#include "linksim/ProjectStoreState.h"
#include "offline/LinkFrame.h"
#include "offline/LinkSession.h"
#include "offline/OfflineCommands.h"
#include "offline/ProjectBuilder.h"
#include "offline/ProjectTransfer.h"
#include "resources/ui/resource.h"
#include "tests/framework/TempFolder.h"
#include "tests/offline/ClosedUpdatePort.h"

namespace {

constexpr uint32_t kPage = 0x800;

LinkProject BenchProject() {
    LinkProject p;
    ProjectConfig& r = p.record;
    r.nameLength = 5;
    std::copy_n("Bench", 5, r.name.begin());
    r.fileCount = 1;
    r.chip.pageSize.Set(kPage);
    p.blob.resize(2048);
    std::iota(p.blob.begin(), p.blob.end(), uint8_t{1});
    r.algorithm.plainSize.Set(static_cast<uint32_t>(p.blob.size()));
    Sha256Buffer(p.blob.data(), static_cast<int>(p.blob.size()), r.algorithm.storedSha256.data());
    std::vector<uint8_t> file(1u << 20);
    std::iota(file.begin(), file.end(), uint8_t{7});
    ProjectFileRecord& f = r.files[0];
    f.marker.Set(kProjectMarkerValid);
    f.index = 0;
    f.nameLength = 5;
    std::copy_n("a.bin", 5, f.name.begin());
    f.plainSize.Set(static_cast<uint32_t>(file.size()));
    f.storedSize.Set(static_cast<uint32_t>(file.size()));
    f.startAddress.Set(0x08000000);
    f.storedCrc.Set(ProjectImageCrc(file, 0x08000000, kPage));
    Sha256Buffer(file.data(), static_cast<int>(file.size()), f.storedSha256.data());
    p.files.push_back(std::move(file));
    return p;
}

class QuietUi : public ProjectTransferUi {
public:
    void OpenProgress(int, const fw::Text&) override {}
    bool StepProgressCancelled() override { return false; }
    void CloseProgress() override {}
    void ShowMessage(const fw::Text&) override {}
};

bool Roundtrip(linksim::Downloader& d, std::span<const uint8_t> frame, LinkReply& reply) {
    if (!d.Write(frame)) return false;
    const auto answer = d.Read(std::chrono::seconds(1));
    if (!answer) return false;
    reply = LinkReply(*answer);
    return reply.Status() == 0;
}

std::shared_ptr<linksim::Downloader> FreshDownloader() {
    linksim::Reset();
    return linksim::Plug();
}

// The main window on interface 4, connected to the one simulated downloader, in a working directory of its own.
struct ConnectedWindow {
    ConnectedWindow() {
        previous = fw::GetWorkingDirectory();
        fw::SetWorkingDirectory(dir.Wide());
        fw::SetProfileFolder(dir.Wide("profile"));
        fw::SetRuntimeFolder(dir.Wide("run"));
        fw::SetDeviceEventSource(fw::DeviceEventSource::InjectedOnly);
        dir.Write("SysConfig.ini", "[dlparam]\ninterface=04\n");
        RegisterOfflineCommands();
        downloader = FreshDownloader();
        window = std::make_unique<CQXDownloadToolDlg>(2052);
        window->Create();
        window->Click(IDC_BTN_CONNECT);
    }
    ~ConnectedWindow() {
        window.reset();
        linksim::Reset();
        fw::SetWorkingDirectory(previous);
    }
    // The window's update checks ask nobody, so no web server of the machine takes part in the figures.
    ClosedUpdatePort closedUpdatePort;
    fw::testing::TempFolder dir;
    fw::Text previous;
    std::shared_ptr<linksim::Downloader> downloader;
    std::unique_ptr<CQXDownloadToolDlg> window;
};

constexpr const char* kStore = "project with a 1 MiB file stored in the downloader";

void StoreProject_Transfer(benchmark::State& state) {
    qxbench::Ours(state, kStore);
    const LinkProject project = BenchProject();
    ConnectedWindow link;
    if (link.window->m_connected != 1) {
        state.SkipWithError("not connected");
        return;
    }
    const std::shared_ptr<linksim::Downloader> d = link.downloader;
    const LinkRequestExchangeFn exchange = [&](std::span<const uint8_t> request, LinkReply& reply) {
        return ExchangeLinkRequest(*link.window, request, reply);
    };
    QuietUi ui;
    for (auto _ : state) {
        d->State<linksim::ProjectStoreState>().projects.clear();
        d->ClearReceivedFrames();
        if (!SendProjectToLink(project, exchange, ui)) state.SkipWithError("transfer failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (1 << 20));
}

void StoreProject_Reference(benchmark::State& state) {
    qxbench::Bare(state, kStore);
    const LinkProject project = BenchProject();
    const std::shared_ptr<linksim::Downloader> d = FreshDownloader();
    std::vector<std::vector<uint8_t>> frames;
    QuietUi ui;
    const LinkRequestExchangeFn encode = [&](std::span<const uint8_t> request, LinkReply&) {
        LinkFrameBuffer frame;
        if (EncodeLinkRequest(request, frame) != LinkRequestError::None) return false;
        frames.emplace_back(frame.View().begin(), frame.View().end());
        return true;
    };
    SendProjectToLink(project, encode, ui);
    for (auto _ : state) {
        d->State<linksim::ProjectStoreState>().projects.clear();
        d->ClearReceivedFrames();
        LinkReply reply;
        for (const auto& frame : frames) {
            if (!Roundtrip(*d, frame, reply)) state.SkipWithError("frame refused");
        }
        if (d->State<linksim::ProjectStoreState>().projects.size() != 1) state.SkipWithError("not stored");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (1 << 20));
}

}  // namespace

BENCHMARK(StoreProject_Transfer)->Unit(benchmark::kMillisecond);
BENCHMARK(StoreProject_Reference)->Unit(benchmark::kMillisecond);
