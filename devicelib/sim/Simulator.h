// The simulated library's state: devices on their interfaces, handles, the enumeration, fault rules, the call log
// and the overlap detector. Lock order: the registry before a device; the log and fault locks are leaves.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devicelib/LastErrorTexts.h"
#include "devicelib/sim/Chip.h"
#include "devicelib/sim/SecurityChecks.h"

namespace ovsim {

struct Device {
    Device(uint8_t iface_, std::string name_, Chip chip_)
        : iface(iface_), name(std::move(name_)), chip(std::move(chip_)) {}

    const uint8_t iface;
    const std::string name;
    std::mutex mutex;
    Chip chip;                            // guarded by mutex
    DeviceHandle holder = 0;              // guarded by mutex: the handle that has the device open
    uint64_t challengeGeneration = 0;     // guarded by mutex: the generation a random challenge was issued in
    std::optional<Key128> lastChallenge;  // guarded by mutex: answered by the last random challenge, used up once
    std::optional<SecurityFirmwareRecord> lastFirmware;  // guarded by mutex
    std::atomic<bool> present{true};                     // written under mutex
    std::atomic<uint64_t> generation{1};  // written under mutex; a reset, a run or a replug starts a new one
    std::atomic<int> active{0};           // calls inside the library on this device
    std::atomic<int> activeFn{0};
};

struct Session {
    std::shared_ptr<Device> device;
    uint64_t generation = 0;
};

class Simulator {
public:
    // The first use reads "OvMcuSim.ini" from the working directory when it is there.
    static Simulator& Get();

    // Registry.
    void Clear();
    void AddDevice(uint8_t iface, const std::string& name, const ChipSpec& spec);
    std::shared_ptr<Device> FindDevice(const std::string& name);
    std::optional<Session> Resolve(DeviceHandle h);
    uint8_t Enumerate(uint8_t iface, char16_t* buffer, uint32_t capacity);
    uint8_t Connect(DeviceHandle* handle, const char16_t* name, uint32_t speed);
    StatusCode Disconnect(DeviceHandle* handle);
    DeviceHandle LastConnected();

    void SetLinkSpeed(uint32_t bytesPerSecond) { linkSpeed_ = bytesPerSecond; }
    uint32_t LinkSpeed() const { return linkSpeed_; }
    void SetFactoryKey(int entry, const Key128& key);
    Key128 FactoryKey(int entry);

    // Faults.
    void AddCallFault(Fn fn, int nth, StatusCode status, const std::string& device);
    void AddPacketFault(int packets, StatusCode status, const std::string& device);
    void ClearFaults();
    std::optional<StatusCode> TakeCallFault(Fn fn, const std::string& device);
    // Called before each packet (0-based) of a download; answers the status the download fails with.
    std::optional<StatusCode> TakePacketFault(const std::string& device, uint32_t packet);

    // Log and overlaps.
    void Log(Fn fn, const std::string& device, StatusCode status);
    std::vector<CallRecord> CallLog();
    void ClearCallLog();
    void RecordOverlap(const Overlap& overlap);
    std::vector<Overlap> Overlaps();

private:
    Simulator();
    void DefaultFactoryKeys();

    struct CallFault {
        Fn fn;
        int remaining;  // calls to let through first
        StatusCode status;
        std::string device;
    };
    struct PacketFault {
        int packets;
        StatusCode status;
        std::string device;
    };

    std::mutex registryMutex_;
    std::vector<std::shared_ptr<Device>> devices_;
    std::map<DeviceHandle, Session> sessions_;
    uint8_t enumIface_ = 0;
    DeviceHandle lastConnected_ = 0;
    DeviceHandle nextHandle_ = 1;
    std::array<Key128, 32> factoryKeys_{};
    std::atomic<uint32_t> linkSpeed_{0};

    std::mutex faultMutex_;
    std::vector<CallFault> callFaults_;
    std::vector<PacketFault> packetFaults_;

    std::mutex logMutex_;
    std::vector<CallRecord> log_;
    std::vector<Overlap> overlaps_;
};

// Sets the calling thread's last-error text and answers CMD_STATUS_LAST_ERROR.
StatusCode Fail(LastError error);
// The calling thread's last-error text, or null when it has none.
const char16_t* LastErrorText();

}  // namespace ovsim
