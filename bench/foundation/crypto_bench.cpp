// CRC-32, SHA-256 and AES-128-CTR over 16 MiB, beside OpenSSL's EVP with and without its AES and SHA
// instructions (OPENSSL_ia32cap masks them in a helper process) and beside a byte-wise table CRC.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "BenchData.h"
#include "OpenSslWorker.h"
#include "RatioReporter.h"
#include "core/AesCtr.h"
#include "core/CpuCrypto.h"
#include "core/Crc32.h"
#include "core/Sha256.h"

namespace {

constexpr size_t kSize = 16u << 20;

std::vector<uint8_t>& Buffer() {
    static std::vector<uint8_t> data = PseudoRandomBytes(kSize, 2463534242u);
    return data;
}

void SetBytes(benchmark::State& state) { state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize); }

// The classic one-table CRC, a byte at a time, over the same word-reversed stream.
uint32_t Crc32OneTable(const uint8_t* data, size_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t b = 0; b < 256; ++b) {
            uint32_t r = b << 24;
            for (int i = 0; i < 8; ++i)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[b] = r;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i + 4 <= size; i += 4) {
        for (int k = 3; k >= 0; --k)
            crc = (crc << 8) ^ table[(crc >> 24) ^ data[i + static_cast<size_t>(k)]];
    }
    return crc;
}

void BM_Crc32Buffer(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Crc32Buffer(Buffer().data(), static_cast<int>(kSize), nullptr));
    SetBytes(state);
}
BENCHMARK(BM_Crc32Buffer)->Unit(benchmark::kMillisecond);

void BM_Crc32OneTableReference(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Crc32OneTable(Buffer().data(), kSize));
    SetBytes(state);
}
BENCHMARK(BM_Crc32OneTableReference)->Unit(benchmark::kMillisecond);

// Argument 1: with the processor's instructions, 0: portable code.
void BM_Sha256Buffer(benchmark::State& state) {
    SetCpuCryptoInstructionsEnabled(state.range(0) != 0);
    uint8_t digest[32];
    for (auto _ : state) {
        Sha256Buffer(Buffer().data(), static_cast<int>(kSize), digest);
        benchmark::DoNotOptimize(digest);
    }
    SetCpuCryptoInstructionsEnabled(true);
    SetBytes(state);
}
BENCHMARK(BM_Sha256Buffer)->ArgName("instructions")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_AesCtrCrypt(benchmark::State& state) {
    SetCpuCryptoInstructionsEnabled(state.range(0) != 0);
    const uint8_t key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    for (auto _ : state) {
        AesCtrCrypt(Buffer().data(), static_cast<int>(kSize), key, nullptr, nullptr, 0, 0);
        benchmark::ClobberMemory();
    }
    SetCpuCryptoInstructionsEnabled(true);
    SetBytes(state);
}
BENCHMARK(BM_AesCtrCrypt)->ArgName("instructions")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// OpenSSL in a helper; argument 1: accelerated, 0: AES-NI and SHA extensions masked.
void RunOpenSsl(benchmark::State& state, OpenSslJob job) {
    OpenSslWorker worker(SelfPath().c_str(), job, kSize, state.range(0) == 0);
    if (!worker.Ok()) {
        state.SkipWithError("cannot start the OpenSSL helper");
        return;
    }
    worker.RunOnce();  // warm-up: page faults of the helper's buffer
    for (auto _ : state) {
        const double seconds = worker.RunOnce();
        if (seconds < 0) {
            state.SkipWithError("the OpenSSL helper failed");
            break;
        }
        state.SetIterationTime(seconds);
    }
    SetBytes(state);
}

void BM_OpenSslSha256Reference(benchmark::State& state) { RunOpenSsl(state, OpenSslJob::Sha256); }
BENCHMARK(BM_OpenSslSha256Reference)
    ->ArgName("accelerated")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_OpenSslAesCtrReference(benchmark::State& state) { RunOpenSsl(state, OpenSslJob::Aes128Ctr); }
BENCHMARK(BM_OpenSslAesCtrReference)
    ->ArgName("accelerated")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (RunOpenSslWorkerIfAsked(argc, argv)) return 0;
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(
        {
            {"BM_Crc32Buffer", "BM_Crc32OneTableReference"},
            {"BM_Sha256Buffer/instructions:1", "BM_OpenSslSha256Reference/accelerated:1/manual_time"},
            {"BM_Sha256Buffer/instructions:1", "BM_OpenSslSha256Reference/accelerated:0/manual_time"},
            {"BM_Sha256Buffer/instructions:0", "BM_OpenSslSha256Reference/accelerated:0/manual_time"},
            {"BM_AesCtrCrypt/instructions:1", "BM_OpenSslAesCtrReference/accelerated:1/manual_time"},
            {"BM_AesCtrCrypt/instructions:1", "BM_OpenSslAesCtrReference/accelerated:0/manual_time"},
            {"BM_AesCtrCrypt/instructions:0", "BM_OpenSslAesCtrReference/accelerated:0/manual_time"},
        },
        /*cpuTime=*/true);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
