// HexToBinFile and MergeHexFiles on any input file: they answer a result code, and an output exists only after
// success.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/IntelHex.h"

namespace {

// A private folder, in memory where the system offers one: the outputs are flushed to disk on every run. It lives
// as long as the process (never destroyed, so the exit handler that removes it can still use its name).
const std::string& WorkFolder() {
    static const std::string* folder = [] {
        std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/qx-hexbin-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) abort();
        auto* kept = new std::string(pattern);
        std::atexit([] {
            std::remove((WorkFolder() + "/in.hex").c_str());
            rmdir(WorkFolder().c_str());
        });
        return kept;
    }();
    return *folder;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = WorkFolder() + "/in.hex";
    const std::string bin = WorkFolder() + "/out.bin";
    const std::string hex = WorkFolder() + "/out.hex";
    if (std::FILE* f = std::fopen(in.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const int toBin = HexToBinFile(in, bin);
    if (toBin < kHexOk || toBin > kHexAddressOutOfRange || (toBin == kHexOk) != Exists(bin)) __builtin_trap();
    std::remove(bin.c_str());

    const std::vector<std::string> inputs = {in, in};
    const int merged = MergeHexFiles(2, inputs, bin, hex);
    if (merged < kHexOk || merged > kHexAddressOutOfRange || (merged == kHexOk) != Exists(hex)) __builtin_trap();
    std::remove(bin.c_str());
    std::remove(hex.c_str());
    return 0;
}
