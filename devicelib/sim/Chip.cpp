#include "devicelib/sim/Chip.h"

#include <algorithm>
#include <cstring>

namespace ovsim {
namespace {

constexpr uint32_t kSeries7BootEnd = 0x08000C00;  // the boot loader keeps the first 3 KB on USART
constexpr uint32_t kExtFlashLimit = 0x10000000;
constexpr uint32_t kExtBlock = 4096;

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<uint8_t> DefaultOptions(const SeriesInfo& s) {
    if (s.securityChip) {
        // RDP L0, WRP FFFFFFFE, M7 0x15000000, M4 0x30000000, SEC_CFG1 and PFOER_CFG1 1FFF/0000, both modes off.
        return {0x00, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x15, 0x00, 0x00, 0x00, 0x30,
                0xFF, 0x1F, 0x00, 0x00, 0xFF, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    }
    std::vector<uint8_t> image(s.optionLength, 0xFF);
    for (size_t i = 0; i < image.size(); ++i) {
        if (s.complementPairs && i % 2 == 1) image[i] = i == 1 ? 0x5A : 0x00;
        if (i == 0) image[i] = 0xA5;
    }
    return image;
}

// Which factory key table entry a key id of this series starts with.
int FactoryEntry(uint8_t series, int keyId) {
    if (series == 5) return keyId == 0 ? 30 : keyId == 1 ? 31 : keyId;
    if (series == 8 || series == 9) return std::min(28 + keyId, 31);
    return keyId;
}

}  // namespace

Chip::Chip(const SeriesInfo& series, const ChipSpec& spec, uint64_t identitySeed,
           const std::array<Key128, 32>& keyTable)
    : series_(series),
      model_(spec.model.empty() ? series.model : spec.model),
      flashKB_(spec.flashKB > 0 ? spec.flashKB : series.flashKB),
      bootSubVersion_(spec.bootSubVersion) {
    uint64_t seed = identitySeed;
    for (auto& b : ucid_)
        b = static_cast<uint8_t>(SplitMix(seed));
    std::copy_n(spec.ucid.begin(), std::min(spec.ucid.size(), ucid_.size()), ucid_.begin());
    for (auto& b : uid_)
        b = static_cast<uint8_t>(SplitMix(seed));

    regions_.push_back({{series.flashBase, static_cast<uint32_t>(flashKB_ * 1024), RegionKind::Flash}, {}});
    for (const auto& extra : series.extraRegions) {
        if (extra.size != 0) regions_.push_back({extra, {}});
    }
    if (!spec.flash.empty()) {
        auto& flash = regions_[0];
        flash.bytes.assign(flash.spec.size, 0xFF);
        std::copy_n(spec.flash.begin(), std::min<size_t>(spec.flash.size(), flash.spec.size), flash.bytes.begin());
    }

    stored_ = DefaultOptions(series);
    if (std::any_of(spec.writeProtection.begin(), spec.writeProtection.end(), [](uint8_t b) { return b != 0xFF; })) {
        SetWrp(stored_, spec.writeProtection);
    }
    SetLevel(stored_, std::clamp(spec.readProtection, 0, 2));
    effective_ = stored_;

    for (int id = 0; id < 32; ++id)
        keys_[id] = keyTable[FactoryEntry(series.code, id)];
    otpValue_.fill(0xFFFF);
    extOptions_.fill(0xFF);
}

void Chip::FillInfo(ChipInfoBlock& info) const {
    std::memset(&info, 0, sizeof info);
    info.seriesCode = series_.code;
    info.modelLength = static_cast<uint8_t>(std::min<size_t>(model_.size(), sizeof info.model));
    std::memcpy(info.model, model_.data(), info.modelLength);
    std::copy(ucid_.begin(), ucid_.end(), info.ucid);
    info.ucidLength = static_cast<uint8_t>(ucid_.size());
    std::copy(uid_.begin(), uid_.end(), info.uid);
    info.uidLength = static_cast<uint8_t>(uid_.size());
    info.bootVersion = 0x11;
    info.bootSubVersion = bootSubVersion_;
    info.flashSizeKB = flashKB_;
    info.partitionUnitKB = series_.partitionUnitKB;
    info.pageSize = series_.pageSize;
}

uint32_t Chip::FlashEnd() const { return regions_[0].spec.base + regions_[0].spec.size; }

uint32_t Chip::PacketSize(uint8_t iface, uint32_t length) const {
    if (IsSwd(iface)) return std::max<uint32_t>(1, std::min({length, series_.pageSize, 2048u}));
    return series_.securityChip && bootSubVersion_ != 0x10 ? 2048 : 128;
}

StatusCode Chip::CheckRange(uint32_t address, uint32_t length, uint8_t iface, Region*& region) {
    region = nullptr;
    for (auto& r : regions_) {
        if (r.Contains(address, length)) region = &r;
    }
    if (region == nullptr) return CMD_STATUS_OUT_OF_RANGE;
    if (series_.code == 7 && iface == kIfaceUsart && region == &regions_[0] && address < kSeries7BootEnd) {
        return CMD_STATUS_OUT_OF_RANGE;
    }
    return CMD_STATUS_OK;
}

StatusCode Chip::Erase(uint32_t first, uint32_t last, const UserPartitionRecord* partition, const KeyUpdateRecord* key,
                       uint8_t iface) {
    if (first > last) return CMD_STATUS_BAD_PARAMETER;
    Region* region = nullptr;
    if (StatusCode s = CheckRange(first, last - first + 1, iface, region); s != CMD_STATUS_OK) return s;
    if (StatusCode s = CheckWrite(*region, first, last, partition, key); s != CMD_STATUS_OK) return s;
    if (region->bytes.empty()) return CMD_STATUS_OK;
    // Whole pages go, as the flash cannot erase less.
    const uint32_t page = series_.pageSize;
    const uint32_t from = (first - region->spec.base) / page * page;
    const uint32_t to = std::min<uint64_t>(region->spec.size, (uint64_t{last - region->spec.base} / page + 1) * page);
    std::fill(region->bytes.begin() + from, region->bytes.begin() + to, 0xFF);
    return CMD_STATUS_OK;
}

bool Chip::PageWriteProtected(uint32_t page) const {
    if (series_.wrpCount == 0 || series_.pagesPerWrpBit == 0) return false;
    uint32_t bit = page / series_.pagesPerWrpBit;
    if (series_.securityChip) {
        // Bit 0 is written 0 by every tool and protects nothing.
        if (bit == 0 || bit >= 32) return false;
        const uint8_t byte = effective_[series_.wrpOffsets[bit / 8]];
        return ((byte >> (bit % 8)) & 1) == 0;
    }
    const uint32_t bits = series_.wrpCount * 8u;
    if (bit >= bits) {
        if (!series_.lastBitToEnd) return false;
        bit = bits - 1;
    }
    const uint8_t byte = effective_[series_.wrpOffsets[bit / 8]];
    return ((byte >> (bit % 8)) & 1) == 0;
}

StatusCode Chip::Program(Region& region, uint32_t address, const uint8_t* data, uint32_t length) {
    if (region.bytes.empty()) region.bytes.assign(region.spec.size, 0xFF);
    uint8_t* target = region.bytes.data() + (address - region.spec.base);
    if (region.spec.kind == RegionKind::Flash) {
        // A byte that was not erased cannot take new data: this is how a missing erase shows.
        for (uint32_t i = 0; i < length; ++i) {
            if (target[i] != 0xFF && data[i] != 0xFF) return CMD_STATUS_PROGRAM_FAILED;
        }
    }
    std::memcpy(target, data, length);
    return CMD_STATUS_OK;
}

StatusCode Chip::Read(uint32_t address, uint8_t* out, uint32_t& length, uint8_t iface) {
    if (Level() != 0) return Level() == 2 ? CMD_STATUS_RDP_L2 : CMD_STATUS_PAGE_RDP_PROTECTED;
    Region* region = nullptr;
    if (StatusCode s = CheckRange(address, 1, iface, region); s != CMD_STATUS_OK) {
        length = 0;
        return s;
    }
    length = std::min(length, region->spec.base + region->spec.size - address);
    if (region->bytes.empty()) {
        std::memset(out, 0xFF, length);
    } else {
        std::memcpy(out, region->bytes.data() + (address - region->spec.base), length);
    }
    return CMD_STATUS_OK;
}

std::vector<uint8_t> Chip::Inspect(uint32_t address, uint32_t length) const {
    std::vector<uint8_t> out(length, 0xFF);
    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t a = address + i;
        for (const auto& r : regions_) {
            if (!r.bytes.empty() && r.Contains(a, 1)) out[i] = r.bytes[a - r.spec.base];
        }
    }
    return out;
}

StatusCode Chip::ExtErase(uint8_t id, uint32_t first, uint32_t last) {
    if (!series_.externalMemory) return CMD_STATUS_UNKNOWN_COMMAND;
    if (id > 3 || first > last) return CMD_STATUS_BAD_PARAMETER;
    if (last >= kExtFlashLimit) return CMD_STATUS_OUT_OF_RANGE;
    auto& blocks = extFlash_[id];
    for (auto it = blocks.lower_bound(first / kExtBlock); it != blocks.end() && it->first <= last / kExtBlock;) {
        const uint32_t blockStart = it->first * kExtBlock;
        const uint32_t from = std::max(first, blockStart) - blockStart;
        const uint32_t to = std::min<uint64_t>(uint64_t{last} + 1, uint64_t{blockStart} + kExtBlock) - blockStart;
        if (from == 0 && to == kExtBlock) {
            it = blocks.erase(it);
        } else {
            std::fill(it->second.begin() + from, it->second.begin() + to, 0xFF);
            ++it;
        }
    }
    return CMD_STATUS_OK;
}

StatusCode Chip::ExtProgram(uint8_t id, uint32_t address, const uint8_t* data, uint32_t length) {
    auto& blocks = extFlash_[id];
    for (uint32_t i = 0; i < length; ++i) {
        auto it = blocks.find((address + i) / kExtBlock);
        if (it != blocks.end() && it->second[(address + i) % kExtBlock] != 0xFF && data[i] != 0xFF) {
            return CMD_STATUS_PROGRAM_FAILED;
        }
    }
    for (uint32_t i = 0; i < length; ++i) {
        auto& block = blocks[(address + i) / kExtBlock];
        if (block.empty()) block.assign(kExtBlock, 0xFF);
        block[(address + i) % kExtBlock] = data[i];
    }
    return CMD_STATUS_OK;
}

std::vector<uint8_t> Chip::InspectExt(uint8_t id, uint32_t address, uint32_t length) const {
    std::vector<uint8_t> out(length, 0xFF);
    auto device = extFlash_.find(id);
    if (device == extFlash_.end()) return out;
    for (uint32_t i = 0; i < length; ++i) {
        auto it = device->second.find((address + i) / kExtBlock);
        if (it != device->second.end()) out[i] = it->second[(address + i) % kExtBlock];
    }
    return out;
}

Key128 Chip::NewChallenge() {
    uint64_t state = (uint64_t{ucid_[0]} << 32) ^ ++challengeCounter_ ^ 0xC3A5C3A5ull;
    Key128 challenge{};
    for (auto& b : challenge)
        b = static_cast<uint8_t>(SplitMix(state));
    return challenge;
}

void Chip::Reset() {
    effective_ = stored_;
    sealEffective_ = sealStored_;
}

void Chip::MassErase() {
    for (auto& r : regions_) {
        if (r.spec.kind == RegionKind::Flash) r.bytes.clear();
    }
}

}  // namespace ovsim
