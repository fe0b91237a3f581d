// Arrival and removal of serial ports, USB devices and HID devices. Events come from a libudev monitor and, for
// tests and the simulators, from InjectDeviceChange; callbacks may be called on any thread (the monitor's, or
// the injector's), so the receiver hands them to its own thread.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/Text.h"

namespace fw {

enum class DeviceKind { SerialPort, Usb, Hid };

struct DeviceChange {
    DeviceKind kind = DeviceKind::Usb;
    bool arrival = true;
    Text name;  // the device node (/dev/ttyUSB0) or, without one, the device's system path
};

using DeviceChangeCallback = std::function<void(const DeviceChange&)>;
using DeviceRegistration = std::uint64_t;  // 0: registration failed

// Registers a callback for one kind of device; 0 when the system's device events cannot be received.
DeviceRegistration RegisterDeviceChange(DeviceKind kind, DeviceChangeCallback callback);
// After it returns, the callback is not running and will not be called again.
void UnregisterDeviceChange(DeviceRegistration registration);

// Delivers an event as if the system had reported it, on the calling thread.
void InjectDeviceChange(DeviceKind kind, bool arrival, TextView name);

// Where events come from: the system (default), injection only (tests and simulators without udev), or
// nowhere, so that registration fails (to test how the program reports that).
enum class DeviceEventSource { System, InjectedOnly, Unavailable };
void SetDeviceEventSource(DeviceEventSource source);

}  // namespace fw
