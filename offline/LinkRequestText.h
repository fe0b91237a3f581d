// Request texts for the link exchange: header and payload as hex, the form every caller hands the exchange.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "framework/Text.h"

fw::Text LinkRequestText(uint8_t command, uint8_t p1, uint8_t p2, uint8_t p3, std::span<const uint8_t> payload = {});

// The same request as bytes, written over `request` (whose capacity is kept), for the transfers that send thousands.
void BuildLinkRequest(uint8_t command, uint8_t p1, uint8_t p2, uint8_t p3, std::span<const uint8_t> payload,
                      std::vector<uint8_t>& request);

// A request in bytes as its text; the inverse of the text's encoding, for callers that speak text.
fw::Text LinkRequestText(std::span<const uint8_t> request);
