#include "devicelib/sim/Simulator.h"

#include <algorithm>
#include <filesystem>

#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "devicelib/sim/DeviceChangeSignal.h"
#include "devicelib/sim/SimConfig.h"
#include "framework/Text.h"

namespace ovsim {
namespace {

thread_local std::u16string t_lastError;

uint64_t NameHash(const std::string& name) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : name)
        h = (h ^ c) * 0x100000001B3ull;
    return h;
}

bool IsLive(const std::map<DeviceHandle, Session>& sessions, const Device& device, DeviceHandle h) {
    auto it = sessions.find(h);
    return it != sessions.end() && it->second.generation == device.generation;
}

}  // namespace

StatusCode Fail(LastError error) {
    t_lastError.assign(TextOf(error));
    return CMD_STATUS_LAST_ERROR;
}

const char16_t* LastErrorText() { return t_lastError.empty() ? nullptr : t_lastError.c_str(); }

Simulator& Simulator::Get() {
    static Simulator instance;
    return instance;
}

Simulator::Simulator() {
    DefaultFactoryKeys();
    std::error_code ec;
    if (std::filesystem::exists(kConfigFileName, ec)) LoadConfigFile(kConfigFileName, *this);
}

void Simulator::DefaultFactoryKeys() {
    // New chips hold the keys the program takes for keys never updated, unless a configuration names others.
    for (int e = 0; e < 32; ++e)
        HexToBytes(g_defaultChipKeys[e], factoryKeys_[e].data(), factoryKeys_[e].size());
}

void Simulator::Clear() {
    {
        std::lock_guard lock(registryMutex_);
        DefaultFactoryKeys();
        devices_.clear();
        sessions_.clear();
        enumIface_ = 0;
        lastConnected_ = 0;
    }
    linkSpeed_ = 0;
    ClearFaults();
    std::lock_guard lock(logMutex_);
    log_.clear();
    overlaps_.clear();
}

void Simulator::AddDevice(uint8_t iface, const std::string& name, const ChipSpec& spec) {
    const SeriesInfo* series = FindSeries(spec.series);
    if (series == nullptr) return;
    {
        std::lock_guard lock(registryMutex_);
        Chip chip(*series, spec, NameHash(name), factoryKeys_);
        std::erase_if(devices_, [&](const auto& d) { return d->name == name; });
        devices_.push_back(std::make_shared<Device>(iface, name, std::move(chip)));
    }
    RaiseDeviceChange(true, iface, name);
}

std::shared_ptr<Device> Simulator::FindDevice(const std::string& name) {
    std::lock_guard lock(registryMutex_);
    for (const auto& d : devices_) {
        if (d->name == name) return d;
    }
    return nullptr;
}

std::optional<Session> Simulator::Resolve(DeviceHandle h) {
    std::lock_guard lock(registryMutex_);
    auto it = sessions_.find(h);
    if (it == sessions_.end()) return std::nullopt;
    return it->second;
}

uint8_t Simulator::Enumerate(uint8_t iface, char16_t* buffer, uint32_t capacity) {
    std::vector<std::string> names;
    {
        std::lock_guard lock(registryMutex_);
        enumIface_ = iface;
        for (const auto& d : devices_) {
            if (d->iface == iface && d->present) names.push_back(d->name);
        }
    }
    if (buffer == nullptr || capacity == 0) return 0;
    std::u16string list;
    uint8_t count = 0;
    for (const auto& name : names) {
        const std::u16string entry = fw::Utf8ToText(name) + u';';
        if (list.size() + entry.size() + 1 > capacity || count == 255) break;
        list += entry;
        ++count;
    }
    std::copy(list.begin(), list.end(), buffer);
    buffer[list.size()] = 0;
    return count;
}

uint8_t Simulator::Connect(DeviceHandle* handle, const char16_t* name, uint32_t speed) {
    constexpr uint8_t kFailed = 1;
    if (handle == nullptr || name == nullptr) {
        Fail(LastError::BadArgument);
        return kFailed;
    }
    const std::string wanted = fw::TextToUtf8(name);
    std::unique_lock registry(registryMutex_);
    std::shared_ptr<Device> device;
    for (const auto& d : devices_) {
        if (d->iface == enumIface_ && d->present && d->name == wanted) device = d;
    }
    if (device == nullptr && enumIface_ == kIfaceJLink) {
        // J-Link takes the target's model name; the first probe that is free serves it.
        for (const auto& d : devices_) {
            std::lock_guard lock(d->mutex);
            if (d->iface == kIfaceJLink && d->present && !IsLive(sessions_, *d, d->holder)) {
                device = d;
                break;
            }
        }
    }
    if (device == nullptr) {
        Fail(LastError::DeviceNotFound);
        Log(Fn::ConnectDev, {}, kFailed);
        return kFailed;
    }
    std::lock_guard lock(device->mutex);
    StatusCode status = CMD_STATUS_OK;
    if (auto fault = TakeCallFault(Fn::ConnectDev, device->name)) {
        status = *fault == CMD_STATUS_OK ? CMD_STATUS_OK : Fail(LastError::InjectedConnectFault);
    } else if (IsLive(sessions_, *device, device->holder)) {
        status = Fail(LastError::DeviceInUse);
    } else if (device->iface == kIfaceI2c && speed > 2) {
        // I2C takes the position of its speed (100k, 200k, 400k), not a rate.
        status = Fail(LastError::I2cSpeedInvalid);
    } else if (IsSwd(device->iface) && device->chip.Level() == 2) {
        status = Fail(LastError::DebugPortClosedAtL2);
    }
    if (status != CMD_STATUS_OK) {
        Log(Fn::ConnectDev, device->name, kFailed);
        return kFailed;
    }
    const DeviceHandle h = nextHandle_++;
    sessions_[h] = Session{device, device->generation};
    device->holder = h;
    lastConnected_ = h;
    *handle = h;
    Log(Fn::ConnectDev, device->name, 0);
    return 0;
}

StatusCode Simulator::Disconnect(DeviceHandle* handle) {
    if (handle == nullptr) return Fail(LastError::BadArgument);
    std::shared_ptr<Device> device;
    {
        std::lock_guard registry(registryMutex_);
        auto it = sessions_.find(*handle);
        if (it != sessions_.end()) {
            device = it->second.device;
            sessions_.erase(it);
            std::lock_guard lock(device->mutex);
            if (device->holder == *handle) device->holder = 0;
        }
    }
    *handle = 0;
    const StatusCode status = device ? CMD_STATUS_OK : Fail(LastError::NotConnected);
    Log(Fn::DisconnectDev, device ? device->name : std::string(), status);
    return status;
}

DeviceHandle Simulator::LastConnected() {
    std::lock_guard lock(registryMutex_);
    return lastConnected_;
}

void Simulator::SetFactoryKey(int entry, const Key128& key) {
    std::lock_guard lock(registryMutex_);
    if (entry >= 0 && entry < 32) factoryKeys_[entry] = key;
}

Key128 Simulator::FactoryKey(int entry) {
    std::lock_guard lock(registryMutex_);
    return factoryKeys_[entry & 31];
}

void Simulator::AddCallFault(Fn fn, int nth, StatusCode status, const std::string& device) {
    std::lock_guard lock(faultMutex_);
    callFaults_.push_back({fn, std::max(nth, 1) - 1, status, device});
}

void Simulator::AddPacketFault(int packets, StatusCode status, const std::string& device) {
    std::lock_guard lock(faultMutex_);
    packetFaults_.push_back({std::max(packets, 0), status, device});
}

void Simulator::ClearFaults() {
    std::lock_guard lock(faultMutex_);
    callFaults_.clear();
    packetFaults_.clear();
}

std::optional<StatusCode> Simulator::TakeCallFault(Fn fn, const std::string& device) {
    std::lock_guard lock(faultMutex_);
    for (auto it = callFaults_.begin(); it != callFaults_.end(); ++it) {
        if (it->fn != fn || (!it->device.empty() && it->device != device)) continue;
        if (it->remaining-- > 0) continue;
        const StatusCode status = it->status;
        callFaults_.erase(it);
        return status;
    }
    return std::nullopt;
}

std::optional<StatusCode> Simulator::TakePacketFault(const std::string& device, uint32_t packet) {
    std::lock_guard lock(faultMutex_);
    for (auto it = packetFaults_.begin(); it != packetFaults_.end(); ++it) {
        if (!it->device.empty() && it->device != device) continue;
        if (packet < static_cast<uint32_t>(it->packets)) return std::nullopt;
        const StatusCode status = it->status;
        packetFaults_.erase(it);
        return status;
    }
    return std::nullopt;
}

void Simulator::Log(Fn fn, const std::string& device, StatusCode status) {
    std::lock_guard lock(logMutex_);
    log_.push_back({fn, device, status});
}

std::vector<CallRecord> Simulator::CallLog() {
    std::lock_guard lock(logMutex_);
    return log_;
}

void Simulator::ClearCallLog() {
    std::lock_guard lock(logMutex_);
    log_.clear();
    overlaps_.clear();
}

void Simulator::RecordOverlap(const Overlap& overlap) {
    std::lock_guard lock(logMutex_);
    overlaps_.push_back(overlap);
}

std::vector<Overlap> Simulator::Overlaps() {
    std::lock_guard lock(logMutex_);
    return overlaps_;
}

}  // namespace ovsim
