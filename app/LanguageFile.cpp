#include "app/LanguageFile.h"

#include <array>
#include <fstream>

#include "framework/Files.h"

std::optional<uint32_t> ReadLanguageFile(fw::TextView path) {
    if (!fw::FileExists(path)) return std::nullopt;
    std::ifstream file(fw::ToOsPath(path), std::ios::binary);
    if (!file) return std::nullopt;
    std::array<char, 4> bytes{};
    file.read(bytes.data(), bytes.size());
    if (file.bad()) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << (8 * i);
    return value;
}

bool WriteLanguageFile(fw::TextView path, uint32_t languageId) {
    const std::array<uint8_t, 4> bytes = {static_cast<uint8_t>(languageId), static_cast<uint8_t>(languageId >> 8),
                                          static_cast<uint8_t>(languageId >> 16),
                                          static_cast<uint8_t>(languageId >> 24)};
    return fw::WriteFileAtomic(path, std::span<const uint8_t>(bytes));
}
