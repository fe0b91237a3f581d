#include "offline/HidReportDescriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

struct Globals {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

// Larger than any real descriptor's report; a hostile count cannot overflow the sums below.
constexpr uint64_t kMaxReportBits = 8u * 4096u;

}  // namespace

std::optional<HidReportLengths> ParseHidReportLengths(std::span<const uint8_t> descriptor) {
    Globals globals;
    std::vector<Globals> stack;
    std::map<uint32_t, uint64_t> inputBits, outputBits;
    size_t i = 0;
    while (i < descriptor.size()) {
        const uint8_t prefix = descriptor[i];
        if (prefix == 0xFE) {  // long item: size byte, tag byte, data
            if (i + 2 >= descriptor.size()) return std::nullopt;
            const size_t size = descriptor[i + 1];
            if (i + 3 + size > descriptor.size()) return std::nullopt;
            i += 3 + size;
            continue;
        }
        const size_t size = (prefix & 3u) == 3 ? 4 : (prefix & 3u);
        if (i + 1 + size > descriptor.size()) return std::nullopt;
        uint32_t data = 0;
        for (size_t k = 0; k < size; ++k)
            data |= static_cast<uint32_t>(descriptor[i + 1 + k]) << (8 * k);
        const uint8_t type = (prefix >> 2) & 3u;
        const uint8_t tag = prefix >> 4;
        if (type == 0) {  // main
            const uint64_t bits =
                std::min<uint64_t>(uint64_t{globals.reportSize} * globals.reportCount, kMaxReportBits);
            if (tag == 0x8) inputBits[globals.reportId] = std::min(inputBits[globals.reportId] + bits, kMaxReportBits);
            if (tag == 0x9)
                outputBits[globals.reportId] = std::min(outputBits[globals.reportId] + bits, kMaxReportBits);
        } else if (type == 1) {  // global
            switch (tag) {
                case 0x7:
                    globals.reportSize = data;
                    break;
                case 0x8:
                    globals.reportId = data;
                    break;
                case 0x9:
                    globals.reportCount = data;
                    break;
                case 0xA:
                    if (stack.size() >= 16) return std::nullopt;
                    stack.push_back(globals);
                    break;
                case 0xB:
                    if (stack.empty()) return std::nullopt;
                    globals = stack.back();
                    stack.pop_back();
                    break;
                default:
                    break;
            }
        }
        i += 1 + size;
    }
    auto longest = [](const std::map<uint32_t, uint64_t>& bits) {
        uint64_t most = 0;
        for (const auto& [id, n] : bits)
            most = std::max(most, n);
        return most == 0 ? 0 : static_cast<int>((most + 7) / 8 + 1);
    };
    HidReportLengths lengths{longest(inputBits), longest(outputBits)};
    if (lengths.input == 0 && lengths.output == 0) return std::nullopt;
    return lengths;
}
