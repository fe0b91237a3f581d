// The control API of the tests (devicelib/OvMcuSim.h).
#include <algorithm>
#include <mutex>

#include "devicelib/OvMcuSim.h"
#include "devicelib/sim/DeviceChangeSignal.h"
#include "devicelib/sim/ReadFaults.h"
#include "devicelib/sim/SimConfig.h"
#include "devicelib/sim/Simulator.h"

namespace ovsim {
namespace {

// Runs body(chip) with the named device held; answers fallback when there is no such device.
template <class Body, class Result = std::invoke_result_t<Body, Chip&>>
Result WithChip(const std::string& name, Body body, Result fallback = {}) {
    auto device = Simulator::Get().FindDevice(name);
    if (device == nullptr) return fallback;
    std::lock_guard lock(device->mutex);
    return body(device->chip);
}

void SetPresence(const std::string& name, bool present) {
    auto device = Simulator::Get().FindDevice(name);
    if (device == nullptr) return;
    {
        std::lock_guard lock(device->mutex);
        if (device->present == present) return;
        if (present) device->chip.Reset();  // a power cycle
        device->present = present;
        device->generation++;
    }
    RaiseDeviceChange(present, device->iface, device->name);
}

}  // namespace

const char* FnName(Fn fn) {
    static constexpr const char* kNames[] = {
        "OV_CMD_ENUM_DEV",      "OV_CMD_CONNECT_DEV",     "OV_CMD_DISCONNECT_DEV",  "OV_CMD_GET_INF",
        "OV_CMD_OPT_RW",        "OV_CMD_OTP_RW",          "OV_CMD_EXT_OPT_RW",      "OV_CMD_USERX_OP",
        "OV_CMD_KEY_UPDATE",    "OV_CMD_FLASH_ERASE",     "OV_CMD_EXT_FLASH_ERASE", "OV_CMD_FLASH_DWNLD",
        "OV_CMD_EXT_API_DWNLD", "OV_CMD_EXT_FLASH_DWNLD", "OV_CMD_EXT_KEY_CFG",     "OV_CMD_READ_PROTECT",
        "OV_CMD_WRITE_PROTECT", "OV_CMD_SYS_RESET",       "OV_CMD_APP_GO",          "OV_CMD_SEND_COMMAND",
        "OV_CMD_RECV_DATA",     "OV_CMD_SET_KEY",         "OV_CMD_SET_JTAG_MODE",   "OV_CMD_SET_SECURE_MODE",
    };
    const auto index = static_cast<size_t>(fn);
    return index < std::size(kNames) ? kNames[index] : "?";
}

void Reset() {
    Simulator::Get().Clear();
    ClearShortReads();
}
bool LoadConfig(const std::string& path) { return LoadConfigFile(path, Simulator::Get()); }
void SetLinkSpeed(uint32_t bytesPerSecond) { Simulator::Get().SetLinkSpeed(bytesPerSecond); }
void SetFactoryKey(int entry, const std::array<uint8_t, 16>& key) { Simulator::Get().SetFactoryKey(entry, key); }
std::array<uint8_t, 16> FactoryKey(int entry) { return Simulator::Get().FactoryKey(entry); }

void Attach(uint8_t iface, const std::string& name, const ChipSpec& chip) {
    Simulator::Get().AddDevice(iface, name, chip);
}
void Unplug(const std::string& name) { SetPresence(name, false); }
void Replug(const std::string& name) { SetPresence(name, true); }

void InjectStatus(Fn fn, int nthCall, StatusCode status, const std::string& device) {
    Simulator::Get().AddCallFault(fn, nthCall, status, device);
}
void InjectAfterPackets(int packets, StatusCode status, const std::string& device) {
    Simulator::Get().AddPacketFault(packets, status, device);
}
void ClearFaults() {
    Simulator::Get().ClearFaults();
    ClearShortReads();
}

void MakeProtected(const std::string& name, int level, std::optional<std::array<uint8_t, 4>> writeProtection) {
    WithChip(name, [&](Chip& chip) {
        chip.ForceProtection(level, writeProtection);
        return true;
    });
}

void SetOptionImage(const std::string& name, const std::vector<uint8_t>& image) {
    WithChip(name, [&](Chip& chip) {
        chip.ForceOptions(image);
        return true;
    });
}

int BrokenComplementWrites(const std::string& name) {
    return WithChip(name, [&](Chip& chip) { return chip.BrokenComplementWrites(); });
}

std::vector<uint8_t> ReadMemory(const std::string& name, uint32_t address, uint32_t length) {
    return WithChip(name, [&](Chip& chip) { return chip.Inspect(address, length); });
}

std::vector<uint8_t> ReadExternalFlash(const std::string& name, uint8_t id, uint32_t address, uint32_t length) {
    return WithChip(name, [&](Chip& chip) { return chip.InspectExt(id, address, length); });
}

std::vector<uint8_t> ExternalOptions(const std::string& name) {
    return WithChip(name, [&](Chip& chip) {
        const auto& record = chip.ExtOptions();
        return std::vector<uint8_t>(record.begin(), record.end());
    });
}

void SetExternalOptions(const std::string& name, const std::vector<uint8_t>& record) {
    WithChip(name, [&](Chip& chip) {
        std::copy_n(record.begin(), std::min(record.size(), chip.ExtOptions().size()), chip.ExtOptions().begin());
        return true;
    });
}

std::vector<uint8_t> OptionImage(const std::string& name, bool inForce) {
    return WithChip(name, [&](Chip& chip) { return inForce ? chip.EffectiveOptions() : chip.StoredOptions(); });
}

PartitionState Partition(const std::string& name, int index) {
    return WithChip(name, [&](Chip& chip) { return chip.Partition(std::clamp(index, 0, 2)); });
}

std::array<uint8_t, 16> ChipKey(const std::string& name, uint8_t keyId) {
    return WithChip(name, [&](Chip& chip) { return chip.KeyOf(keyId); });
}

ChipState State(const std::string& name) {
    return WithChip(name, [&](Chip& chip) { return chip.State(); });
}

std::vector<CallRecord> CallLog() { return Simulator::Get().CallLog(); }
int CallCount(Fn fn) {
    int n = 0;
    for (const CallRecord& call : CallLog())
        n += call.fn == fn;
    return n;
}
void ClearCallLog() { Simulator::Get().ClearCallLog(); }
std::vector<Overlap> Overlaps() { return Simulator::Get().Overlaps(); }

}  // namespace ovsim
