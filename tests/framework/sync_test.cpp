#include "framework/Sync.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/UiWait.h"
#include "tests/framework/TempFolder.h"
#include "tests/framework/TestSupport.h"

extern char** environ;

namespace fw {
namespace {

using fw::testing::Eventually;
using fw::testing::TempFolder;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Each test gets its own runtime folder, so tests running at the same time never share a mutex file.
class SyncTest : public ::testing::Test {
protected:
    void SetUp() override { SetRuntimeFolder(m_runtime.Wide()); }
    void TearDown() override { SetRuntimeFolder(u""); }
    TempFolder m_runtime;
};

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(CriticalSection, ExcludesOtherThreadsAndIsReentrant) {
    CriticalSection section;
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                ScopedLock outer(section);
                ScopedLock inner(section);
                ++counter;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 40000);
}

TEST(WorkerThread, SuspendedThreadRunsOnlyAfterResume) {
    std::atomic<bool> ran{false};
    WorkerThread worker(
        [&]() -> std::uint32_t {
            ran = true;
            return 7;
        },
        true);
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(ran);
    EXPECT_EQ(worker.GetState(), WorkerThread::State::Suspended);
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Join(20));
    worker.Resume();
    EXPECT_TRUE(worker.Join());
    EXPECT_TRUE(ran);
    EXPECT_EQ(worker.GetState(), WorkerThread::State::Finished);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.ExitCode(), 7u);
    EXPECT_TRUE(worker.Join(0));
}

TEST(WorkerThread, NeverResumedThreadEndsWithoutRunningItsBody) {
    std::atomic<bool> ran{false};
    {
        WorkerThread worker([&] { ran = true; }, true);
    }
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, JoinTimesOutWhileTheBodyRuns) {
    std::atomic<bool> release{false};
    WorkerThread worker([&] { Eventually([&] { return release.load(); }); }, false);
    const auto start = Clock::now();
    EXPECT_FALSE(worker.Join(50));
    EXPECT_GE(ElapsedMs(start), 50);
    EXPECT_EQ(worker.GetState(), WorkerThread::State::Running);
    release = true;
    EXPECT_TRUE(worker.Join(5000));
}

TEST(WorkerThread, DetachedThreadRunsOn) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    {
        WorkerThread worker(
            [done] {
                std::this_thread::sleep_for(20ms);
                *done = true;
            },
            false);
        worker.Detach();
    }
    EXPECT_TRUE(Eventually([&] { return done->load(); }));
}

TEST(Sleep, WaitsAtLeastTheTime) {
    const auto start = Clock::now();
    Sleep(30);
    EXPECT_GE(ElapsedMs(start), 30);
    Sleep(0);
}

TEST_F(SyncTest, TimedWaitGoesOnAndReleaseByNonOwnerIsHarmless) {
    NamedMutex mutex(u"screen");
    std::atomic<bool> held{false}, done{false};
    std::thread holder([&] {
        ASSERT_TRUE(mutex.Wait(0));
        held = true;
        Eventually([&] { return done.load(); });
        EXPECT_TRUE(mutex.Release());
    });
    ASSERT_TRUE(Eventually([&] { return held.load(); }));

    const auto start = Clock::now();
    EXPECT_FALSE(mutex.Wait(60));
    EXPECT_GE(ElapsedMs(start), 60);
    // Handlers release on every way out, also after a wait that timed out: that must not free the holder's mutex.
    EXPECT_FALSE(mutex.Release());
    NamedMutex sameName(u"screen");
    EXPECT_FALSE(sameName.Wait(20));

    done = true;
    holder.join();
    EXPECT_TRUE(sameName.Wait(1000));
    EXPECT_TRUE(sameName.Release());
    EXPECT_FALSE(sameName.Release());
}

TEST_F(SyncTest, OwnerMayWaitAgainAndMustReleaseAsOften) {
    NamedMutex mutex(u"screen");
    ASSERT_TRUE(mutex.Wait(0));
    ASSERT_TRUE(mutex.Wait(0));
    ASSERT_TRUE(mutex.Wait());
    EXPECT_TRUE(mutex.Release());
    EXPECT_TRUE(mutex.Release());
    bool otherGot = true;
    std::thread([&] { otherGot = mutex.Wait(20); }).join();
    EXPECT_FALSE(otherGot);
    EXPECT_TRUE(mutex.Release());
    std::thread([&] {
        otherGot = mutex.Wait(1000);
        mutex.Release();
    }).join();
    EXPECT_TRUE(otherGot);
}

// The connection monitor waits again at once after each release; the user-interface thread and a worker that
// arrived while it held the mutex must still get their turns, in the order they came.
TEST_F(SyncTest, WaitersAreServedInArrivalOrderAheadOfARewaitingHolder) {
    NamedMutex mutex(u"screen");
    std::mutex logLock;
    std::vector<std::string> order;
    const auto log = [&](const std::string& who) {
        const std::lock_guard<std::mutex> lock(logLock);
        order.push_back(who);
    };

    ASSERT_TRUE(mutex.Wait());
    std::atomic<int> arrived{0};
    std::vector<std::thread> waiters;
    for (const char* name : {"first", "second"}) {
        waiters.emplace_back([&, name] {
            ++arrived;
            ASSERT_TRUE(mutex.Wait(5000));
            log(name);
            std::this_thread::sleep_for(5ms);
            mutex.Release();
        });
        ASSERT_TRUE(Eventually([&] { return arrived == static_cast<int>(waiters.size()); }));
        std::this_thread::sleep_for(30ms);  // the waiter is queued by now
    }
    // Monitor-like: release, wait again at once, three times.
    for (int pass = 0; pass < 3; ++pass) {
        mutex.Release();
        ASSERT_TRUE(mutex.Wait(5000));
        log("monitor");
    }
    mutex.Release();
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "monitor", "monitor", "monitor"}));
}

TEST_F(SyncTest, ThreadThatEndsWhileOwningGivesTheMutexUp) {
    NamedMutex mutex(u"screen");
    std::thread([&] { ASSERT_TRUE(mutex.Wait(0)); }).join();
    EXPECT_TRUE(mutex.Wait(1000));
    mutex.Release();
}

// A fake user-interface thread: workers send it requests synchronously, as the program's workers send messages
// to the window, and block until they are served.
class FakeUi : public UiWaitHook {
public:
    bool IsUiThread() const override { return std::this_thread::get_id() == m_ui; }

    void ServeWhileWaiting(std::chrono::milliseconds budget) override {
        ++serveCalls;
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait_for(lock, budget, [&] { return !m_requests.empty(); });
        while (!m_requests.empty()) {
            auto request = std::move(m_requests.front());
            m_requests.pop_front();
            lock.unlock();
            request();
            lock.lock();
            ++m_served;
            m_changed.notify_all();
        }
    }

    // Answers false when the request was not served in time (a deadlock in the code under test).
    bool Send(std::function<void()> request) {
        std::unique_lock<std::mutex> lock(m_lock);
        const int ticket = m_served + static_cast<int>(m_requests.size()) + 1;
        m_requests.push_back(std::move(request));
        m_changed.notify_all();
        return m_changed.wait_for(lock, 3s, [&] { return m_served >= ticket; });
    }

    std::atomic<int> serveCalls{0};

private:
    std::thread::id m_ui = std::this_thread::get_id();
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_requests;
    int m_served = 0;
};

class UiWaitTest : public SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        SetUiWaitHook(&m_ui);
    }
    void TearDown() override {
        SetUiWaitHook(nullptr);
        SyncTest::TearDown();
    }
    FakeUi m_ui;
};

TEST_F(UiWaitTest, MutexWaitOnTheUiThreadServesAWorkerThatHoldsIt) {
    NamedMutex mutex(u"screen");
    std::atomic<bool> holding{false}, sent{false};
    bool served = false;
    WorkerThread worker(
        [&] {
            mutex.Wait();
            holding = true;
            sent = m_ui.Send([&] { served = true; });
            mutex.Release();
        },
        false);
    ASSERT_TRUE(Eventually([&] { return holding.load(); }));
    EXPECT_TRUE(mutex.Wait(5000));
    EXPECT_TRUE(served);
    mutex.Release();
    EXPECT_TRUE(worker.Join());
    EXPECT_TRUE(sent);
}

TEST_F(UiWaitTest, JoinAndSleepOnTheUiThreadServeWorkers) {
    bool served = false;
    std::atomic<bool> sent{false};
    WorkerThread worker([&] { sent = m_ui.Send([&] { served = true; }); }, false);
    EXPECT_TRUE(worker.Join(5000));
    EXPECT_TRUE(sent);
    EXPECT_TRUE(served);

    served = false;
    sent = false;
    WorkerThread sender([&] { sent = m_ui.Send([&] { served = true; }); }, true);
    sender.Resume();
    Sleep(200);
    EXPECT_TRUE(served);
    EXPECT_TRUE(sender.Join(5000));
    EXPECT_TRUE(sent);
}

TEST_F(UiWaitTest, OtherThreadsWaitWithoutServing) {
    NamedMutex mutex(u"screen");
    ASSERT_TRUE(mutex.Wait());
    std::thread([&] {
        EXPECT_FALSE(mutex.Wait(30));
        Sleep(10);
    }).join();
    EXPECT_EQ(m_ui.serveCalls, 0);
    mutex.Release();
}

// ---- between processes ----

class Helper {
public:
    Helper(const std::string& runtime, const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<std::string> all{QX_TEST_HELPER, "mutex", runtime, "screen"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, QX_TEST_HELPER, &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = fds[0];
    }
    ~Helper() {
        Kill();
        if (m_out >= 0) ::close(m_out);
    }
    // The next line the helper writes.
    std::string ReadLine() {
        std::string line;
        char c;
        while (::read(m_out, &c, 1) == 1 && c != '\n')
            line.push_back(c);
        return line;
    }
    int ExitCode() {
        int status = 0;
        if (m_pid <= 0 || ::waitpid(m_pid, &status, 0) != m_pid) return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Kill() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    bool Started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

TEST_F(SyncTest, SecondProcessWaitsForTheHolderAndGetsItWhenTheHolderDies) {
    NamedMutex mutex(u"screen");
    ASSERT_TRUE(mutex.IsShared());
    ASSERT_TRUE(mutex.Wait());

    Helper tryer(m_runtime.Os(), {"try", "100"});
    ASSERT_TRUE(tryer.Started());
    EXPECT_EQ(tryer.ExitCode(), 1);  // blocked while we hold it

    Helper holder(m_runtime.Os(), {"hold"});
    ASSERT_TRUE(holder.Started());
    ASSERT_EQ(holder.ReadLine(), "waiting");
    std::this_thread::sleep_for(200ms);  // it is queued for the lock by now
    // Released and waited for again at once, as the connection monitor does: the waiting process goes first.
    mutex.Release();
    EXPECT_FALSE(mutex.Wait(500));
    EXPECT_EQ(holder.ReadLine(), "locked");

    holder.Kill();  // the kernel drops a dead process's lock
    const auto start = Clock::now();
    EXPECT_TRUE(mutex.Wait(5000));
    EXPECT_LT(ElapsedMs(start), 2000);
    mutex.Release();
}

}  // namespace
}  // namespace fw
