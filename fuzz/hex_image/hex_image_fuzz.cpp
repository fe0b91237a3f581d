// The image builder behind HexFileToImage over any file contents: its fixed-stride walkers must stay inside the
// bytes, and an image is whole 16-byte rows of hex digits.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/HexText.h"
#include "core/IntelHex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> file(data, data + size);
    const fw::Text image = HexTextToImage(file);
    if (image.size() % 32 != 0 || !IsHexText(image)) __builtin_trap();

    // The walker on its own, without the check that normally runs first.
    std::vector<uint8_t> out(64);
    (void)IntelHexToBinary(file.data(), static_cast<int>(file.size()), out.data(), static_cast<uint32_t>(out.size()),
                           size > 0 ? data[0] : 0);
    return 0;
}
