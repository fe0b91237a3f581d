#include "app/DeviceNames.h"

std::vector<fw::Text> SplitDeviceNames(fw::TextView buffer, unsigned count) {
    const size_t end = buffer.find(u'\0');
    if (end != fw::TextView::npos) buffer = buffer.substr(0, end);
    std::vector<fw::Text> names;
    size_t pos = 0;
    while (names.size() < count && pos < buffer.size()) {
        const size_t semicolon = buffer.find(u';', pos);
        const size_t stop = semicolon == fw::TextView::npos ? buffer.size() : semicolon;
        names.emplace_back(buffer.substr(pos, stop - pos));
        pos = stop + 1;
    }
    return names;
}
