#include "FlashControllerModel.h"

#include <algorithm>
#include <bit>
#include <cstdio>

namespace {

constexpr uint32_t kKey1 = 0x45670123, kKey2 = 0xCDEF89AB;
constexpr uint32_t kProgram = 1u << 0, kPageErase = 1u << 1, kMassErase = 1u << 2, kOptionProgram = 1u << 4,
                   kOptionErase = 1u << 5, kStart = 1u << 6;

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

}  // namespace

FlashControllerModel::FlashControllerModel(uint32_t flashSize) : flash(flashSize, 0xFF) {
    std::fill(std::begin(option), std::end(option), 0xFFFFFFFFu);
}

uint32_t FlashControllerModel::FlashWord(uint32_t addr) const {
    const uint32_t at = addr - kFlashBase;
    return flash[at] | flash[at + 1] << 8 | flash[at + 2] << 16 | static_cast<uint32_t>(flash[at + 3]) << 24;
}

void FlashControllerModel::SetFlashWord(uint32_t addr, uint32_t value) {
    const uint32_t at = addr - kFlashBase;
    for (uint32_t b = 0; b < 4; ++b)
        flash[at + b] = static_cast<uint8_t>(value >> (8 * b));
}

uint32_t FlashControllerModel::Read(uint32_t addr, unsigned size) {
    if (size != 4) Fault("read of " + std::to_string(size) + " bytes at " + Hex(addr));
    if (addr >= kFlashBase && addr - kFlashBase < flash.size()) return FlashWord(addr & ~3u);
    if (addr >= kOptionBase && addr < kOptionBase + kOptionSize) return option[(addr - kOptionBase) / 4];
    switch (addr) {
        case kRegisterBase + 0x00:
            return acr;
        case kRegisterBase + 0x0C:
            if (m_busyLeft > 0) {
                if (m_pending == Pending::PageErase || m_pending == Pending::MassErase ||
                    m_pending == Pending::OptionErase || m_pending == Pending::OptionProgram) {
                    maxEraseBusyReadsWithoutReload =
                        std::max(maxEraseBusyReadsWithoutReload, ++eraseBusyReadsWithoutReload);
                }
                if (!stuckBusy && --m_busyLeft == 0) Complete();
            }
            return status;
        case kRegisterBase + 0x10:
            return control;
        case kRegisterBase + 0x1C:
            return (readProtected ? kReadProtected : 0) | (softwareWatchdog ? kSoftwareWatchdog : 0);
        default:
            Fault("read of " + Hex(addr));
            return 0;
    }
}

void FlashControllerModel::WriteBus(uint32_t addr, unsigned size, uint32_t value) {
    writes.push_back({addr, value});
    if (size != 4) Fault("write of " + std::to_string(size) + " bytes at " + Hex(addr));
    if (addr >= kFlashBase && addr - kFlashBase < flash.size()) return WriteFlash(addr, value);
    if (addr >= kOptionBase && addr < kOptionBase + kOptionSize) return WriteOption(addr, value);
    switch (addr) {
        case kRegisterBase + 0x00:
            acr = value;
            return;
        case kRegisterBase + 0x04:
            if (KeySequenceDone(m_keyStep, value, "flash")) control &= ~kLock;
            return;
        case kRegisterBase + 0x08:
            if (control & kLock) Fault("option key written while the flash is locked");
            if (KeySequenceDone(m_optionKeyStep, value, "option")) optionUnlocked = true;
            return;
        case kRegisterBase + 0x0C:
            status &= ~(value & (kProgramError | kProtectError));
            return;
        case kRegisterBase + 0x10:
            return WriteControl(value);
        case kRegisterBase + 0x14:
            if (status & kBusy) Fault("address written while busy");
            address = value;
            return;
        case kWatchdogBase + 0x00:
            if (value == 0xAAAA) {
                ++watchdogReloads;
                eraseBusyReadsWithoutReload = 0;
            } else if (value == 0x5555) {
                watchdogOpen = true;
            } else {
                watchdogOpen = false;
            }
            return;
        case kWatchdogBase + 0x04:
        case kWatchdogBase + 0x08:
            if (!watchdogOpen) Fault("watchdog register written without access");
            (addr == kWatchdogBase + 0x04 ? watchdogPrescaler : watchdogReload) = value;
            return;
        default:
            Fault("write of " + Hex(value) + " to " + Hex(addr));
            return;
    }
}

bool FlashControllerModel::KeySequenceDone(int& step, uint32_t value, const char* which) {
    if (value != (step == 0 ? kKey1 : kKey2)) {
        Fault(std::string("wrong ") + which + " key " + Hex(value));
        step = 0;
        return false;
    }
    if (++step < 2) return false;
    step = 0;
    return true;
}

void FlashControllerModel::WriteControl(uint32_t value) {
    if (control & kLock) {
        Fault("control written while locked: " + Hex(value));
        return;
    }
    if (status & kBusy) Fault("control written while busy: " + Hex(value));
    const uint32_t started = value & ~control & kStart;
    control = value & ~kStart;
    if (!started) return;
    if ((value & (kPageErase | kMassErase | kOptionErase)) == 0 ||
        std::popcount(value & (kPageErase | kMassErase | kOptionErase)) > 1) {
        Fault("start without exactly one erase mode: " + Hex(value));
        return;
    }
    control |= kStart;
    if (value & kPageErase) return Start(Pending::PageErase, address);
    if (value & kMassErase) return Start(Pending::MassErase);
    if (!optionUnlocked) return Fault("option erase without the option key");
    Start(Pending::OptionErase);
}

void FlashControllerModel::WriteFlash(uint32_t addr, uint32_t value) {
    if (control & kLock) return Fault("flash written while locked at " + Hex(addr));
    if (!(control & kProgram)) return Fault("flash written outside a program cycle at " + Hex(addr));
    if (status & kBusy) return Fault("flash written while busy at " + Hex(addr));
    if (addr % 4 != 0) return Fault("unaligned program at " + Hex(addr));
    if (protectedPages.count((addr - kFlashBase) / kPageSize)) {
        status |= kProtectError;
        return;
    }
    if (FlashWord(addr) != 0xFFFFFFFF) {
        status |= kProgramError;
        return;
    }
    Start(Pending::Program, addr, value);
}

void FlashControllerModel::WriteOption(uint32_t addr, uint32_t value) {
    if (!optionUnlocked || !(control & kOptionProgram)) return Fault("option word written outside a program cycle");
    const uint32_t current = option[(addr - kOptionBase) / 4];
    if ((current & value) != value) {
        status |= kProgramError;
        return;
    }
    Start(Pending::OptionProgram, addr, value);
}

void FlashControllerModel::Start(Pending op, uint32_t addr, uint32_t value) {
    m_pending = op;
    m_pendingAddr = addr;
    m_pendingValue = value;
    m_busyLeft = busyReads;
    eraseBusyReadsWithoutReload = 0;
    status |= kBusy;
}

void FlashControllerModel::Complete() {
    switch (m_pending) {
        case Pending::PageErase: {
            if (m_pendingAddr < kFlashBase || m_pendingAddr - kFlashBase >= flash.size()) {
                Fault("page erase outside the flash at " + Hex(m_pendingAddr));
                break;
            }
            const uint32_t page = (m_pendingAddr - kFlashBase) / kPageSize;
            if (protectedPages.count(page)) {
                status |= kProtectError;
                break;
            }
            std::fill_n(flash.begin() + page * kPageSize, kPageSize, uint8_t{0xFF});
            break;
        }
        case Pending::MassErase:
            if (readProtected) {
                Fault("mass erase while read-protected");
                break;
            }
            for (uint32_t page = 0; page < flash.size() / kPageSize; ++page) {
                if (!protectedPages.count(page))
                    std::fill_n(flash.begin() + page * kPageSize, kPageSize, uint8_t{0xFF});
            }
            break;
        case Pending::OptionErase:
            // Lifting read protection takes the flash contents with it.
            if (readProtected) std::fill(flash.begin(), flash.end(), uint8_t{0xFF});
            std::fill(std::begin(option), std::end(option), 0xFFFFFFFFu);
            break;
        case Pending::Program:
            SetFlashWord(m_pendingAddr, m_pendingValue);
            break;
        case Pending::OptionProgram:
            option[(m_pendingAddr - kOptionBase) / 4] = m_pendingValue;
            break;
        case Pending::None:
            break;
    }
    m_pending = Pending::None;
    status &= ~kBusy;
    control &= ~kStart;
}
