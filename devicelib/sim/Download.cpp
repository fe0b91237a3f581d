#include "devicelib/sim/Download.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "devicelib/sim/SecurityChecks.h"

namespace ovsim {
namespace {

constexpr uint32_t kEncipheredPrefix = 4;  // CRC in front of an enciphered image; not programmed
constexpr uint32_t kExtFlashLimit = 0x10000000;

template <class Write>
StatusCode SendPackets(DeviceCall& call, uint32_t length, ProgressCallback progress, void* context, Write write) {
    Simulator& sim = Simulator::Get();
    const uint32_t packet = call.chip().PacketSize(call.iface(), length);
    uint32_t index = 0;
    for (uint32_t offset = 0; offset < length; offset += packet, ++index) {
        const uint32_t n = std::min(packet, length - offset);
        if (auto fault = sim.TakePacketFault(call.name(), index)) {
            return *fault == CMD_STATUS_LAST_ERROR ? Fail(LastError::InjectedFault) : *fault;
        }
        if (StatusCode s = write(offset, n); s != CMD_STATUS_OK) return s;
        call.Release();
        if (const uint32_t speed = sim.LinkSpeed(); speed != 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(uint64_t{n} * 1000000 / speed));
        }
        if (progress != nullptr) progress(context);
        if (StatusCode s = call.Reacquire(); s != CMD_STATUS_OK) return s;
    }
    return CMD_STATUS_OK;
}

}  // namespace

StatusCode DownloadImage(DeviceCall& call, const ImageDescriptor& image, const UserPartitionRecord* partition,
                         const KeyUpdateRecord* key, ProgressCallback progress, void* context, bool externalApi) {
    Chip& chip = call.chip();
    if (externalApi && !chip.Series().externalMemory) return CMD_STATUS_UNKNOWN_COMMAND;
    const uint32_t skip = image.enciphered ? kEncipheredPrefix : 0;
    if (image.length < skip) return CMD_STATUS_BAD_PARAMETER;
    const uint32_t payload = image.length - skip;
    if (!IsSwd(call.iface())) {
        // The boot loaders move whole 16-byte blocks.
        if (image.address % 16 != 0) return CMD_STATUS_BAD_START_ADDRESS;
        if (payload % 16 != 0) return CMD_STATUS_LENGTH_NOT_16;
    }
    if (payload == 0) return CMD_STATUS_OK;
    Region* region = nullptr;
    if (StatusCode s = chip.CheckRange(image.address, payload, call.iface(), region); s != CMD_STATUS_OK) return s;
    // The external API goes to the driver and SRAM windows, never to the main flash.
    if (externalApi && region->spec.kind == RegionKind::Flash) return CMD_STATUS_OUT_OF_RANGE;
    if (StatusCode s = chip.CheckWrite(*region, image.address, image.address + payload - 1, partition, key);
        s != CMD_STATUS_OK) {
        return s;
    }
    if (!externalApi) {
        if (StatusCode s = CheckSecurityFirmwareDownload(call.device(), image.address, image.data + skip, payload);
            s != CMD_STATUS_OK) {
            return s;
        }
    }
    return SendPackets(call, image.length, progress, context, [&](uint32_t offset, uint32_t n) -> StatusCode {
        const uint32_t from = std::max(offset, skip);
        const uint32_t to = offset + n;
        if (from >= to) return CMD_STATUS_OK;
        return call.chip().Program(*region, image.address + (from - skip), image.data + from, to - from);
    });
}

StatusCode DownloadExternal(DeviceCall& call, const ExtFlashImageDescriptor& image, ProgressCallback progress,
                            void* context) {
    Chip& chip = call.chip();
    if (!chip.Series().externalMemory) return CMD_STATUS_UNKNOWN_COMMAND;
    if (image.extId > 3) return CMD_STATUS_BAD_PARAMETER;
    if (image.address >= kExtFlashLimit || image.length > kExtFlashLimit - image.address) {
        return CMD_STATUS_OUT_OF_RANGE;
    }
    if (chip.Level() != 0) return chip.Level() == 2 ? CMD_STATUS_RDP_L2 : CMD_STATUS_PAGE_RDP_PROTECTED;
    return SendPackets(call, image.length, progress, context, [&](uint32_t offset, uint32_t n) {
        return call.chip().ExtProgram(image.extId, image.address + offset, image.data + offset, n);
    });
}

}  // namespace ovsim
