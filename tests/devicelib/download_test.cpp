#include <algorithm>

#include "tests/devicelib/SimFixture.h"

namespace {

using DownloadTest = SimTest;

constexpr uint32_t kBase = 0x08000000;

TEST_F(DownloadTest, CallsBackOncePerPacketOfTheProgramsRule) {
    struct Case {
        const char* what;
        uint8_t iface;
        uint8_t series;
        uint8_t bootSub;
        uint32_t length;
        int packets;
    };
    const Case cases[] = {
        {"USART: 128-byte packets, the last one short", OV_IFACE_USART, 0, 0x11, 1008, 8},
        {"DFU: 128-byte packets", OV_IFACE_USB_DFU, 3, 0x11, 4096, 32},
        {"SWD: an image shorter than a page is one packet", OV_IFACE_SWD_CMSIS_DAP, 0, 0x11, 1000, 1},
        {"SWD: the page size when below 2048", OV_IFACE_SWD_CMSIS_DAP, 3, 0x11, 2048, 4},
        {"SWD: at most 2048", OV_IFACE_SWD_JLINK, 8, 0x11, 20480, 10},
        {"security chip: 2048 on its boot loader", OV_IFACE_USART, 10, 0x11, 8192, 4},
        {"security chip with boot V1.0: 128", OV_IFACE_USART, 10, 0x10, 1024, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ovsim::Reset();
        ovsim::ChipSpec spec = Series(c.series);
        spec.bootSubVersion = c.bootSub;
        ovsim::Attach(c.iface, "dev", spec);
        const DeviceHandle h = Connect(c.iface, u"dev");
        ChipInfoBlock info{};
        ASSERT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_OK);
        const uint32_t base = c.series == 10 ? 0x15000000 : kBase;
        const auto data = Pattern(c.length);
        const ImageDescriptor image = Image(base, data);
        int packets = 0;
        ASSERT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, CountPacket, &packets), CMD_STATUS_OK);
        EXPECT_EQ(packets, c.packets);
        EXPECT_EQ(ovsim::ReadMemory("dev", base, c.length), data);
    }
}

TEST_F(DownloadTest, ProgrammingOverDataThatWasNotErasedFails) {
    const DeviceHandle h = Usart(0);
    const auto first = Pattern(256, 3);
    const ImageDescriptor image = Image(kBase, first);
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_PROGRAM_FAILED);

    ASSERT_EQ(OV_CMD_FLASH_ERASE(h, kBase, kBase + 255, nullptr, nullptr), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", kBase, 256), first);
}

TEST_F(DownloadTest, EraseTakesWholePagesAndTheLastAddressIsInclusive) {
    const DeviceHandle h = Usart(0);  // 2048-byte pages
    const auto data = Pattern(4 * 2048);
    const ImageDescriptor image = Image(kBase, data);
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);

    // 0x...0900 to 0x...1000 touches pages 1 and 2: the last address is the first byte of page 2.
    ASSERT_EQ(OV_CMD_FLASH_ERASE(h, kBase + 0x900, kBase + 0x1000, nullptr, nullptr), CMD_STATUS_OK);
    const auto after = ovsim::ReadMemory("/dev/ttyUSB0", kBase, 4 * 2048);
    auto expected = data;
    std::fill(expected.begin() + 2048, expected.begin() + 3 * 2048, 0xFF);
    EXPECT_TRUE(after == expected);

    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, kBase + 0x800, kBase + 0x7FF, nullptr, nullptr), CMD_STATUS_BAD_PARAMETER);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, kBase, kBase + 256 * 1024, nullptr, nullptr), CMD_STATUS_OUT_OF_RANGE);
}

TEST_F(DownloadTest, BootLoaderTakesWhole16ByteBlocksAndEncipheredImagesSkipTheirCrc) {
    const DeviceHandle h = Usart(0);
    const auto odd = Pattern(20);
    const ImageDescriptor oddImage = Image(kBase, odd);
    EXPECT_EQ(OV_CMD_FLASH_DWNLD(h, &oddImage, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_LENGTH_NOT_16);
    const auto block = Pattern(16);
    const ImageDescriptor misplaced = Image(kBase + 8, block);
    EXPECT_EQ(OV_CMD_FLASH_DWNLD(h, &misplaced, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_BAD_START_ADDRESS);

    // 4 CRC bytes, then 32 bytes of cipher text: the chip writes the 32 bytes from the start address.
    const auto enc = Pattern(36);
    const ImageDescriptor encImage = Image(kBase, enc, 1);
    int packets = 0;
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(h, &encImage, nullptr, nullptr, CountPacket, &packets), CMD_STATUS_OK);
    EXPECT_EQ(packets, 1);
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", kBase, 32), std::vector<uint8_t>(enc.begin() + 4, enc.end()));
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", kBase + 32, 1)[0], 0xFF);
}

TEST_F(DownloadTest, ReadBackComesFromTheDeviceConnectedLast) {
    ovsim::Attach(OV_IFACE_USART, "a", Series(0));
    ovsim::Attach(OV_IFACE_USART, "b", Series(0));
    const DeviceHandle a = Connect(OV_IFACE_USART, u"a");
    const auto data = Pattern(64, 9);
    const ImageDescriptor image = Image(kBase, data);
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(a, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);

    std::vector<uint8_t> buffer(64);
    uint32_t length = 64;
    ASSERT_EQ(OV_CMD_RECV_DATA(kBase, buffer.data(), &length), CMD_STATUS_OK);
    EXPECT_EQ(length, 64u);
    EXPECT_EQ(buffer, data);

    Connect(OV_IFACE_USART, u"b");
    length = 64;
    ASSERT_EQ(OV_CMD_RECV_DATA(kBase, buffer.data(), &length), CMD_STATUS_OK);
    EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0xFF));

    // A read that runs past the end of the flash answers what is there.
    length = 64;
    ASSERT_EQ(OV_CMD_RECV_DATA(kBase + 256 * 1024 - 16, buffer.data(), &length), CMD_STATUS_OK);
    EXPECT_EQ(length, 16u);
}

}  // namespace
