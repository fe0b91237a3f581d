#include "framework/UiThread.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

#include "framework/Host.h"
#include "framework/UiWait.h"

namespace fw {

namespace {

std::atomic<Host*> g_host{nullptr};

struct WorkQueue {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::function<void()>> items;
};

// Never destroyed: a detached thread (one that waits for a program we started) may still post while the
// process exits.
WorkQueue& Queue() {
    static WorkQueue& queue = *new WorkQueue;
    return queue;
}

// Queues `work` for the host's UI thread and wakes that thread; false, and nothing queued, without a host. The host
// is woken under the lock that InstallHost takes to remove it, so a host that was removed is never woken after.
bool Enqueue(std::function<void()>& work) {
    WorkQueue& q = Queue();
    {
        std::lock_guard lock(q.mutex);
        Host* host = g_host.load();
        if (host == nullptr) return false;
        q.items.push_back(std::move(work));
        host->WakeUi();
    }
    q.arrived.notify_all();
    return true;
}

bool ServeOne() {
    std::function<void()> work;
    {
        WorkQueue& q = Queue();
        std::lock_guard lock(q.mutex);
        if (q.items.empty()) return false;
        work = std::move(q.items.front());
        q.items.pop_front();
    }
    work();
    return true;
}

// Every blocking wait of the UI thread in Sync.h ends up here, so a worker that holds what the UI thread waits
// for can still have its messages and boxes served.
struct ModelWaitHook : UiWaitHook {
    bool IsUiThread() const override { return fw::IsUiThread(); }
    void ServeWhileWaiting(std::chrono::milliseconds budget) override { ServeQueuedWorkFor(budget); }
};

ModelWaitHook g_waitHook;

}  // namespace

void InstallHost(Host* host) {
    Host* previous = nullptr;
    {
        // Waits for a wake-up in progress: the previous host may end as soon as this returns.
        std::lock_guard lock(Queue().mutex);
        previous = g_host.exchange(host);
    }
    if (host) {
        SetUiWaitHook(&g_waitHook);
    } else {
        SetUiWaitHook(nullptr);
        // Nobody will serve the queue any more: finish what is waiting here, so no worker stays blocked.
        if (previous) {
            while (ServeOne()) {
            }
        }
    }
}

Host* CurrentHost() { return g_host.load(); }

bool IsUiThread() {
    Host* host = g_host.load();
    return host == nullptr || host->IsUiThread();
}

void PostToUi(std::function<void()> work) {
    if (!Enqueue(work)) work();
}

void RunOnUi(const std::function<void()>& work) {
    if (IsUiThread()) {
        work();
        return;
    }
    struct Completion {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::exception_ptr error;
    };
    auto completion = std::make_shared<Completion>();
    std::function<void()> served = [completion, &work] {
        try {
            work();
        } catch (...) {
            completion->error = std::current_exception();
        }
        {
            std::lock_guard lock(completion->mutex);
            completion->finished = true;
        }
        completion->done.notify_all();
    };
    // The host went between the check above and here: nobody else will run it.
    if (!Enqueue(served)) served();
    std::unique_lock lock(completion->mutex);
    completion->done.wait(lock, [&] { return completion->finished; });
    if (completion->error) std::rethrow_exception(completion->error);
}

void ServeQueuedWork() {
    // Only what is queued now: work that queues more work must not keep the caller here for ever.
    size_t count = 0;
    {
        WorkQueue& q = Queue();
        std::lock_guard lock(q.mutex);
        count = q.items.size();
    }
    while (count-- > 0 && ServeOne()) {
    }
}

bool ServeQueuedWorkFor(std::chrono::milliseconds budget) {
    WorkQueue& q = Queue();
    {
        std::unique_lock lock(q.mutex);
        if (!q.arrived.wait_for(lock, budget, [&] { return !q.items.empty(); })) return false;
    }
    ServeQueuedWork();
    return true;
}

void PumpMessages() {
    if (Host* host = g_host.load()) host->Pump();
    ServeQueuedWork();
}

}  // namespace fw
