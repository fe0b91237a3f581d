// USER partitions, their keys and authentication, and the security chip's keys and modes.
#include <algorithm>

#include "devicelib/sim/Chip.h"

namespace ovsim {

std::array<uint32_t, 4> Chip::PartitionBounds() const {
    const uint32_t unit = series_.partitionUnitKB * 1024u;
    const uint32_t base = regions_[0].spec.base;
    const uint32_t end = FlashEnd();
    const uint32_t user3 = end - parts_[2].sizeUnits * unit;
    const uint32_t user2 = user3 - parts_[1].sizeUnits * unit;
    return {base, user2, user3, end};
}

uint8_t Chip::PartitionKeyId(int index) const {
    if (parts_[index].keyId != 0xFF) return parts_[index].keyId;
    if (series_.code == 5) return index == 2 ? 1 : 0;
    return static_cast<uint8_t>(index);
}

StatusCode Chip::CheckWrite(const Region& region, uint32_t first, uint32_t last, const UserPartitionRecord* partition,
                            const KeyUpdateRecord* key) const {
    if (Level() != 0) return Level() == 2 ? CMD_STATUS_RDP_L2 : CMD_STATUS_PAGE_RDP_PROTECTED;
    return &region == &regions_[0] ? CheckMainFlashWrite(first, last, partition, key) : CMD_STATUS_OK;
}

StatusCode Chip::CheckMainFlashWrite(uint32_t first, uint32_t last, const UserPartitionRecord* partition,
                                     const KeyUpdateRecord* key) const {
    if (sealEffective_) return CMD_STATUS_FLASH_SEALED;
    const uint32_t base = regions_[0].spec.base;
    for (uint32_t page = (first - base) / series_.pageSize; page <= (last - base) / series_.pageSize; ++page) {
        if (PageWriteProtected(page)) return CMD_STATUS_PAGE_WRP_PROTECTED;
    }
    if (!series_.partitions) return CMD_STATUS_OK;
    const auto bounds = PartitionBounds();
    const bool named = partition != nullptr && partition->index <= 2;
    if (partition != nullptr && !named) return CMD_STATUS_OK;  // indices 3 to 5 name other flash areas
    for (int i = 0; i < 3; ++i) {
        if (last < bounds[i] || first >= bounds[i + 1]) continue;
        if (named && i != partition->index) return CMD_STATUS_CROSSES_PARTITIONS;
        if ((parts_[i].flags >> 4) == 0) continue;
        if (!named) return CMD_STATUS_PARTITION_PROTECTED;
        if (key == nullptr || !std::equal(key->key, key->key + 16, keys_[PartitionKeyId(i)].begin())) {
            return CMD_STATUS_KEY_AUTH_FAILED;
        }
    }
    return CMD_STATUS_OK;
}

StatusCode Chip::PartitionOp(UserPartitionRecord& record) {
    if (!series_.partitions) return CMD_STATUS_UNKNOWN_COMMAND;
    if (record.operation == 2) {
        // A seal names nothing else; a record that does is not a seal the chip recognises.
        if (record.index != 0 || record.size != 0 || record.keyId != 0 || record.flags != 0) {
            return CMD_STATUS_BAD_PARAMETER;
        }
        sealStored_ = true;
        return CMD_STATUS_OK;
    }
    if (record.operation > 2 || record.index > 2 || (series_.code == 5 && record.index == 1)) {
        return CMD_STATUS_BAD_PARAMETER;
    }
    const uint32_t units = PartitionUnits();
    const uint32_t others = parts_[1].sizeUnits + parts_[2].sizeUnits;
    PartitionConfig& part = parts_[record.index];
    if (record.operation == 0) {
        FillPartitionRecord(record);
        return CMD_STATUS_OK;
    }
    if (Level() == 2) return CMD_STATUS_RDP_L2;
    if (record.keyId != 0xFF && (record.keyId > 31 || (series_.code == 5 && record.keyId > 1))) {
        return CMD_STATUS_KEY_ID_RANGE;
    }
    // Each enable is one nibble holding 0 or 1.
    if ((record.flags >> 4) > 1 || (record.flags & 0x0F) > 1) return CMD_STATUS_PARTITION_FLAGS;
    if (record.index == 0) {
        // Series 3 and 11 count USER1 one unit short both ways: it is told and answered so.
        const uint32_t wanted = record.size + (record.size != 0 && CountsUser1Short() ? 1u : 0u);
        if (record.size != 0 && wanted != units - others) return CMD_STATUS_PARTITION_SIZE;
    } else {
        if (part.sizeUnits != 0 && record.size != part.sizeUnits) return CMD_STATUS_PARTITION_CONFIGURED;
        // USER1 keeps at least one unit.
        if (others - part.sizeUnits + record.size + 1 > units) return CMD_STATUS_PARTITION_SIZE;
    }
    if (record.keyId != 0xFF && part.keyId != 0xFF && part.keyId != record.keyId) {
        return CMD_STATUS_PARTITION_KEY_ID;
    }
    if (part.flags != 0 && record.flags != part.flags) return CMD_STATUS_PARTITION_FLAGS;
    if (record.index != 0) part.sizeUnits = record.size;
    if (record.keyId != 0xFF) part.keyId = record.keyId;
    part.flags = record.flags;
    return CMD_STATUS_OK;
}

bool Chip::CountsUser1Short() const { return series_.code == 3 || series_.code == 11; }

uint32_t Chip::PartitionUnits() const { return static_cast<uint32_t>(flashKB_ / series_.partitionUnitKB); }

void Chip::FillPartitionRecord(UserPartitionRecord& record) const {
    const PartitionConfig& part = parts_[record.index];
    if (record.index == 0) {
        const uint32_t shortBy = CountsUser1Short() ? 1 : 0;
        const uint32_t others = parts_[1].sizeUnits + parts_[2].sizeUnits;
        record.size = Partitioned() ? static_cast<uint8_t>(PartitionUnits() - others - shortBy) : 0;
    } else {
        record.size = part.sizeUnits;
    }
    record.keyId = part.keyId == 0xFF ? 0xFF : 0;
    record.flags = part.flags;
}

PartitionState Chip::Partition(int index) const {
    UserPartitionRecord record{0, static_cast<uint8_t>(index), 0, 0, 0};
    FillPartitionRecord(record);
    PartitionState state;
    state.sizeUnits = record.size;
    state.keyId = parts_[index].keyId;
    state.flags = parts_[index].flags;
    return state;
}

StatusCode Chip::KeyUpdate(const KeyUpdateRecord& record) {
    if (!series_.partitions) return CMD_STATUS_UNKNOWN_COMMAND;
    if (record.keyId > 31 || (series_.code == 5 && record.keyId > 1)) return CMD_STATUS_KEY_ID_RANGE;
    Key128& key = keys_[record.keyId];
    if (!std::equal(key.begin(), key.end(), record.oldKey)) return CMD_STATUS_KEY_AUTH_FAILED;
    std::copy_n(record.key, 16, key.begin());
    return CMD_STATUS_OK;
}

StatusCode Chip::SetKey(uint8_t kind, const uint8_t* key, uint32_t length) {
    if (!series_.securityChip) return CMD_STATUS_UNKNOWN_COMMAND;
    if ((kind == 0 || kind == 1) && length == 16) {
        std::copy_n(key, 16, (kind == 0 ? rek_ : idKey_).begin());
        return CMD_STATUS_OK;
    }
    if (kind == 2 && (length == 4 || length == 16)) {
        jtagKey_.assign(key, key + length);
        return CMD_STATUS_OK;
    }
    return CMD_STATUS_BAD_PARAMETER;
}

StatusCode Chip::SetJtagMode(uint8_t mode, const uint8_t* data, uint32_t length) {
    if (!series_.securityChip) return CMD_STATUS_UNKNOWN_COMMAND;
    if (mode > 1 || length != 16) return CMD_STATUS_BAD_PARAMETER;
    jtagMode_ = mode;
    jtagModeKey_.assign(data, data + length);
    return CMD_STATUS_OK;
}

StatusCode Chip::SetSecureMode(uint8_t mode, bool challenged) {
    if (!series_.securityChip) return CMD_STATUS_UNKNOWN_COMMAND;
    if (mode > 1) return CMD_STATUS_BAD_PARAMETER;
    if (!challenged) return CMD_STATUS_KEY_AUTH_FAILED;  // a token without a challenge cannot be genuine
    secureMode_ = mode;
    return CMD_STATUS_OK;
}

StatusCode Chip::ExtKeyConfig(const Key128& key) {
    if (!series_.externalMemory) return CMD_STATUS_UNKNOWN_COMMAND;
    extFlashKey_ = key;
    return CMD_STATUS_OK;
}

ChipState Chip::State() const {
    ChipState s;
    s.level = Level();
    s.pendingLevel = PendingLevel();
    s.sealed = sealEffective_;
    s.sealPending = sealStored_;
    s.secureMode = secureMode_;
    s.jtagMode = jtagMode_;
    s.rek = rek_;
    s.idKey = idKey_;
    s.extFlashKey = extFlashKey_;
    s.jtagKey = jtagKey_;
    s.jtagModeKey = jtagModeKey_;
    for (int i = 1; i <= 5; ++i) {
        s.otp[i] = otpWrites_[i] == 0 ? 0xFFFF : otpValue_[i];
        s.otpWrites[i] = otpWrites_[i];
    }
    s.downloadFlag = downloadFlag_;
    s.apiSource = apiSource_;
    s.runAddress = runAddress_;
    return s;
}

}  // namespace ovsim
