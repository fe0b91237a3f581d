// How a download is cut into packets and progress steps.
#pragma once

#include <cstdint>

#include "app/ChipSeries.h"
#include "app/InterfaceSpeeds.h"

struct ProgressInput {
    uint64_t totalBytes = 0;          // bytes of every enabled segment, plus the security module where it goes too
    InterfaceIndex iface = 0;
    bool productionMode = false;
    ChipSeriesCode mainSeries = 0;    // the main window's series
    bool bootSubVersionIsV10 = false; // the main window's boot sub-version text is "V1.0"
    uint32_t channelPageSize = 0;
};

enum class ProgressFailure { None, ZeroLength, ZeroPageSize };

struct ProgressPlan {
    ProgressFailure failure = ProgressFailure::None;
    uint32_t packetSize = 0;
    uint32_t steps = 0;               // totalBytes / packetSize, rounded down
    uint32_t channelPageSize = 0;     // what the channel's page size becomes
};

ProgressPlan PlanProgressSteps(const ProgressInput& in);
