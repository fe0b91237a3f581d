// The offline project record. The offline downloader interprets it itself and the project files store it whole,
// so its layout is a wire format: every member is a byte array (alignment 1, no padding), numbers little-endian,
// and the offsets are checked at compile time below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// An unaligned little-endian 32-bit field.
struct Le32 {
    std::array<uint8_t, 4> bytes;

    uint32_t Get() const {
        return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
    }
    void Set(uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
};

inline constexpr uint32_t kProjectMarkerValid = 0xA5A5A5A5;
inline constexpr uint32_t kProjectMarkerAbsent = 0xFFFFFFFF;
// Option record marker of the chip families whose option bytes are a list of items kept in the extension.
inline constexpr uint32_t kProjectMarkerOptionItems = 0x5A5A5A5A;
inline constexpr uint32_t kProjectVersion = 0x00010000;
inline constexpr std::size_t kProjectTextMax = 32;  // byte-string fields
inline constexpr std::size_t kProjectFileSlots = 8;
inline constexpr std::size_t kProjectPartitions = 3;

// One project file, or the flash algorithm (marker absent, only sizes and digests set).
struct ProjectFileRecord {
    Le32 marker;
    uint8_t index;
    uint8_t partitionId;
    uint8_t reserved6;
    uint8_t nameLength;
    std::array<uint8_t, kProjectTextMax> name;
    Le32 plainSize;
    Le32 storedSize;
    Le32 fileTime;
    Le32 reserved52;
    Le32 startAddress;
    Le32 plainCrc;
    Le32 storedCrc;
    std::array<uint8_t, 32> plainSha256;
    std::array<uint8_t, 32> storedSha256;
};

struct ProjectPartitionEntry {
    Le32 marker;
    uint8_t index;  // 0 USER1, 1 USER2, 2 USER3
    uint8_t size;   // in the series' partition units
    uint8_t keyId;
    uint8_t flags;  // authentication in the high nibble, encrypted download in the low nibble
};

struct ProjectOptionRecord {
    Le32 marker;
    std::array<uint8_t, 20> optionBytes;
};

struct ProjectChipRecord {
    Le32 marker;
    std::array<uint8_t, 2> reserved4;
    uint8_t seriesLength;
    uint8_t modelLength;
    std::array<uint8_t, kProjectTextMax> series;
    std::array<uint8_t, kProjectTextMax> model;
    Le32 flashStart;
    Le32 pageSize;
    Le32 flashSize;
    Le32 sramStart;
    Le32 sramSize;
    std::array<uint8_t, 8> reserved92;
    std::array<ProjectPartitionEntry, kProjectPartitions> partitions;
    ProjectOptionRecord option;
};

struct ProjectKeyRecord {
    std::array<uint8_t, 30> reserved0;
    std::array<uint8_t, kProjectPartitions> keyMode;  // 0 default key kept, 1 key updated, 0xFF no key
    std::array<uint8_t, kProjectPartitions> keyId;
    std::array<std::array<uint8_t, 16>, kProjectPartitions> newKey;
    std::array<std::array<uint8_t, 16>, kProjectPartitions> oldKey;
};

struct ProjectExtOptionRecord {
    Le32 marker;
    Le32 count;
    std::array<uint8_t, 128> items;
};

struct ProjectConfig {
    static constexpr std::size_t kSize = 1716;
    static constexpr std::size_t kLegacySize = 1580;  // the older form, without the option-item extension

    Le32 recordSize;
    Le32 magic;
    Le32 version;
    std::array<uint8_t, 8> serial;  // 16 decimal digits, two a byte, first digit in the high nibble
    std::array<uint8_t, 8> reserved20;
    std::array<uint8_t, 16> downloaderSn;
    std::array<uint8_t, kProjectTextMax> name;
    uint8_t nameLength;
    uint8_t reserved77;
    uint8_t bindToDownloader;
    uint8_t onceOnly;
    uint8_t targetInterface;  // 0 SWD, 1 UART
    uint8_t eraseMode;        // 0 none, 1 whole chip, 2 by file size
    uint8_t fileCount;
    uint8_t resetMode;  // 0 no reset, 1 reset after the download
    uint8_t limitOn;
    uint8_t snFlags;  // bit 0 write a serial number, bit 1 use the device's own
    std::array<uint8_t, 2> reserved86;
    Le32 zero88;
    Le32 downloadLimit;
    Le32 snAddress;
    Le32 snInitial;
    Le32 snStep;
    Le32 createdTime;
    ProjectFileRecord algorithm;
    ProjectChipRecord chip;
    ProjectKeyRecord keys;
    std::array<ProjectFileRecord, kProjectFileSlots> files;
    ProjectExtOptionRecord extOption;

    // Every byte 0xFF, then the size, magic and version: the start of every record a builder makes.
    static ProjectConfig Blank();
    // 1716 bytes as they stand, or a 1580-byte record extended with 0xFF; any other length is refused.
    static bool FromBytes(std::span<const uint8_t> bytes, ProjectConfig& out);

    std::span<const uint8_t, kSize> Bytes() const { return std::span<const uint8_t, kSize>(Raw(), kSize); }
    std::span<uint8_t, kSize> MutableBytes() { return std::span<uint8_t, kSize>(Raw(), kSize); }

private:
    uint8_t* Raw() const { return reinterpret_cast<uint8_t*>(const_cast<ProjectConfig*>(this)); }
};

static_assert(sizeof(Le32) == 4 && alignof(Le32) == 1);
static_assert(sizeof(ProjectFileRecord) == 132 && offsetof(ProjectFileRecord, name) == 8 &&
              offsetof(ProjectFileRecord, plainSize) == 40 && offsetof(ProjectFileRecord, startAddress) == 56 &&
              offsetof(ProjectFileRecord, plainSha256) == 68 && offsetof(ProjectFileRecord, storedSha256) == 100);
static_assert(sizeof(ProjectPartitionEntry) == 8 && sizeof(ProjectOptionRecord) == 24);
static_assert(sizeof(ProjectChipRecord) == 148 && offsetof(ProjectChipRecord, series) == 8 &&
              offsetof(ProjectChipRecord, model) == 40 && offsetof(ProjectChipRecord, flashStart) == 72 &&
              offsetof(ProjectChipRecord, sramSize) == 88 && offsetof(ProjectChipRecord, partitions) == 100 &&
              offsetof(ProjectChipRecord, option) == 124);
static_assert(sizeof(ProjectKeyRecord) == 132 && offsetof(ProjectKeyRecord, keyMode) == 30 &&
              offsetof(ProjectKeyRecord, keyId) == 33 && offsetof(ProjectKeyRecord, newKey) == 36 &&
              offsetof(ProjectKeyRecord, oldKey) == 84);
static_assert(sizeof(ProjectExtOptionRecord) == 136 && offsetof(ProjectExtOptionRecord, items) == 8);
static_assert(sizeof(ProjectConfig) == ProjectConfig::kSize && alignof(ProjectConfig) == 1);
static_assert(offsetof(ProjectConfig, serial) == 12 && offsetof(ProjectConfig, downloaderSn) == 28 &&
              offsetof(ProjectConfig, name) == 44 && offsetof(ProjectConfig, nameLength) == 76 &&
              offsetof(ProjectConfig, bindToDownloader) == 78 && offsetof(ProjectConfig, snFlags) == 85 &&
              offsetof(ProjectConfig, zero88) == 88 && offsetof(ProjectConfig, createdTime) == 108 &&
              offsetof(ProjectConfig, algorithm) == 112 && offsetof(ProjectConfig, chip) == 244 &&
              offsetof(ProjectConfig, keys) == 392 && offsetof(ProjectConfig, files) == 524 &&
              offsetof(ProjectConfig, extOption) == ProjectConfig::kLegacySize);
