#include "devicelib/sim/BootCommands.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "devicelib/sim/ReadFaults.h"
#include "devicelib/sim/SecurityChecks.h"

namespace ovsim {
namespace {

constexpr uint8_t kRandomChallenge = 0x20;
constexpr uint8_t kDownloadFlag = 0x31;
constexpr uint8_t kReadMemory = 0x33;
constexpr uint8_t kRunFromSram = 0x45;
constexpr uint8_t kLoadExternalApi = 0x49;

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

// command, 0x00, data length (16-bit little-endian), data, trailer, then a 16-bit sum of everything before it.
std::vector<uint8_t> Frame(uint8_t command, const uint8_t* data, uint32_t length, const std::vector<uint8_t>& trailer) {
    std::vector<uint8_t> frame{command, 0x00, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
    for (uint32_t i = 0; i < length; ++i)
        frame.push_back(data[i]);
    for (uint8_t b : trailer)
        frame.push_back(b);
    uint16_t sum = 0;
    for (uint8_t b : frame)
        sum = static_cast<uint16_t>(sum + b);
    frame.push_back(static_cast<uint8_t>(sum));
    frame.push_back(static_cast<uint8_t>(sum >> 8));
    return frame;
}

StatusCode Answer(const std::vector<uint8_t>& frame, uint8_t* reply, uint32_t* replyLength, uint32_t room) {
    const uint32_t n = std::min<uint32_t>(room, static_cast<uint32_t>(frame.size()));
    if (n != 0) std::memcpy(reply, frame.data(), n);
    *replyLength = n;
    return CMD_STATUS_OK;
}

}  // namespace

StatusCode RunBootCommand(DeviceCall& call, const uint8_t* command, uint32_t length, uint8_t* reply,
                          uint32_t* replyLength) {
    if (command == nullptr || length == 0 || replyLength == nullptr || (reply == nullptr && *replyLength != 0)) {
        return Fail(LastError::BadArgument);
    }
    Device& device = call.device();
    Chip& chip = device.chip;
    const SeriesInfo& series = chip.Series();
    const uint32_t room = *replyLength;
    switch (command[0]) {
        case kRandomChallenge: {
            if (length != 8) return CMD_STATUS_BAD_FRAME;
            if (!series.securityChip && !series.externalMemory) return CMD_STATUS_UNKNOWN_COMMAND;
            const Key128 challenge = chip.NewChallenge();
            device.challengeGeneration = device.generation;
            device.lastChallenge = challenge;
            return Answer(Frame(command[0], challenge.data(), 16, {}), reply, replyLength, room);
        }
        case kLoadExternalApi: {
            if (length != 24) return CMD_STATUS_BAD_FRAME;
            if (!series.externalMemory) return CMD_STATUS_UNKNOWN_COMMAND;
            if (command[1] > 2) return CMD_STATUS_BAD_PARAMETER;
            // With USER3 authenticated the command carries the enciphered challenge, so one must have been issued.
            if ((chip.Partition(2).flags >> 4) != 0) {
                const std::optional<Key128> challenge = std::exchange(device.lastChallenge, std::nullopt);
                if (!challenge || device.challengeGeneration != device.generation ||
                    !ApiLoadChallengeMatches(chip, *challenge, command + 8)) {
                    return CMD_STATUS_KEY_AUTH_FAILED;
                }
            } else if (std::any_of(command + 8, command + 24, [](uint8_t b) { return b != 0; })) {
                // No challenge was asked for, so the field that would answer one stays empty.
                return CMD_STATUS_BAD_FRAME;
            }
            chip.SetApiLoaded(command[1]);
            return Answer(Frame(command[0], nullptr, 0, {}), reply, replyLength, room);
        }
        case kDownloadFlag:
            if (length != 8 || command[1] != 0xF0) return CMD_STATUS_BAD_FRAME;
            chip.SetDownloadFlag();
            return Answer(Frame(command[0], nullptr, 0, {}), reply, replyLength, room);
        case kRunFromSram: {
            if (length != 28 || command[1] != 0x06 || command[2] != 0x14 || command[3] != 0x00 ||
                std::any_of(command + 8, command + 28, [](uint8_t b) { return b != 0; })) {
                return CMD_STATUS_BAD_FRAME;
            }
            const uint32_t address = Le32(command + 4);
            Region* region = nullptr;
            if (chip.CheckRange(address, 4, call.iface(), region) != CMD_STATUS_OK ||
                region->spec.kind != RegionKind::Ram) {
                return CMD_STATUS_BAD_PARAMETER;
            }
            chip.Run(address);
            const StatusCode status = Answer(Frame(command[0], nullptr, 0, {}), reply, replyLength, room);
            device.generation++;  // the chip left its boot loader
            return status;
        }
        case kReadMemory: {
            if (length != 9) return CMD_STATUS_BAD_FRAME;
            // replyLength names the data bytes wanted here; the reply adds 10 bytes of framing.
            const uint32_t address = Le32(command + 4);
            uint32_t count = std::min<uint32_t>(command[8], room);
            ApplyShortRead(Fn::SendCommand, count);
            std::vector<uint8_t> data(count);
            if (StatusCode s = chip.Read(address, data.data(), count, call.iface()); s != CMD_STATUS_OK) return s;
            return Answer(Frame(command[0], data.data(), count, {command[4], command[5], command[6], command[7]}),
                          reply, replyLength, count + 10);
        }
        default:
            return CMD_STATUS_UNKNOWN_COMMAND;
    }
}

}  // namespace ovsim
