// The segment reader over any text: it answers a count within the caller's room, and every run it gives is whole.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/IntelHex.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<char> text(data, data + size);
    std::array<HexSegment, 8> segments;
    const int n = ReadHexSegmentsFromText(std::string_view(text.data(), text.size()), segments);
    if (n < 0 || n > static_cast<int>(segments.size())) __builtin_trap();
    for (int i = 0; i < n; ++i) {
        const HexSegment& s = segments[static_cast<size_t>(i)];
        if (s.data.empty() || s.endAddress != s.startAddress + static_cast<uint32_t>(s.data.size()) - 1) {
            __builtin_trap();
        }
    }
    if (n > 0) FuzzAccepted();
    return 0;
}
