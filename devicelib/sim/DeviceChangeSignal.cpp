#include "devicelib/sim/DeviceChangeSignal.h"

#include <dlfcn.h>

#include "framework/DeviceNotification.h"

namespace ovsim {
namespace {

using Injector = void (*)(fw::DeviceKind, bool, fw::TextView);

// The library carries its own copy of the framework, but the listeners are registered with the program's copy.
// A program that exports its symbols (ENABLE_EXPORTS) receives the events; otherwise they stay in here, unheard.
Injector ProgramInjector() {
    static const Injector injector = [] {
        void* symbol = dlsym(
            RTLD_DEFAULT, "_ZN2fw18InjectDeviceChangeENS_10DeviceKindEbSt17basic_string_viewIDsSt11char_traitsIDsEE");
        return symbol != nullptr ? reinterpret_cast<Injector>(symbol) : &fw::InjectDeviceChange;
    }();
    return injector;
}

}  // namespace

void RaiseDeviceChange(bool arrival, uint8_t iface, const std::string& name) {
    // Serial ports (USART, I2C adapters) and USB devices (DFU, debug probes) come through different classes.
    const bool port = iface == kIfaceUsart || iface == kIfaceI2c;
    ProgramInjector()(port ? fw::DeviceKind::SerialPort : fw::DeviceKind::Usb, arrival, fw::Utf8ToText(name));
}

}  // namespace ovsim
