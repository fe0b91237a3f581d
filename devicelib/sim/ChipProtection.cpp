// Option image, read and write protection, OTP and the external option record.
#include <algorithm>
#include <cstring>

#include "devicelib/sim/Chip.h"

namespace ovsim {
namespace {

constexpr uint8_t kRdpNone = 0xA5;
constexpr uint8_t kRdpLevel2 = 0xCC;
constexpr uint32_t kExtOptionBase = 0x1FFFE040;
constexpr uint32_t kExtOptionSize = 60;

struct ItemPlace {
    uint8_t offset;
    uint8_t length;
};
// Where the eight option items of the security chip sit in its option image (item 1 to 8).
constexpr ItemPlace kItems[9] = {{0, 0}, {0, 1}, {1, 4}, {5, 4}, {9, 4}, {13, 4}, {17, 4}, {21, 2}, {23, 2}};

bool ItemValueAllowed(uint8_t item, const uint8_t* data) {
    switch (item) {
        case 1:
            return data[0] <= 2;
        case 7:
            return (data[0] == 0xCE && data[1] == 0xE5) || (data[0] == 0 && data[1] == 0);
        case 8:
            return (data[0] == 0x0B && data[1] == 0xE0) || (data[0] == 0xEB && data[1] == 0xEB) ||
                   (data[0] == 0 && data[1] == 0);
        default:
            return true;
    }
}

// Where a value byte is followed by its complement in a series' whole image; the bytes carried as they were read
// (series 0, 1, 3, 4, 6, 8 and 9 have some) and the series that store values alone have no pair.
std::vector<uint8_t> ComplementPairStarts(uint8_t series) {
    const auto evens = [](uint8_t first, uint8_t last) {
        std::vector<uint8_t> out;
        for (unsigned i = first; i <= last; i += 2)
            out.push_back(static_cast<uint8_t>(i));
        return out;
    };
    switch (series) {
        case 0:
        case 1:
            return evens(0, 16);
        case 2:
            return evens(0, 18);
        case 5:
        case 7:
            return evens(0, 14);
        case 3:
        case 4:
        case 6:
            return evens(0, 12);
        case 8: {
            std::vector<uint8_t> pairs = evens(0, 20);
            pairs.push_back(24);
            return pairs;
        }
        case 9: {
            std::vector<uint8_t> pairs = evens(0, 12);
            const std::vector<uint8_t> rest = evens(16, 30);
            pairs.insert(pairs.end(), rest.begin(), rest.end());
            return pairs;
        }
        default:
            return {};
    }
}

bool ComplementsHold(uint8_t series, const std::vector<uint8_t>& image) {
    for (uint8_t at : ComplementPairStarts(series)) {
        if (at + 1u < image.size() && static_cast<uint8_t>(image[at] ^ image[at + 1]) != 0xFF) return false;
    }
    return true;
}

}  // namespace

int Chip::LevelOf(const std::vector<uint8_t>& image) const {
    if (series_.securityChip) return image[0] <= 2 ? image[0] : 1;
    if (image[series_.rdp2Offset] == kRdpLevel2) return 2;
    return image[0] == kRdpNone ? 0 : 1;
}

void Chip::SetLevel(std::vector<uint8_t>& image, int level) const {
    if (series_.securityChip) {
        image[0] = static_cast<uint8_t>(level);
        return;
    }
    auto put = [&](uint8_t offset, uint8_t value) {
        image[offset] = value;
        if (series_.complementPairs) image[offset + 1] = static_cast<uint8_t>(~value);
    };
    if (level == 2) {
        put(series_.rdp2Offset, kRdpLevel2);
    } else if (level == 1) {
        if (image[0] == kRdpNone) put(0, 0xFF);
    } else {
        put(0, kRdpNone);
    }
}

void Chip::SetWrp(std::vector<uint8_t>& image, const std::array<uint8_t, 4>& wrp) const {
    for (int i = 0; i < series_.wrpCount; ++i) {
        const uint8_t offset = series_.wrpOffsets[i];
        image[offset] = wrp[i];
        if (series_.complementPairs) image[offset + 1] = static_cast<uint8_t>(~wrp[i]);
    }
}

StatusCode Chip::StoreOptions(std::vector<uint8_t> image) {
    // Level 2 is for good: the option bytes no longer change.
    if (Level() == 2 || PendingLevel() == 2) return CMD_STATUS_RDP_L2;
    if (LevelOf(image) == 0 && (Level() != 0 || PendingLevel() != 0)) {
        if (Partitioned()) return CMD_STATUS_PARTITIONED_NO_L0;
        MassErase();  // leaving level 1 takes the flash contents with it
    }
    stored_ = std::move(image);
    return CMD_STATUS_OK;
}

StatusCode Chip::OptionRw(OptionRwBlock& block) {
    if (block.operation > 2) return CMD_STATUS_BAD_PARAMETER;
    const bool read = block.operation == 0;
    if (block.item == 0) {
        if (series_.securityChip) return CMD_STATUS_BAD_PARAMETER;
        if (read) {
            std::memset(block.data, 0, sizeof block.data);
            std::copy(stored_.begin(), stored_.end(), block.data);
            block.length = static_cast<uint8_t>(stored_.size());
            return CMD_STATUS_OK;
        }
        if (block.length == 0 || block.length > stored_.size()) return CMD_STATUS_BAD_PARAMETER;
        std::vector<uint8_t> image = stored_;
        std::copy_n(block.data, block.length, image.begin());
        const bool complementsHold = ComplementsHold(series_.code, image);
        const StatusCode status = StoreOptions(std::move(image));
        if (status == CMD_STATUS_OK && !complementsHold) ++brokenComplementWrites_;
        return status;
    }
    if (!series_.securityChip || block.item > 8) return CMD_STATUS_BAD_PARAMETER;
    // The "-1A" models have no secure areas, modes or encryption: only items 1 to 4 exist on them.
    if (block.item > 4 && model_.find("-1A") != std::string::npos) return CMD_STATUS_BAD_PARAMETER;
    const ItemPlace place = kItems[block.item];
    if (read) {
        std::memset(block.data, 0, sizeof block.data);
        std::copy_n(stored_.begin() + place.offset, place.length, block.data);
        block.length = place.length;
        return CMD_STATUS_OK;
    }
    if (block.length != place.length || !ItemValueAllowed(block.item, block.data)) return CMD_STATUS_BAD_PARAMETER;
    std::vector<uint8_t> image = stored_;
    std::copy_n(block.data, place.length, image.begin() + place.offset);
    return StoreOptions(std::move(image));
}

StatusCode Chip::ReadProtect(uint8_t level, uint8_t seriesCode) {
    // The caller names the layout; a protected chip cannot tell it over SWD, and the wrong one would corrupt it.
    if (seriesCode != series_.code || level > 2) return CMD_STATUS_BAD_PARAMETER;
    std::vector<uint8_t> image = stored_;
    SetLevel(image, level);
    return StoreOptions(std::move(image));
}

StatusCode Chip::WriteProtect(const std::array<uint8_t, 4>& wrp) {
    if (series_.wrpCount == 0) {
        const bool removing = std::all_of(wrp.begin(), wrp.end(), [](uint8_t b) { return b == 0xFF; });
        return removing ? CMD_STATUS_OK : CMD_STATUS_BAD_PARAMETER;
    }
    std::vector<uint8_t> image = stored_;
    SetWrp(image, wrp);
    return StoreOptions(std::move(image));
}

void Chip::ForceProtection(int level, const std::optional<std::array<uint8_t, 4>>& wrp) {
    if (wrp) SetWrp(stored_, *wrp);
    if (!series_.securityChip && LevelOf(stored_) == 2 && level < 2) {  // a fresh chip, not a downgrade
        stored_[series_.rdp2Offset] = 0xFF;
        if (series_.complementPairs) stored_[series_.rdp2Offset + 1] = 0x00;
    }
    SetLevel(stored_, std::clamp(level, 0, 2));
    effective_ = stored_;
}

void Chip::ForceOptions(const std::vector<uint8_t>& image) {
    std::copy_n(image.begin(), std::min(image.size(), stored_.size()), stored_.begin());
    effective_ = stored_;
}

StatusCode Chip::OtpRw(OtpRwBlock& block) {
    if (!series_.securityChip) return CMD_STATUS_UNKNOWN_COMMAND;
    if (block.item < 1 || block.item > 5 || block.operation > 1) return CMD_STATUS_BAD_PARAMETER;
    uint16_t& value = otpValue_[block.item];
    if (block.operation == 0) {
        std::memset(block.data, 0, sizeof block.data);
        if (otpWrites_[block.item] == 0) {
            std::memset(block.data, 0xFF, 4);
        } else {
            block.data[0] = static_cast<uint8_t>(value);
            block.data[1] = static_cast<uint8_t>(value >> 8);
            block.data[2] = static_cast<uint8_t>(~block.data[0]);
            block.data[3] = static_cast<uint8_t>(~block.data[1]);
        }
        block.length = 4;
        return CMD_STATUS_OK;
    }
    if (block.length != 4 || block.data[2] != static_cast<uint8_t>(~block.data[0]) ||
        block.data[3] != static_cast<uint8_t>(~block.data[1])) {
        return CMD_STATUS_BAD_PARAMETER;
    }
    if (otpWrites_[block.item] >= 16) return CMD_STATUS_OTP_PROGRAM_FAILED;  // every slot used
    value = static_cast<uint16_t>(block.data[0] | (block.data[1] << 8));
    ++otpWrites_[block.item];
    return CMD_STATUS_OK;
}

StatusCode Chip::ExtOptRw(ExtOptRwBlock& block) {
    if (!series_.externalMemory) return CMD_STATUS_UNKNOWN_COMMAND;
    if (block.operation > 1 || block.address < kExtOptionBase || block.length > kExtOptionSize ||
        block.address - kExtOptionBase > kExtOptionSize - block.length) {
        return CMD_STATUS_BAD_PARAMETER;
    }
    uint8_t* field = extOptions_.data() + (block.address - kExtOptionBase);
    if (block.operation == 0) {
        std::memcpy(block.data, field, block.length);
        return CMD_STATUS_OK;
    }
    if (Level() == 2) return CMD_STATUS_RDP_L2;
    std::memcpy(field, block.data, block.length);
    return CMD_STATUS_OK;
}

}  // namespace ovsim
