#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "tests/devicelib/SimFixture.h"

namespace {

using PartitionTest = SimTest;

constexpr uint32_t kBase = 0x08000000;
const std::string kDev = "/dev/ttyUSB0";

StatusCode Configure(DeviceHandle h, uint8_t index, uint8_t size, uint8_t keyId, uint8_t flags) {
    UserPartitionRecord record{1, index, size, keyId, flags};
    return OV_CMD_USERX_OP(h, &record);
}

UserPartitionRecord Read(DeviceHandle h, uint8_t index) {
    UserPartitionRecord record{0, index, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(OV_CMD_USERX_OP(h, &record), CMD_STATUS_OK);
    return record;
}

KeyUpdateRecord KeyRecord(uint8_t id, const std::array<uint8_t, 16>& key, const std::array<uint8_t, 16>& old = {}) {
    KeyUpdateRecord record{};
    record.keyId = id;
    std::copy(key.begin(), key.end(), record.key);
    std::copy(old.begin(), old.end(), record.oldKey);
    return record;
}

// Series 0: 256 KB in 16 KB units, 16 units.
TEST_F(PartitionTest, SizesSplitTheFlashAndReadBackAsConfigured) {
    const DeviceHandle h = Usart(0);
    EXPECT_EQ(Read(h, 0).size, 0) << "unpartitioned";
    ASSERT_EQ(Configure(h, 2, 4, 5, 0x11), CMD_STATUS_OK);
    ASSERT_EQ(Configure(h, 1, 2, 0xFF, 0x00), CMD_STATUS_OK);
    EXPECT_EQ(Configure(h, 0, 9, 0xFF, 0), CMD_STATUS_PARTITION_SIZE) << "USER1 must be exactly the rest";
    ASSERT_EQ(Configure(h, 0, 10, 0xFF, 0), CMD_STATUS_OK);

    const UserPartitionRecord user3 = Read(h, 2);
    EXPECT_EQ(user3.size, 4);
    EXPECT_EQ(user3.keyId, 0) << "a configured key id reads as 0";
    EXPECT_EQ(user3.flags, 0x11);
    EXPECT_EQ(Read(h, 1).keyId, 0xFF);
    EXPECT_EQ(Read(h, 0).size, 10);
    EXPECT_EQ(ovsim::Partition(kDev, 2).keyId, 5);

    EXPECT_EQ(Configure(h, 2, 5, 0xFF, 0x11), CMD_STATUS_PARTITION_CONFIGURED);
    EXPECT_EQ(Configure(h, 2, 4, 6, 0x11), CMD_STATUS_PARTITION_KEY_ID);
    EXPECT_EQ(Configure(h, 2, 4, 5, 0x10), CMD_STATUS_PARTITION_FLAGS);
    EXPECT_EQ(Configure(h, 2, 4, 5, 0x11), CMD_STATUS_OK) << "the same configuration again is harmless";
    EXPECT_EQ(Configure(h, 1, 12, 0xFF, 0), CMD_STATUS_PARTITION_CONFIGURED);
    EXPECT_EQ(Configure(h, 1, 0, 40, 0), CMD_STATUS_KEY_ID_RANGE);

    // A partitioned chip keeps read protection level 1.
    ASSERT_EQ(OV_CMD_READ_PROTECT(h, 1, 0), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_READ_PROTECT(h, 0, 0), CMD_STATUS_PARTITIONED_NO_L0);
}

TEST_F(PartitionTest, MalformedRecordsChangeNothing) {
    const DeviceHandle h = Usart(0);
    struct Row {
        UserPartitionRecord record;
        StatusCode status;
    };
    const Row rows[] = {
        {{1, 2, 4, 0xFF, 0x21}, CMD_STATUS_PARTITION_FLAGS},  // an enable is 0 or 1
        {{1, 2, 4, 0xFF, 0x02}, CMD_STATUS_PARTITION_FLAGS},
        {{1, 2, 4, 32, 0x00}, CMD_STATUS_KEY_ID_RANGE},
        {{1, 3, 4, 0xFF, 0x00}, CMD_STATUS_BAD_PARAMETER},
        {{2, 1, 0, 0, 0}, CMD_STATUS_BAD_PARAMETER},  // a seal names nothing else
        {{2, 0, 0, 0, 0x10}, CMD_STATUS_BAD_PARAMETER},
        {{3, 0, 0, 0, 0}, CMD_STATUS_BAD_PARAMETER},
    };
    for (const Row& r : rows) {
        UserPartitionRecord record = r.record;
        EXPECT_EQ(OV_CMD_USERX_OP(h, &record), r.status) << int(r.record.operation) << "/" << int(r.record.flags);
    }
    EXPECT_EQ(Read(h, 2).size, 0);
    EXPECT_EQ(Read(h, 2).flags, 0);
    EXPECT_FALSE(ovsim::State(kDev).sealPending);
}

TEST_F(PartitionTest, SeriesThreeAnswersUserOneAUnitShort) {
    const DeviceHandle h = Usart(3);  // 32 KB in 4 KB units: 8 units
    ASSERT_EQ(Configure(h, 2, 2, 0xFF, 0), CMD_STATUS_OK);
    EXPECT_EQ(Read(h, 0).size, 5);
    EXPECT_EQ(Configure(h, 0, 5, 0xFF, 0), CMD_STATUS_OK);
}

TEST_F(PartitionTest, ErasesAndDownloadsStayInTheirPartitionAndShowItsKey) {
    const DeviceHandle h = Usart(0);
    ASSERT_EQ(Configure(h, 2, 4, 3, 0x10), CMD_STATUS_OK);  // USER3: the last 64 KB, key id 3, authenticated
    const uint32_t user3 = kBase + 192 * 1024;
    const auto key3 = ovsim::ChipKey(kDev, 3);
    const UserPartitionRecord p0{0, 0, 0, 0, 0};
    const UserPartitionRecord p2{0, 2, 0, 0, 0};
    const KeyUpdateRecord right = KeyRecord(3, key3);
    const KeyUpdateRecord wrong = KeyRecord(3, {});

    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, user3 - 2048, user3 + 2047, &p0, nullptr), CMD_STATUS_CROSSES_PARTITIONS);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, user3, user3 + 2047, nullptr, nullptr), CMD_STATUS_PARTITION_PROTECTED);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, user3, user3 + 2047, &p2, &wrong), CMD_STATUS_KEY_AUTH_FAILED);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, user3, user3 + 2047, &p2, nullptr), CMD_STATUS_KEY_AUTH_FAILED);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, user3, user3 + 2047, &p2, &right), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, kBase, kBase + 2047, &p0, nullptr), CMD_STATUS_OK) << "USER1 has no key";

    const auto data = Pattern(128);
    const ImageDescriptor image = Image(user3, data);
    EXPECT_EQ(OV_CMD_FLASH_DWNLD(h, &image, &p2, &wrong, nullptr, nullptr), CMD_STATUS_KEY_AUTH_FAILED);
    EXPECT_EQ(OV_CMD_FLASH_DWNLD(h, &image, &p2, &right, nullptr, nullptr), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::ReadMemory(kDev, user3, 128), data);
}

TEST_F(PartitionTest, KeyUpdateNeedsTheOldKeyAndTheNewKeyThenAuthenticates) {
    const DeviceHandle h = Usart(8);                           // key id k starts as factory entry 28 + k
    ASSERT_EQ(Configure(h, 2, 4, 0xFF, 0x10), CMD_STATUS_OK);  // no id given: USER3 uses key id 2
    const std::array<uint8_t, 16> fresh{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const auto factory = ovsim::FactoryKey(30);
    ASSERT_EQ(ovsim::ChipKey("/dev/ttyUSB0", 2), factory);

    EXPECT_EQ(OV_CMD_KEY_UPDATE(h, KeyRecord(2, fresh, ovsim::FactoryKey(29))), CMD_STATUS_KEY_AUTH_FAILED);
    EXPECT_EQ(OV_CMD_KEY_UPDATE(h, KeyRecord(32, fresh, factory)), CMD_STATUS_KEY_ID_RANGE);
    ASSERT_EQ(OV_CMD_KEY_UPDATE(h, KeyRecord(2, fresh, factory)), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::ChipKey("/dev/ttyUSB0", 2), fresh);

    const uint32_t user3 = kBase + (512 - 64) * 1024;
    const UserPartitionRecord p2{0, 2, 0, 0, 0};
    const KeyUpdateRecord oldKey = KeyRecord(2, factory);
    const KeyUpdateRecord newKey = KeyRecord(2, fresh);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, user3, user3 + 8191, &p2, &oldKey), CMD_STATUS_KEY_AUTH_FAILED);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, user3, user3 + 8191, &p2, &newKey), CMD_STATUS_OK);
}

TEST_F(PartitionTest, SealedFlashRefusesErasesAfterTheReset) {
    DeviceHandle h = Usart(0);
    UserPartitionRecord seal{2, 0, 0, 0, 0};
    ASSERT_EQ(OV_CMD_USERX_OP(h, &seal), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, kBase, kBase + 2047, nullptr, nullptr), CMD_STATUS_OK);
    ASSERT_EQ(OV_CMD_SYS_RESET(h), CMD_STATUS_OK);
    OV_CMD_DISCONNECT_DEV(&h);
    h = Connect(OV_IFACE_USART, u"/dev/ttyUSB0");
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, kBase, kBase + 2047, nullptr, nullptr), CMD_STATUS_FLASH_SEALED);
    EXPECT_TRUE(ovsim::State(kDev).sealed);
}

TEST_F(PartitionTest, NewChipsHoldTheProgramsDefaultKeys) {
    // The program takes these as the old key of a first key update.
    for (int entry = 0; entry < 32; ++entry) {
        std::array<uint8_t, 16> expected{};
        HexToBytes(g_defaultChipKeys[entry], expected.data(), expected.size());
        EXPECT_EQ(ovsim::FactoryKey(entry), expected) << entry;
    }
    Usart(5);
    EXPECT_EQ(ovsim::ChipKey(kDev, 0), ovsim::FactoryKey(30)) << "series 5 keeps its two partition keys at the end";
    EXPECT_EQ(ovsim::ChipKey(kDev, 1), ovsim::FactoryKey(31));
}

TEST_F(PartitionTest, SeriesWithoutPartitionsDoNotKnowTheCommands) {
    const DeviceHandle h = Usart(4);
    UserPartitionRecord record{0, 0, 0, 0, 0};
    EXPECT_EQ(OV_CMD_USERX_OP(h, &record), CMD_STATUS_UNKNOWN_COMMAND);
    EXPECT_EQ(OV_CMD_KEY_UPDATE(h, KeyRecord(0, {})), CMD_STATUS_UNKNOWN_COMMAND);
}

}  // namespace
