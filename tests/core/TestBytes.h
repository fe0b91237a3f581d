// Reproducible byte buffers for the comparison tests.
#pragma once

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace testbytes {

inline std::vector<uint8_t> Random(size_t size, uint32_t seed) {
    std::mt19937 engine(seed);
    std::vector<uint8_t> out(size);
    for (uint8_t& b : out)
        b = static_cast<uint8_t>(engine());
    return out;
}

inline std::vector<uint8_t> FromHex(std::string_view hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

}  // namespace testbytes
