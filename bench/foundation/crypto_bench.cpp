// CRC-32, SHA-256 and AES-128-CTR over 16 MiB, beside Boost.CRC with the same parameters and beside OpenSSL's EVP,
// each path against its like: our code with the processor's instructions against OpenSSL with its AES and SHA
// instructions, our portable code against OpenSSL with them masked (OPENSSL_ia32cap, in a helper process). Masked,
// OpenSSL still runs its vector code, which our portable code is not written with: its row says so. Each reference
// first computes what ours computes over the same input and fails when the results differ, so that no row sets
// two different jobs side by side.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <boost/crc.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BenchData.h"
#include "OpenSslWorker.h"
#include "bench/support/BenchRun.h"
#include "core/AesCtr.h"
#include "core/CpuCrypto.h"
#include "core/Crc32.h"
#include "core/Sha256.h"

namespace {

constexpr size_t kSize = 16u << 20;

// The input every job reads; enciphering works on a copy of its own, so every check sees the same bytes.
const std::vector<uint8_t>& Buffer() {
    static const std::vector<uint8_t> data = PseudoRandomBytes(kSize, kJobInputSeed);
    return data;
}

void SetBytes(benchmark::State& state) { state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize); }

std::string PathPair(const char* what, bool instructions) {
    return std::string(what) + ", 16 MiB, " +
           (instructions ? "processor instructions"
                         : "portable code vs OpenSSL's vector code without AES/SHA instructions");
}

std::vector<uint8_t> OurResult(OpenSslJob job, bool instructions) {
    SetCpuCryptoInstructionsEnabled(instructions);
    std::vector<uint8_t> result;
    if (job == OpenSslJob::Sha256) {
        result.resize(32);
        Sha256Buffer(Buffer().data(), static_cast<int>(kSize), result.data());
    } else {
        result = Buffer();
        AesCtrCrypt(result.data(), static_cast<int>(kSize), kJobAesKey, nullptr, nullptr, 0, 0);
    }
    SetCpuCryptoInstructionsEnabled(true);
    return result;
}

// CRC-32/MPEG-2 as Boost.CRC computes it. Our CRC takes the buffer as little-endian words, most significant bit
// first; Boost takes bytes in order, so it is given a copy with each word's bytes turned around: the same stream,
// prepared outside the timing.
using BoostCrc32Mpeg2 = boost::crc_optimal<32, 0x04C11DB7, 0xFFFFFFFF, 0, false, false>;

const std::vector<uint8_t>& WordReversedBuffer() {
    static const std::vector<uint8_t> reversed = [] {
        std::vector<uint8_t> out = Buffer();
        for (size_t i = 0; i + 4 <= out.size(); i += 4)
            std::reverse(out.begin() + static_cast<std::ptrdiff_t>(i),
                         out.begin() + static_cast<std::ptrdiff_t>(i + 4));
        return out;
    }();
    return reversed;
}

uint32_t BoostCrc(const std::vector<uint8_t>& bytes) {
    BoostCrc32Mpeg2 crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return crc.checksum();
}

void BM_Crc32Buffer(benchmark::State& state) {
    qxbench::Ours(state, "CRC-32/MPEG-2, 16 MiB");
    for (auto _ : state)
        benchmark::DoNotOptimize(Crc32Buffer(Buffer().data(), static_cast<int>(kSize), nullptr));
    SetBytes(state);
}
BENCHMARK(BM_Crc32Buffer)->Unit(benchmark::kMillisecond);

void BM_BoostCrcReference(benchmark::State& state) {
    qxbench::Peer(state, "CRC-32/MPEG-2, 16 MiB");
    if (BoostCrc(WordReversedBuffer()) != Crc32Buffer(Buffer().data(), static_cast<int>(kSize), nullptr)) {
        return state.SkipWithError("Boost.CRC computes another CRC than ours");
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(BoostCrc(WordReversedBuffer()));
    SetBytes(state);
}
BENCHMARK(BM_BoostCrcReference)->Unit(benchmark::kMillisecond);

// Argument 1: with the processor's instructions, 0: portable code.
void BM_Sha256Buffer(benchmark::State& state) {
    qxbench::Ours(state, PathPair("SHA-256", state.range(0) != 0));
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
    qxbench::Ours(state, PathPair("AES-128-CTR", state.range(0) != 0));
    SetCpuCryptoInstructionsEnabled(state.range(0) != 0);
    std::vector<uint8_t> data = Buffer();
    for (auto _ : state) {
        AesCtrCrypt(data.data(), static_cast<int>(kSize), kJobAesKey, nullptr, nullptr, 0, 0);
        benchmark::ClobberMemory();
    }
    SetCpuCryptoInstructionsEnabled(true);
    SetBytes(state);
}
BENCHMARK(BM_AesCtrCrypt)->ArgName("instructions")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// OpenSSL in a helper; argument 1: accelerated, 0: AES-NI and SHA extensions masked.
void RunOpenSsl(benchmark::State& state, OpenSslJob job) {
    const bool accelerated = state.range(0) != 0;
    qxbench::Peer(state, PathPair(job == OpenSslJob::Sha256 ? "SHA-256" : "AES-128-CTR", accelerated));
    OpenSslWorker worker(SelfPath().c_str(), job, kSize, !accelerated);
    if (!worker.Ok()) {
        state.SkipWithError("cannot start the OpenSSL helper");
        return;
    }
    if (worker.Result() != OurResult(job, accelerated)) {
        state.SkipWithError("OpenSSL computes another result than ours");
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
    return qxbench::RunBenchmarks(argc, argv);
}
