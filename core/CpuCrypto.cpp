#include "core/CpuCrypto.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

struct CpuFeatures {
    bool aes = false;
    bool sha = false;
};

CpuFeatures Detect() {
    CpuFeatures f;
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return f;
    const bool ssse3 = (ecx & (1u << 9)) != 0;
    const bool sse41 = (ecx & (1u << 19)) != 0;
    f.aes = (ecx & (1u << 25)) != 0 && ssse3 && sse41;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) != 0) f.sha = (ebx & (1u << 29)) != 0 && ssse3 && sse41;
#endif
    return f;
}

const CpuFeatures& Features() {
    static const CpuFeatures features = Detect();
    return features;
}

std::atomic<bool> g_enabled{true};

}  // namespace

bool CpuHasAesInstructions() { return g_enabled.load(std::memory_order_relaxed) && Features().aes; }
bool CpuHasShaInstructions() { return g_enabled.load(std::memory_order_relaxed) && Features().sha; }
void SetCpuCryptoInstructionsEnabled(bool enabled) { g_enabled.store(enabled, std::memory_order_relaxed); }
