// Runs flash-algorithm entry points on an emulated Cortex-M4 the way the offline downloader does: the image at
// the load address in SRAM, r9 the static base, sp the descriptor's stack, lr the breakpoint stub. Flash, option
// bytes and the controller's registers are served by a FlashControllerModel.
#pragma once

#include <unicorn/unicorn.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "FlashControllerModel.h"
#include "core/FlashAlgo.h"

class AlgoEmulator {
public:
    static constexpr uint32_t kSramBase = 0x20000000;
    static constexpr uint32_t kSramSize = 0x10000;

    struct Call {
        bool returned = false;  // reached the breakpoint within the instruction cap
        uint32_t result = 0;    // r0
        std::string error;      // the emulator's complaint (unmapped access, bad instruction), if any
    };
    struct RamWrite {
        uint32_t address;
        uint32_t size;
    };

    explicit AlgoEmulator(FlashControllerModel& controller);
    ~AlgoEmulator();
    AlgoEmulator(const AlgoEmulator&) = delete;
    AlgoEmulator& operator=(const AlgoEmulator&) = delete;

    void WriteRam(uint32_t address, std::span<const uint8_t> bytes);
    std::vector<uint8_t> ReadRam(uint32_t address, uint32_t size);

    // Copies the blob's image (from the descriptor's image offset) to the load address.
    void LoadBlob(std::span<const uint8_t> blob, const FlashAlgoDescriptor& descriptor);

    Call Run(const FlashAlgoDescriptor& descriptor, uint32_t entry, std::initializer_list<uint32_t> args,
             uint64_t instructionCap = 2'000'000);

    // SRAM writes of the calls so far, stack writes (within 1 KB below the stack pointer) left out.
    std::vector<RamWrite> ramWrites;

private:
    static void OnRamWrite(uc_engine* uc, uc_mem_type type, uint64_t address, int size, int64_t value, void* self);

    uc_engine* m_uc = nullptr;
    FlashControllerModel& m_controller;
    // Device regions served by the model: the controller and each region's base address.
    std::array<std::pair<FlashControllerModel*, uint32_t>, 4> m_regions{};
    uint32_t m_stackTop = 0;
};
