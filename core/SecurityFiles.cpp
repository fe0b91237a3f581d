#include "core/SecurityFiles.h"

#include <algorithm>
#include <cstring>

#include "core/AesCtr.h"
#include "core/Sha256.h"

namespace {

constexpr uint8_t kFirmwareMagic[4] = {'F', 'S', 'V', 'O'};
constexpr size_t kNonceOffset = 0x10;
constexpr size_t kRekOffset = 0x20;
constexpr size_t kDigestOffset = 0x30;
constexpr size_t kDigestBytes = 32;
constexpr size_t kEntryOffset = 0x50;
constexpr size_t kCounterNonceBytes = 12;

void ReverseWords(std::span<uint8_t> region) {
    for (size_t i = 0; i < region.size(); i += 4) {
        const size_t end = std::min(region.size(), i + 4);
        std::reverse(region.begin() + static_cast<std::ptrdiff_t>(i),
                     region.begin() + static_cast<std::ptrdiff_t>(end));
    }
}

uint32_t LoadLittleEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

std::span<uint8_t> Piece(std::vector<uint8_t>& bytes, size_t offset, size_t length) {
    return std::span<uint8_t>(bytes).subspan(offset, length);
}

// The header layer: bytes 0x10..0xFF under the built-in key.
void CipherHeader(std::vector<uint8_t>& image, const Key16& builtinKey) {
    CipherWithBuiltinCounter(Piece(image, kNonceOffset, kFirmwareHeaderBytes - kNonceOffset), builtinKey);
}

}  // namespace

void CipherWithBuiltinCounter(std::span<uint8_t> piece, const Key16& key) {
    AesCtrCrypt(piece.data(), static_cast<int>(piece.size()), key.data(), nullptr, nullptr, 0, 0);
}

RekIdKeyFiles MakeRekIdKeyFiles(std::span<const uint8_t, kKeyDrawBytes> draw, bool enciphered,
                                const Key16& builtinKey) {
    std::array<uint8_t, kKeyDrawBytes> bytes{};
    std::copy(draw.begin(), draw.end(), bytes.begin());
    if (enciphered) {
        for (size_t offset = 0; offset < kKeyDrawBytes; offset += 16) {
            CipherWithBuiltinCounter(std::span<uint8_t>(bytes).subspan(offset, 16), builtinKey);
        }
    }
    RekIdKeyFiles files;
    std::copy_n(bytes.begin(), kRekIdKeyFileBytes, files.rekIdKey.begin());
    std::copy_n(bytes.begin() + kRekIdKeyFileBytes, kCounterNonceBytes, files.nonce.begin());
    return files;
}

std::array<uint8_t, kJtagKeyFileBytes> MakeJtagKeyFile(std::span<const uint8_t, 4> key, bool enciphered,
                                                       const Key16& builtinKey) {
    std::array<uint8_t, kJtagKeyFileBytes> file{};
    std::copy(key.begin(), key.end(), file.begin());
    if (enciphered) {
        for (size_t offset = 4; offset < file.size(); offset += 4)
            std::copy(key.begin(), key.end(), file.begin() + offset);
        CipherWithBuiltinCounter(file, builtinKey);
    }
    return file;
}

std::optional<uint32_t> ReadJtagKeyFile(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey) {
    if (file.size() != kJtagKeyFileBytes) return std::nullopt;
    std::array<uint8_t, kJtagKeyFileBytes> bytes{};
    std::copy(file.begin(), file.end(), bytes.begin());
    if (enciphered) CipherWithBuiltinCounter(bytes, builtinKey);
    return LoadLittleEndian32(bytes.data());
}

std::optional<Key16> ReadNonceFile(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey) {
    if (file.size() != kNonceFileBytes) return std::nullopt;
    Key16 nonce{};
    std::copy(file.begin(), file.end(), nonce.begin());
    if (enciphered) CipherWithBuiltinCounter(nonce, builtinKey);
    return nonce;
}

std::optional<RekIdKey> ReadRekIdKeyFile(std::span<const uint8_t> file, bool enciphered, const Key16& builtinKey) {
    if (file.size() != kRekIdKeyFileBytes) return std::nullopt;
    RekIdKey keys;
    std::copy_n(file.begin(), 16, keys.rek.begin());
    std::copy_n(file.begin() + 16, 16, keys.idKey.begin());
    if (enciphered) {
        CipherWithBuiltinCounter(keys.rek, builtinKey);
        CipherWithBuiltinCounter(keys.idKey, builtinKey);
    }
    return keys;
}

void CipherSecurityBody(std::span<uint8_t> region, const Key16& rek, const Key16& nonce, uint32_t startAddress,
                        uint32_t base) {
    ReverseWords(region);
    for (size_t offset = 0; offset < region.size(); offset += 16) {
        const size_t length = std::min<size_t>(16, region.size() - offset);
        const uint32_t address = startAddress + kBodyCounterOffset + base + static_cast<uint32_t>(offset);
        AesCtrCrypt(region.data() + offset, static_cast<int>(length), rek.data(), nullptr, nonce.data(), 1, address);
    }
    ReverseWords(region);
}

bool ExecutionAddressAllowed(uint32_t address, uint32_t flashAreaLimit) {
    return address <= 0xFFFFF || (address >= 0x15000000 && address <= flashAreaLimit) ||
           (address >= 0x24000000 && address <= 0x2411FFFF) || (address >= 0x30000000 && address <= 0x30057FFF);
}

FirmwareImageResult BuildSecurityFirmwareImage(std::vector<uint8_t>& program, const SecurityInputs& in,
                                               uint32_t startAddress, bool bound, uint32_t flashAreaLimit,
                                               const Key16& builtinKey) {
    if (program.size() < kFirmwareHeaderBytes ||
        !std::equal(std::begin(kFirmwareMagic), std::end(kFirmwareMagic), program.begin())) {
        return FirmwareImageResult::NoSecurityHeader;
    }
    const uint32_t entry = LoadLittleEndian32(program.data() + kEntryOffset) - kFirmwareHeaderBytes;
    if (!ExecutionAddressAllowed(entry, flashAreaLimit)) return FirmwareImageResult::ExecutionAddressOutOfRange;

    std::copy(in.nonce.begin(), in.nonce.end(), program.begin() + kNonceOffset);
    std::copy(in.rek.begin(), in.rek.end(), program.begin() + kRekOffset);
    const std::span<uint8_t> body = std::span<uint8_t>(program).subspan(kFirmwareHeaderBytes);
    Sha256Buffer(body.data(), static_cast<int>(body.size()), program.data() + kDigestOffset);
    CipherHeader(program, builtinKey);
    CipherSecurityBody(body, in.rek, in.nonce, startAddress, kFirmwareHeaderBytes);
    if (bound) CipherWithBuiltinCounter(Piece(program, kDigestOffset, kDigestBytes), in.idKey);
    return FirmwareImageResult::Ok;
}

void BuildSecurityModuleImage(std::vector<uint8_t>& program, const Key16& rek, const Key16& nonce,
                              uint32_t startAddress) {
    CipherSecurityBody(program, rek, nonce, startAddress, 0);
}

std::optional<std::vector<uint8_t>> EncodeSecurityInfoPack(const SecurityInputs& in, bool bound,
                                                           std::span<const uint8_t> options, const Key16& builtinKey) {
    if (options.size() > kInfoPackMaxOptionBytes) return std::nullopt;
    std::vector<uint8_t> pack(kInfoPackMinBytes + options.size(), 0xFF);
    pack[0] = bound ? kInfoPackBound : kInfoPackNotBound;
    // The package carries only the twelve counter bytes of the nonce; the rest of its block is zero.
    Key16 nonce{};
    std::copy_n(in.nonce.begin(), kCounterNonceBytes, nonce.begin());
    const Key16* pieces[] = {&nonce, &in.rek, &in.idKey};
    for (size_t i = 0; i < 3; ++i) {
        const std::span<uint8_t> piece = Piece(pack, 1 + 16 * i, 16);
        std::copy(pieces[i]->begin(), pieces[i]->end(), piece.begin());
        CipherWithBuiltinCounter(piece, builtinKey);
    }
    std::copy(options.begin(), options.end(), pack.begin() + kInfoPackMinBytes);
    return pack;
}

std::optional<SecurityInfoPack> DecodeSecurityInfoPack(std::span<const uint8_t> file) {
    if (file.size() < kInfoPackMinBytes || file.size() > kInfoPackMaxBytes) return std::nullopt;
    SecurityInfoPack pack;
    pack.mode = file[0];
    std::copy_n(file.begin() + 1, 16, pack.nonce.begin());
    std::copy_n(file.begin() + 17, 16, pack.rek.begin());
    std::copy_n(file.begin() + 33, 16, pack.idKey.begin());
    pack.options.assign(file.begin() + kInfoPackMinBytes, file.end());
    return pack;
}

bool VerifySecurityFirmware(std::span<const uint8_t> image, uint32_t startAddress, const SecurityInfoPack& pack,
                            const Key16& builtinKey) {
    if (image.size() < kFirmwareHeaderBytes) return false;
    Key16 nonce = pack.nonce, rek = pack.rek, idKey = pack.idKey;
    CipherWithBuiltinCounter(nonce, builtinKey);
    CipherWithBuiltinCounter(rek, builtinKey);
    CipherWithBuiltinCounter(idKey, builtinKey);

    std::vector<uint8_t> copy(image.begin(), image.end());
    if (pack.mode == kInfoPackBound) CipherWithBuiltinCounter(Piece(copy, kDigestOffset, kDigestBytes), idKey);
    const std::span<uint8_t> body = std::span<uint8_t>(copy).subspan(kFirmwareHeaderBytes);
    CipherSecurityBody(body, rek, nonce, startAddress, kFirmwareHeaderBytes);
    CipherHeader(copy, builtinKey);
    uint8_t digest[kDigestBytes];
    Sha256Buffer(body.data(), static_cast<int>(body.size()), digest);
    return std::memcmp(digest, copy.data() + kDigestOffset, kDigestBytes) == 0;
}
