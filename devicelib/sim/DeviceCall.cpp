#include "devicelib/sim/DeviceCall.h"

#include "devicelib/sim/CallObserver.h"

namespace ovsim {
namespace {

// What a debug probe can still do with a chip whose read protection shuts out the debug port.
bool AllowedUnderSwdProtection(Fn fn) { return fn == Fn::ReadProtect || fn == Fn::WriteProtect || fn == Fn::SysReset; }

}  // namespace

DeviceCall::DeviceCall(Fn fn, DeviceHandle h) : fn_(fn), handle_(h) {}

DeviceCall::~DeviceCall() {
    if (counted_) device_->active.fetch_sub(1);
}

StatusCode DeviceCall::Begin() {
    Simulator& sim = Simulator::Get();
    session_ = sim.Resolve(handle_);
    if (!session_) return Fail(LastError::NotConnected);
    device_ = session_->device;
    NotifyCallObserver(fn_, device_->name);
    if (device_->active.fetch_add(1) > 0) {
        sim.RecordOverlap({static_cast<Fn>(device_->activeFn.load()), fn_, device_->name});
    } else {
        device_->activeFn = static_cast<int>(fn_);
    }
    counted_ = true;
    lock_ = std::unique_lock(device_->mutex);
    if (auto fault = sim.TakeCallFault(fn_, device_->name)) {
        return *fault == CMD_STATUS_LAST_ERROR ? Fail(LastError::InjectedFault) : *fault;
    }
    if (StatusCode status = CheckSession(); status != CMD_STATUS_OK) return status;
    if (IsSwd(device_->iface) && device_->chip.Level() != 0 && !AllowedUnderSwdProtection(fn_)) {
        return Fail(LastError::DebugPortProtected);
    }
    return CMD_STATUS_OK;
}

StatusCode DeviceCall::CheckSession() {
    if (!device_->present) return Fail(LastError::NoResponse);
    if (device_->generation != session_->generation) return Fail(LastError::DeviceWasReset);
    return CMD_STATUS_OK;
}

StatusCode DeviceCall::Reacquire() {
    lock_.lock();
    return CheckSession();
}

StatusCode DeviceCall::Finish(StatusCode status) {
    if (lock_.owns_lock()) lock_.unlock();
    Simulator::Get().Log(fn_, device_ ? device_->name : std::string(), status);
    return status;
}

}  // namespace ovsim
