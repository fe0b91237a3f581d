// One Intel HEX line from a file: the record parser and the digit decoder must take any bytes without harm.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/IntelHex.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized copy, so reading one byte too far is caught.
    const std::vector<char> line(data, data + size);
    HexRecord record;
    const int rc = ParseHexRecord(std::string_view(line.data(), line.size()), record);
    if (rc == kHexOk && (size > kHexMaxLineLength || size != 11 + 2 * static_cast<size_t>(record.count))) {
        __builtin_trap();
    }
    if (rc == kHexOk) FuzzAccepted();
    uint8_t out[4];
    (void)ParseHexDigits(data, static_cast<int>(size), out, static_cast<int>(size % 5), size % 2 == 0);
    return 0;
}
