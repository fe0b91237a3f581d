#include "core/BuiltinKeys.h"
#include "core/SecureModeToken.h"
#include "core/SecurityFiles.h"
#include "tests/devicelib/SimFixture.h"
#include "tests/framework/TempFolder.h"

namespace {

using CommandTest = SimTest;

constexpr uint32_t kBase = 0x08000000;

StatusCode Send(DeviceHandle h, std::vector<uint8_t> command, std::vector<uint8_t>& reply, uint32_t& length) {
    reply.assign(256, 0);
    return OV_CMD_SEND_COMMAND(h, command.data(), static_cast<uint32_t>(command.size()), reply.data(), &length);
}

TEST_F(CommandTest, RandomChallengeAnswersSixteenFreshBytesAndUnlocksSecureMode) {
    const DeviceHandle h = Usart(10);
    const uint8_t token[32] = {};
    EXPECT_EQ(OV_CMD_SET_SECURE_MODE(h, 1, token), CMD_STATUS_KEY_AUTH_FAILED) << "no challenge yet";

    std::vector<uint8_t> first, second;
    uint32_t length = 22;
    ASSERT_EQ(Send(h, {0x20, 0, 0, 0, 0, 0, 0, 0}, first, length), CMD_STATUS_OK);
    EXPECT_EQ(length, 22u);
    EXPECT_EQ(first[0], 0x20);
    EXPECT_EQ(first[2], 16);
    length = 22;
    ASSERT_EQ(Send(h, {0x20, 0, 0, 0, 0, 0, 0, 0}, second, length), CMD_STATUS_OK);
    EXPECT_NE(std::vector<uint8_t>(first.begin() + 4, first.begin() + 20),
              std::vector<uint8_t>(second.begin() + 4, second.begin() + 20));

    EXPECT_EQ(OV_CMD_SET_SECURE_MODE(h, 1, token), CMD_STATUS_KEY_AUTH_FAILED) << "a token the chip did not derive";
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").secureMode, -1);

    // The token of the last challenge: its digest with the chip's UCID and the built-in key. Used up once.
    ChipInfoBlock info{};
    ASSERT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_OK);
    length = 22;
    ASSERT_EQ(Send(h, {0x20, 0, 0, 0, 0, 0, 0, 0}, second, length), CMD_STATUS_OK);
    const auto genuine = MakeSecureModeTokenBytes(std::span<const uint8_t>(info.ucid, info.ucidLength),
                                                  std::span<const uint8_t, 16>(second.data() + 4, 16), kBuiltinAesKey);
    EXPECT_EQ(OV_CMD_SET_SECURE_MODE(h, 1, genuine.data()), CMD_STATUS_OK);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").secureMode, 1);
    EXPECT_EQ(OV_CMD_SET_SECURE_MODE(h, 0, genuine.data()), CMD_STATUS_KEY_AUTH_FAILED) << "replayed";
}

TEST_F(CommandTest, RawCommandsOfTheProgram) {
    DeviceHandle h = Usart(7);
    std::vector<uint8_t> reply;
    uint32_t length = 0;
    ASSERT_EQ(Send(h, {0x31, 0xF0, 0, 0, 0, 0, 0, 0}, reply, length), CMD_STATUS_OK);
    EXPECT_EQ(length, 0u) << "nothing expected, nothing written";
    EXPECT_TRUE(ovsim::State("/dev/ttyUSB0").downloadFlag);

    // Read command: the wanted data plus 10 framing bytes, data from byte 4.
    const auto data = Pattern(128, 5);
    const ImageDescriptor image = Image(kBase + 0xC00, data);
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);
    length = 0x80;
    ASSERT_EQ(Send(h, {0x33, 0x00, 0x01, 0x00, 0x00, 0x0C, 0x00, 0x08, 0x80}, reply, length), CMD_STATUS_OK);
    EXPECT_EQ(length, 0x80u + 10);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin() + 4, reply.begin() + 4 + 0x80), data);
    length = 0x80;
    EXPECT_EQ(Send(h, {0x33, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x08, 0x80}, reply, length), CMD_STATUS_OUT_OF_RANGE)
        << "the boot loader's own 3 KB";

    length = 6;
    EXPECT_EQ(Send(h, {0x77, 0}, reply, length), CMD_STATUS_UNKNOWN_COMMAND);

    ovsim::Reset();
    h = Usart(8);
    std::vector<uint8_t> run(28, 0);
    run[0] = 0x45, run[1] = 0x06, run[2] = 0x14, run[7] = 0x20;  // 0x20000000: not SRAM of this chip
    length = 6;
    EXPECT_EQ(Send(h, run, reply, length), CMD_STATUS_BAD_PARAMETER);
    run[5] = 0xA0;  // 0x2000A000
    length = 6;
    ASSERT_EQ(Send(h, run, reply, length), CMD_STATUS_OK);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").runAddress, 0x2000A000u);
    ChipInfoBlock info{};
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_LAST_ERROR) << "the chip left its boot loader";
}

TEST_F(CommandTest, ExternalFlashIsErasedAndProgrammedPerId) {
    const DeviceHandle h = Usart(8);
    const auto data = Pattern(64);
    ExtFlashImageDescriptor image{0, 1, 0x1000, data.data(), 64, 0, 0};
    int packets = 0;
    ASSERT_EQ(OV_CMD_EXT_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, CountPacket, &packets), CMD_STATUS_OK);
    EXPECT_EQ(packets, 1);
    EXPECT_EQ(ovsim::ReadExternalFlash("/dev/ttyUSB0", 1, 0x1000, 64), data);
    EXPECT_EQ(ovsim::ReadExternalFlash("/dev/ttyUSB0", 0, 0x1000, 64), std::vector<uint8_t>(64, 0xFF));
    EXPECT_EQ(OV_CMD_EXT_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr, nullptr),
              CMD_STATUS_PROGRAM_FAILED);
    ASSERT_EQ(OV_CMD_EXT_FLASH_ERASE(h, 0, 0x0FFFFFFF, 1, nullptr, nullptr), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_EXT_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_EXT_FLASH_ERASE(h, 0, 0x10000000, 1, nullptr, nullptr), CMD_STATUS_OUT_OF_RANGE);

    // The external API goes to the driver windows, not to the main flash.
    const auto driver = Pattern(0x800);
    ImageDescriptor api = Image(0x1FFFC840, driver);
    api.index = 1;
    EXPECT_EQ(OV_CMD_EXT_API_DWNLD(h, &api, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OK);
    api.address = kBase;
    EXPECT_EQ(OV_CMD_EXT_API_DWNLD(h, &api, nullptr, nullptr, nullptr, nullptr), CMD_STATUS_OUT_OF_RANGE);

    ExtOptRwBlock options{};
    options.address = 0x1FFFE040 + 56;
    options.length = 4;
    options.operation = 1;
    options.data[0] = 0x78, options.data[1] = 0x56, options.data[2] = 0x34, options.data[3] = 0x12;
    ASSERT_EQ(OV_CMD_EXT_OPT_RW(h, &options), CMD_STATUS_OK);
    ExtOptRwBlock all{};
    all.address = 0x1FFFE040;
    all.length = 60;
    ASSERT_EQ(OV_CMD_EXT_OPT_RW(h, &all), CMD_STATUS_OK);
    EXPECT_EQ(all.data[56], 0x78);
    EXPECT_EQ(all.data[0], 0xFF);
    all.length = 61;
    EXPECT_EQ(OV_CMD_EXT_OPT_RW(h, &all), CMD_STATUS_BAD_PARAMETER);
}

TEST_F(CommandTest, ConfigurationFilePutsItsChipsOnTheirInterfaces) {
    fw::testing::TempFolder folder;
    folder.Write("app.bin", std::string("\x11\x22\x33\x44", 4));
    folder.Write("OvMcuSim.ini",
                 "[Simulator]\nLinkSpeed=0\n"
                 "[Device1]\nInterface=USART\nName=/dev/ttyUSB3\nSeries=5\nFlashFile=app.bin\n"
                 "[device2]\ninterface=SWD(CMSIS-DAP)\nname=0700000103\nseries=11\nprotection=L1\n"
                 "[Device3]\nInterface=USB(DFU)\nName=bad\nSeries=13\n");
    ASSERT_TRUE(ovsim::LoadConfig(folder.Os("OvMcuSim.ini")));
    char16_t names[0x400];
    EXPECT_EQ(OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 0x400), 1);
    EXPECT_EQ(std::u16string(names), u"/dev/ttyUSB3;");
    EXPECT_EQ(OV_CMD_ENUM_DEV(OV_IFACE_USB_DFU, names, 0x400), 0) << "series 13 does not exist";
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB3", kBase, 5), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0xFF}));
    EXPECT_EQ(ovsim::State("0700000103").level, 1);
    EXPECT_FALSE(ovsim::LoadConfig(folder.Os("missing.ini")));
}

TEST_F(CommandTest, StagedConfigurationHasAChipOnEveryInterface) {
    ASSERT_TRUE(ovsim::LoadConfig(QX_SOURCE_DIR "/devicelib/OvMcuSim.ini"));
    char16_t names[0x400];
    for (uint8_t iface : {OV_IFACE_USART, OV_IFACE_USB_DFU, OV_IFACE_SWD_JLINK, OV_IFACE_SWD_CMSIS_DAP, OV_IFACE_I2C}) {
        SCOPED_TRACE(iface);
        ASSERT_GE(OV_CMD_ENUM_DEV(iface, names, 0x400), 1);
        const std::u16string list = names;
        DeviceHandle h = 0;
        const uint32_t speed = iface == OV_IFACE_I2C ? 2 : 115200;  // I2C takes the position of its speed
        ASSERT_EQ(OV_CMD_CONNECT_DEV(&h, list.substr(0, list.find(u';')).c_str(), speed), 0);
        ChipInfoBlock info{};
        EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_OK);
        OV_CMD_DISCONNECT_DEV(&h);
    }
}

}  // namespace

namespace {

// A security chip told to expect an enciphered firmware checks the firmware's digest with the keys its header and
// the information package carry: at once when unbound, when the IDKey arrives when bound.
class SecurityFirmwareCheck : public SimTest {
protected:
    static constexpr uint32_t kStart = 0x15010000;

    void SetCryption(DeviceHandle& h, uint8_t a, uint8_t b) {
        OptionRwBlock block{};
        block.operation = 1;
        block.length = 2;
        block.item = 8;
        block.data[0] = a;
        block.data[1] = b;
        ASSERT_EQ(OV_CMD_OPT_RW(h, &block), CMD_STATUS_OK);
        ASSERT_EQ(OV_CMD_SYS_RESET(h), CMD_STATUS_OK);
        OV_CMD_DISCONNECT_DEV(&h);
        ASSERT_EQ(OV_CMD_CONNECT_DEV(&h, u"/dev/ttyUSB0", 115200), 0);
    }
    static SecurityInputs Inputs() {
        SecurityInputs in;
        in.nonce = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 0, 0, 0, 0};
        in.rek.fill(0x31);
        in.idKey.fill(0x47);
        return in;
    }
    static std::vector<uint8_t> Firmware(bool bound) {
        std::vector<uint8_t> image = Pattern(0x100 + 0x400, 3);
        std::copy_n("FSVO", 4, image.begin());
        const uint32_t exec = kStart + 0x100;
        for (int i = 0; i < 4; ++i)
            image[0x50 + i] = static_cast<uint8_t>(exec >> (8 * i));
        EXPECT_EQ(BuildSecurityFirmwareImage(image, Inputs(), kStart, bound, 0x151DFFFF, kBuiltinAesKey),
                  FirmwareImageResult::Ok);
        return image;
    }
    static StatusCode Download(DeviceHandle h, const std::vector<uint8_t>& image) {
        const ImageDescriptor d = Image(kStart, image);
        return OV_CMD_FLASH_DWNLD(h, &d, nullptr, nullptr, nullptr, nullptr);
    }
};

TEST_F(SecurityFirmwareCheck, UnboundFirmwareIsCheckedAsItArrives) {
    DeviceHandle h = Usart(10);
    std::vector<uint8_t> image = Firmware(false);
    std::vector<uint8_t> changed = image;
    changed[0x300] ^= 1;
    EXPECT_EQ(Download(h, changed), CMD_STATUS_OK) << "no enciphered firmware expected yet";
    SetCryption(h, 0x0B, 0xE0);
    EXPECT_EQ(Download(h, changed), CMD_STATUS_KEY_AUTH_FAILED);
    ASSERT_EQ(OV_CMD_FLASH_ERASE(h, kStart, kStart + 0xFFF, nullptr, nullptr), CMD_STATUS_OK);
    EXPECT_EQ(Download(h, image), CMD_STATUS_OK);
}

TEST_F(SecurityFirmwareCheck, BoundFirmwareTakesOnlyItsOwnIdKey) {
    DeviceHandle h = Usart(10);
    SetCryption(h, 0xEB, 0xEB);
    ASSERT_EQ(Download(h, Firmware(true)), CMD_STATUS_OK);
    const auto pack = EncodeSecurityInfoPack(Inputs(), true, {}, kBuiltinAesKey);
    ASSERT_TRUE(pack.has_value());
    std::array<uint8_t, 16> wrong{};
    std::copy_n(pack->begin() + 33, 16, wrong.begin());
    wrong[0] ^= 1;
    EXPECT_EQ(OV_CMD_SET_KEY(h, 1, wrong.data(), 16), CMD_STATUS_KEY_AUTH_FAILED);
    EXPECT_EQ(OV_CMD_SET_KEY(h, 1, pack->data() + 33, 16), CMD_STATUS_OK);
}

}  // namespace
