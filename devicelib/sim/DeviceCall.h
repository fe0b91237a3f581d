// The frame of every call on a device handle: resolve the handle, detect overlapping calls, apply injected
// faults, hold the device while the body runs, log the outcome.
#pragma once

#include <mutex>
#include <optional>

#include "devicelib/sim/Simulator.h"

namespace ovsim {

class DeviceCall {
public:
    DeviceCall(Fn fn, DeviceHandle h);
    ~DeviceCall();
    DeviceCall(const DeviceCall&) = delete;
    DeviceCall& operator=(const DeviceCall&) = delete;

    // Runs body(device, call) unless the handle, the device state or an injected fault decides first.
    template <class Body>
    StatusCode Run(Body body) {
        StatusCode status = Begin();
        if (status == CMD_STATUS_OK) status = body(*device_, *this);
        return Finish(status);
    }

    // Downloads let go of the device while the caller's progress callback runs, then take it back; the device
    // may have been reset or unplugged meanwhile.
    void Release() { lock_.unlock(); }
    StatusCode Reacquire();

    Chip& chip() { return device_->chip; }
    uint8_t iface() const { return device_->iface; }
    const std::string& name() const { return device_->name; }
    Device& device() { return *device_; }

private:
    StatusCode Begin();
    StatusCode CheckSession();
    StatusCode Finish(StatusCode status);

    Fn fn_;
    DeviceHandle handle_;
    std::optional<Session> session_;
    std::shared_ptr<Device> device_;
    std::unique_lock<std::mutex> lock_;
    bool counted_ = false;
};

}  // namespace ovsim
