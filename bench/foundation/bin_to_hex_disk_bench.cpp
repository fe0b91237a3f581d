// Binary to Intel HEX as a user runs it: a 16 MiB image written into a folder on the build folder's disk, with the
// converter's own flush and rename that keep the file whole or absent, beside objcopy writing the same file into
// the same folder in the same run. (intel_hex_bench measures the same conversion in memory, where a flush costs
// nothing.)
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "BenchData.h"
#include "RatioReporter.h"
#include "core/IntelHex.h"

extern char** environ;

namespace {

constexpr size_t kImageSize = 16u << 20;

bool Spawn(const std::vector<std::string>& args) {
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

// A folder beside this program, so on the disk that holds the build.
class DiskFiles {
public:
    DiskFiles() {
        std::error_code error;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
        std::string pattern = (error ? std::filesystem::current_path() : self.parent_path()).string();
        pattern += "/qx-hexdisk-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        m_folder = pattern;
        const std::vector<uint8_t> image = PseudoRandomBytes(kImageSize, 88172645u);
        if (std::FILE* f = std::fopen(Bin().c_str(), "wb")) {
            m_ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
            m_ok = std::fclose(f) == 0 && m_ok;
        }
    }
    ~DiskFiles() { std::filesystem::remove_all(m_folder); }

    bool Ok() const { return m_ok; }
    std::string Bin() const { return m_folder + "/image.bin"; }
    std::string Hex() const { return m_folder + "/image.hex"; }

private:
    std::string m_folder;
    bool m_ok = false;
};

DiskFiles& Shared() {
    static DiskFiles files;
    return files;
}

void BM_BinToHexFileOnDisk(benchmark::State& state) {
    DiskFiles& files = Shared();
    if (!files.Ok()) return state.SkipWithError("the binary could not be written");
    for (auto _ : state) {
        if (BinToHexFile(files.Bin(), files.Hex(), 0x08000000) != kHexOk) {
            return state.SkipWithError("conversion failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}
BENCHMARK(BM_BinToHexFileOnDisk)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_ObjcopyBinaryToHexOnDiskReference(benchmark::State& state) {
    DiskFiles& files = Shared();
    if (!files.Ok()) return state.SkipWithError("the binary could not be written");
    for (auto _ : state) {
        if (!Spawn({"objcopy", "-I", "binary", "-O", "ihex", "--change-addresses", "0x08000000", files.Bin(),
                    files.Hex()})) {
            return state.SkipWithError("objcopy failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}
BENCHMARK(BM_ObjcopyBinaryToHexOnDiskReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_BinToHexFileOnDisk/min_time:3.000/real_time",
         "BM_ObjcopyBinaryToHexOnDiskReference/min_time:3.000/real_time"},
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
