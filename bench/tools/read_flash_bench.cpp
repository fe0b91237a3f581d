// Reading flash through the read-out viewer on the Qt host (offscreen): the worker's reads, the table of hex
// cells filled as they arrive and drawn, up to the CRC, against the same reads made on the simulated library
// directly at link speed 0. Both count wall time, which includes the viewer's worker. The ratio is what the viewer
// adds to the read; it must not grow with the size read (it did while the host drew the whole table again at every
// redraw).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "bench/support/BenchRun.h"
#include "devicelib/OvMcuCmdDll.h"
#include "devicelib/OvMcuSim.h"
#include "framework/DeviceNotification.h"
#include "framework/Files.h"
#include "framework/Profile.h"
#include "framework/UiThread.h"
#include "framework/host/qt/QtHost.h"
#include "resources/ui/read_flash.h"
#include "tests/framework/TempFolder.h"
#include "tools/FlashDlg.h"

namespace {

constexpr uint32_t kBase = 0x08000000;
constexpr uint32_t kChunk = 0x800;

DeviceHandle AttachAndConnect() {
    ovsim::Reset();
    ovsim::SetLinkSpeed(0);
    ovsim::ChipSpec spec;
    spec.series = 0;
    spec.flashKB = 2048;
    spec.flash.resize(2048 * 1024);
    std::iota(spec.flash.begin(), spec.flash.end(), uint8_t{3});
    ovsim::Attach(OV_IFACE_SWD_JLINK, "VK517C8T6", spec);
    char16_t names[256] = {};
    OV_CMD_ENUM_DEV(OV_IFACE_SWD_JLINK, names, 256);
    DeviceHandle handle = 0;
    OV_CMD_CONNECT_DEV(&handle, u"VK517C8T6", 4000);
    return handle;
}

// The main window the viewer reads its range and device from, in a working directory of its own.
struct Owner {
    Owner() {
        previous = fw::GetWorkingDirectory();
        std::filesystem::copy(std::filesystem::path(QX_BINARY_DIR) / "workdir" / "Languages", dir.Path() / "Languages");
        fw::SetWorkingDirectory(dir.Wide());
        fw::SetProfileFolder(dir.Wide("profile"));
        fw::SetRuntimeFolder(dir.Wide("run"));
        fw::SetDeviceEventSource(fw::DeviceEventSource::InjectedOnly);
        window = std::make_unique<CQXDownloadToolDlg>(2052);
        window->Create();
    }
    ~Owner() {
        window.reset();
        fw::SetWorkingDirectory(previous);
    }
    fw::testing::TempFolder dir;
    fw::Text previous;
    std::unique_ptr<CQXDownloadToolDlg> window;
};

std::string ReadPair(const benchmark::State& state) {
    return "flash read-out, " + std::to_string(state.range(0) / 1024) + " KiB";
}

void BM_Viewer(benchmark::State& state, fw::qt::QtHost& host) {
    qxbench::Ours(state, ReadPair(state));
    const auto size = static_cast<uint32_t>(state.range(0));
    Owner owner;
    CQXDownloadToolDlg& w = *owner.window;
    w.m_hDevice = AttachAndConnect();
    w.m_interface = kIfaceSwdJlink;
    w.m_chipSeries = 0;
    w.m_pageSize = kChunk;
    w.m_readStart = kBase;
    w.m_readEnd = kBase + size - 1;
    for (auto _ : state) {
        CFlashDlg dialog(&w);
        dialog.Create(&w);
        dialog.ShowWindow(fw::SW_SHOW);
        while (dialog.GetDlgItemText(IDC_FLASH_VIEW_CRC).empty()) {
            fw::ServeQueuedWorkFor(std::chrono::milliseconds(1));
            QApplication::processEvents();
        }
        host.ApplyPendingChanges();
        QApplication::processEvents();
        dialog.DestroyWindow();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    ovsim::Reset();
}

void BM_Reference_LibraryReads(benchmark::State& state) {
    qxbench::Bare(state, ReadPair(state));
    const auto size = static_cast<uint32_t>(state.range(0));
    AttachAndConnect();
    std::vector<uint8_t> buffer(size);
    for (auto _ : state) {
        for (uint32_t offset = 0; offset < size; offset += kChunk) {
            uint32_t length = kChunk;
            if (OV_CMD_RECV_DATA(kBase + offset, buffer.data() + offset, &length) != CMD_STATUS_OK) {
                state.SkipWithError("read failed");
            }
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    ovsim::Reset();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fw::qt::QtHost host;
    fw::InstallHost(&host);
    for (const int64_t size : {64 * 1024, 256 * 1024, 1024 * 1024}) {
        benchmark::RegisterBenchmark("BM_Viewer", BM_Viewer, std::ref(host))
            ->Arg(size)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_Reference_LibraryReads", BM_Reference_LibraryReads)
            ->Arg(size)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    const int status = qxbench::RunBenchmarks(argc, argv);
    fw::InstallHost(nullptr);
    return status;
}
