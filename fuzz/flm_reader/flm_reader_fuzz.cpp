// Flash-algorithm files come from anywhere: any bytes must be refused or built into a blob that stays within
// what the file holds, with a descriptor that describes it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "core/ChipSeriesTable.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CChipSeriesTable table = [] {
        CChipSeriesTable t([](const fw::Text&) {});
        t.ReadRows({u"CLASS=VK51X", u"SRAMSTARTADDR=0x20000000", u"SRAMSIZE=0x5000", u"PAGESIZE=0x800"});
        return t;
    }();
    table.m_pAlgoBlob.reset();
    table.m_pAlgoDescriptor.reset();
    if (table.LoadFlmImage(std::span<const uint8_t>(data, size), 0) != 1) {
        if (table.m_pAlgoBlob || table.m_pAlgoDescriptor) std::abort();  // a refusal builds nothing
        return 0;
    }
    const uint32_t blobSize = table.m_algoBlobSize;
    if (blobSize < 96 || blobSize > size) std::abort();
    if (std::memcmp(table.m_pAlgoBlob.get(), table.m_pAlgoDescriptor.get(), FlashAlgoDescriptor::kSize) != 0)
        std::abort();
    const auto d = FlashAlgoDescriptor::FromBytes(std::span<const uint8_t, 64>(table.m_pAlgoDescriptor.get(), 64));
    if (d.imageSize != blobSize - 64 || d.imageOffset != 64 || d.loadAddress != 0x20000000) std::abort();
    if (d.programBuffer - d.loadAddress <= d.imageSize) std::abort();  // the buffer never overlaps the image
    FuzzAccepted();
    return 0;
}
