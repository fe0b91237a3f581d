// How a blocking wait on the user-interface thread keeps serving the requests that workers send to that thread.
// Workers report to the window with synchronous messages; if the user-interface thread waited for the device
// mutex (or a thread, or a sleep) without serving them, a worker that holds the mutex and sends a message would
// wait for the window forever. The dialog model installs the hook; every blocking wait of Sync.h on the thread
// for which IsUiThread() answers true waits in slices and calls ServeWhileWaiting between them.
#pragma once

#include <chrono>

namespace fw {

struct UiWaitHook {
    virtual ~UiWaitHook() = default;
    virtual bool IsUiThread() const = 0;
    // Serves pending requests for at most about budget, and returns early when there is nothing to serve.
    virtual void ServeWhileWaiting(std::chrono::milliseconds budget) = 0;
};

// The hook stays installed until it is replaced (nullptr removes it); its owner keeps it alive meanwhile.
void SetUiWaitHook(UiWaitHook* hook);
UiWaitHook* GetUiWaitHook();

}  // namespace fw
