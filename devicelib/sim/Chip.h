// One simulated chip: memories, option image, protection, partitions, keys, OTP and the security chip's extras.
// Not thread-safe by itself: the device that holds it serialises every access.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "devicelib/OvMcuCmdDll.h"
#include "devicelib/OvMcuSim.h"
#include "devicelib/sim/SeriesTable.h"

namespace ovsim {

using Key128 = std::array<uint8_t, 16>;

struct Region {
    RegionSpec spec;
    std::vector<uint8_t> bytes;  // empty until first written: everything reads erased
    bool Contains(uint32_t address, uint32_t length) const {
        return address >= spec.base && length <= spec.size && address - spec.base <= spec.size - length;
    }
};

struct PartitionConfig {
    uint8_t sizeUnits = 0;  // USER2 and USER3; USER1 is what they leave
    uint8_t keyId = 0xFF;
    uint8_t flags = 0;
};

class Chip {
public:
    // keyTable: the factory key table; a chip's key for an id is the entry its series maps that id to.
    Chip(const SeriesInfo& series, const ChipSpec& spec, uint64_t identitySeed, const std::array<Key128, 32>& keyTable);

    const SeriesInfo& Series() const { return series_; }
    void FillInfo(ChipInfoBlock& info) const;
    int Level() const { return LevelOf(effective_); }
    int PendingLevel() const { return LevelOf(stored_); }

    // Memory. iface decides the rules a boot loader adds (series 7 keeps its first 3 KB on USART).
    StatusCode CheckRange(uint32_t address, uint32_t length, uint8_t iface, Region*& region);
    // May [first, last] of region be erased or written, under protection, seal, partitions and their keys?
    StatusCode CheckWrite(const Region& region, uint32_t first, uint32_t last, const UserPartitionRecord* partition,
                          const KeyUpdateRecord* key) const;
    StatusCode Erase(uint32_t first, uint32_t last, const UserPartitionRecord* partition, const KeyUpdateRecord* key,
                     uint8_t iface);
    StatusCode Program(Region& region, uint32_t address, const uint8_t* data, uint32_t length);
    StatusCode Read(uint32_t address, uint8_t* out, uint32_t& length, uint8_t iface);
    std::vector<uint8_t> Inspect(uint32_t address, uint32_t length) const;

    StatusCode ExtErase(uint8_t id, uint32_t first, uint32_t last);
    StatusCode ExtProgram(uint8_t id, uint32_t address, const uint8_t* data, uint32_t length);
    std::vector<uint8_t> InspectExt(uint8_t id, uint32_t address, uint32_t length) const;

    // Options and protection; changes wait for the next reset.
    StatusCode OptionRw(OptionRwBlock& block);
    StatusCode ReadProtect(uint8_t level, uint8_t seriesCode);
    StatusCode WriteProtect(const std::array<uint8_t, 4>& wrp);
    StatusCode OtpRw(OtpRwBlock& block);
    StatusCode ExtOptRw(ExtOptRwBlock& block);
    std::array<uint8_t, 60>& ExtOptions() { return extOptions_; }
    const std::vector<uint8_t>& StoredOptions() const { return stored_; }
    const std::vector<uint8_t>& EffectiveOptions() const { return effective_; }
    void ForceProtection(int level, const std::optional<std::array<uint8_t, 4>>& wrp);
    // An option image in force at once, as if the chip had arrived so (bytes past the series' length dropped).
    void ForceOptions(const std::vector<uint8_t>& image);
    // Whole-image writes that left a value and its complement out of step.
    int BrokenComplementWrites() const { return brokenComplementWrites_; }

    // Partitions and keys.
    StatusCode PartitionOp(UserPartitionRecord& record);
    StatusCode KeyUpdate(const KeyUpdateRecord& record);
    PartitionState Partition(int index) const;
    Key128 KeyOf(uint8_t keyId) const { return keys_[keyId & 31]; }

    // Security chip.
    StatusCode SetKey(uint8_t kind, const uint8_t* key, uint32_t length);
    StatusCode SetJtagMode(uint8_t mode, const uint8_t* data, uint32_t length);
    StatusCode SetSecureMode(uint8_t mode, bool challenged);
    StatusCode ExtKeyConfig(const Key128& key);
    ChipState State() const;

    // Raw boot-loader effects.
    void SetDownloadFlag() { downloadFlag_ = true; }
    void SetApiLoaded(uint8_t source) { apiSource_ = source; }
    void Run(uint32_t address) { runAddress_ = address; }
    Key128 NewChallenge();

    void Reset();  // pending option image and seal take effect

    // Packet size of a download of length bytes over iface.
    uint32_t PacketSize(uint8_t iface, uint32_t length) const;

private:
    int LevelOf(const std::vector<uint8_t>& image) const;
    bool PageWriteProtected(uint32_t page) const;
    StatusCode StoreOptions(std::vector<uint8_t> image);
    void MassErase();
    bool Partitioned() const { return parts_[1].sizeUnits != 0 || parts_[2].sizeUnits != 0; }
    uint32_t PartitionUnits() const;
    bool CountsUser1Short() const;
    void FillPartitionRecord(UserPartitionRecord& record) const;
    StatusCode CheckMainFlashWrite(uint32_t first, uint32_t last, const UserPartitionRecord* partition,
                                   const KeyUpdateRecord* key) const;
    uint32_t FlashEnd() const;  // one past the last byte
    std::array<uint32_t, 4> PartitionBounds() const;
    uint8_t PartitionKeyId(int index) const;
    void SetLevel(std::vector<uint8_t>& image, int level) const;
    void SetWrp(std::vector<uint8_t>& image, const std::array<uint8_t, 4>& wrp) const;

    const SeriesInfo& series_;
    std::string model_;
    double flashKB_;
    uint8_t bootSubVersion_;
    std::array<uint8_t, 16> ucid_{};
    std::array<uint8_t, 12> uid_{};
    std::vector<Region> regions_;  // main flash first
    std::vector<uint8_t> stored_, effective_;
    int brokenComplementWrites_ = 0;
    std::array<PartitionConfig, 3> parts_{};
    bool sealStored_ = false, sealEffective_ = false;
    std::array<Key128, 32> keys_{};
    std::array<uint16_t, 6> otpValue_{};
    std::array<uint8_t, 6> otpWrites_{};
    std::array<uint8_t, 60> extOptions_{};
    std::map<uint8_t, std::map<uint32_t, std::vector<uint8_t>>> extFlash_;  // id -> 4 KB block -> bytes
    Key128 rek_{}, idKey_{}, extFlashKey_{};
    std::vector<uint8_t> jtagKey_, jtagModeKey_;
    int jtagMode_ = -1, secureMode_ = -1;
    bool downloadFlag_ = false;
    int apiSource_ = -1;
    std::optional<uint32_t> runAddress_;
    uint64_t challengeCounter_ = 0;
};

}  // namespace ovsim
