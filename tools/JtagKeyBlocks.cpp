#include "tools/JtagKeyBlocks.h"

#include <algorithm>

const Key16 kDefaultJtagKey = {0x4A, 0x54, 0x41, 0x47, 0x2D, 0x44, 0x45, 0x46,
                               0x41, 0x55, 0x4C, 0x54, 0x2D, 0x4B, 0x45, 0x59};

namespace {

std::optional<Key16> FileBlock(std::span<const uint8_t> file) {
    if (file.size() != kJtagKeyFileBytes) return std::nullopt;
    Key16 block{};
    std::copy(file.begin(), file.end(), block.begin());
    return block;
}

}  // namespace

std::optional<Key16> JtagModeKeyBlock(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey) {
    std::optional<Key16> block = FileBlock(file);
    if (block && !enciphered) CipherWithBuiltinCounter(*block, builtinKey);
    return block;
}

Key16 DefaultJtagModeKeyBlock(const Key16& builtinKey) {
    Key16 block = kDefaultJtagKey;
    CipherWithBuiltinCounter(block, builtinKey);
    return block;
}

std::optional<Key16> JtagKeyBlock(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey) {
    std::optional<Key16> plain = FileBlock(file);
    if (!plain) return std::nullopt;
    if (enciphered) CipherWithBuiltinCounter(*plain, builtinKey);
    Key16 block{0xFF, 0xFF, 0xFF, 0xFF};
    std::copy_n(plain->begin(), 4, block.begin() + 4);
    CipherWithBuiltinCounter(block, builtinKey);
    return block;
}
