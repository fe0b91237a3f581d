// What a chip checks of an erase request beyond its memory map, protection and partitions: a record that names one
// of the flash areas beside the main flash must come with an address in that area, and such an area is only erased
// when it is named. Every erase request is also kept as the chip received it, records included, so that tests can
// see the partition index and the key a tool sent.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "devicelib/OvMcuSim.h"
#include "devicelib/sim/Chip.h"

namespace ovsim {

struct EraseRequest {
    std::string device;
    uint32_t first = 0, last = 0;
    std::optional<UserPartitionRecord> partition;  // nothing: no record was passed
    std::optional<KeyUpdateRecord> key;
    StatusCode status = 0;
};

OV_SIM_API std::vector<EraseRequest> EraseRequests();
OV_SIM_API void ClearEraseRequests();

// Called by the exported erase once it has answered.
void NoteEraseRequest(DeviceHandle handle, uint32_t first, uint32_t last, const UserPartitionRecord* partition,
                      const KeyUpdateRecord* key, StatusCode status);

// CMD_STATUS_OK when [first, last] may be erased under the record's area index.
StatusCode CheckEraseArea(const SeriesInfo& series, uint32_t first, uint32_t last,
                          const UserPartitionRecord* partition);

}  // namespace ovsim
