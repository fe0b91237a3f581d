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
#include "fuzz/FuzzAccept.h"

namespace {

// A private folder for one run, in memory where the system offers one (the outputs are flushed to disk). It is
// made and removed by every run: libFuzzer may end the process without running exit handlers.
class RunFolder {
public:
    RunFolder() {
        std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/qx-hexbin-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) abort();
        m_path = pattern;
    }
    ~RunFolder() {
        for (const char* name : {"/in.hex", "/out.bin", "/out.hex"})
            std::remove((m_path + name).c_str());
        rmdir(m_path.c_str());
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    std::string operator/(const char* name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RunFolder folder;
    const std::string in = folder / "in.hex";
    const std::string bin = folder / "out.bin";
    const std::string hex = folder / "out.hex";
    if (std::FILE* f = std::fopen(in.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const int toBin = HexToBinFile(in, bin);
    if (toBin < kHexOk || toBin > kHexAddressOutOfRange || (toBin == kHexOk) != Exists(bin)) __builtin_trap();
    if (toBin == kHexOk) FuzzAccepted();
    std::remove(bin.c_str());

    const std::vector<std::string> inputs = {in, in};
    const int merged = MergeHexFiles(2, inputs, bin, hex);
    if (merged < kHexOk || merged > kHexAddressOutOfRange || (merged == kHexOk) != Exists(hex)) __builtin_trap();
    std::remove(bin.c_str());
    std::remove(hex.c_str());
    return 0;
}
