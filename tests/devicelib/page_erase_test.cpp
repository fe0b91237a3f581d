// The erase command on the flash areas beside the main flash, and the requests kept for tests.
#include "devicelib/sim/PageErase.h"
#include "tests/devicelib/SimFixture.h"

namespace {

using PageEraseTest = SimTest;

TEST_F(PageEraseTest, AnAreaBesideTheMainFlashIsErasedOnlyUnderItsOwnIndex) {
    const DeviceHandle h = Usart(11);
    const auto data = Pattern(512, 3);
    const ImageDescriptor image = Image(0x1FFF1000, data);
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);

    struct Row {
        const char* what;
        uint32_t first, last;
        int index;  // -1: no record
        StatusCode status;
    };
    const Row rows[] = {
        {"data flash under USER1's index", 0x1FFF1000, 0x1FFF11FF, 0, CMD_STATUS_BAD_PARAMETER},
        {"data flash under the SRAM's index", 0x1FFF1000, 0x1FFF11FF, 4, CMD_STATUS_BAD_PARAMETER},
        {"main flash under the data flash's index", 0x08000000, 0x080001FF, 3, CMD_STATUS_BAD_PARAMETER},
        {"data flash reaching past its end", 0x1FFF2E00, 0x1FFF31FF, 3, CMD_STATUS_BAD_PARAMETER},
        {"main flash under USER1", 0x08000000, 0x080001FF, 0, CMD_STATUS_OK},
        {"data flash under its index", 0x1FFF1000, 0x1FFF11FF, 3, CMD_STATUS_OK},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        UserPartitionRecord record{0, static_cast<uint8_t>(r.index), 0, 0xFF, 0};
        KeyUpdateRecord key{};
        EXPECT_EQ(OV_CMD_FLASH_ERASE(h, r.first, r.last, r.index < 0 ? nullptr : &record, &key), r.status);
        const bool erased = r.status == CMD_STATUS_OK && r.first == 0x1FFF1000;
        EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x1FFF1000, 1)[0], erased ? 0xFF : data[0]);
    }
}

TEST_F(PageEraseTest, RequestsAreKeptWithTheRecordsAsSent) {
    const DeviceHandle h = Usart(0);
    ovsim::ClearEraseRequests();
    UserPartitionRecord record{0, 0, 0, 0xFF, 0};
    KeyUpdateRecord key{};
    key.key[0] = 0x5A;
    OV_CMD_FLASH_ERASE(h, 0x08000000, 0x080007FF, &record, &key);
    OV_CMD_FLASH_ERASE(h, 0x08000800, 0x08000FFF, nullptr, nullptr);
    const auto requests = ovsim::EraseRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].device, "/dev/ttyUSB0");
    EXPECT_EQ(requests[0].first, 0x08000000u);
    EXPECT_EQ(requests[0].last, 0x080007FFu);
    ASSERT_TRUE(requests[0].partition && requests[0].key);
    EXPECT_EQ(requests[0].partition->index, 0);
    EXPECT_EQ(requests[0].key->key[0], 0x5A);
    EXPECT_EQ(requests[0].status, CMD_STATUS_OK);
    EXPECT_FALSE(requests[1].partition || requests[1].key);
}

}  // namespace
