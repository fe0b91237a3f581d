// Where the update checks look. These are set when the program is packaged; a build that does not set them only
// ever asks this machine, so no development or test build reaches the network.
#pragma once

#include <vector>

#include "framework/Text.h"

extern const fw::Text g_strUpdateServerPublic;
extern const fw::Text g_strUpdateServerInternal;
// Address prefixes of the internal network: a host address that starts with one of them asks the internal server.
extern const std::vector<fw::Text> g_updateInternalPrefixes;

// True when the address starts with one of the prefixes.
bool IsInternalNetworkAddress(fw::TextView hostAddress, const std::vector<fw::Text>& prefixes);
// The internal server for an address of the internal network, the public one otherwise.
fw::Text UpdateServerFor(fw::TextView hostAddress);
