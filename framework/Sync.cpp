#include "framework/Sync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "framework/Files.h"
#include "framework/UiWait.h"

namespace fw {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long the user-interface thread waits before it serves requests again.
constexpr milliseconds kUiSlice{5};

class Deadline {
public:
    explicit Deadline(std::uint32_t timeoutMs)
        : m_infinite(timeoutMs == kInfinite), m_at(Clock::now() + milliseconds(timeoutMs)) {}
    bool Infinite() const { return m_infinite; }
    bool Passed() const { return !m_infinite && Clock::now() >= m_at; }
    Clock::time_point At() const { return m_at; }
    milliseconds Remaining(milliseconds cap) const {
        if (m_infinite) return cap;
        const auto left = std::chrono::ceil<milliseconds>(m_at - Clock::now());
        return std::clamp(left, milliseconds(0), cap);
    }

private:
    bool m_infinite;
    Clock::time_point m_at;
};

UiWaitHook* ServingHook() {
    UiWaitHook* hook = GetUiWaitHook();
    return hook != nullptr && hook->IsUiThread() ? hook : nullptr;
}

// One step of a condition-variable wait: until notified or the deadline, or on the user-interface thread one
// slice followed by serving requests (with the lock released, as the requests may need it).
void WaitStep(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, const Deadline& deadline) {
    if (UiWaitHook* hook = ServingHook()) {
        cv.wait_for(lock, deadline.Remaining(kUiSlice));
        lock.unlock();
        hook->ServeWhileWaiting(deadline.Remaining(kUiSlice));
        lock.lock();
    } else if (deadline.Infinite()) {
        cv.wait(lock);
    } else {
        cv.wait_until(lock, deadline.At());
    }
}

// Pause between two polls of a file lock: on the user-interface thread it serves requests instead.
void PollPause(const Deadline& deadline, milliseconds& backoff) {
    if (UiWaitHook* hook = ServingHook()) {
        hook->ServeWhileWaiting(deadline.Remaining(kUiSlice));
        std::this_thread::sleep_for(deadline.Remaining(milliseconds(1)));
        return;
    }
    std::this_thread::sleep_for(deadline.Remaining(backoff));
    backoff = std::min(backoff * 2, milliseconds(8));
}

}  // namespace

void Sleep(std::uint32_t ms) {
    const Deadline deadline(ms);
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    while (!deadline.Passed()) {
        if (UiWaitHook* hook = ServingHook()) {
            hook->ServeWhileWaiting(deadline.Remaining(kUiSlice));
            std::this_thread::sleep_for(deadline.Remaining(milliseconds(1)));
        } else if (deadline.Infinite()) {
            std::this_thread::sleep_for(std::chrono::hours(24));
        } else {
            std::this_thread::sleep_until(deadline.At());
        }
    }
}

// ---- WorkerThread ----

struct WorkerThread::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Suspended;
    bool cancelled = false;
    std::uint32_t exitCode = 0;
    Body body;
};

WorkerThread::WorkerThread(Body body, bool suspended) : m_shared(std::make_shared<Shared>()) {
    m_shared->body = std::move(body);
    m_shared->state = suspended ? State::Suspended : State::Running;
    m_thread = std::thread([shared = m_shared] {
        Body run;
        {
            std::unique_lock<std::mutex> lock(shared->mutex);
            shared->changed.wait(lock, [&] { return shared->state != State::Suspended || shared->cancelled; });
            run = std::move(shared->body);
            if (shared->cancelled) {
                shared->state = State::Finished;
                shared->changed.notify_all();
                return;
            }
        }
        const std::uint32_t code = run ? run() : 0;
        run = nullptr;  // what the body holds goes before anyone learns that the thread has finished
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->exitCode = code;
        shared->state = State::Finished;
        shared->changed.notify_all();
    });
}

WorkerThread::~WorkerThread() {
    if (!m_thread.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->state == State::Suspended) m_shared->cancelled = true;
        m_shared->changed.notify_all();
    }
    if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach();
        return;
    }
    Join();
    if (m_thread.joinable()) m_thread.join();
}

void WorkerThread::Resume() {
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->state == State::Suspended) m_shared->state = State::Running;
    m_shared->changed.notify_all();
}

bool WorkerThread::Join(std::uint32_t timeoutMs) {
    if (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id()) return false;
    const Deadline deadline(timeoutMs);
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    while (m_shared->state != State::Finished) {
        if (deadline.Passed()) return false;
        WaitStep(lock, m_shared->changed, deadline);
    }
    lock.unlock();
    if (m_thread.joinable()) m_thread.join();
    return true;
}

WorkerThread::State WorkerThread::GetState() const {
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->state;
}

std::uint32_t WorkerThread::ExitCode() const {
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->exitCode;
}

void WorkerThread::Detach() {
    if (m_thread.joinable()) m_thread.detach();
}

// ---- runtime folder ----

namespace {

std::mutex g_runtimeLock;
Text g_runtimeOverride;

std::string DefaultRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/QXDownloadTool";
    return "/tmp/QXDownloadTool-" + std::to_string(::getuid());
}

// The folder must be ours: in a shared /tmp someone else could have put a folder or link there first.
bool EnsurePrivateFolder(const std::string& folder) {
    ::mkdir(folder.c_str(), 0700);
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

}  // namespace

void SetRuntimeFolder(TextView folder) {
    const std::lock_guard<std::mutex> lock(g_runtimeLock);
    g_runtimeOverride = NormalizePath(folder);
}

Text GetRuntimeFolder() {
    const std::lock_guard<std::mutex> lock(g_runtimeLock);
    return g_runtimeOverride.empty() ? Utf8ToText(DefaultRuntimeFolder()) : g_runtimeOverride;
}

// ---- NamedMutex ----

struct NamedMutex::State {
    struct Waiter {
        std::uint64_t ticket;
        std::thread::id thread;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::thread::id owner;  // also set, with recursion 0, for a waiter it was handed to that has not woken yet
    std::uint32_t recursion = 0;
    std::deque<Waiter> queue;  // arrival order
    std::uint64_t nextTicket = 0;
    bool acquiring = false;  // the first waiter is taking the file locks
    // Between processes: holding lockFd's lock is owning the mutex; queueFd's lock is held by a process while it
    // waits for lockFd, so that a holder which releases and waits again queues behind it.
    int lockFd = -1;
    int queueFd = -1;

    bool Shared() const { return lockFd >= 0 && queueFd >= 0; }

    void RemoveTicket(std::uint64_t ticket) {
        queue.erase(std::remove_if(queue.begin(), queue.end(), [&](const Waiter& w) { return w.ticket == ticket; }),
                    queue.end());
    }

    bool OtherProcessWaiting() const {
        if (!Shared()) return false;
        if (::flock(queueFd, LOCK_EX | LOCK_NB) != 0) return true;
        ::flock(queueFd, LOCK_UN);
        return false;
    }

    // With the mutex held and the last level released: to the next waiter of this process, unless another
    // process is waiting, which then gets its turn first.
    void GiveUp() {
        owner = std::thread::id();
        recursion = 0;
        if (!queue.empty() && !OtherProcessWaiting()) {
            owner = queue.front().thread;
        } else if (Shared()) {
            ::flock(lockFd, LOCK_UN);
        }
        changed.notify_all();
    }

    bool TakeFileLocks(const Deadline& deadline) {
        if (!Shared()) return true;
        milliseconds backoff(1);
        while (::flock(queueFd, LOCK_EX | LOCK_NB) != 0) {
            if (deadline.Passed()) return false;
            PollPause(deadline, backoff);
        }
        backoff = milliseconds(1);
        bool got = true;
        while (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
            if (deadline.Passed()) {
                got = false;
                break;
            }
            PollPause(deadline, backoff);
        }
        ::flock(queueFd, LOCK_UN);
        return got;
    }
};

namespace {

// A thread that ends while owning mutexes gives them up, so the others are not blocked for ever.
class OwnedByThisThread {
public:
    ~OwnedByThisThread() {
        const std::thread::id me = std::this_thread::get_id();
        for (const auto& state : m_owned) {
            const std::lock_guard<std::mutex> lock(state->mutex);
            if (state->owner == me && state->recursion > 0) state->GiveUp();
        }
    }
    void Add(const std::shared_ptr<NamedMutex::State>& state) {
        if (std::find(m_owned.begin(), m_owned.end(), state) == m_owned.end()) m_owned.push_back(state);
    }
    void Remove(const std::shared_ptr<NamedMutex::State>& state) {
        m_owned.erase(std::remove(m_owned.begin(), m_owned.end(), state), m_owned.end());
    }

private:
    std::vector<std::shared_ptr<NamedMutex::State>> m_owned;
};

thread_local OwnedByThisThread t_owned;

int OpenLockFile(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

// One state per mutex name (and runtime folder) for the whole process, as the kernel keeps one per name.
std::shared_ptr<NamedMutex::State> StateFor(TextView name) {
    static std::mutex registryLock;
    static std::map<std::string, std::shared_ptr<NamedMutex::State>> registry;

    std::string fileName = TextToUtf8(name);
    std::replace(fileName.begin(), fileName.end(), '/', '_');
    std::replace(fileName.begin(), fileName.end(), '\\', '_');
    const std::string folder = ToOsPath(GetRuntimeFolder());
    const std::string base = folder + "/" + fileName;

    const std::lock_guard<std::mutex> lock(registryLock);
    auto& state = registry[base];
    if (!state) {
        state = std::make_shared<NamedMutex::State>();
        if (EnsurePrivateFolder(folder)) {
            state->lockFd = OpenLockFile(base + ".lock");
            state->queueFd = OpenLockFile(base + ".queue");
        }
    }
    return state;
}

}  // namespace

NamedMutex::NamedMutex(TextView name) : m_state(StateFor(name)) {}

NamedMutex::~NamedMutex() = default;

bool NamedMutex::IsShared() const { return m_state->Shared(); }

bool NamedMutex::Wait(std::uint32_t timeoutMs) {
    State& s = *m_state;
    const std::thread::id me = std::this_thread::get_id();
    const Deadline deadline(timeoutMs);
    std::unique_lock<std::mutex> lock(s.mutex);

    const auto claim = [&] {
        if (++s.recursion == 1) t_owned.Add(m_state);
        return true;
    };
    if (s.owner == me) return claim();

    const std::uint64_t ticket = s.nextTicket++;
    s.queue.push_back({ticket, me});
    for (;;) {
        // Handed over by the previous owner; taken even when the time has just run out.
        if (s.owner == me) {
            s.RemoveTicket(ticket);
            return claim();
        }
        if (s.owner == std::thread::id() && !s.acquiring && s.queue.front().ticket == ticket) {
            s.acquiring = true;
            lock.unlock();
            const bool got = s.TakeFileLocks(deadline);
            lock.lock();
            s.acquiring = false;
            s.RemoveTicket(ticket);
            if (got) {
                s.owner = me;
                return claim();
            }
            s.changed.notify_all();
            return false;
        }
        if (deadline.Passed()) {
            s.RemoveTicket(ticket);
            s.changed.notify_all();
            return false;
        }
        WaitStep(lock, s.changed, deadline);
    }
}

bool NamedMutex::Release() {
    State& s = *m_state;
    const std::lock_guard<std::mutex> lock(s.mutex);
    if (s.owner != std::this_thread::get_id() || s.recursion == 0) return false;
    if (--s.recursion == 0) {
        t_owned.Remove(m_state);
        s.GiveUp();
    }
    return true;
}

}  // namespace fw
