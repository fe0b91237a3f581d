// The pass and fail counters of the download jobs and the count of running workers, changed by the workers under
// g_csCounters.
#pragma once

#include <cstdint>

#include "framework/Sync.h"

extern int g_passCount;
extern int g_failCount;
extern uint8_t g_activeWorkers;
extern fw::CriticalSection g_csCounters;
