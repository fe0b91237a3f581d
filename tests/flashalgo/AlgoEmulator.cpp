#include "AlgoEmulator.h"

#include <stdexcept>

namespace {

void Check(uc_err err, const char* what) {
    if (err != UC_ERR_OK) throw std::runtime_error(std::string(what) + ": " + uc_strerror(err));
}

uint64_t ReadBus(uc_engine*, uint64_t offset, unsigned size, void* user) {
    auto* region = static_cast<std::pair<FlashControllerModel*, uint32_t>*>(user);
    return region->first->Read(region->second + static_cast<uint32_t>(offset), size);
}

void WriteBus(uc_engine*, uint64_t offset, unsigned size, uint64_t value, void* user) {
    auto* region = static_cast<std::pair<FlashControllerModel*, uint32_t>*>(user);
    region->first->WriteBus(region->second + static_cast<uint32_t>(offset), size, static_cast<uint32_t>(value));
}

}  // namespace

AlgoEmulator::AlgoEmulator(FlashControllerModel& controller) : m_controller(controller) {
    Check(uc_open(UC_ARCH_ARM, static_cast<uc_mode>(UC_MODE_THUMB | UC_MODE_MCLASS), &m_uc), "uc_open");
    Check(uc_ctl_set_cpu_model(m_uc, UC_CPU_ARM_CORTEX_M4), "cpu model");
    Check(uc_mem_map(m_uc, kSramBase, kSramSize, UC_PROT_ALL), "map SRAM");

    const struct {
        uint32_t base, size;
    } devices[] = {
        {FlashControllerModel::kFlashBase, static_cast<uint32_t>((controller.flash.size() + 0xFFF) & ~0xFFFu)},
        {FlashControllerModel::kOptionBase & ~0xFFFu, 0x1000},
        {FlashControllerModel::kRegisterBase, 0x1000},
        {FlashControllerModel::kWatchdogBase, 0x1000},
    };
    for (std::size_t i = 0; i < m_regions.size(); ++i) {
        m_regions[i] = {&m_controller, devices[i].base};
        Check(uc_mmio_map(m_uc, devices[i].base, devices[i].size, ReadBus, &m_regions[i], WriteBus, &m_regions[i]),
              "map device");
    }
    uc_hook hook;
    Check(uc_hook_add(m_uc, &hook, UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(&AlgoEmulator::OnRamWrite), this,
                      kSramBase, kSramBase + kSramSize - 1),
          "write hook");
}

AlgoEmulator::~AlgoEmulator() { uc_close(m_uc); }

void AlgoEmulator::OnRamWrite(uc_engine*, uc_mem_type, uint64_t address, int size, int64_t, void* self) {
    auto* emulator = static_cast<AlgoEmulator*>(self);
    const auto at = static_cast<uint32_t>(address);
    if (at < emulator->m_stackTop && at >= emulator->m_stackTop - 0x400) return;
    emulator->ramWrites.push_back({at, static_cast<uint32_t>(size)});
}

void AlgoEmulator::WriteRam(uint32_t address, std::span<const uint8_t> bytes) {
    Check(uc_mem_write(m_uc, address, bytes.data(), bytes.size()), "write SRAM");
}

std::vector<uint8_t> AlgoEmulator::ReadRam(uint32_t address, uint32_t size) {
    std::vector<uint8_t> bytes(size);
    Check(uc_mem_read(m_uc, address, bytes.data(), size), "read SRAM");
    return bytes;
}

void AlgoEmulator::LoadBlob(std::span<const uint8_t> blob, const FlashAlgoDescriptor& descriptor) {
    if (descriptor.imageOffset > blob.size() || descriptor.imageSize > blob.size() - descriptor.imageOffset) {
        throw std::runtime_error("descriptor does not fit its blob");
    }
    WriteRam(descriptor.loadAddress, blob.subspan(descriptor.imageOffset, descriptor.imageSize));
}

AlgoEmulator::Call AlgoEmulator::Run(const FlashAlgoDescriptor& descriptor, uint32_t entry,
                                     std::initializer_list<uint32_t> args, uint64_t instructionCap) {
    static constexpr int kArgRegs[] = {UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2, UC_ARM_REG_R3};
    int i = 0;
    for (uint32_t arg : args)
        Check(uc_reg_write(m_uc, kArgRegs[i++], &arg), "argument");
    m_stackTop = descriptor.stackPointer;
    uint32_t sp = descriptor.stackPointer, sb = descriptor.staticBase, lr = descriptor.breakpoint;
    Check(uc_reg_write(m_uc, UC_ARM_REG_SP, &sp), "sp");
    Check(uc_reg_write(m_uc, UC_ARM_REG_R9, &sb), "r9");
    Check(uc_reg_write(m_uc, UC_ARM_REG_LR, &lr), "lr");

    const uint32_t stop = descriptor.breakpoint & ~1u;
    Call call;
    const uc_err err = uc_emu_start(m_uc, entry | 1u, stop, 0, instructionCap);
    if (err != UC_ERR_OK) call.error = uc_strerror(err);
    uint32_t pc = 0;
    Check(uc_reg_read(m_uc, UC_ARM_REG_PC, &pc), "pc");
    Check(uc_reg_read(m_uc, UC_ARM_REG_R0, &call.result), "r0");
    call.returned = err == UC_ERR_OK && pc == stop;
    return call;
}
