#include "app/DownloadCounters.h"

int g_passCount = 0;
int g_failCount = 0;
uint8_t g_activeWorkers = 0;
fw::CriticalSection g_csCounters;
