#include "core/TessarandLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return program.parent_path().string();
}

GenerateRandomFunction BindGenerateRandom(const std::string& libraryName) {
    void* library = nullptr;
    // A bare name alone would skip the program's folder unless an rpath names it; look there first ourselves.
    if (libraryName.find('/') == std::string::npos) {
        const std::string folder = ProgramFolder();
        if (!folder.empty()) library = dlopen((folder + "/" + libraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (library == nullptr) library = dlopen(libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    // Never closed: the bound pointer is kept program-wide.
    return reinterpret_cast<GenerateRandomFunction>(dlsym(library, "generate_random"));
}
