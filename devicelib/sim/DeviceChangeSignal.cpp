#include "devicelib/sim/DeviceChangeSignal.h"

namespace ovsim {

void RaiseDeviceChange(bool /*arrival*/, uint8_t /*iface*/, const std::string& /*name*/) {
    // The platform layer's device notification is not in the tree yet; its injection call goes here.
}

}  // namespace ovsim
