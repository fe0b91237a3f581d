// Option item lists come from security information files and item blocks from project files: any bytes must read
// into whole entries only, each of which writes back to the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "app/OptionItems.h"
#include "core/HexText.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const OptionItemList list = ReadOptionItemList(bytes);
    size_t at = 0;
    for (const OptionItemValue& entry : list.entries) {
        if (entry.length == 0 || entry.length > 8 || at + 5 + entry.length > size) std::abort();
        fw::Text hex = BytesToHex(bytes.subspan(at, 5 + entry.length));
        // The writer turns the area words around for the text; the reader keeps the bytes as they stand.
        if (entry.item != kItemSecCfg1 && entry.item != kItemPfoerCfg1 && OptionItemListEntry(entry) != hex) {
            std::abort();
        }
        at += 5 + entry.length;
    }
    if (const auto items = ReadOptionItemBlock(bytes)) {
        if (size < kItemBlockShortBytes) std::abort();
        const fw::Text text = OptionItemBlockText(*items);
        const size_t used = items->size() == 8 ? kItemBlockFullBytes : kItemBlockShortBytes;
        if (text != BytesToHex(bytes.first(used))) std::abort();
        FuzzAccepted();
    }
    if (!list.entries.empty()) FuzzAccepted();
    return 0;
}
