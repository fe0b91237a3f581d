// Intel HEX of a 16 MiB image (about 45 MB of text, made by objcopy) to binary, beside objcopy doing the same in
// the same run; and the way back. The files live in memory (/dev/shm) where the system offers it, so neither
// side waits for a disk.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchData.h"
#include "RatioReporter.h"
#include "core/IntelHex.h"

extern char** environ;

namespace {

constexpr size_t kImageSize = 16u << 20;

class Files {
public:
    Files() {
        std::string pattern =
            (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/qx-hexbench-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        m_folder = pattern;
        const std::vector<uint8_t> image = PseudoRandomBytes(kImageSize, 88172645u);
        if (std::FILE* f = std::fopen(Bin().c_str(), "wb")) {
            std::fwrite(image.data(), 1, image.size(), f);
            std::fclose(f);
        }
        m_ok = Spawn({"objcopy", "-I", "binary", "-O", "ihex", "--change-addresses", "0x08000000", Bin(), Hex()});
    }
    ~Files() { std::filesystem::remove_all(m_folder); }

    bool Ok() const { return m_ok; }
    std::string Bin() const { return m_folder + "/image.bin"; }
    std::string Hex() const { return m_folder + "/image.hex"; }
    std::string Out(const char* name) const { return m_folder + "/" + name; }

    static bool Spawn(const std::vector<std::string>& args) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    std::string m_folder;
    bool m_ok = false;
};

Files& Shared() {
    static Files files;
    return files;
}

// Peak resident memory a job adds, measured in a child so the figure is the job's alone.
template <class Job>
double PeakExtraMiB(Job job) {
    auto peak = [](bool run, Job& j) {
        const pid_t pid = fork();
        if (pid == 0) _exit(run ? j() : 0);
        rusage usage{};
        int status = 0;
        wait4(pid, &status, 0, &usage);
        return static_cast<double>(usage.ru_maxrss) / 1024.0;
    };
    return peak(true, job) - peak(false, job);
}

void BM_HexToBinFile(benchmark::State& state) {
    Files& files = Shared();
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    // Measured first, while this process holds no freed heap a child could reuse unseen.
    static const double peak = PeakExtraMiB([&] { return HexToBinFile(files.Hex(), files.Out("peak.bin")); });
    state.counters["peak_extra_MiB"] = peak;
    state.counters["image_MiB"] = kImageSize / 1048576.0;
    for (auto _ : state) {
        if (HexToBinFile(files.Hex(), files.Out("ours.bin")) != kHexOk) return state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(files.Hex())));
}
BENCHMARK(BM_HexToBinFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_ObjcopyHexToBinaryReference(benchmark::State& state) {
    Files& files = Shared();
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    for (auto _ : state) {
        if (!Files::Spawn({"objcopy", "-I", "ihex", "-O", "binary", files.Hex(), files.Out("objcopy.bin")})) {
            return state.SkipWithError("objcopy failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(files.Hex())));
}
BENCHMARK(BM_ObjcopyHexToBinaryReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_BinToHexFile(benchmark::State& state) {
    Files& files = Shared();
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    for (auto _ : state) {
        if (BinToHexFile(files.Bin(), files.Out("ours.hex"), 0x08000000) != kHexOk) {
            return state.SkipWithError("conversion failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}
BENCHMARK(BM_BinToHexFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_ObjcopyBinaryToHexReference(benchmark::State& state) {
    Files& files = Shared();
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    for (auto _ : state) {
        if (!Files::Spawn({"objcopy", "-I", "binary", "-O", "ihex", "--change-addresses", "0x08000000", files.Bin(),
                           files.Out("objcopy.hex")})) {
            return state.SkipWithError("objcopy failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}
BENCHMARK(BM_ObjcopyBinaryToHexReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_ReadHexSegments(benchmark::State& state) {
    Files& files = Shared();
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    const fw::Text path = fw::Utf8ToText(files.Hex());
    for (auto _ : state) {
        std::vector<HexSegment> segments(260);
        if (ReadHexSegments(path, segments) != 1) return state.SkipWithError("reading failed");
    }
}
BENCHMARK(BM_ReadHexSegments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({
        {"BM_HexToBinFile/min_time:3.000/real_time", "BM_ObjcopyHexToBinaryReference/min_time:3.000/real_time"},
        {"BM_BinToHexFile/min_time:3.000/real_time", "BM_ObjcopyBinaryToHexReference/min_time:3.000/real_time"},
        {"BM_ReadHexSegments/min_time:3.000/real_time", "BM_ObjcopyHexToBinaryReference/min_time:3.000/real_time"},
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
