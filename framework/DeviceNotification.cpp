#include "framework/DeviceNotification.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace fw {
namespace {

struct Registration {
    DeviceRegistration id;
    DeviceKind kind;
    std::shared_ptr<DeviceChangeCallback> callback;
};

std::optional<DeviceKind> KindOf(std::string_view subsystem, std::string_view devtype) {
    if (subsystem == "tty") return DeviceKind::SerialPort;
    if (subsystem == "usb" && devtype == "usb_device") return DeviceKind::Usb;
    if (subsystem == "hidraw") return DeviceKind::Hid;
    return std::nullopt;
}

// The udev monitor and its thread; started with the first registration, stopped with the last.
class UdevMonitor {
public:
    using Deliver = void (*)(DeviceKind, bool, TextView);

    bool Start(Deliver deliver) {
        m_udev = udev_new();
        if (m_udev == nullptr) return false;
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (m_monitor == nullptr || m_wake < 0 ||
            udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr) < 0 ||
            udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device") < 0 ||
            udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(m_monitor) < 0) {
            Stop();
            return false;
        }
        m_thread = std::thread([this, deliver] { Run(deliver); });
        return true;
    }

    bool OnMonitorThread() const { return m_thread.get_id() == std::this_thread::get_id(); }

    void Stop() {
        if (m_thread.joinable()) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t ignored = ::write(m_wake, &one, sizeof one);
            m_thread.join();
        }
        if (m_wake >= 0) ::close(m_wake);
        if (m_monitor != nullptr) udev_monitor_unref(m_monitor);
        if (m_udev != nullptr) udev_unref(m_udev);
        m_wake = -1;
        m_monitor = nullptr;
        m_udev = nullptr;
    }

private:
    void Run(Deliver deliver) {
        pollfd fds[2] = {{udev_monitor_get_fd(m_monitor), POLLIN, 0}, {m_wake, POLLIN, 0}};
        for (;;) {
            if (::poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents != 0) return;
            if ((fds[0].revents & POLLIN) == 0) continue;
            udev_device* device = udev_monitor_receive_device(m_monitor);
            if (device == nullptr) continue;
            const char* action = udev_device_get_action(device);
            const char* subsystem = udev_device_get_subsystem(device);
            const char* devtype = udev_device_get_devtype(device);
            const char* node = udev_device_get_devnode(device);
            const std::optional<DeviceKind> kind = KindOf(subsystem ? subsystem : "", devtype ? devtype : "");
            const std::string_view what = action ? action : "";
            if (kind && (what == "add" || what == "remove")) {
                const char* name = node != nullptr ? node : udev_device_get_syspath(device);
                deliver(*kind, what == "add", Utf8ToText(name ? name : ""));
            }
            udev_device_unref(device);
        }
    }

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    int m_wake = -1;
    std::thread m_thread;
};

class Registry {
public:
    DeviceRegistration Add(DeviceKind kind, DeviceChangeCallback callback) {
        const std::lock_guard<std::mutex> lock(m_lock);
        if (m_source == DeviceEventSource::Unavailable) return 0;
        if (m_source == DeviceEventSource::System && !m_monitor) {
            auto monitor = std::make_unique<UdevMonitor>();
            if (!monitor->Start(&Registry::DeliverFromSystem)) return 0;
            m_monitor = std::move(monitor);
        }
        const DeviceRegistration id = ++m_lastId;
        m_entries.push_back({id, kind, std::make_shared<DeviceChangeCallback>(std::move(callback))});
        return id;
    }

    void Remove(DeviceRegistration id) {
        std::unique_ptr<UdevMonitor> stopping;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_entries.erase(
                std::remove_if(m_entries.begin(), m_entries.end(), [&](const Registration& r) { return r.id == id; }),
                m_entries.end());
            // A delivery in progress on another thread may still be calling it: wait for it to end. (A callback
            // that unregisters itself is not waited for.)
            const std::thread::id me = std::this_thread::get_id();
            m_idle.wait(lock, [&] {
                return std::none_of(m_calling.begin(), m_calling.end(),
                                    [&](const Call& c) { return c.id == id && c.thread != me; });
            });
            // The monitor cannot stop itself from its own thread; it then stops with the next unregistration.
            if (m_entries.empty() && m_monitor && !m_monitor->OnMonitorThread()) stopping = std::move(m_monitor);
        }
        if (stopping) stopping->Stop();
    }

    void Deliver(DeviceKind kind, bool arrival, TextView name) {
        std::vector<Registration> targets;
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            for (const Registration& r : m_entries) {
                if (r.kind == kind) targets.push_back(r);
            }
        }
        const DeviceChange change{kind, arrival, Text(name)};
        for (const Registration& r : targets) {
            {
                const std::lock_guard<std::mutex> lock(m_lock);
                // Unregistered meanwhile: not called any more.
                if (std::none_of(m_entries.begin(), m_entries.end(),
                                 [&](const Registration& e) { return e.id == r.id; }))
                    continue;
                m_calling.push_back({r.id, std::this_thread::get_id()});
            }
            (*r.callback)(change);
            {
                const std::lock_guard<std::mutex> lock(m_lock);
                const auto call = std::find_if(m_calling.begin(), m_calling.end(), [&](const Call& c) {
                    return c.id == r.id && c.thread == std::this_thread::get_id();
                });
                m_calling.erase(call);
            }
            m_idle.notify_all();
        }
    }

    void SetSource(DeviceEventSource source) {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_source = source;
    }

    static Registry& Instance() {
        static Registry registry;
        return registry;
    }

    ~Registry() {
        if (m_monitor) m_monitor->Stop();
    }

private:
    static void DeliverFromSystem(DeviceKind kind, bool arrival, TextView name) {
        Instance().Deliver(kind, arrival, name);
    }

    std::mutex m_lock;
    std::condition_variable m_idle;
    std::vector<Registration> m_entries;
    struct Call {
        DeviceRegistration id;
        std::thread::id thread;
    };
    std::vector<Call> m_calling;
    DeviceRegistration m_lastId = 0;
    DeviceEventSource m_source = DeviceEventSource::System;
    std::unique_ptr<UdevMonitor> m_monitor;
};

}  // namespace

DeviceRegistration RegisterDeviceChange(DeviceKind kind, DeviceChangeCallback callback) {
    return Registry::Instance().Add(kind, std::move(callback));
}

void UnregisterDeviceChange(DeviceRegistration registration) { Registry::Instance().Remove(registration); }

void InjectDeviceChange(DeviceKind kind, bool arrival, TextView name) {
    Registry::Instance().Deliver(kind, arrival, name);
}

void SetDeviceEventSource(DeviceEventSource source) { Registry::Instance().SetSource(source); }

}  // namespace fw
