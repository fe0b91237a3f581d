// Intel HEX of a 16 MiB image (about 45 MB of text, made by objcopy) to binary, beside objcopy doing the same in
// the same run; the way back; and the HEX file read into memory, beside libbfd (objcopy's own reader) reading it
// into memory. The files live in memory (/dev/shm) where the system offers it, so neither side waits for a disk.
// Binary to HEX is measured once more as a user runs it: into a folder on the build folder's disk, with the
// converter's own flush and rename that keep the file whole or absent, beside objcopy writing there too. Each
// reference first checks that both sides produce the same image, so that no row sets two different jobs side by side.
#include <benchmark/benchmark.h>
#include <bfd.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "BenchData.h"
#include "bench/support/BenchRun.h"
#include "core/IntelHex.h"
#include "framework/Files.h"

extern char** environ;

namespace {

constexpr size_t kImageSize = 16u << 20;

std::string MemoryFolder() { return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp"; }

// Beside this program, so on the disk that holds the build.
std::string BuildDiskFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::current_path() : self.parent_path()).string();
}

class Files {
public:
    explicit Files(const std::string& root) {
        std::string pattern = root + "/qx-hexbench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        m_folder = pattern;
        const std::vector<uint8_t> image = PseudoRandomBytes(kImageSize, 88172645u);
        if (std::FILE* f = std::fopen(Bin().c_str(), "wb")) {
            std::fwrite(image.data(), 1, image.size(), f);
            std::fclose(f);
        }
        m_ok = Spawn(ObjcopyBinaryToHex("image.hex"));
    }
    ~Files() { std::filesystem::remove_all(m_folder); }

    bool Ok() const { return m_ok; }
    std::string Bin() const { return m_folder + "/image.bin"; }
    std::string Hex() const { return m_folder + "/image.hex"; }
    std::string Out(const char* name) const { return m_folder + "/" + name; }

    std::vector<std::string> ObjcopyHexToBinary(const char* out) const {
        return {"objcopy", "-I", "ihex", "-O", "binary", Hex(), Out(out)};
    }
    std::vector<std::string> ObjcopyBinaryToHex(const char* out) const {
        return {"objcopy", "-I", "binary", "-O", "ihex", "--change-addresses", "0x08000000", Bin(), Out(out)};
    }
    // Both converters must write the same file, or the figures compare different work.
    bool SameFiles(const char* ours, const char* objcopys) const {
        constexpr size_t kLargest = 64u << 20;
        const fw::ReadResult a = fw::ReadWholeFile(fw::Utf8ToText(Out(ours)), kLargest);
        const fw::ReadResult b = fw::ReadWholeFile(fw::Utf8ToText(Out(objcopys)), kLargest);
        return a && b && a.bytes == b.bytes;
    }

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
    static Files files(MemoryFolder());
    return files;
}

Files& OnDisk() {
    static Files files(BuildDiskFolder());
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

// libbfd opens the file as an Intel HEX object, as objcopy does, and hands over each section's bytes.
bool BfdReadHex(const std::string& path, std::vector<HexSegment>& segments) {
    bfd* file = bfd_openr(path.c_str(), "ihex");
    if (file == nullptr) return false;
    bool ok = bfd_check_format(file, bfd_object);
    for (asection* section = ok ? file->sections : nullptr; section != nullptr && ok; section = section->next) {
        HexSegment& segment = segments.emplace_back();
        segment.data.resize(bfd_section_size(section));
        segment.startAddress = static_cast<uint32_t>(bfd_section_vma(section));
        ok = bfd_get_section_contents(file, section, segment.data.data(), 0, segment.data.size());
    }
    bfd_close(file);
    return ok;
}

// Address and bytes of each run, runs that touch joined: libbfd starts a section at every 64 KiB address record.
std::map<uint32_t, std::vector<uint8_t>> Joined(const std::vector<HexSegment>& segments) {
    std::map<uint32_t, std::vector<uint8_t>> runs;
    for (const HexSegment& segment : segments) {
        const auto after = runs.upper_bound(segment.startAddress);
        if (after != runs.begin()) {
            std::vector<uint8_t>& before = std::prev(after)->second;
            if (std::prev(after)->first + before.size() == segment.startAddress) {
                before.insert(before.end(), segment.data.begin(), segment.data.end());
                continue;
            }
        }
        runs[segment.startAddress] = segment.data;
    }
    return runs;
}

// objcopy ends its file with a start-address record and ours with an address record of no data, so the two HEX
// files are compared by what libbfd reads from them.
bool SameImage(const std::string& ours, const std::string& theirs) {
    std::vector<HexSegment> a, b;
    return BfdReadHex(ours, a) && BfdReadHex(theirs, b) && !a.empty() && Joined(a) == Joined(b);
}

constexpr const char* kHexToBin = "HEX file to binary file, 16 MiB";
constexpr const char* kBinToHex = "binary file to HEX file, 16 MiB";
constexpr const char* kBinToHexOnDisk = "binary file to HEX file on the build disk, 16 MiB";
constexpr const char* kHexToMemory = "HEX file read into memory, 16 MiB";

void BM_HexToBinFile(benchmark::State& state) {
    qxbench::Ours(state, kHexToBin);
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
BENCHMARK(BM_HexToBinFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(qxbench::MinSeconds(1.0));

void BM_ObjcopyHexToBinaryReference(benchmark::State& state) {
    qxbench::Peer(state, kHexToBin);
    Files& files = Shared();
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    if (HexToBinFile(files.Hex(), files.Out("ours.bin")) != kHexOk ||
        !Files::Spawn(files.ObjcopyHexToBinary("objcopy.bin")) || !files.SameFiles("ours.bin", "objcopy.bin")) {
        return state.SkipWithError("objcopy and HexToBinFile write different files");
    }
    for (auto _ : state) {
        if (!Files::Spawn(files.ObjcopyHexToBinary("objcopy.bin"))) {
            return state.SkipWithError("objcopy failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(files.Hex())));
}
BENCHMARK(BM_ObjcopyHexToBinaryReference)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(qxbench::MinSeconds(1.0));

void MeasureBinToHex(benchmark::State& state, const char* pair, Files& files) {
    qxbench::Ours(state, pair);
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    for (auto _ : state) {
        if (BinToHexFile(files.Bin(), files.Out("ours.hex"), 0x08000000) != kHexOk) {
            return state.SkipWithError("conversion failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}
void BM_BinToHexFile(benchmark::State& state) { MeasureBinToHex(state, kBinToHex, Shared()); }
BENCHMARK(BM_BinToHexFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(qxbench::MinSeconds(1.0));

void MeasureObjcopyBinaryToHex(benchmark::State& state, const char* pair, Files& files) {
    qxbench::Peer(state, pair);
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    if (BinToHexFile(files.Bin(), files.Out("ours.hex"), 0x08000000) != kHexOk ||
        !Files::Spawn(files.ObjcopyBinaryToHex("objcopy.hex")) ||
        !SameImage(files.Out("ours.hex"), files.Out("objcopy.hex"))) {
        return state.SkipWithError("objcopy and BinToHexFile write different images");
    }
    for (auto _ : state) {
        if (!Files::Spawn(files.ObjcopyBinaryToHex("objcopy.hex"))) {
            return state.SkipWithError("objcopy failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}
void BM_ObjcopyBinaryToHexReference(benchmark::State& state) { MeasureObjcopyBinaryToHex(state, kBinToHex, Shared()); }
BENCHMARK(BM_ObjcopyBinaryToHexReference)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(qxbench::MinSeconds(1.0));

void BM_BinToHexFileOnDisk(benchmark::State& state) { MeasureBinToHex(state, kBinToHexOnDisk, OnDisk()); }
BENCHMARK(BM_BinToHexFileOnDisk)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(qxbench::MinSeconds(1.0));

void BM_ObjcopyBinaryToHexOnDiskReference(benchmark::State& state) {
    MeasureObjcopyBinaryToHex(state, kBinToHexOnDisk, OnDisk());
}
BENCHMARK(BM_ObjcopyBinaryToHexOnDiskReference)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(qxbench::MinSeconds(1.0));

void BM_ReadHexSegments(benchmark::State& state) {
    qxbench::Ours(state, kHexToMemory);
    Files& files = Shared();
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    const fw::Text path = fw::Utf8ToText(files.Hex());
    for (auto _ : state) {
        std::vector<HexSegment> segments(260);
        if (ReadHexSegments(path, segments) != 1) return state.SkipWithError("reading failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(files.Hex())));
}
BENCHMARK(BM_ReadHexSegments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(qxbench::MinSeconds(1.0));

void BM_LibBfdReadHexReference(benchmark::State& state) {
    qxbench::Peer(state, kHexToMemory);
    Files& files = Shared();
    if (!files.Ok()) return state.SkipWithError("objcopy could not make the HEX file");
    // Both readers must see the same image, or the figures compare different work.
    std::vector<HexSegment> ours(260), theirs;
    ours.resize(static_cast<size_t>(ReadHexSegments(fw::Utf8ToText(files.Hex()), ours)));
    if (!BfdReadHex(files.Hex(), theirs) || Joined(ours) != Joined(theirs)) {
        return state.SkipWithError("libbfd and ReadHexSegments read different images");
    }
    for (auto _ : state) {
        std::vector<HexSegment> segments;
        if (!BfdReadHex(files.Hex(), segments)) return state.SkipWithError("libbfd could not read the file");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(files.Hex())));
}
BENCHMARK(BM_LibBfdReadHexReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(qxbench::MinSeconds(1.0));

}  // namespace

int main(int argc, char** argv) {
    bfd_init();
    return qxbench::RunBenchmarks(argc, argv);
}
