// Control of the simulated device command library, for tests only: the program never includes this header.
// Devices are addressed by their name as OV_CMD_ENUM_DEV lists them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "devicelib/OvMcuCmdDll.h"

#define OV_SIM_API __attribute__((visibility("default")))

namespace ovsim {

// The library's functions, as the call log and the fault rules name them.
enum class Fn : uint8_t {
    EnumDev,
    ConnectDev,
    DisconnectDev,
    GetInf,
    OptRw,
    OtpRw,
    ExtOptRw,
    UserxOp,
    KeyUpdate,
    FlashErase,
    ExtFlashErase,
    FlashDwnld,
    ExtApiDwnld,
    ExtFlashDwnld,
    ExtKeyCfg,
    ReadProtect,
    WriteProtect,
    SysReset,
    AppGo,
    SendCommand,
    RecvData,
    SetKey,
    SetJtagMode,
    SetSecureMode,
};
OV_SIM_API const char* FnName(Fn fn);

// A chip to put on an interface.
struct ChipSpec {
    uint8_t series = 0;
    std::string model;       // empty: the series' model
    double flashKB = 0;      // 0: the series' flash size
    int readProtection = 0;  // 0, 1 or 2, in force from the start
    std::array<uint8_t, 4> writeProtection{0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<uint8_t> flash;     // contents from the flash base; the rest is erased
    uint8_t bootSubVersion = 0x11;  // V1.1; 0x10 makes a series-10 chip use 128-byte packets
    std::vector<uint8_t> ucid;      // empty: derived from the device name
};

struct PartitionState {
    uint8_t sizeUnits = 0;  // USER1: the units USER2 and USER3 leave, 0 while the flash is not partitioned
    uint8_t keyId = 0xFF;
    uint8_t flags = 0;
};

struct ChipState {
    int level = 0;         // read protection in force
    int pendingLevel = 0;  // after the next reset
    bool sealed = false, sealPending = false;
    int secureMode = -1, jtagMode = -1;  // -1: never set
    std::array<uint8_t, 16> rek{}, idKey{}, extFlashKey{};
    std::vector<uint8_t> jtagKey;
    std::vector<uint8_t> jtagModeKey;    // the block the JTAG mode was last set with, kept as it came
    std::array<uint16_t, 6> otp{};       // items 1 to 5; 0xFFFF never written
    std::array<uint8_t, 6> otpWrites{};  // configurations used of each item's sixteen
    bool downloadFlag = false;
    int apiSource = -1;  // external API loaded from: 0 autoload, 1 NVR, 2 option bytes
    std::optional<uint32_t> runAddress;
};

struct CallRecord {
    Fn fn;
    std::string device;  // empty when the call reached no device
    StatusCode status;   // for the enumeration: the count; for the connection: its byte answer
};

// Two calls that were inside the library on one device at the same time.
struct Overlap {
    Fn running;
    Fn entering;
    std::string device;
};

// Forgets devices, handles, faults, the call log and the overlaps; the link speed returns to 0 and the factory
// keys to the program's default chip keys.
OV_SIM_API void Reset();
// Reads a configuration file (the format of "OvMcuSim.ini", see the README); false when it cannot be read.
OV_SIM_API bool LoadConfig(const std::string& path);
OV_SIM_API void SetLinkSpeed(uint32_t bytesPerSecond);
// The 32 keys a new chip holds, by key table entry (series 5, 8 and 9 map their key ids onto entries 28 to 31).
OV_SIM_API void SetFactoryKey(int entry, const std::array<uint8_t, 16>& key);
OV_SIM_API std::array<uint8_t, 16> FactoryKey(int entry);

// Devices come and go as real ports and probes do: each arrival and removal is told to the listener, which a
// test harness connects to the program's device-change notification. The library keeps its own copy of the
// framework, so it cannot raise the program's events itself. Serial ports are USART and I2C adapters; every
// other interface is a USB device.
using DeviceChangeListener = std::function<void(bool arrival, bool serialPort, const std::string& name)>;
OV_SIM_API void SetDeviceChangeListener(DeviceChangeListener listener);  // empty: nobody listens
OV_SIM_API void Attach(uint8_t iface, const std::string& name, const ChipSpec& chip);
OV_SIM_API void Unplug(const std::string& name);
OV_SIM_API void Replug(const std::string& name);  // a power cycle: pending changes take effect

// The nth call (1 = the next) of fn, on the named device or any, answers status without doing anything.
OV_SIM_API void InjectStatus(Fn fn, int nthCall, StatusCode status, const std::string& device = {});
// The next download on the named device or any fails with status after that many packets.
OV_SIM_API void InjectAfterPackets(int packets, StatusCode status, const std::string& device = {});
// The nth read (1 = the next) of OV_CMD_RECV_DATA, of the raw read command (Fn::SendCommand), of an OTP item
// (Fn::OtpRw), of the option image or an option item (Fn::OptRw) or of the external option record (Fn::ExtOptRw)
// that reaches the chip returns at most count data bytes, with success.
// For a partition read (Fn::UserxOp, operation 0) it answers a size of at most count units, as a chip that did
// not keep the size it was configured with.
OV_SIM_API void InjectShortRead(Fn fn, int nthCall, uint32_t count);
OV_SIM_API void ClearFaults();

// Protection in force at once, as if the chip had arrived so.
OV_SIM_API void MakeProtected(const std::string& name, int level,
                              std::optional<std::array<uint8_t, 4>> writeProtection = std::nullopt);

// The option image in force at once, as if the chip had arrived so; bytes past the series' image are dropped.
OV_SIM_API void SetOptionImage(const std::string& name, const std::vector<uint8_t>& image);
// How many whole-image writes left a value byte and its complement out of step in the series' layout.
OV_SIM_API int BrokenComplementWrites(const std::string& name);

OV_SIM_API std::vector<uint8_t> ReadMemory(const std::string& name, uint32_t address, uint32_t length);
OV_SIM_API std::vector<uint8_t> ReadExternalFlash(const std::string& name, uint8_t id, uint32_t address,
                                                  uint32_t length);
// The 60 bytes of the external option record at 0x1FFFE040; setting writes the record's first bytes at once.
OV_SIM_API std::vector<uint8_t> ExternalOptions(const std::string& name);
OV_SIM_API void SetExternalOptions(const std::string& name, const std::vector<uint8_t>& record);
// The option image as the chip answers a read (pending changes included), or as in force.
OV_SIM_API std::vector<uint8_t> OptionImage(const std::string& name, bool inForce = false);
OV_SIM_API PartitionState Partition(const std::string& name, int index);
OV_SIM_API std::array<uint8_t, 16> ChipKey(const std::string& name, uint8_t keyId);
OV_SIM_API ChipState State(const std::string& name);

// Runs on the calling thread as each call on a device handle enters the library, before the device is taken;
// empty: nobody is told. Reset leaves it in place.
using CallObserver = std::function<void(Fn fn, const std::string& device)>;
OV_SIM_API void SetCallObserver(CallObserver observer);

OV_SIM_API std::vector<CallRecord> CallLog();
// How many calls of the function the log holds.
OV_SIM_API int CallCount(Fn fn);
OV_SIM_API void ClearCallLog();
OV_SIM_API std::vector<Overlap> Overlaps();

}  // namespace ovsim
