// Runs a fuzz entry point once over every file named on the command line (folders are walked), so the normal
// build exercises the seed corpus without libFuzzer. It fails when no input reached the target's accept path.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int g_accepted = 0;

int RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    g_fuzzInputAccepted = false;
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    if (g_fuzzInputAccepted) ++g_accepted;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path arg(argv[i]);
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    failures += RunFile(entry.path());
                    ++inputs;
                }
            }
        } else {
            failures += RunFile(arg);
            ++inputs;
        }
    }
    if (inputs == 0) {
        std::fprintf(stderr, "no seed inputs found\n");
        return 1;
    }
    std::printf("%d inputs replayed, %d accepted\n", inputs, g_accepted);
    if (g_accepted == 0) {
        std::fprintf(stderr, "no seed input reached the target's accept path\n");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
