// Intel HEX texts for the tests: records made by hand with correct checksums, and files made by objcopy.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/framework/TempFolder.h"

namespace hexfix {

inline std::string Record(uint8_t type, uint16_t offset, const std::vector<uint8_t>& data, const char* eol = "\r\n") {
    static const char digits[] = "0123456789ABCDEF";
    std::string out = ":";
    unsigned sum = 0;
    auto put = [&](uint8_t b) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
        sum += b;
    };
    put(static_cast<uint8_t>(data.size()));
    put(static_cast<uint8_t>(offset >> 8));
    put(static_cast<uint8_t>(offset));
    put(type);
    for (uint8_t b : data)
        put(b);
    put(static_cast<uint8_t>(0x100 - (sum & 0xFF)));
    return out + eol;
}

inline std::string Data(uint16_t offset, const std::vector<uint8_t>& data, const char* eol = "\r\n") {
    return Record(0, offset, data, eol);
}

inline std::string Linear(uint16_t upper, const char* eol = "\r\n") {
    return Record(4, 0, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)}, eol);
}

inline std::string End(const char* eol = "\r\n") { return std::string(":00000001FF") + eol; }

inline std::vector<uint8_t> Counting(size_t n, uint8_t first = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(first + i);
    return v;
}

inline std::vector<uint8_t> AsBytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

inline std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

inline bool Run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

// objcopy's Intel HEX of a binary placed at address.
inline std::string ObjcopyHex(const fw::testing::TempFolder& dir, const std::vector<uint8_t>& data, uint32_t address) {
    dir.Write("objcopy-in.bin", AsString(data));
    const bool ok = Run("objcopy -I binary -O ihex --change-addresses " + std::to_string(address) + " '" +
                        dir.Os("objcopy-in.bin") + "' '" + dir.Os("objcopy-out.hex") + "'");
    EXPECT_TRUE(ok) << "objcopy failed";
    return dir.Read("objcopy-out.hex");
}

// objcopy's binary of an Intel HEX file (from its lowest address, gaps filled with fill).
inline std::string ObjcopyBinary(const fw::testing::TempFolder& dir, const std::string& hexName, int fill = 0) {
    const bool ok = Run("objcopy -I ihex -O binary --gap-fill " + std::to_string(fill) + " '" + dir.Os(hexName) +
                        "' '" + dir.Os("objcopy-out.bin") + "'");
    EXPECT_TRUE(ok) << "objcopy failed";
    return dir.Read("objcopy-out.bin");
}

}  // namespace hexfix
