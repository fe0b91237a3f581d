#include "tests/devicelib/SimFixture.h"

namespace {

using ProtectionTest = SimTest;

constexpr uint32_t kBase = 0x08000000;
const std::string kDev = "/dev/ttyUSB0";

StatusCode Download(DeviceHandle h, uint32_t address, const std::vector<uint8_t>& data,
                    const UserPartitionRecord* partition = nullptr, const KeyUpdateRecord* key = nullptr) {
    const ImageDescriptor image = Image(address, data);
    return OV_CMD_FLASH_DWNLD(h, &image, partition, key, nullptr, nullptr);
}

OptionRwBlock ReadOptions(DeviceHandle h, uint8_t item = 0) {
    OptionRwBlock block{};
    block.item = item;
    EXPECT_EQ(OV_CMD_OPT_RW(h, &block), CMD_STATUS_OK);
    return block;
}

DeviceHandle ResetAndReconnect(DeviceHandle h, uint8_t iface = OV_IFACE_USART,
                               const std::u16string& name = u"/dev/ttyUSB0") {
    EXPECT_EQ(OV_CMD_SYS_RESET(h), CMD_STATUS_OK);
    OV_CMD_DISCONNECT_DEV(&h);
    return SimTest::Connect(iface, name);
}

TEST_F(ProtectionTest, OptionImagesHaveTheLengthAndProtectionBytesOfTheirSeries) {
    struct Row {
        uint8_t series;
        uint8_t length;
        uint8_t level2Marker;
    };
    const Row rows[] = {{0, 20, 16}, {1, 20, 16}, {2, 20, 16}, {3, 16, 12}, {4, 16, 12},  {5, 16, 12},
                        {6, 16, 12}, {7, 16, 12}, {8, 32, 16}, {9, 32, 2},  {11, 14, 13}, {12, 17, 12}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.series);
        ovsim::Reset();
        DeviceHandle h = Usart(row.series);
        OptionRwBlock block = ReadOptions(h);
        EXPECT_EQ(block.length, row.length);
        EXPECT_EQ(block.data[0], 0xA5);  // level 0 from the factory

        ASSERT_EQ(OV_CMD_READ_PROTECT(h, 2, row.series), CMD_STATUS_OK);
        block = ReadOptions(h);
        EXPECT_EQ(block.data[row.level2Marker], 0xCC);
        EXPECT_EQ(ovsim::State(kDev).level, 0) << "level 2 waits for the reset";
        h = ResetAndReconnect(h);
        EXPECT_EQ(ovsim::State(kDev).level, 2);
    }
}

TEST_F(ProtectionTest, LevelOneBlocksFlashAccessUntilRemovedWithAMassErase) {
    DeviceHandle h = Usart(0);
    const auto data = Pattern(256);
    ASSERT_EQ(Download(h, kBase, data), CMD_STATUS_OK);
    ASSERT_EQ(OV_CMD_READ_PROTECT(h, 1, 0), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::State(kDev).pendingLevel, 1);
    h = ResetAndReconnect(h);

    uint8_t buffer[16];
    uint32_t length = sizeof buffer;
    EXPECT_EQ(OV_CMD_RECV_DATA(kBase, buffer, &length), CMD_STATUS_PAGE_RDP_PROTECTED);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, kBase, kBase + 2047, nullptr, nullptr), CMD_STATUS_PAGE_RDP_PROTECTED);
    EXPECT_EQ(Download(h, kBase + 0x1000, Pattern(16)), CMD_STATUS_PAGE_RDP_PROTECTED);
    EXPECT_EQ(OV_CMD_READ_PROTECT(h, 0, 3), CMD_STATUS_BAD_PARAMETER) << "the wrong series' layout is refused";

    ASSERT_EQ(OV_CMD_READ_PROTECT(h, 0, 0), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::ReadMemory(kDev, kBase, 256), std::vector<uint8_t>(256, 0xFF)) << "level 0 costs the flash";
    h = ResetAndReconnect(h);
    EXPECT_EQ(ovsim::State(kDev).level, 0);
    EXPECT_EQ(Download(h, kBase, data), CMD_STATUS_OK);
}

TEST_F(ProtectionTest, LevelTwoIsPermanent) {
    DeviceHandle h = Usart(3);
    ASSERT_EQ(OV_CMD_READ_PROTECT(h, 2, 3), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_READ_PROTECT(h, 0, 3), CMD_STATUS_RDP_L2) << "refused already while pending";
    h = ResetAndReconnect(h);

    EXPECT_EQ(OV_CMD_READ_PROTECT(h, 0, 3), CMD_STATUS_RDP_L2);
    EXPECT_EQ(OV_CMD_READ_PROTECT(h, 1, 3), CMD_STATUS_RDP_L2);
    EXPECT_EQ(OV_CMD_WRITE_PROTECT(h, 0xFF, 0xFF, 0xFF, 0xFF), CMD_STATUS_RDP_L2);
    OptionRwBlock block = ReadOptions(h);
    block.operation = 1;
    block.data[12] = 0xFF;
    EXPECT_EQ(OV_CMD_OPT_RW(h, &block), CMD_STATUS_RDP_L2);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, kBase, kBase + 511, nullptr, nullptr), CMD_STATUS_RDP_L2);
    ovsim::Replug(kDev);
    EXPECT_EQ(ovsim::State(kDev).level, 2);
}

TEST_F(ProtectionTest, DebugProbesCannotReadAProtectedChip) {
    ovsim::ChipSpec spec = Series(0);
    spec.readProtection = 1;
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, "probe", spec);
    DeviceHandle h = Connect(OV_IFACE_SWD_CMSIS_DAP, u"probe");
    ChipInfoBlock info{};
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_LAST_ERROR);
    EXPECT_FALSE(LastError().empty());
    // Removing level 1 with the series the user names still works over the probe.
    ASSERT_EQ(OV_CMD_READ_PROTECT(h, 0, 0), CMD_STATUS_OK);
    h = ResetAndReconnect(h, OV_IFACE_SWD_CMSIS_DAP, u"probe");
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_OK);

    ovsim::MakeProtected("probe", 2);
    OV_CMD_DISCONNECT_DEV(&h);
    char16_t names[0x400];
    OV_CMD_ENUM_DEV(OV_IFACE_SWD_CMSIS_DAP, names, 0x400);
    EXPECT_NE(OV_CMD_CONNECT_DEV(&h, u"probe", 1000000), 0) << "level 2 shuts the debug port";
}

TEST_F(ProtectionTest, WriteProtectionCoversThePagesOfItsBits) {
    struct Case {
        const char* what;
        uint8_t series;
        std::array<uint8_t, 4> wrp;
        uint32_t protectedPage, freePage;
    };
    const Case cases[] = {
        {"series 0: WRP0 bit 1 is pages 2 and 3", 0, {0xFD, 0xFF, 0xFF, 0xFF}, 3, 4},
        {"series 0: WRP3 bit 7 reaches the last page", 0, {0xFF, 0xFF, 0xFF, 0x7F}, 127, 61},
        {"series 3: 8 pages a bit", 3, {0xFD, 0xFF, 0, 0}, 15, 16},
        {"series 11: WRP3 bit 0 is pages 192 to 199", 11, {0xFF, 0xFF, 0xFF, 0xFE}, 199, 200},
        {"series 12: WRP1 at image byte 11", 12, {0xFF, 0x7F, 0, 0}, 127, 0},
        {"series 9: WRP bytes after the user bytes", 9, {0xFF, 0xFB, 0xFF, 0xFF}, 8 * 2 + 2 * 2, 0},
        {"series 2: WRP3 bit 7 is pages 62 and 63", 2, {0xFF, 0xFF, 0xFF, 0x7F}, 63, 61},
        {"series 5: WRP1 bit 7 ends at page 31", 5, {0xFF, 0x7F, 0, 0}, 31, 32},
        {"series 8: WRP2 bit 0 is pages 32 and 33", 8, {0xFF, 0xFF, 0xFE, 0xFF}, 32, 34},
        {"series 6: WRP0 bit 7 is pages 56 to 63", 6, {0x7F, 0xFF, 0, 0}, 56, 55},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ovsim::Reset();
        DeviceHandle h = Usart(c.series);
        ChipInfoBlock info{};
        ASSERT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_OK);
        const uint32_t page = info.pageSize;
        ASSERT_EQ(OV_CMD_WRITE_PROTECT(h, c.wrp[0], c.wrp[1], c.wrp[2], c.wrp[3]), CMD_STATUS_OK);
        const uint32_t covered = kBase + c.protectedPage * page;
        EXPECT_EQ(OV_CMD_FLASH_ERASE(h, covered, covered + page - 1, nullptr, nullptr), CMD_STATUS_OK)
            << "not before the reset";
        h = ResetAndReconnect(h);
        EXPECT_EQ(OV_CMD_FLASH_ERASE(h, covered, covered + page - 1, nullptr, nullptr), CMD_STATUS_PAGE_WRP_PROTECTED);
        EXPECT_EQ(Download(h, covered, Pattern(16)), CMD_STATUS_PAGE_WRP_PROTECTED);
        EXPECT_EQ(Download(h, kBase + c.freePage * page, Pattern(16)), CMD_STATUS_OK);

        ASSERT_EQ(OV_CMD_WRITE_PROTECT(h, 0xFF, 0xFF, 0xFF, 0xFF), CMD_STATUS_OK);
        h = ResetAndReconnect(h);
        EXPECT_EQ(OV_CMD_FLASH_ERASE(h, covered, covered + page - 1, nullptr, nullptr), CMD_STATUS_OK);
    }
}

// Where the write-protection command puts its four bytes in each series' option image, typed from the layouts:
// a value and its complement where the layout pairs them, values alone on series 11 and 12, the item-2 word on the
// security chip; every other byte stays; four 0xFF take the protection away again. Series 7 has no such bytes.
TEST_F(ProtectionTest, WriteProtectCommandFillsEachSeriesPlaces) {
    struct Row {
        uint8_t series;
        std::vector<uint8_t> places;       // image bytes of WRP0, WRP1, ...
        std::vector<uint8_t> complements;  // their complement bytes, empty where the layout stores values only
    };
    const Row rows[] = {
        {0, {8, 10, 12, 14}, {9, 11, 13, 15}},
        {1, {8, 10, 12, 14}, {9, 11, 13, 15}},
        {2, {8, 10, 12, 14}, {9, 11, 13, 15}},
        {3, {8, 10}, {9, 11}},
        {4, {8, 10}, {9, 11}},
        {5, {8, 10}, {9, 11}},
        {6, {8, 10}, {9, 11}},
        {8, {8, 10, 12, 14}, {9, 11, 13, 15}},
        {9, {16, 18, 20, 22}, {17, 19, 21, 23}},
        {10, {1, 2, 3, 4}, {}},
        {11, {9, 10, 11, 12}, {}},
        {12, {10, 11}, {}},
    };
    const std::array<uint8_t, 4> wrp{0x12, 0x34, 0x56, 0x78};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.series));
        ovsim::Reset();
        const DeviceHandle h = Usart(row.series);
        const std::vector<uint8_t> before = ovsim::OptionImage(kDev);
        ASSERT_EQ(OV_CMD_WRITE_PROTECT(h, wrp[0], wrp[1], wrp[2], wrp[3]), CMD_STATUS_OK);
        std::vector<uint8_t> expected = before;
        for (size_t k = 0; k < row.places.size(); ++k) {
            expected[row.places[k]] = wrp[k];
            if (!row.complements.empty()) expected[row.complements[k]] = static_cast<uint8_t>(~wrp[k]);
        }
        EXPECT_EQ(ovsim::OptionImage(kDev), expected);
        if (row.series == 10) {
            const OptionRwBlock word = ReadOptions(h, 2);
            EXPECT_EQ(std::vector<uint8_t>(word.data, word.data + 4), std::vector<uint8_t>(wrp.begin(), wrp.end()))
                << "the item-2 word, least significant byte first";
        }

        ASSERT_EQ(OV_CMD_WRITE_PROTECT(h, 0xFF, 0xFF, 0xFF, 0xFF), CMD_STATUS_OK);
        for (size_t k = 0; k < row.places.size(); ++k) {
            expected[row.places[k]] = 0xFF;
            if (!row.complements.empty()) expected[row.complements[k]] = 0x00;
        }
        EXPECT_EQ(ovsim::OptionImage(kDev), expected);
    }
    {
        SCOPED_TRACE("series 7: no write-protection bytes");
        ovsim::Reset();
        const DeviceHandle h = Usart(7);
        const std::vector<uint8_t> before = ovsim::OptionImage(kDev);
        EXPECT_EQ(OV_CMD_WRITE_PROTECT(h, 0xFE, 0xFF, 0xFF, 0xFF), CMD_STATUS_BAD_PARAMETER);
        EXPECT_EQ(OV_CMD_WRITE_PROTECT(h, 0xFF, 0xFF, 0xFF, 0x7F), CMD_STATUS_BAD_PARAMETER);
        EXPECT_EQ(OV_CMD_WRITE_PROTECT(h, 0xFF, 0xFF, 0xFF, 0xFF), CMD_STATUS_OK) << "nothing to remove is no error";
        EXPECT_EQ(ovsim::OptionImage(kDev), before) << "USER2 and USER3 sit where other series keep WRP bytes";
    }
}

TEST_F(ProtectionTest, SecurityChipKeepsItsOptionsAsItems) {
    DeviceHandle h = Usart(10);
    EXPECT_EQ(ReadOptions(h, 2).length, 4);
    const OptionRwBlock wrp = ReadOptions(h, 2);
    EXPECT_EQ(std::vector<uint8_t>(wrp.data, wrp.data + 4), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));

    OptionRwBlock write{};
    write.operation = 1;
    write.item = 8;
    write.length = 2;
    write.data[0] = 0x12;  // not one of the three encryption levels
    write.data[1] = 0x34;
    EXPECT_EQ(OV_CMD_OPT_RW(h, &write), CMD_STATUS_BAD_PARAMETER);
    write.data[0] = 0xEB;
    write.data[1] = 0xEB;
    EXPECT_EQ(OV_CMD_OPT_RW(h, &write), CMD_STATUS_OK);
    EXPECT_EQ(ReadOptions(h, 8).data[0], 0xEB);

    // Bit 1 of the word protects the second 64-page block; bit 0 protects nothing.
    write = OptionRwBlock{1, 4, {0xFC, 0xFF, 0xFF, 0xFF}, 2, 0, 0, 0};
    ASSERT_EQ(OV_CMD_OPT_RW(h, &write), CMD_STATUS_OK);
    write.operation = 2;  // write and reset
    ASSERT_EQ(OV_CMD_OPT_RW(h, &write), CMD_STATUS_OK);
    OV_CMD_DISCONNECT_DEV(&h);
    h = Connect(OV_IFACE_USART, u"/dev/ttyUSB0");
    const uint32_t block1 = 0x15000000 + 64 * 4096;
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, 0x15000000, 0x15000FFF, nullptr, nullptr), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_FLASH_ERASE(h, block1, block1 + 4095, nullptr, nullptr), CMD_STATUS_PAGE_WRP_PROTECTED);
}

// "-1A" models have items 1 to 4 only: reads and writes of items 5 to 8 are refused on them and on no other model.
TEST_F(ProtectionTest, ShortSecurityModelsAnswerItemsOneToFourOnly) {
    for (const std::string model : {"VK828", "VK820-1A", "VK81X-1A"}) {
        SCOPED_TRACE(model);
        ovsim::Reset();
        ovsim::ChipSpec spec = Series(10);
        spec.model = model;
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", spec);
        const DeviceHandle h = Connect(OV_IFACE_USART, u"/dev/ttyUSB0");
        const bool shortModel = model.find("-1A") != std::string::npos;
        for (uint8_t item = 1; item <= 8; ++item) {
            SCOPED_TRACE(static_cast<int>(item));
            OptionRwBlock block{};
            block.item = item;
            const StatusCode read = OV_CMD_OPT_RW(h, &block);
            EXPECT_EQ(read, shortModel && item > 4 ? CMD_STATUS_BAD_PARAMETER : CMD_STATUS_OK);
            if (read != CMD_STATUS_OK) {
                block = OptionRwBlock{};
                block.item = item;
                block.length = item >= 7 ? 2 : 4;  // zeros are a valid value of every item
            }
            block.operation = 1;
            EXPECT_EQ(OV_CMD_OPT_RW(h, &block), read) << "a write as the read";
        }
    }
}

TEST_F(ProtectionTest, OtpItemsTakeValueAndComplementSixteenTimesAtMost) {
    const DeviceHandle h = Usart(10);
    OtpRwBlock block{};
    block.item = 2;
    block.length = 4;
    ASSERT_EQ(OV_CMD_OTP_RW(h, &block), CMD_STATUS_OK);
    EXPECT_EQ(std::vector<uint8_t>(block.data, block.data + 4), std::vector<uint8_t>(4, 0xFF));

    block = OtpRwBlock{1, 4, {0xA5, 0x5A, 0x5A, 0xA6}, 2, 0, 0, 0};
    EXPECT_EQ(OV_CMD_OTP_RW(h, &block), CMD_STATUS_BAD_PARAMETER) << "a wrong complement";
    block.data[3] = 0xA5;
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(OV_CMD_OTP_RW(h, &block), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_OTP_RW(h, &block), CMD_STATUS_OTP_PROGRAM_FAILED);
    EXPECT_EQ(ovsim::State(kDev).otp[2], 0x5AA5);

    OtpRwBlock read{};
    read.item = 2;
    ASSERT_EQ(OV_CMD_OTP_RW(h, &read), CMD_STATUS_OK);
    EXPECT_EQ(std::vector<uint8_t>(read.data, read.data + 4), (std::vector<uint8_t>{0xA5, 0x5A, 0x5A, 0xA5}));
    ovsim::Reset();
    EXPECT_EQ(OV_CMD_OTP_RW(Usart(0), &read), CMD_STATUS_UNKNOWN_COMMAND) << "only the security chip has OTP items";
}

}  // namespace

namespace {

// Whole-image writes of the option-byte editors: the erased images keep every complement pair, a write that
// breaks one is counted, a write longer than the image is refused and a write with reset ends the session.
TEST_F(ProtectionTest, WholeImageWritesKeepTrackOfTheComplementPairs) {
    struct Row {
        uint8_t series;
        std::vector<uint8_t> pairStarts;  // value bytes followed by their complement
    };
    const Row rows[] = {
        {0, {0, 2, 4, 6, 8, 10, 12, 14, 16}},
        {2, {0, 2, 4, 6, 8, 10, 12, 14, 16, 18}},
        {3, {0, 2, 4, 6, 8, 10, 12}},
        {5, {0, 2, 4, 6, 8, 10, 12, 14}},
        {7, {0, 2, 4, 6, 8, 10, 12, 14}},
        {8, {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 24}},
        {9, {0, 2, 4, 6, 8, 10, 12, 16, 18, 20, 22, 24, 26, 28, 30}},
        {11, {}},
        {12, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.series);
        ovsim::Reset();
        DeviceHandle h = Usart(row.series);
        const OptionRwBlock erased = ReadOptions(h);
        for (uint8_t at : row.pairStarts)
            EXPECT_EQ(erased.data[at] ^ erased.data[at + 1], 0xFF) << "erased pair at " << int(at);

        OptionRwBlock write = erased;
        write.operation = 1;
        ASSERT_EQ(OV_CMD_OPT_RW(h, &write), CMD_STATUS_OK);
        EXPECT_EQ(ovsim::BrokenComplementWrites(kDev), 0);
        if (!row.pairStarts.empty()) {
            write.data[row.pairStarts.back() + 1] ^= 0x01;
            ASSERT_EQ(OV_CMD_OPT_RW(h, &write), CMD_STATUS_OK);
            EXPECT_EQ(ovsim::BrokenComplementWrites(kDev), 1);
        }
        write.length = static_cast<uint8_t>(erased.length + 1);
        EXPECT_EQ(OV_CMD_OPT_RW(h, &write), CMD_STATUS_BAD_PARAMETER);
    }
}

TEST_F(ProtectionTest, WriteWithResetTakesEffectAndEndsTheSession) {
    DeviceHandle h = Usart(3);
    OptionRwBlock write = ReadOptions(h);
    write.operation = 2;
    write.data[4] = 0x12;  // Data0
    write.data[5] = 0xED;
    ASSERT_EQ(OV_CMD_OPT_RW(h, &write), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::OptionImage(kDev, true)[4], 0x12);  // in force without a further reset
    OptionRwBlock read{};
    EXPECT_NE(OV_CMD_OPT_RW(h, &read), CMD_STATUS_OK);  // the handle went stale with the reset
}

TEST_F(ProtectionTest, SetOptionImageIsInForceAtOnce) {
    DeviceHandle h = Usart(11);
    ovsim::SetOptionImage(kDev, {0x5A, 0xFF});
    EXPECT_EQ(ReadOptions(h).data[0], 0x5A);
    EXPECT_EQ(ovsim::OptionImage(kDev, true)[0], 0x5A);
}

}  // namespace
