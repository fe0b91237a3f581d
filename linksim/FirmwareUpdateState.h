// The downloader's update program: entered with command 0x03 (the downloader leaves the bus and comes back running
// it), fed with command 0x04 (a header with the image's length and digest, then the enciphered image in packets),
// and left for the new application once the last packet completed an image whose digest matches.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace linksim {

// The largest enciphered image the update program takes: what the application's flash holds.
inline constexpr uint32_t kMaxFirmwareImageBytes = 1u << 20;

struct FirmwareUpdateState {
    bool inUpdateProgram = false;
    // The transfer under way: the announced length of the enciphered image, its plaintext's digest, and what came.
    std::optional<uint32_t> imageLength;
    std::array<uint8_t, 32> digest{};
    std::vector<uint8_t> received;
    int dataPackets = 0;
    // What was installed last: the deciphered image and the version it names. The version replaces the spec's.
    std::vector<uint8_t> installedImage;
    std::optional<std::string> installedVersion;
    int installs = 0;
};

}  // namespace linksim
