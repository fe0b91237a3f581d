#include "devicelib/sim/CallObserver.h"

#include <mutex>

namespace ovsim {
namespace {

std::mutex g_observerMutex;
CallObserver g_observer;

}  // namespace

void SetCallObserver(CallObserver observer) {
    std::lock_guard lock(g_observerMutex);
    g_observer = std::move(observer);
}

void NotifyCallObserver(Fn fn, const std::string& device) {
    CallObserver observer;
    {
        std::lock_guard lock(g_observerMutex);
        observer = g_observer;
    }
    if (observer) observer(fn, device);
}

}  // namespace ovsim
