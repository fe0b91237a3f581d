// A whole 1 MiB download job (page erase by file size, download with progress, every step line) through the
// simulated library at link speed 0, against the same erase and download called on the library directly: the
// difference is what the program's job adds.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/DownloadJob.h"
#include "bench/support/BenchRun.h"
#include "devicelib/OvMcuCmdDll.h"
#include "devicelib/OvMcuSim.h"
#include "tests/app/download/SimDownloadHost.h"

namespace {

constexpr uint32_t kBase = 0x08000000;
constexpr uint32_t kSize = 1u << 20;

std::vector<uint8_t> Image() {
    std::vector<uint8_t> data(kSize);
    for (uint32_t i = 0; i < kSize; ++i)
        data[i] = static_cast<uint8_t>(i * 13);
    return data;
}

void AttachChip(uint8_t iface) {
    ovsim::Reset();
    ovsim::SetLinkSpeed(0);
    ovsim::ChipSpec spec;
    spec.series = 0;
    spec.flashKB = 2048;
    ovsim::Attach(iface, "dev", spec);
}

int CountPacket(void* context) {
    ++*static_cast<int*>(context);
    return 1;
}

void Job(benchmark::State& state, uint8_t iface) {
    AttachChip(iface);
    SimDownloadHost host(iface);
    std::array<ChannelSlot, 8> slots;
    ChannelSlot& slot = slots[0];
    slot.deviceName = u"dev";
    DownloadJobSettings settings;
    settings.iface = iface;
    if (!host.Connect(slot, settings)) {
        state.SkipWithError("no chip");
        return;
    }
    slot.ucidConfigured = slot.ucidNow;
    DownloadItems items;
    ResetDownloadItems(items);
    SetSegment(items[0], 0, Image(), kSize);
    items[0].addressText[0] = u"08000000";
    items[0].address[0] = kBase;
    for (auto _ : state) {
        host.lines.clear();
        if (DownloadJob(host, items, settings, slot).ProgramDevice() != 0) {
            state.SkipWithError("job failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
    state.counters["packets"] = benchmark::Counter(host.steps, benchmark::Counter::kDefaults);
    ovsim::Reset();
}

void Direct(benchmark::State& state, uint8_t iface) {
    AttachChip(iface);
    char16_t names[0x400];
    OV_CMD_ENUM_DEV(iface, names, 0x400);
    DeviceHandle h = 0;
    OV_CMD_CONNECT_DEV(&h, u"dev", 115200);
    const std::vector<uint8_t> data = Image();
    const ImageDescriptor image{0, kBase, data.data(), kSize, 0, nullptr};
    // The partition and key records every erase and download of the program carries.
    const UserPartitionRecord partition{};
    const KeyUpdateRecord key{};
    int packets = 0;
    for (auto _ : state) {
        if (OV_CMD_FLASH_ERASE(h, kBase, kBase + kSize - 1, &partition, &key) != CMD_STATUS_OK ||
            OV_CMD_FLASH_DWNLD(h, &image, &partition, &key, CountPacket, &packets) != CMD_STATUS_OK) {
            state.SkipWithError("download failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
    ovsim::Reset();
}

constexpr const char* kBootLoader = "download job, 1 MiB over the boot loader";
constexpr const char* kSwd = "download job, 1 MiB over SWD";

void BM_Job1MiB_BootLoader(benchmark::State& state) {
    qxbench::Ours(state, kBootLoader);
    Job(state, OV_IFACE_USART);
}
void BM_Reference_Direct1MiB_BootLoader(benchmark::State& state) {
    qxbench::Bare(state, kBootLoader);
    Direct(state, OV_IFACE_USART);
}
void BM_Job1MiB_Swd(benchmark::State& state) {
    qxbench::Ours(state, kSwd);
    Job(state, OV_IFACE_SWD_CMSIS_DAP);
}
void BM_Reference_Direct1MiB_Swd(benchmark::State& state) {
    qxbench::Bare(state, kSwd);
    Direct(state, OV_IFACE_SWD_CMSIS_DAP);
}

BENCHMARK(BM_Job1MiB_BootLoader)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Reference_Direct1MiB_BootLoader)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Job1MiB_Swd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Reference_Direct1MiB_Swd)->Unit(benchmark::kMicrosecond);

}  // namespace
