#include "devicelib/sim/ReadFaults.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

namespace ovsim {
namespace {

struct ShortRead {
    int call;  // counted from the injection, 1-based
    uint32_t count;
};

struct ShortReads {
    std::mutex mutex;
    std::map<Fn, int> calls;  // reads of each function since the faults were last cleared
    std::map<Fn, std::vector<ShortRead>> faults;
};

ShortReads& Faults() {
    static ShortReads state;
    return state;
}

}  // namespace

void AddShortRead(Fn fn, int nthCall, uint32_t count) {
    ShortReads& s = Faults();
    std::lock_guard lock(s.mutex);
    s.faults[fn].push_back({s.calls[fn] + std::max(nthCall, 1), count});
}

void ClearShortReads() {
    ShortReads& s = Faults();
    std::lock_guard lock(s.mutex);
    s.calls.clear();
    s.faults.clear();
}

void ApplyShortRead(Fn fn, uint32_t& count) {
    ShortReads& s = Faults();
    std::lock_guard lock(s.mutex);
    const int call = ++s.calls[fn];
    for (const ShortRead& fault : s.faults[fn]) {
        if (fault.call == call) count = std::min(count, fault.count);
    }
}

void InjectShortRead(Fn fn, int nthCall, uint32_t count) { AddShortRead(fn, nthCall, count); }

}  // namespace ovsim
