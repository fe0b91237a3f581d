// Production mode's promise: eight chips take no longer than one. Eight channel workers each program 256 KiB over
// their own probe at a realistic link speed, against one channel programming the same image; the wall-time ratio
// of the two, measured in this run, must stay within 1.10.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "app/DownloadCounters.h"
#include "app/DownloadJob.h"
#include "app/DownloadStart.h"
#include "bench/support/BenchRun.h"
#include "devicelib/OvMcuSim.h"
#include "framework/Format.h"
#include "framework/Sync.h"
#include "tests/app/download/SimDownloadHost.h"

namespace {

constexpr uint32_t kBase = 0x08000000;
constexpr uint32_t kSize = 256u * 1024;
constexpr uint32_t kLinkSpeed = 200000;  // bytes per second, what a probe moves in practice
constexpr uint32_t kPacket = 2048;       // a VK51x page, the packet on SWD

std::string Probe(int n) { return "07000001" + std::to_string(10 + n); }

void Program(benchmark::State& state, int channels) {
    ovsim::Reset();
    ovsim::SetLinkSpeed(kLinkSpeed);
    std::array<ChannelSlot, 8> slots;
    for (int n = 0; n < channels; ++n) {
        ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, Probe(n), {});
        slots[n].index = n;
        slots[n].present = 1;
        slots[n].deviceName = fw::Utf8ToText(Probe(n));
    }
    SimDownloadHost host(OV_IFACE_SWD_CMSIS_DAP, 1000000);
    host.progressTotal = kSize / kPacket;
    DownloadJobSettings settings;
    settings.iface = OV_IFACE_SWD_CMSIS_DAP;
    settings.productionMode = true;
    DownloadItems items;
    ResetDownloadItems(items);
    std::vector<uint8_t> image(kSize);
    for (uint32_t i = 0; i < kSize; ++i)
        image[i] = static_cast<uint8_t>(i * 29 + 7);
    SetSegment(items[0], 0, image, kSize);
    items[0].addressText[0] = u"08000000";
    TakeSegmentAddresses(items);

    for (auto _ : state) {
        {
            fw::ScopedLock lock(g_csCounters);
            g_passCount = g_failCount = 0;
        }
        DownloadWorkers workers;
        const auto started = workers.Start(
            slots, true, [](int) { return true; },
            [&](ChannelSlot& slot) { RunDownloadJob(host, items, settings, slot, slots); });
        workers.JoinAll();
        // A job leaves its chip connected; the window's connect lets it go before the next one.
        for (ChannelSlot& slot : slots) {
            if (slot.connected) host.DisconnectDevice(slot);
        }
        if (started.started != channels || g_passCount != channels) {
            state.SkipWithError("a chip was not programmed");
            break;
        }
    }
    for (int n = 0; n < channels; ++n) {
        if (ovsim::ReadMemory(Probe(n), kBase, kSize) != image) state.SkipWithError("a chip holds another image");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize * channels);
    ovsim::Reset();
}

constexpr const char* kPair = "production mode, eight chips against one, 256 KiB each";

void BM_EightChannels256KiB(benchmark::State& state) {
    qxbench::Ours(state, kPair);
    Program(state, 8);
}
void BM_Reference_OneChannel256KiB(benchmark::State& state) {
    qxbench::OneChannel(state, kPair);
    Program(state, 1);
}

BENCHMARK(BM_EightChannels256KiB)->Iterations(qxbench::Iterations(3))->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference_OneChannel256KiB)
    ->Iterations(qxbench::Iterations(3))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
