// Language catalogs are files beside the program that anyone can replace: any bytes must be refused or read
// without a step outside them, and every string handed over must lie inside the file and hold no NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/Text.h"
#include "fuzz/FuzzAccept.h"
#include "lexmira/MsgCatalogFile.h"

namespace {

bool Inside(std::string_view text, std::string_view bytes) {
    return text.data() >= bytes.data() && text.data() + text.size() <= bytes.data() + bytes.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    lexmira::wxMsgCatalogFile file;
    if (!file.Open(bytes)) return 0;
    uint64_t taken = 0;
    file.ForEachPair([&](std::string_view source, std::string_view translation) {
        for (std::string_view text : {source, translation}) {
            if (!text.empty() && (!Inside(text, bytes) || text.find('\0') != std::string_view::npos)) std::abort();
            taken += text.size();
            (void)fw::Utf8ToText(text);
        }
    });
    if (taken > lexmira::wxMsgCatalogFile::kMaxExpansion * size) std::abort();
    if (taken > 0) FuzzAccepted();
    return 0;
}
