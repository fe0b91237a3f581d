// The user-interface thread: which thread it is, and the queue through which other threads have work done
// there. Host.h declares the host's side of it (InstallHost, ServeQueuedWork).
#pragma once

#include <chrono>
#include <functional>

namespace fw {

// True on the thread the installed host runs its loops on; true everywhere while no host is installed.
bool IsUiThread();

// Any thread: runs `work` on the UI thread after what is queued already. Runs it at once without a host.
void PostToUi(std::function<void()> work);

// Any thread: runs `work` on the UI thread and waits for it (on the UI thread: runs it at once). An exception of
// `work` reaches the caller.
void RunOnUi(const std::function<void()>& work);

// UI thread: waits up to `budget` for queued work and serves it; true when something was served.
bool ServeQueuedWorkFor(std::chrono::milliseconds budget);

// Handles pending input, drawing and queued work without waiting: what a long piece of user-interface work
// calls between its steps.
void PumpMessages();

}  // namespace fw
