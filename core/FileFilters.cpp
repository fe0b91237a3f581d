#include "core/FileFilters.h"

#include <span>

namespace {

constexpr fw::TextView kEntries[] = {
    u"Bin files(*.bin)|*.bin|",
    u"Hex files(*.hex)|*.hex|",
    u"Enc files(*.enc)|*.enc|",
    u"Project files(*.dlpf)|*.dlpf|",
};

fw::Text BuildFilter(fw::TextView lastExtension, std::span<const fw::TextView> entries) {
    fw::Text wanted(lastExtension);
    fw::Remove(wanted, u' ');
    fw::MakeLower(wanted);
    size_t first = 0;  // the bin entry leads unless another entry holds the text
    if (!wanted.empty()) {
        for (size_t i = 1; i < entries.size(); ++i) {
            if (fw::Find(entries[i], wanted) >= 0) {
                first = i;
                break;
            }
        }
    }
    fw::Text filter(entries[first]);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i != first) filter += entries[i];
    }
    return filter + u"|";
}

}  // namespace

fw::Text BuildFileFilter(fw::TextView lastExtension) {
    return BuildFilter(lastExtension, std::span<const fw::TextView>(kEntries, 3));
}

fw::Text BuildProjectFileFilter(fw::TextView lastExtension) { return BuildFilter(lastExtension, kEntries); }
