#include "devicelib/sim/SecurityChecks.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "core/Aes.h"
#include "core/BuiltinKeys.h"
#include "core/SecureModeToken.h"
#include "core/SecurityFiles.h"
#include "core/Sha256.h"
#include "devicelib/sim/Simulator.h"

namespace ovsim {
namespace {

constexpr uint8_t kMagic[4] = {'F', 'S', 'V', 'O'};
constexpr uint32_t kHeaderBytes = 0x100;
constexpr size_t kCryptionOffset = 23;  // option item 8

enum class Cryption { None, Unbound, Bound };

Cryption CryptionOf(const Chip& chip) {
    const std::vector<uint8_t>& options = chip.EffectiveOptions();
    if (!chip.Series().securityChip || options.size() < kCryptionOffset + 2) return Cryption::None;
    const uint8_t a = options[kCryptionOffset], b = options[kCryptionOffset + 1];
    if (a == 0x0B && b == 0xE0) return Cryption::Unbound;
    if (a == 0xEB && b == 0xEB) return Cryption::Bound;
    return Cryption::None;
}

// Deciphers the header and the body of a firmware copy placed at address and compares the body's digest; the
// IDKey (plain) undoes the binding layer of the digest first.
bool FirmwareDigestMatches(std::vector<uint8_t> image, uint32_t address, const std::optional<Key128>& idKey) {
    if (image.size() < kHeaderBytes) return false;
    if (idKey) CipherWithBuiltinCounter(std::span<uint8_t>(image).subspan(0x30, 32), *idKey);
    CipherWithBuiltinCounter(std::span<uint8_t>(image).subspan(0x10, kHeaderBytes - 0x10), kBuiltinAesKey);
    Key128 nonce{}, rek{};
    std::copy_n(image.begin() + 0x10, 12, nonce.begin());
    std::copy_n(image.begin() + 0x20, 16, rek.begin());
    const std::span<uint8_t> body = std::span<uint8_t>(image).subspan(kHeaderBytes);
    CipherSecurityBody(body, rek, nonce, address, kHeaderBytes);
    uint8_t digest[32];
    Sha256Buffer(body.data(), static_cast<int>(body.size()), digest);
    return std::memcmp(digest, image.data() + 0x30, sizeof digest) == 0;
}

}  // namespace

StatusCode CheckSecurityFirmwareDownload(Device& device, uint32_t address, const uint8_t* data, uint32_t length) {
    const Cryption cryption = CryptionOf(device.chip);
    if (cryption == Cryption::None || length < kHeaderBytes || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        return CMD_STATUS_OK;
    }
    if (cryption == Cryption::Bound) {
        device.lastFirmware = SecurityFirmwareRecord{address, length, true};
        return CMD_STATUS_OK;
    }
    device.lastFirmware.reset();
    return FirmwareDigestMatches(std::vector<uint8_t>(data, data + length), address, std::nullopt)
               ? CMD_STATUS_OK
               : CMD_STATUS_KEY_AUTH_FAILED;
}

StatusCode CheckIdKeyAgainstFirmware(Device& device, const uint8_t* idKey) {
    if (!device.lastFirmware || !device.lastFirmware->awaitingIdKey) return CMD_STATUS_OK;
    const SecurityFirmwareRecord firmware = *device.lastFirmware;
    Key128 plain{};
    std::copy_n(idKey, plain.size(), plain.begin());
    CipherWithBuiltinCounter(plain, kBuiltinAesKey);
    if (!FirmwareDigestMatches(device.chip.Inspect(firmware.address, firmware.length), firmware.address, plain)) {
        return CMD_STATUS_KEY_AUTH_FAILED;
    }
    device.lastFirmware.reset();
    return CMD_STATUS_OK;
}

bool SecureModeTokenMatches(const Chip& chip, const Key128& challenge, const uint8_t* token) {
    ChipInfoBlock info{};
    chip.FillInfo(info);
    const size_t ucidLength = std::min<size_t>(info.ucidLength, sizeof info.ucid);
    const auto expected =
        MakeSecureModeTokenBytes(std::span<const uint8_t>(info.ucid, ucidLength), challenge, kBuiltinAesKey);
    return std::equal(expected.begin(), expected.end(), token);
}

bool ApiLoadChallengeMatches(const Chip& chip, const Key128& challenge, const uint8_t* block) {
    Key128 expected = challenge;
    const Key128 key = chip.State().extFlashKey;
    AES(key.data()).EncryptBlock(expected.data());
    return std::equal(expected.begin(), expected.end(), block);
}

}  // namespace ovsim
