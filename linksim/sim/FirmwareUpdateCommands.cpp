// Commands 0x03 and 0x04: leaving the application for the update program, and the firmware image it takes. The
// update program checks what a real one checks before it writes flash: the packet order, the announced length and
// the digest of the deciphered image; an image that fails leaves the old firmware in place.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/Aes.h"
#include "core/Sha256.h"
#include "linksim/CommandTable.h"
#include "linksim/FirmwareUpdateState.h"

namespace linksim {
namespace {

constexpr uint8_t kHeaderPacket = 0x01, kDataPacket = 0x02, kLastPacket = 0x03;
constexpr size_t kHeaderBytes = 36, kPacketBytes = 57;

uint32_t Be32(const std::vector<uint8_t>& b) {
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 |
           b[3];
}

// The version the image names after the downloader's firmware prefix ("Firmware:3.1.7"); empty when it names none.
std::string VersionNamed(const std::vector<uint8_t>& image, const std::string& prefix) {
    const std::string_view text(reinterpret_cast<const char*>(image.data()), image.size());
    const size_t at = text.find(prefix);
    if (prefix.empty() || at == std::string_view::npos) return {};
    std::string version;
    for (size_t i = at + prefix.size();
         i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'); ++i)
        version.push_back(text[i]);
    return version;
}

void ServeEnterUpdate(Downloader& d, const Request&, Reply&) {
    FirmwareUpdateState& s = d.State<FirmwareUpdateState>();
    if (s.inUpdateProgram) return;  // already there: nothing restarts
    s.inUpdateProgram = true;
    d.RestartAfterReply();
}

// The last packet completed the image: decipher, check the digest and the version it names, install.
bool Install(Downloader& d, FirmwareUpdateState& s) {
    std::vector<uint8_t> image = s.received;
    const AES aes(d.Spec().firmwareKey.data());
    for (size_t offset = 0; offset + 16 <= image.size(); offset += 16)
        aes.DecryptBlock(image.data() + offset);
    std::array<uint8_t, 32> digest{};
    Sha256Buffer(image.data(), static_cast<int>(image.size()), digest.data());
    if (digest != s.digest) return false;
    const std::string version = VersionNamed(image, d.Spec().firmwarePrefix);
    if (version.empty()) return false;
    s.installedImage = std::move(image);
    s.installedVersion = version;
    ++s.installs;
    return true;
}

void ServeFirmwarePacket(Downloader& d, const Request& r, Reply& reply) {
    FirmwareUpdateState& s = d.State<FirmwareUpdateState>();
    auto refuse = [&](uint8_t status) {
        s.imageLength.reset();
        s.received.clear();
        reply.status = status;
    };
    if (r.p2 == kHeaderPacket) {
        if (r.payload.size() != kHeaderBytes) return refuse(kStatusParameterError);
        const uint32_t length = Be32(r.payload);
        // Whole cipher blocks, and no larger than the application's flash.
        if (length == 0 || length % 16 != 0 || length > kMaxFirmwareImageBytes) return refuse(kStatusParameterError);
        s.imageLength = length;
        std::copy_n(r.payload.begin() + 4, 32, s.digest.begin());
        s.received.clear();
        s.dataPackets = 0;
        return;
    }
    if ((r.p2 != kDataPacket && r.p2 != kLastPacket) || !s.imageLength) return refuse(kStatusParameterError);
    const bool sizeFits =
        r.p2 == kDataPacket ? r.payload.size() == kPacketBytes : !r.payload.empty() && r.payload.size() <= kPacketBytes;
    if (!sizeFits || s.received.size() + r.payload.size() > *s.imageLength) return refuse(kStatusParameterError);
    s.received.insert(s.received.end(), r.payload.begin(), r.payload.end());
    ++s.dataPackets;
    if (r.p2 == kDataPacket) return;
    if (s.received.size() != *s.imageLength) return refuse(kStatusParameterError);
    if (!Install(d, s)) return refuse(kStatusCheckByteError);
    s.imageLength.reset();
    s.received.clear();
    s.inUpdateProgram = false;
    d.RestartAfterReply();  // into the new application
}

}  // namespace

void AddFirmwareUpdateCommands(CommandTable& table) {
    table.Add(0x03, ServeEnterUpdate);
    // The application serves 0x04 as a parameter of its own; only the update program takes firmware with it.
    const CommandHandler* application = table.Find(0x04);
    table.Add(0x04, [application = application ? *application : CommandHandler()](Downloader& d, const Request& r,
                                                                                  Reply& reply) {
        if (d.State<FirmwareUpdateState>().inUpdateProgram) {
            ServeFirmwarePacket(d, r, reply);
        } else if (application) {
            application(d, r, reply);
        } else {
            reply.status = kStatusCommandError;
        }
    });
    // The update program knows its identity and the two commands of the update, nothing else.
    table.AddGate([](Downloader& d, const Request& r) {
        return !d.State<FirmwareUpdateState>().inUpdateProgram || r.command == 0x01 || r.command == 0x03 ||
               r.command == 0x04;
    });
    // Power lost mid-transfer loses the transfer; the downloader comes back in the program it was running.
    table.AddPowerUpAction([](Downloader& d) {
        FirmwareUpdateState& s = d.State<FirmwareUpdateState>();
        s.imageLength.reset();
        s.received.clear();
    });
}

}  // namespace linksim
