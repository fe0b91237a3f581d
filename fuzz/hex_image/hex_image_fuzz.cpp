// The image builder behind HexFileToImage over any file contents: an image is whole 16-byte rows, and the
// fixed-stride walker must stay inside the bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/IntelHex.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> file(data, data + size);
    std::vector<uint8_t> image;
    const int rc = HexTextToImage(std::string_view(reinterpret_cast<const char*>(data), size), image);
    if (image.size() % 16 != 0 || image.size() > kHexMaxSpan || (rc != kHexOk && !image.empty())) __builtin_trap();
    if (rc == kHexOk && !image.empty()) FuzzAccepted();

    // The walker on its own, without the check that normally runs first.
    std::vector<uint8_t> out(64);
    (void)IntelHexToBinary(file.data(), static_cast<int>(file.size()), out.data(), static_cast<uint32_t>(out.size()),
                           size > 0 ? data[0] : 0);
    return 0;
}
