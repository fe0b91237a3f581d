// Connects the simulator's device arrivals and removals to the program's device-change notification, so a test
// that unplugs a simulated chip sees the main window react as it would to a real cable. Compiled into the test
// program, where the program's framework lives; for tests only.
#pragma once

#include "devicelib/OvMcuSim.h"
#include "framework/DeviceNotification.h"
#include "framework/Text.h"

namespace ovsim {

inline void ForwardDeviceChangesToPlatform() {
    SetDeviceChangeListener([](bool arrival, bool serialPort, const std::string& name) {
        fw::InjectDeviceChange(serialPort ? fw::DeviceKind::SerialPort : fw::DeviceKind::Usb, arrival,
                               fw::Utf8ToText(name));
    });
}

}  // namespace ovsim
