#include "tools/EncFiles.h"

#include <algorithm>

#include "core/Aes.h"
#include "core/Crc32.h"
#include "core/EncipheredFileName.h"
#include "core/HexText.h"
#include "core/IntelHex.h"
#include "core/Sha256.h"
#include "framework/Files.h"

namespace {

// A bigger binary source is refused unread.
constexpr size_t kMaxPlaintextFileBytes = kHexMaxImageLength;

void AppendBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t Crc32Of(std::span<const uint8_t> bytes) {
    return Crc32Buffer(bytes.data(), static_cast<int>(bytes.size()), nullptr);
}

void EncipherEcb(std::span<uint8_t> bytes, const Key16& key) {
    const AES aes(key.data());
    for (size_t offset = 0; offset + 16 <= bytes.size(); offset += 16)
        aes.EncryptBlock(bytes.data() + offset);
}

bool EqualsNoCase(fw::TextView a, fw::TextView b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
               const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

void PadTo16(std::vector<uint8_t>& bytes) { bytes.resize(PaddedLength(bytes.size()), 0xFF); }

size_t PaddedLength(size_t plaintextLength) { return (plaintextLength + 15) / 16 * 16; }

bool DigestHeaderNeedsPageSize(size_t plaintextLength) { return PaddedLength(plaintextLength) < kWholeImageCrcLength; }

bool PageSizeUsable(uint32_t pageSize) { return pageSize != 0 && pageSize % 4 == 0; }

std::vector<uint8_t> MakeDigestHeaderEncFile(std::span<const uint8_t> plaintext, const Key16& key, uint32_t pageSize) {
    std::vector<uint8_t> padded(plaintext.begin(), plaintext.end());
    PadTo16(padded);
    const uint32_t n = static_cast<uint32_t>(padded.size());

    uint32_t crc = 0;
    if (n >= kWholeImageCrcLength) {
        crc = Crc32Of(padded);
    } else {
        // The block holds the whole padded plaintext even when the page is smaller.
        std::vector<uint8_t> block(std::max<size_t>(n, pageSize), 0xFF);
        std::copy(padded.begin(), padded.end(), block.begin());
        crc = Crc32Of(block);
    }

    std::vector<uint8_t> file;
    file.reserve(kEncFileHeaderBytes + padded.size());
    AppendBigEndian32(file, n);
    uint8_t digest[32];
    Sha256Buffer(padded.data(), static_cast<int>(padded.size()), digest);
    file.insert(file.end(), std::begin(digest), std::end(digest));
    AppendBigEndian32(file, crc);
    EncipherEcb(padded, key);
    file.insert(file.end(), padded.begin(), padded.end());
    return file;
}

std::vector<uint8_t> MakeCrcPrefixedEncFile(std::span<const uint8_t> plaintext, const Key16& key) {
    std::vector<uint8_t> padded(plaintext.begin(), plaintext.end());
    PadTo16(padded);
    std::vector<uint8_t> file;
    file.reserve(4 + padded.size());
    AppendBigEndian32(file, Crc32Of(padded));
    EncipherEcb(padded, key);
    file.insert(file.end(), padded.begin(), padded.end());
    return file;
}

PlaintextRead ReadPlaintext(fw::TextView path, fw::TextView extension, std::vector<uint8_t>& plaintext) {
    if (EqualsNoCase(extension, u"hex")) {
        std::vector<uint8_t> image;
        const int rc = HexFileToImage(path, image);
        if (rc == kHexSpanTooLarge) return PlaintextRead::SpanTooLarge;
        if (rc != kHexOk || image.empty()) return PlaintextRead::OpenFailed;
        plaintext = std::move(image);
        return PlaintextRead::Ok;
    }
    if (EqualsNoCase(extension, u"bin")) {
        fw::ReadResult read = fw::ReadWholeFile(path, kMaxPlaintextFileBytes);
        if (!read) return PlaintextRead::BinOpenFailed;
        if (read.bytes.empty()) return PlaintextRead::OpenFailed;
        plaintext = std::move(read.bytes);
        return PlaintextRead::Ok;
    }
    return PlaintextRead::OpenFailed;
}

KeyTextCheck CheckKeyText(fw::TextView text) {
    if (text.empty()) return KeyTextCheck::Empty;
    if (!IsHexText(text)) return KeyTextCheck::NotHex;
    if (text.size() != 32) return KeyTextCheck::WrongLength;
    return KeyTextCheck::Ok;
}

std::optional<Key16> KeyFromText(fw::TextView text) {
    if (CheckKeyText(text) != KeyTextCheck::Ok) return std::nullopt;
    Key16 key{};
    HexToBytes(text, key.data(), key.size());
    return key;
}

std::optional<fw::Text> EncOutputPath(fw::TextView folder, fw::TextView fileName) {
    if (fileName.size() < 4) return std::nullopt;
    const fw::TextView ending = fileName.substr(fileName.size() - 4);
    if (!EqualsNoCase(ending, u".bin") && !EqualsNoCase(ending, u".hex")) return std::nullopt;
    return fw::JoinPath(folder, fw::Text(fileName.substr(0, fileName.size() - 4)) + u".enc");
}
