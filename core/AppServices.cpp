#include "core/AppServices.h"

#include <cstdint>
#include <ctime>
#include <mutex>
#include <random>
#include <vector>

#include "framework/Format.h"
#include "framework/System.h"

namespace {

std::mutex g_traceLock;
fw::Text g_trace;

// The components' values, one per "."-separated part.
std::vector<uint64_t> VersionComponents(fw::TextView version) {
    std::vector<uint64_t> parts(1, 0);
    for (char16_t c : version) {
        if (c == u'.') {
            parts.push_back(0);
            continue;
        }
        const uint64_t digit = (c >= u'0' && c <= u'9') ? c - u'0' : 0;
        uint64_t& part = parts.back();
        part = part > (UINT64_MAX - digit) / 10 ? UINT64_MAX : part * 10 + digit;
    }
    return parts;
}

}  // namespace

fw::Text TimestampForFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return fw::Format(u"%04d-%02d-%02d %02d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                      t.tm_sec);
}

fw::Text RandomSerial16() {
    // A generator of its own: reseeding never disturbs another user's sequence.
    std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
    fw::Text serial;
    for (int i = 0; i < 16; ++i)
        serial.push_back(static_cast<char16_t>(u'0' + generator() % 10));
    return serial;
}

int CompareVersion(fw::TextView a, fw::TextView b) {
    const std::vector<uint64_t> left = VersionComponents(a);
    const std::vector<uint64_t> right = VersionComponents(b);
    const size_t n = left.size() < right.size() ? left.size() : right.size();
    for (size_t i = 0; i < n; ++i) {
        if (left[i] != right[i]) return left[i] < right[i] ? 2 : 1;
    }
    return 0;
}

fw::Text GetModuleVersion() {
    // Three numbers, as the version resource gave them; anything else from the build counts as unknown.
    const fw::Text version = fw::GetProgramVersion();
    int dots = 0;
    bool digitSeen = false;
    for (char16_t c : version) {
        if (c == u'.') {
            if (!digitSeen) return u"0.0.0";
            ++dots;
            digitSeen = false;
        } else if (c >= u'0' && c <= u'9') {
            digitSeen = true;
        } else {
            return u"0.0.0";
        }
    }
    return dots == 2 && digitSeen ? version : fw::Text(u"0.0.0");
}

bool IsInternetConnected() { return fw::IsInternetConnected(); }

void LogFailure(fw::TextView text, int /*flush*/) {
    const std::lock_guard<std::mutex> lock(g_traceLock);
    g_trace.append(text);
    g_trace += u"\n";
}

fw::Text GetFailureTrace() {
    const std::lock_guard<std::mutex> lock(g_traceLock);
    return g_trace;
}
