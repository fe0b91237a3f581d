#include <thread>

#include "devicelib/OvMcuSimEvents.h"
#include "framework/DeviceNotification.h"
#include "tests/devicelib/SimFixture.h"

namespace {

std::u16string Enumerate(uint8_t iface, uint8_t* count = nullptr, uint32_t capacity = 0x400) {
    std::vector<char16_t> buffer(capacity + 1, u'#');
    const uint8_t n = OV_CMD_ENUM_DEV(iface, buffer.data(), capacity);
    if (count) *count = n;
    return buffer.data();
}

using ConnectionTest = SimTest;

TEST_F(ConnectionTest, EnumerationListsThePresentDevicesOfOneInterface) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Series(0));
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB1", Series(3));
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, "0700000103", Series(11));

    uint8_t count = 0;
    EXPECT_EQ(Enumerate(OV_IFACE_USART, &count), u"/dev/ttyUSB0;/dev/ttyUSB1;");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Enumerate(OV_IFACE_SWD_CMSIS_DAP, &count), u"0700000103;");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Enumerate(OV_IFACE_USB_DFU, &count), u"");
    EXPECT_EQ(count, 0);

    ovsim::Unplug("/dev/ttyUSB0");
    EXPECT_EQ(Enumerate(OV_IFACE_USART, &count), u"/dev/ttyUSB1;");
    EXPECT_EQ(count, 1);
    ovsim::Replug("/dev/ttyUSB0");
    EXPECT_EQ(Enumerate(OV_IFACE_USART, &count), u"/dev/ttyUSB0;/dev/ttyUSB1;");

    // A name that does not fit whole is left out, and the list stays terminated.
    EXPECT_EQ(Enumerate(OV_IFACE_USART, &count, 20), u"/dev/ttyUSB0;");
    EXPECT_EQ(count, 1);
}

TEST_F(ConnectionTest, PluggingRaisesTheProgramsDeviceChangeEvents) {
    fw::SetDeviceEventSource(fw::DeviceEventSource::InjectedOnly);
    ovsim::ForwardDeviceChangesToPlatform();
    std::vector<std::pair<bool, fw::Text>> ports, usb;
    const auto portId = fw::RegisterDeviceChange(
        fw::DeviceKind::SerialPort, [&](const fw::DeviceChange& c) { ports.emplace_back(c.arrival, c.name); });
    const auto usbId = fw::RegisterDeviceChange(
        fw::DeviceKind::Usb, [&](const fw::DeviceChange& c) { usb.emplace_back(c.arrival, c.name); });
    ASSERT_NE(portId, 0u);

    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Series(0));
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, "0700000103", Series(3));
    ovsim::Unplug("/dev/ttyUSB0");
    ovsim::Unplug("/dev/ttyUSB0");  // already gone: no second event
    ovsim::Replug("/dev/ttyUSB0");
    fw::UnregisterDeviceChange(portId);
    fw::UnregisterDeviceChange(usbId);
    ovsim::SetDeviceChangeListener({});

    using Events = std::vector<std::pair<bool, fw::Text>>;
    EXPECT_EQ(ports, (Events{{true, u"/dev/ttyUSB0"}, {false, u"/dev/ttyUSB0"}, {true, u"/dev/ttyUSB0"}}));
    EXPECT_EQ(usb, (Events{{true, u"0700000103"}}));
}

TEST_F(ConnectionTest, ChipInformationFollowsTheSeries) {
    struct Row {
        uint8_t series;
        double flashKB;
        uint32_t page;
        uint8_t unit;
    };
    const Row rows[] = {{0, 256, 2048, 16}, {1, 256, 2048, 16}, {2, 128, 2048, 16},   {3, 32, 512, 4},
                        {4, 32, 512, 4},    {5, 128, 2048, 2},  {6, 32, 512, 4},      {7, 29.5, 512, 4},
                        {8, 512, 8192, 16}, {9, 512, 8192, 16}, {10, 2048, 4096, 16}, {11, 128, 512, 4},
                        {12, 64, 512, 4}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.series);
        ovsim::Reset();
        const DeviceHandle h = Usart(row.series);
        ChipInfoBlock info{};
        ASSERT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_OK);
        EXPECT_EQ(info.seriesCode, row.series);
        EXPECT_EQ(info.flashSizeKB, row.flashKB);
        EXPECT_EQ(info.pageSize, row.page);
        EXPECT_EQ(info.partitionUnitKB, row.unit);
        EXPECT_GT(info.modelLength, 0);
        EXPECT_EQ(std::string(info.model, 2), "VK");
        EXPECT_EQ(info.ucidLength, 16);
        EXPECT_EQ(info.uidLength, 12);
    }
}

TEST_F(ConnectionTest, ConnectRefusesUnknownAndBusyDevices) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Series(0));
    char16_t names[0x400];
    OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 0x400);

    DeviceHandle h = 0;
    EXPECT_NE(OV_CMD_CONNECT_DEV(&h, u"/dev/ttyUSB7", 115200), 0);
    EXPECT_FALSE(LastError().empty());
    ASSERT_EQ(OV_CMD_CONNECT_DEV(&h, u"/dev/ttyUSB0", 115200), 0);
    DeviceHandle second = 0;
    EXPECT_NE(OV_CMD_CONNECT_DEV(&second, u"/dev/ttyUSB0", 115200), 0);

    // The interface is the one enumerated last.
    OV_CMD_ENUM_DEV(OV_IFACE_USB_DFU, names, 0x400);
    EXPECT_NE(OV_CMD_CONNECT_DEV(&second, u"/dev/ttyUSB0", 115200), 0);

    EXPECT_EQ(OV_CMD_DISCONNECT_DEV(&h), CMD_STATUS_OK);
    EXPECT_EQ(h, 0u);
    ChipInfoBlock info{};
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_LAST_ERROR);
}

TEST_F(ConnectionTest, JLinkConnectsByTheTargetModelName) {
    ovsim::Attach(OV_IFACE_SWD_JLINK, "000260001234", Series(2));
    const DeviceHandle h = Connect(OV_IFACE_SWD_JLINK, u"VK425xx");
    ChipInfoBlock info{};
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_OK);
    EXPECT_EQ(info.seriesCode, 2);
}

TEST_F(ConnectionTest, ResetAndRunLeaveTheHandleStaleUntilReconnected) {
    DeviceHandle h = Usart(0);
    ChipInfoBlock info{};
    ASSERT_EQ(OV_CMD_SYS_RESET(h), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_LAST_ERROR);
    EXPECT_FALSE(LastError().empty());

    // The stale handle no longer holds the device; a new connection works.
    const DeviceHandle fresh = Connect(OV_IFACE_USART, u"/dev/ttyUSB0");
    EXPECT_EQ(OV_CMD_GET_INF(fresh, &info), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_DISCONNECT_DEV(&h), CMD_STATUS_OK);

    ASSERT_EQ(OV_CMD_APP_GO(fresh, 0, 0), CMD_STATUS_OK);
    EXPECT_EQ(OV_CMD_GET_INF(fresh, &info), CMD_STATUS_LAST_ERROR);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").runAddress, 0u);
}

TEST_F(ConnectionTest, UnpluggedDeviceStopsAnsweringItsHandle) {
    const DeviceHandle h = Usart(0);
    ovsim::Unplug("/dev/ttyUSB0");
    ChipInfoBlock info{};
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_LAST_ERROR);
    ovsim::Replug("/dev/ttyUSB0");
    EXPECT_EQ(OV_CMD_GET_INF(h, &info), CMD_STATUS_LAST_ERROR);
    EXPECT_EQ(OV_CMD_GET_INF(Connect(OV_IFACE_USART, u"/dev/ttyUSB0"), &info), CMD_STATUS_OK);
}

TEST_F(ConnectionTest, LastErrorBelongsToTheFailingThread) {
    ChipInfoBlock info{};
    EXPECT_EQ(OV_CMD_GET_INF(12345, &info), CMD_STATUS_LAST_ERROR);
    EXPECT_FALSE(LastError().empty());
    std::u16string seenByOther = u"unset";
    std::thread([&] { seenByOther = LastError(); }).join();
    EXPECT_EQ(seenByOther, u"");
}

}  // namespace
