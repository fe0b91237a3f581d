// A model of the VK51x flash controller, option bytes and independent watchdog, as the flash algorithm sees them
// through 32-bit register accesses. Misuse the real chip would punish (writes while locked, wrong keys, writing
// flash outside a program cycle, starving a running watchdog) is recorded in faults instead of being ignored.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class FlashControllerModel {
public:
    static constexpr uint32_t kFlashBase = 0x08000000;
    static constexpr uint32_t kPageSize = 0x800;
    static constexpr uint32_t kRegisterBase = 0x40022000;
    static constexpr uint32_t kWatchdogBase = 0x40003000;
    static constexpr uint32_t kOptionBase = 0x1FFFF800;
    static constexpr uint32_t kOptionSize = 16;

    // Status, control and option-status bits.
    static constexpr uint32_t kBusy = 1u << 0, kProgramError = 1u << 2, kProtectError = 1u << 4;
    static constexpr uint32_t kLock = 1u << 7;
    static constexpr uint32_t kReadProtected = 1u << 1, kSoftwareWatchdog = 1u << 2;

    struct Write {
        uint32_t address;
        uint32_t value;
    };

    explicit FlashControllerModel(uint32_t flashSize);

    // Chip configuration, set before the algorithm runs.
    bool readProtected = false;
    bool softwareWatchdog = false;      // option: the watchdog starts only when software starts it
    std::set<uint32_t> protectedPages;  // page numbers whose writes and erases are refused
    int busyReads = 3;                  // status reads an operation stays busy for
    bool stuckBusy = false;             // an operation that never ends

    // Observed state.
    std::vector<uint8_t> flash;
    uint32_t option[kOptionSize / 4];
    uint32_t acr = 0xFFFFFFFF, status = 0, control = kLock, address = 0;
    bool optionUnlocked = false;
    bool watchdogOpen = false;
    uint32_t watchdogPrescaler = 0, watchdogReload = 0xFFF;
    int watchdogReloads = 0;
    int maxEraseBusyReadsWithoutReload = 0;  // how long an erase wait went without feeding the watchdog
    int eraseBusyReadsWithoutReload = 0;
    std::vector<Write> writes;  // every register, option and flash write in order
    std::vector<std::string> faults;

    // Bus accesses from the emulator; addresses are absolute.
    uint32_t Read(uint32_t addr, unsigned size);
    void WriteBus(uint32_t addr, unsigned size, uint32_t value);

    uint32_t FlashWord(uint32_t addr) const;
    void SetFlashWord(uint32_t addr, uint32_t value);

private:
    enum class Pending { None, PageErase, MassErase, OptionErase, Program, OptionProgram };

    void Start(Pending op, uint32_t addr = 0, uint32_t value = 0);
    void Complete();
    // Advances an unlock sequence (two keys in order); true when it completes. A wrong key starts it over.
    bool KeySequenceDone(int& step, uint32_t value, const char* which);
    void WriteControl(uint32_t value);
    void WriteFlash(uint32_t addr, uint32_t value);
    void WriteOption(uint32_t addr, uint32_t value);
    void Fault(const std::string& what) { faults.push_back(what); }

    Pending m_pending = Pending::None;
    uint32_t m_pendingAddr = 0, m_pendingValue = 0;
    int m_busyLeft = 0;
    int m_keyStep = 0, m_optionKeyStep = 0;
};
