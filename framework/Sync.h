// Threads and locks: a critical section, worker threads that can start suspended, Sleep, and the named device
// mutex that several threads and several running copies of the program share. Blocking waits on the
// user-interface thread keep serving workers' requests through the hook of UiWait.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

#include "framework/Text.h"

namespace fw {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

// Re-entrant for the owning thread, like the critical sections the program was written for.
class CriticalSection {
public:
    void Lock() { m_mutex.lock(); }
    bool TryLock() { return m_mutex.try_lock(); }
    void Unlock() { m_mutex.unlock(); }

    // For std::lock_guard and friends.
    void lock() { Lock(); }
    bool try_lock() { return TryLock(); }
    void unlock() { Unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class ScopedLock {
public:
    explicit ScopedLock(CriticalSection& section) : m_section(section) { m_section.Lock(); }
    ~ScopedLock() { m_section.Unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection& m_section;
};

// Sleeps; on the user-interface thread the time is spent serving workers' requests.
void Sleep(std::uint32_t milliseconds);

// A thread that runs one body. Created suspended it waits for Resume; the destructor joins, and a thread that
// was never resumed then ends without running its body. Detach lets the thread run on after its object is gone.
class WorkerThread {
public:
    enum class State { Suspended, Running, Finished };
    using Body = std::function<std::uint32_t()>;

    WorkerThread(Body body, bool suspended);
    template <class F>
    requires std::is_void_v<std::invoke_result_t<F&>> WorkerThread(F body, bool suspended)
        : WorkerThread(Body([f = std::move(body)]() mutable -> std::uint32_t {
                           f();
                           return 0;
                       }),
                       suspended) {}
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void Resume();
    // True when the thread has finished (at once for a finished thread); false when the time ran out.
    bool Join(std::uint32_t timeoutMs = kInfinite);
    State GetState() const;
    bool IsRunning() const { return GetState() != State::Finished; }  // a suspended thread counts as running
    std::uint32_t ExitCode() const;                                   // 0 until it has finished
    void Detach();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

// Where the named mutex keeps its lock files: $XDG_RUNTIME_DIR/QXDownloadTool, else /tmp/QXDownloadTool-<uid>.
// Tests point it at their own folder; an empty folder goes back to the default.
void SetRuntimeFolder(TextView folder);
Text GetRuntimeFolder();

// A mutex shared by name between the threads of this process and other processes: an advisory lock on a file in
// the runtime folder, which the kernel releases when a process dies. Within the process it is re-entrant for the
// owning thread and handed to waiters in the order they arrived; between processes a waiting process gets it
// before the holder can take it again. A thread that ends while owning it gives it up. Release by a thread that
// does not own it does nothing.
class NamedMutex {
public:
    explicit NamedMutex(TextView name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // True when the calling thread owns the mutex on return.
    bool Wait(std::uint32_t timeoutMs = kInfinite);
    // True when the calling thread owned it (and released one level of ownership).
    bool Release();
    // False when the lock files could not be opened: the mutex then excludes the threads of this process only.
    bool IsShared() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

}  // namespace fw
