// HID report descriptors as a device hands them over.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/FuzzAccept.h"
#include "offline/HidReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto lengths = ParseHidReportLengths(std::span<const uint8_t>(data, size));
    if (lengths && (lengths->input < 0 || lengths->output < 0 || lengths->input > 4097 || lengths->output > 4097)) {
        __builtin_trap();
    }
    if (lengths) FuzzAccepted();
    return 0;
}
