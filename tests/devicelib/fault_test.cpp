#include <atomic>
#include <functional>
#include <thread>

#include "tests/devicelib/SimFixture.h"

namespace {

using FaultTest = SimTest;
using ovsim::Fn;

constexpr uint32_t kBase = 0x08000000;
constexpr StatusCode kUnknownChipError = 0xB009;  // never a natural answer of these calls

TEST_F(FaultTest, InjectedStatusHitsTheNthCallOnly) {
    // One table of calls; each is made three times with its second call failing.
    const DeviceHandle h = Usart(0);
    const auto data = Pattern(16);
    const ImageDescriptor image = Image(kBase, data);
    struct Case {
        Fn fn;
        std::function<StatusCode()> call;
    };
    const Case cases[] = {
        {Fn::GetInf,
         [&] {
             ChipInfoBlock i{};
             return OV_CMD_GET_INF(h, &i);
         }},
        {Fn::OptRw,
         [&] {
             OptionRwBlock b{};
             return OV_CMD_OPT_RW(h, &b);
         }},
        {Fn::UserxOp,
         [&] {
             UserPartitionRecord r{};
             return OV_CMD_USERX_OP(h, &r);
         }},
        {Fn::FlashErase, [&] { return OV_CMD_FLASH_ERASE(h, kBase, kBase + 15, nullptr, nullptr); }},
        {Fn::FlashDwnld,
         [&] {
             OV_CMD_FLASH_ERASE(h, kBase, kBase + 15, nullptr, nullptr);
             return OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, nullptr);
         }},
        {Fn::ReadProtect, [&] { return OV_CMD_READ_PROTECT(h, 0, 0); }},
        {Fn::WriteProtect, [&] { return OV_CMD_WRITE_PROTECT(h, 0xFF, 0xFF, 0xFF, 0xFF); }},
        {Fn::RecvData,
         [&] {
             uint8_t b[4];
             uint32_t n = 4;
             return OV_CMD_RECV_DATA(kBase, b, &n);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ovsim::FnName(c.fn));
        ovsim::InjectStatus(c.fn, 2, kUnknownChipError);
        EXPECT_EQ(c.call(), CMD_STATUS_OK);
        EXPECT_EQ(c.call(), kUnknownChipError);
        EXPECT_EQ(c.call(), CMD_STATUS_OK);
    }
}

TEST_F(FaultTest, InjectedLibraryFailureCarriesALastErrorAndConnectionsCanFail) {
    ovsim::Attach(OV_IFACE_USART, "a", Series(0));
    ovsim::Attach(OV_IFACE_USART, "b", Series(0));
    ovsim::InjectStatus(Fn::ConnectDev, 1, CMD_STATUS_LAST_ERROR, "a");
    char16_t names[0x400];
    OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 0x400);
    DeviceHandle h = 0;
    EXPECT_EQ(OV_CMD_CONNECT_DEV(&h, u"b", 9600), 0) << "the rule names device a";
    EXPECT_NE(OV_CMD_CONNECT_DEV(&h, u"a", 9600), 0);
    EXPECT_FALSE(LastError().empty());
    ASSERT_EQ(OV_CMD_CONNECT_DEV(&h, u"a", 9600), 0);

    ovsim::InjectStatus(Fn::SysReset, 1, CMD_STATUS_LAST_ERROR);
    EXPECT_EQ(OV_CMD_SYS_RESET(h), CMD_STATUS_LAST_ERROR);
    EXPECT_FALSE(LastError().empty());
    ChipInfoBlock info{};
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_OK) << "the failed reset did not reset";

    ovsim::InjectStatus(Fn::EnumDev, 1, CMD_STATUS_LAST_ERROR);
    EXPECT_EQ(OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 0x400), 0);
    EXPECT_EQ(OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 0x400), 2);
}

TEST_F(FaultTest, DownloadFailsAfterTheInjectedNumberOfPackets) {
    const DeviceHandle h = Usart(0);
    const auto data = Pattern(128 * 10);
    const ImageDescriptor image = Image(kBase, data);
    ovsim::InjectAfterPackets(3, 0xB037);
    int packets = 0;
    EXPECT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, CountPacket, &packets), 0xB037u);
    EXPECT_EQ(packets, 3);
    const auto flash = ovsim::ReadMemory("/dev/ttyUSB0", kBase, 128 * 4);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 384, flash.begin())) << "three packets arrived";
    EXPECT_EQ(flash[384], 0xFF);
}

TEST_F(FaultTest, CallLogRecordsEveryCallWithItsDeviceAndAnswer) {
    const DeviceHandle h = Usart(0);
    ovsim::ClearCallLog();
    ChipInfoBlock info{};
    OV_CMD_GET_INF(h, &info);
    OV_CMD_FLASH_ERASE(h, 1, 0, nullptr, nullptr);
    const auto log = ovsim::CallLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].fn, Fn::GetInf);
    EXPECT_EQ(log[0].device, "/dev/ttyUSB0");
    EXPECT_EQ(log[0].status, CMD_STATUS_OK);
    EXPECT_EQ(log[1].fn, Fn::FlashErase);
    EXPECT_EQ(log[1].status, CMD_STATUS_BAD_PARAMETER);
}

TEST_F(FaultTest, OverlapDetectorSeesACallIntoABusyDevice) {
    const DeviceHandle h = Usart(0);
    const auto data = Pattern(256);
    const ImageDescriptor image = Image(kBase, data);
    struct Context {
        DeviceHandle h;
        StatusCode inner = 0;
    } context{h};
    // The progress callback stands for a second thread that does not wait for the device mutex.
    auto callback = [](void* p) {
        auto* c = static_cast<Context*>(p);
        ChipInfoBlock info{};
        c->inner = OV_CMD_GET_INF(c->h, &info);
        return 1;
    };
    EXPECT_TRUE(ovsim::Overlaps().empty());
    ASSERT_EQ(OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, callback, &context), CMD_STATUS_OK);
    EXPECT_EQ(context.inner, CMD_STATUS_OK);
    const auto overlaps = ovsim::Overlaps();
    ASSERT_FALSE(overlaps.empty());
    EXPECT_EQ(overlaps[0].running, Fn::FlashDwnld);
    EXPECT_EQ(overlaps[0].entering, Fn::GetInf);
    EXPECT_EQ(overlaps[0].device, "/dev/ttyUSB0");
}

TEST_F(FaultTest, EightThreadsOnEightDevicesRunCleanly) {
    constexpr int kDevices = 8;
    for (int i = 0; i < kDevices; ++i)
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB" + std::to_string(i), Series(i % 3));
    char16_t names[0x400];
    ASSERT_EQ(OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 0x400), kDevices);
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < kDevices; ++i) {
        workers.emplace_back([i, &failures] {
            const std::u16string name = u"/dev/ttyUSB" + std::u16string(1, static_cast<char16_t>(u'0' + i));
            DeviceHandle h = 0;
            if (OV_CMD_CONNECT_DEV(&h, name.c_str(), 115200) != 0) return void(++failures);
            const auto data = Pattern(16 * 1024, static_cast<uint8_t>(i));
            for (int round = 0; round < 3; ++round) {
                ChipInfoBlock info{};
                OptionRwBlock options{};
                const ImageDescriptor image = Image(kBase, data);
                int packets = 0;
                if (OV_CMD_GET_INF(h, &info) != CMD_STATUS_OK || OV_CMD_OPT_RW(h, &options) != CMD_STATUS_OK ||
                    OV_CMD_FLASH_ERASE(h, kBase, kBase + 16 * 1024 - 1, nullptr, nullptr) != CMD_STATUS_OK ||
                    OV_CMD_FLASH_DWNLD(h, &image, nullptr, nullptr, CountPacket, &packets) != CMD_STATUS_OK ||
                    packets != 128) {
                    ++failures;
                }
            }
            OV_CMD_DISCONNECT_DEV(&h);
        });
    }
    // Meanwhile the user-interface thread enumerates and reads the last-error text.
    for (int i = 0; i < 50; ++i) {
        OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 0x400);
        GET_LAST_ERROR();
    }
    for (auto& t : workers)
        t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(ovsim::Overlaps().empty());
    for (int i = 0; i < kDevices; ++i) {
        EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB" + std::to_string(i), kBase, 16 * 1024),
                  Pattern(16 * 1024, static_cast<uint8_t>(i)));
    }
}

}  // namespace
