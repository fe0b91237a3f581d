// The device mutex around a command on the interfaces of its set: waited for up to five seconds (the command goes
// on without it after that) and released on every way out.
#pragma once

#include <cstdint>

#include "app/MainWindowState.h"

class DeviceMutexScope {
public:
    static constexpr uint32_t kWaitMs = 5000;

    explicit DeviceMutexScope(bool take) {
        if (take && g_hDeviceMutex) m_owned = g_hDeviceMutex->Wait(kWaitMs);
    }
    ~DeviceMutexScope() { Release(); }
    void Release() {
        if (m_owned && g_hDeviceMutex) g_hDeviceMutex->Release();
        m_owned = false;
    }
    DeviceMutexScope(const DeviceMutexScope&) = delete;
    DeviceMutexScope& operator=(const DeviceMutexScope&) = delete;

private:
    bool m_owned = false;
};
