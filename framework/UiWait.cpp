#include "framework/UiWait.h"

#include <atomic>

namespace fw {
namespace {

std::atomic<UiWaitHook*> g_hook{nullptr};

}  // namespace

void SetUiWaitHook(UiWaitHook* hook) { g_hook.store(hook, std::memory_order_release); }

UiWaitHook* GetUiWaitHook() { return g_hook.load(std::memory_order_acquire); }

}  // namespace fw
