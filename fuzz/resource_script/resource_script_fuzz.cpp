// Resource scripts are our own files, but a damaged one must end in a ResourceError naming file and line, never
// in a crash or a hang: the header part of the input goes through the #define reader, the rest through the
// script parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/Template.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t split = bytes.find("\n%%\n");
    const std::string_view header = split == std::string_view::npos ? std::string_view() : bytes.substr(0, split);
    const std::string_view script = split == std::string_view::npos ? bytes : bytes.substr(split + 4);
    fw::SymbolTable symbols;
    fw::ResourceLibrary library;
    try {
        fw::ParseDefines(header, "fuzz.h", symbols);
        fw::ParseResourceScript(script, "fuzz.rc", symbols, fw::kLangChinese, library);
        FuzzAccepted();
    } catch (const fw::ResourceError& e) {
        if (e.file.empty() || e.line < 1 || e.message.empty()) std::abort();
    }
    return 0;
}
