#include "offline/UpdateServers.h"

#include "framework/Text.h"

#ifndef QX_UPDATE_SERVER_PUBLIC
#define QX_UPDATE_SERVER_PUBLIC "127.0.0.1"
#endif
#ifndef QX_UPDATE_SERVER_INTERNAL
#define QX_UPDATE_SERVER_INTERNAL "127.0.0.1"
#endif
#ifndef QX_UPDATE_INTERNAL_PREFIXES
#define QX_UPDATE_INTERNAL_PREFIXES "127."
#endif

namespace {

std::vector<fw::Text> SplitPrefixes(std::string_view list) {
    std::vector<fw::Text> prefixes;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const auto part = list.substr(0, comma);
        if (!part.empty()) prefixes.push_back(fw::Utf8ToText(part));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return prefixes;
}

}  // namespace

const fw::Text g_strUpdateServerPublic = fw::Utf8ToText(QX_UPDATE_SERVER_PUBLIC);
const fw::Text g_strUpdateServerInternal = fw::Utf8ToText(QX_UPDATE_SERVER_INTERNAL);
const std::vector<fw::Text> g_updateInternalPrefixes = SplitPrefixes(QX_UPDATE_INTERNAL_PREFIXES);

bool IsInternalNetworkAddress(fw::TextView hostAddress, const std::vector<fw::Text>& prefixes) {
    // At the start only: "10." must not match "110.1.2.3".
    for (const auto& prefix : prefixes)
        if (hostAddress.substr(0, prefix.size()) == prefix) return true;
    return false;
}

fw::Text UpdateServerFor(fw::TextView hostAddress) {
    return IsInternalNetworkAddress(hostAddress, g_updateInternalPrefixes) ? g_strUpdateServerInternal
                                                                           : g_strUpdateServerPublic;
}
