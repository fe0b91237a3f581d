// Request texts for the link exchange: header and payload as hex, the form every caller hands the exchange.
#pragma once

#include <cstdint>
#include <span>

#include "framework/Text.h"

fw::Text LinkRequestText(uint8_t command, uint8_t p1, uint8_t p2, uint8_t p3, std::span<const uint8_t> payload = {});
