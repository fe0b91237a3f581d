// Commands 0x02, 0x0E, 0x18 and 0x19: the challenge, the device key, the burn limit and the factory restore.
// The burn limit and the restore exist from firmware 3.1.6 on; older firmware does not know them.
#include <algorithm>
#include <random>

#include "core/Aes.h"
#include "linksim/CommandTable.h"
#include "linksim/SecurityState.h"

namespace linksim {
namespace {

using Block = std::array<uint8_t, 16>;

Block KeyOf(Downloader& d) {
    const SecurityState& s = d.State<SecurityState>();
    return s.key ? *s.key : *d.Spec().deviceKey;
}

Block Decipher(const Block& key, const uint8_t* cipher) {
    Block block;
    std::copy_n(cipher, 16, block.begin());
    AES(key.data()).DecryptBlock(block.data());
    return block;
}

// The first block of a guarded payload must be the last challenge under the device key. The challenge is used up
// either way, so a recorded request cannot be replayed.
bool ChallengeAnswered(Downloader& d, const Request& r, Reply& reply) {
    SecurityState& s = d.State<SecurityState>();
    const std::optional<Block> challenge = s.challenge;
    s.challenge.reset();
    if (!challenge || Decipher(KeyOf(d), r.payload.data()) != *challenge) {
        reply.status = kStatusKeyError;
        return false;
    }
    return true;
}

void ServeChallenge(Downloader& d, const Request&, Reply& reply) {
    static std::mt19937 random{std::random_device{}()};
    Block challenge;
    for (uint8_t& b : challenge)
        b = static_cast<uint8_t>(random());
    d.State<SecurityState>().challenge = challenge;
    reply.payload.assign(challenge.begin(), challenge.end());
}

void ServeKeyChange(Downloader& d, const Request& r, Reply& reply) {
    if (r.payload.size() != 32) {
        reply.status = kStatusParameterError;
        return;
    }
    if (!ChallengeAnswered(d, r, reply)) return;
    SecurityState& s = d.State<SecurityState>();
    s.key = Decipher(KeyOf(d), r.payload.data() + 16);
    ++s.keyChanges;
}

uint32_t Be32(const Block& b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
           static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

void ServeBurnLimit(Downloader& d, const Request& r, Reply& reply) {
    if (!d.FirmwareAtLeast(3, 1, 6)) {
        reply.status = kStatusCommandError;
        return;
    }
    SecurityState& s = d.State<SecurityState>();
    if (r.p1 == 0) {
        for (uint32_t v : {s.limitFlags, s.maximum, s.remaining}) {
            for (int shift = 24; shift >= 0; shift -= 8)
                reply.payload.push_back(static_cast<uint8_t>(v >> shift));
        }
        return;
    }
    if (r.p1 != 1 || r.payload.size() != 48) {
        reply.status = kStatusParameterError;
        return;
    }
    if (!ChallengeAnswered(d, r, reply)) return;
    const Block settings = Decipher(KeyOf(d), r.payload.data() + 16);
    const uint32_t flags = Be32(settings, 0) & 3u;
    s.limitFlags = flags;
    s.maximum = flags & 1u ? Be32(settings, 4) : 0xFFFFFFFF;
    s.remaining = s.maximum;
}

void ServeFactoryRestore(Downloader& d, const Request& r, Reply& reply) {
    if (!d.FirmwareAtLeast(3, 1, 6)) {
        reply.status = kStatusCommandError;
        return;
    }
    if (r.p1 != 1 || r.payload.size() != 32) {
        reply.status = kStatusParameterError;
        return;
    }
    if (!ChallengeAnswered(d, r, reply)) return;
    // The serial travels in clear and must name this downloader, zero-padded to 16 bytes.
    Block serial{};
    std::copy_n(d.Spec().serial.begin(), std::min<size_t>(16, d.Spec().serial.size()), serial.begin());
    if (!std::equal(serial.begin(), serial.end(), r.payload.begin() + 16)) {
        reply.status = kStatusParameterError;
        return;
    }
    Commands().RestoreFactorySettings(d);
}

}  // namespace

void AddSecurityCommands(CommandTable& table) {
    table.Add(0x02, ServeChallenge);
    table.Add(0x0E, ServeKeyChange);
    table.Add(0x18, ServeBurnLimit);
    table.Add(0x19, ServeFactoryRestore);
    // A restore puts back the factory key and lifts the burn limit.
    table.AddRestoreAction([](Downloader& d) { d.State<SecurityState>() = SecurityState{}; });
    table.AddPowerUpAction([](Downloader& d) { d.State<SecurityState>().challenge.reset(); });
}

}  // namespace linksim
