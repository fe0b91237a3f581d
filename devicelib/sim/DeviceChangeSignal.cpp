#include "devicelib/sim/DeviceChangeSignal.h"

#include <mutex>

#include "devicelib/sim/SeriesTable.h"

namespace ovsim {
namespace {

std::mutex g_listenerMutex;
DeviceChangeListener g_listener;

}  // namespace

void SetDeviceChangeListener(DeviceChangeListener listener) {
    std::lock_guard lock(g_listenerMutex);
    g_listener = std::move(listener);
}

void RaiseDeviceChange(bool arrival, uint8_t iface, const std::string& name) {
    DeviceChangeListener listener;
    {
        std::lock_guard lock(g_listenerMutex);
        listener = g_listener;
    }
    if (listener) listener(arrival, iface == kIfaceUsart || iface == kIfaceI2c, name);
}

}  // namespace ovsim
