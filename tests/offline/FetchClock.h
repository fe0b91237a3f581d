// A clock for update fetches that moves only when a test moves it (HttpConnectionSettings::clock): whether a wait or
// a deadline of a fetch has run out is then decided by the times the test chose, never by how busy the machine is.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>

#include "offline/HttpSocket.h"

class FetchClock {
public:
    // `onReading` runs each time a fetch reads the clock, before it gets the time: a server of the test's own can
    // take a step of its answer there, so that the answer and the clock move together.
    explicit FetchClock(std::function<void()> onReading = {}) : m_onReading(std::move(onReading)) {}

    // What the fetch reads. The clock must outlive every fetch that was given it.
    HttpClockSource Source() {
        return [this] {
            if (m_onReading) m_onReading();
            return kStart + Elapsed();
        };
    }
    void Advance(std::chrono::milliseconds by) { m_elapsedMs += by.count(); }
    std::chrono::milliseconds Elapsed() const { return std::chrono::milliseconds(m_elapsedMs.load()); }

private:
    // Where a steady clock would be, far from its epoch: a fetch counts its first slice from there.
    static constexpr HttpClock::time_point kStart = HttpClock::time_point{} + std::chrono::hours(1);

    std::function<void()> m_onReading;
    std::atomic<std::chrono::milliseconds::rep> m_elapsedMs{0};
};
