#include "offline/ProjectFileContainer.h"

#include <algorithm>
#include <array>

#include "core/Aes.h"
#include "core/Sha256.h"
#include "offline/ProjectKeys.h"

namespace {

constexpr std::size_t kDigestSize = 32;
constexpr std::size_t kBlock = 16;
constexpr std::size_t kMinimumFile = 64;

void PutBE32(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

uint64_t GetBE32(std::span<const uint8_t> in, std::size_t at) {
    return uint64_t{in[at]} << 24 | uint64_t{in[at + 1]} << 16 | uint64_t{in[at + 2]} << 8 | in[at + 3];
}

void CipherBlocks(std::span<uint8_t> bytes, bool encrypt) {
    std::array<uint8_t, 16> key = ProjectFileKey();
    const AES aes(key.data());
    std::ranges::fill(key, uint8_t{0});
    for (std::size_t at = 0; at + kBlock <= bytes.size(); at += kBlock) {
        if (encrypt)
            aes.EncryptBlock(bytes.data() + at);
        else
            aes.DecryptBlock(bytes.data() + at);
    }
}

}  // namespace

std::vector<uint8_t> EncodeProjectFileContainer(std::span<const ProjectSection> sections) {
    std::size_t bodyLength = 4 + 8 * sections.size();
    for (const ProjectSection& s : sections)
        bodyLength += s.size();
    bodyLength = (bodyLength + kBlock - 1) / kBlock * kBlock;

    std::vector<uint8_t> file(kDigestSize + bodyLength, 0);
    const std::size_t body = kDigestSize;
    PutBE32(file, body, static_cast<uint32_t>(sections.size()));
    std::size_t offset = 4 + 8 * sections.size();
    for (std::size_t k = 0; k < sections.size(); ++k) {
        PutBE32(file, body + 4 + 8 * k, static_cast<uint32_t>(offset));
        PutBE32(file, body + 8 + 8 * k, static_cast<uint32_t>(sections[k].size()));
        std::ranges::copy(sections[k], file.begin() + static_cast<std::ptrdiff_t>(body + offset));
        offset += sections[k].size();
    }
    Sha256Buffer(file.data() + body, static_cast<int>(bodyLength), file.data());
    CipherBlocks(file, true);
    return file;
}

std::optional<std::vector<ProjectSection>> DecodeProjectFileContainer(std::span<const uint8_t> file) {
    if (file.size() < kMinimumFile || file.size() % kBlock != 0 || file.size() > INT32_MAX) return std::nullopt;
    std::vector<uint8_t> plain(file.begin(), file.end());
    CipherBlocks(plain, false);

    const std::span<const uint8_t> body = std::span<const uint8_t>(plain).subspan(kDigestSize);
    std::array<uint8_t, kDigestSize> digest{};
    Sha256Buffer(body.data(), static_cast<int>(body.size()), digest.data());
    if (!std::equal(digest.begin(), digest.end(), plain.begin())) return std::nullopt;

    const uint64_t count = GetBE32(body, 0);
    const uint64_t tableEnd = 4 + 8 * count;
    if (tableEnd > body.size()) return std::nullopt;
    std::vector<ProjectSection> sections;
    sections.reserve(count);
    uint64_t expected = tableEnd;
    for (uint64_t k = 0; k < count; ++k) {
        const uint64_t offset = GetBE32(body, 4 + 8 * k);
        const uint64_t length = GetBE32(body, 8 + 8 * k);
        if (offset != expected || length > body.size() - offset) return std::nullopt;
        sections.emplace_back(body.begin() + static_cast<std::ptrdiff_t>(offset),
                              body.begin() + static_cast<std::ptrdiff_t>(offset + length));
        expected = offset + length;
    }
    const std::span<const uint8_t> padding = body.subspan(expected);
    if (padding.size() >= kBlock || std::ranges::any_of(padding, [](uint8_t b) { return b != 0; })) return std::nullopt;
    return sections;
}
