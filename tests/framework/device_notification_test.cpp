#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/DeviceNotification.h"

namespace fw {
namespace {

using namespace std::chrono_literals;

class DeviceNotificationTest : public ::testing::Test {
protected:
    void TearDown() override { SetDeviceEventSource(DeviceEventSource::System); }
};

struct Recorder {
    std::mutex lock;
    std::vector<DeviceChange> seen;
    DeviceChangeCallback Callback() {
        return [this](const DeviceChange& c) {
            const std::lock_guard<std::mutex> hold(lock);
            seen.push_back(c);
        };
    }
};

TEST_F(DeviceNotificationTest, InjectedEventsReachTheCallbacksOfTheirKind) {
    SetDeviceEventSource(DeviceEventSource::InjectedOnly);
    Recorder ports, usb;
    const DeviceRegistration portId = RegisterDeviceChange(DeviceKind::SerialPort, ports.Callback());
    const DeviceRegistration usbId = RegisterDeviceChange(DeviceKind::Usb, usb.Callback());
    ASSERT_NE(portId, 0u);
    ASSERT_NE(usbId, 0u);

    InjectDeviceChange(DeviceKind::SerialPort, true, u"/dev/ttyUSB0");
    InjectDeviceChange(DeviceKind::Usb, false, u"/dev/bus/usb/001/004");
    InjectDeviceChange(DeviceKind::Hid, true, u"/dev/hidraw0");  // nobody registered for HID

    ASSERT_EQ(ports.seen.size(), 1u);
    EXPECT_EQ(ports.seen[0].kind, DeviceKind::SerialPort);
    EXPECT_TRUE(ports.seen[0].arrival);
    EXPECT_EQ(ports.seen[0].name, u"/dev/ttyUSB0");
    ASSERT_EQ(usb.seen.size(), 1u);
    EXPECT_FALSE(usb.seen[0].arrival);

    UnregisterDeviceChange(portId);
    InjectDeviceChange(DeviceKind::SerialPort, false, u"/dev/ttyUSB0");
    EXPECT_EQ(ports.seen.size(), 1u);
    UnregisterDeviceChange(usbId);
}

TEST_F(DeviceNotificationTest, RegistrationCanFail) {
    SetDeviceEventSource(DeviceEventSource::Unavailable);
    EXPECT_EQ(RegisterDeviceChange(DeviceKind::Usb, [](const DeviceChange&) {}), 0u);
}

// The system's monitor may or may not be available here; when it is, injected events still arrive and
// unregistering stops its thread cleanly.
TEST_F(DeviceNotificationTest, SystemSourceAlsoDeliversInjectedEvents) {
    Recorder hid;
    const DeviceRegistration id = RegisterDeviceChange(DeviceKind::Hid, hid.Callback());
    if (id == 0) GTEST_SKIP() << "no udev monitor on this machine";
    InjectDeviceChange(DeviceKind::Hid, true, u"/dev/hidraw3");
    UnregisterDeviceChange(id);
    ASSERT_EQ(hid.seen.size(), 1u);
    EXPECT_EQ(hid.seen[0].name, u"/dev/hidraw3");
}

// The window that registered may go away while a simulator thread is delivering: after Unregister returns the
// callback is neither running nor called again.
TEST_F(DeviceNotificationTest, UnregisterWaitsForACallbackInProgress) {
    SetDeviceEventSource(DeviceEventSource::InjectedOnly);
    std::atomic<bool> inside{false}, finished{false};
    std::atomic<int> calls{0};
    const DeviceRegistration id = RegisterDeviceChange(DeviceKind::Usb, [&](const DeviceChange&) {
        ++calls;
        inside = true;
        std::this_thread::sleep_for(50ms);
        finished = true;
    });
    std::thread simulator([] { InjectDeviceChange(DeviceKind::Usb, true, u"sim"); });
    while (!inside)
        std::this_thread::sleep_for(1ms);
    UnregisterDeviceChange(id);
    EXPECT_TRUE(finished);
    simulator.join();
    InjectDeviceChange(DeviceKind::Usb, true, u"sim");
    EXPECT_EQ(calls, 1);

    // A callback may unregister itself.
    int selfCalls = 0;
    DeviceRegistration self = 0;
    self = RegisterDeviceChange(DeviceKind::Usb, [&](const DeviceChange&) {
        ++selfCalls;
        UnregisterDeviceChange(self);
    });
    InjectDeviceChange(DeviceKind::Usb, true, u"sim");
    InjectDeviceChange(DeviceKind::Usb, true, u"sim");
    EXPECT_EQ(selfCalls, 1);
}

}  // namespace
}  // namespace fw
