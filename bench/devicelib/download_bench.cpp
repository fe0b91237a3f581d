// A 1 MiB download through the simulated library at link speed 0, in the packets of the boot loader (128 bytes)
// and of a debug probe (2048 bytes). The program's own download loop is measured against these figures; the
// reference beside them copies the same bytes in the same packets with the same callback, the floor any library
// call has to stand on.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/support/BenchRun.h"
#include "devicelib/OvMcuCmdDll.h"
#include "devicelib/OvMcuSim.h"

namespace {

constexpr uint32_t kBase = 0x08000000;
constexpr uint32_t kSize = 1u << 20;

int CountPacket(void* context) {
    ++*static_cast<int*>(context);
    return 1;
}

DeviceHandle ConnectChip(uint8_t iface) {
    ovsim::Reset();
    ovsim::ChipSpec spec;
    spec.series = 0;
    spec.flashKB = 2048;
    ovsim::Attach(iface, "dev", spec);
    char16_t names[0x400];
    OV_CMD_ENUM_DEV(iface, names, 0x400);
    DeviceHandle h = 0;
    OV_CMD_CONNECT_DEV(&h, u"dev", 115200);
    return h;
}

void Download(benchmark::State& state, uint8_t iface) {
    const DeviceHandle h = ConnectChip(iface);
    std::vector<uint8_t> data(kSize);
    for (uint32_t i = 0; i < kSize; ++i)
        data[i] = static_cast<uint8_t>(i * 13);
    const ImageDescriptor image{0, kBase, data.data(), kSize, 0, nullptr};
    int packets = 0;
    for (auto _ : state) {
        state.PauseTiming();
        OV_CMD_FLASH_ERASE(h, kBase, kBase + kSize - 1, nullptr, nullptr);
        state.ResumeTiming();
        if (OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, CountPacket, &packets) != CMD_STATUS_OK) {
            state.SkipWithError("download failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
    state.counters["packets"] = benchmark::Counter(packets, benchmark::Counter::kAvgIterations);
    ovsim::Reset();
}

void BM_Download1MiB_BootLoader(benchmark::State& state) {
    qxbench::Ours(state, "library download, 1 MiB in 128-byte packets");
    Download(state, OV_IFACE_USART);
}
void BM_Download1MiB_Swd(benchmark::State& state) {
    qxbench::Ours(state, "library download, 1 MiB in 2048-byte packets");
    Download(state, OV_IFACE_SWD_CMSIS_DAP);
}

void CopyInPackets(benchmark::State& state, uint32_t packet) {
    std::vector<uint8_t> data(kSize), flash(kSize, 0xFF);
    int packets = 0;
    for (auto _ : state) {
        for (uint32_t offset = 0; offset < kSize; offset += packet) {
            std::memcpy(flash.data() + offset, data.data() + offset, packet);
            benchmark::DoNotOptimize(CountPacket(&packets));
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
}

void BM_Reference_Copy1MiB_128(benchmark::State& state) {
    qxbench::PlainCopy(state, "library download, 1 MiB in 128-byte packets");
    CopyInPackets(state, 128);
}
void BM_Reference_Copy1MiB_2048(benchmark::State& state) {
    qxbench::PlainCopy(state, "library download, 1 MiB in 2048-byte packets");
    CopyInPackets(state, 2048);
}

BENCHMARK(BM_Download1MiB_BootLoader)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Reference_Copy1MiB_128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Download1MiB_Swd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Reference_Copy1MiB_2048)->Unit(benchmark::kMicrosecond);

}  // namespace
