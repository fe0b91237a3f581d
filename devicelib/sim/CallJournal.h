// Every call on a device with the arguments that tell one call of a function from another (a partition index, a
// protection level, an erase range), for tests that compare a sequence with the order it must keep. The call log
// of the control API says which function ran; this says with what.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devicelib/OvMcuSim.h"

namespace ovsim {

struct JournalEntry {
    Fn fn;
    std::string device;          // empty when the handle named no device
    std::vector<uint32_t> args;  // as the call received them
    StatusCode status;
};

OV_SIM_API std::vector<JournalEntry> Journal();
OV_SIM_API void ClearJournal();

// Called by the library's exported functions once the call has answered.
void NoteCall(Fn fn, DeviceHandle handle, std::vector<uint32_t> args, StatusCode status);

}  // namespace ovsim
